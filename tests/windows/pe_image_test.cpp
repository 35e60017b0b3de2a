// fetchwell.exe as a file: a hardened 64-bit GUI program that needs nothing at run time but Windows' own
// DLLs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "windows_test_support.h"

namespace {

// Reads the few fields of a PE32+ image that the tests look at, straight from the file's bytes.
class PeImage {
  public:
    explicit PeImage(std::string bytes) : bytes_(std::move(bytes)) {}

    bool Valid() const {
        return bytes_.size() > 0x40 && bytes_.compare(0, 2, "MZ") == 0 && Word32(Header()) == 0x00004550 &&
               Word16(Optional()) == 0x20B;  // "PE\0\0", PE32+
    }
    unsigned Machine() const { return Word16(Header() + 4); }
    unsigned Subsystem() const { return Word16(Optional() + 68); }
    unsigned DllCharacteristics() const { return Word16(Optional() + 70); }

    // The names of the DLLs in a directory of import descriptors: 1 for the imports, 13 for the delayed ones.
    std::vector<std::string> ImportedDlls(unsigned directory) const {
        std::vector<std::string> names;
        std::uint32_t rva = Word32(Optional() + 112 + directory * 8);
        if (rva == 0) {
            return names;
        }
        const std::size_t descriptorSize = directory == 1 ? 20 : 32;
        const std::size_t nameField = directory == 1 ? 12 : 4;
        for (std::size_t at = FileOffset(rva); at != 0 && at + descriptorSize <= bytes_.size();
             at += descriptorSize) {
            std::uint32_t nameRva = Word32(at + nameField);
            if (nameRva == 0) {
                break;
            }
            names.push_back(bytes_.c_str() + FileOffset(nameRva));
        }
        return names;
    }

  private:
    std::size_t Header() const { return Word32(0x3C); }
    std::size_t Optional() const { return Header() + 24; }
    std::uint32_t Word16(std::size_t at) const {
        return at + 2 <= bytes_.size()
                   ? static_cast<std::uint8_t>(bytes_[at]) |
                         static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes_[at + 1])) << 8
                   : 0;
    }
    std::uint32_t Word32(std::size_t at) const { return Word16(at) | Word16(at + 2) << 16; }
    // Where the bytes of an address of the loaded image lie in the file; 0 when no section holds it.
    std::size_t FileOffset(std::uint32_t rva) const {
        unsigned sections = Word16(Header() + 6);
        std::size_t table = Optional() + Word16(Header() + 20);
        for (unsigned i = 0; i < sections; ++i) {
            std::size_t section = table + i * 40;
            std::uint32_t start = Word32(section + 12);
            std::uint32_t size = std::max(Word32(section + 8), Word32(section + 16));
            if (rva >= start && rva < start + size) {
                return Word32(section + 20) + (rva - start);
            }
        }
        return 0;
    }

    std::string bytes_;
};

PeImage ProgramImage() {
    std::string bytes;
    ReadWholeFile(ProgramFolder() + "fetchwell.exe", &bytes);
    return PeImage(std::move(bytes));
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(ProgramImageTest, IsAHardenedGuiProgramForX64) {
    PeImage image = ProgramImage();
    ASSERT_TRUE(image.Valid());
    EXPECT_EQ(image.Machine(), 0x8664u);
    EXPECT_EQ(image.Subsystem(), 2u);  // the Windows GUI: no console window
    const unsigned highEntropyVa = 0x0020, dynamicBase = 0x0040, nxCompat = 0x0100;
    EXPECT_EQ(image.DllCharacteristics() & highEntropyVa, highEntropyVa);
    EXPECT_EQ(image.DllCharacteristics() & dynamicBase, dynamicBase);
    EXPECT_EQ(image.DllCharacteristics() & nxCompat, nxCompat);
}

TEST(ProgramImageTest, ImportsOnlyWindowsOwnDlls) {
    PeImage image = ProgramImage();
    ASSERT_TRUE(image.Valid());
    // The instrument's driver is looked up at run time, so it is not among them either.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "advapi32.dll", "shell32.dll",
                                          "ole32.dll",    "comctl32.dll", "dbghelp.dll",  "msvcrt.dll"};
    std::vector<std::string> imported = image.ImportedDlls(1);
    EXPECT_FALSE(imported.empty());
    for (const std::string& dll : imported) {
        EXPECT_EQ(system.count(Lower(dll)), 1u) << dll;
    }
    EXPECT_TRUE(image.ImportedDlls(13).empty());
}

}  // namespace
