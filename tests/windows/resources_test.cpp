// The resources of fetchwell.exe, read back from the built program: the main dialog's template, the string
// table, the icon group and the version.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "platform/windows/resource_ids_windows.h"
#include "platform/windows/win32_windowing.h"
#include "ui/strings.h"
#include "windows_test_support.h"

namespace {

const WORD ENGLISH_US = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

struct DialogItem {
    DWORD style;
    DWORD extendedStyle;
    int x, y, width, height;
    int id;
    std::string className;
    std::string text;
};

struct DialogTemplate {
    DWORD style;
    DWORD extendedStyle;
    int x, y, width, height;
    std::string menu;
    std::string className;
    std::string title;
    int pointSize;
    std::string font;
    std::vector<DialogItem> items;
};

// Walks a classic (not extended) dialog template: fixed headers, then names that are either a 0xFFFF-prefixed
// number or a zero-terminated UTF-16 text, each item starting on a 4-byte boundary.
class TemplateReader {
  public:
    explicit TemplateReader(const BYTE* start) : start_(start), at_(start) {}

    WORD Word() {
        WORD value;
        std::memcpy(&value, at_, sizeof value);
        at_ += sizeof value;
        return value;
    }
    DWORD Dword() {
        DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    int Short() { return static_cast<SHORT>(Word()); }
    std::string Text() {
        std::string text;
        for (WORD c = Word(); c != 0; c = Word()) {
            text += c < 0x80 ? static_cast<char>(c) : '?';
        }
        return text;
    }
    // A class given by number is one of the system's predefined control classes.
    std::string NameOrNumber() {
        WORD first;
        std::memcpy(&first, at_, sizeof first);
        if (first != 0xFFFF) {
            return Text();
        }
        Word();
        switch (WORD number = Word()) {
            case 0x0080:
                return "Button";
            case 0x0081:
                return "Edit";
            case 0x0082:
                return "Static";
            default:
                return "#" + std::to_string(number);
        }
    }
    void AlignToDword() {
        while ((at_ - start_) % 4 != 0) {
            ++at_;
        }
    }

  private:
    const BYTE* start_;
    const BYTE* at_;
};

DialogTemplate ReadDialog(const BYTE* data) {
    TemplateReader reader(data);
    DialogTemplate dialog;
    dialog.style = reader.Dword();
    dialog.extendedStyle = reader.Dword();
    unsigned count = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.width = reader.Short();
    dialog.height = reader.Short();
    dialog.menu = reader.NameOrNumber();
    dialog.className = reader.NameOrNumber();
    dialog.title = reader.Text();
    dialog.pointSize = (dialog.style & DS_SETFONT) ? reader.Short() : 0;
    dialog.font = (dialog.style & DS_SETFONT) ? reader.Text() : "";
    for (unsigned i = 0; i < count; ++i) {
        reader.AlignToDword();
        DialogItem item;
        item.style = reader.Dword();
        item.extendedStyle = reader.Dword();
        item.x = reader.Short();
        item.y = reader.Short();
        item.width = reader.Short();
        item.height = reader.Short();
        item.id = reader.Word();
        item.className = reader.NameOrNumber();
        item.text = reader.NameOrNumber();
        unsigned extra = reader.Word();
        for (unsigned skip = 0; skip < extra; ++skip) {
            reader.Word();
        }
        dialog.items.push_back(item);
    }
    return dialog;
}

class ResourcesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        program_ =
            LoadLibraryExA((ProgramFolder() + "fetchwell.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(program_, nullptr);
    }
    void TearDown() override {
        if (program_ != nullptr) {
            FreeLibrary(program_);
        }
    }

    const BYTE* Resource(LPCSTR type, LPCSTR name, WORD language = ENGLISH_US) {
        HRSRC found = FindResourceExA(program_, type, name, language);
        if (found == nullptr) {
            return nullptr;
        }
        return static_cast<const BYTE*>(LockResource(LoadResource(program_, found)));
    }

    HMODULE program_ = nullptr;
};

TEST_F(ResourcesTest, MainDialogIsTheTemplateToTheLetter) {
    const BYTE* data = Resource(RT_DIALOG, MAKEINTRESOURCEA(IDD_MAIN));
    ASSERT_NE(data, nullptr) << "no English (United States) dialog 100";
    DialogTemplate dialog = ReadDialog(data);

    EXPECT_EQ(dialog.style, static_cast<DWORD>(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU |
                                               DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(dialog.extendedStyle, 0u);
    EXPECT_EQ(dialog.menu, "");
    EXPECT_EQ(dialog.className, "");
    EXPECT_EQ(dialog.title, "ZT914 Report Download");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
    EXPECT_EQ(dialog.x, 215);
    EXPECT_EQ(dialog.y, 116);
    EXPECT_EQ(dialog.width, 241);
    EXPECT_EQ(dialog.height, 81);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DialogItem expected[] = {
        {child | BS_PUSHBUTTON | WS_TABSTOP, 0, 179, 40, 53, 14, IDC_HELP, "Button", "Help"},
        {child | SS_LEFT | WS_GROUP, 0, 11, 43, 164, 12, IDC_STATUS, "Static", "Status:"},
        {child | BS_PUSHBUTTON | WS_TABSTOP, 0, 179, 19, 53, 14, IDC_BROWSE, "Button", "Browse"},
        {child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 10, 20, 164, 12, IDC_FOLDER, "Edit", ""},
        {child | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 10, 60, 79, 14, IDC_DOWNLOAD, "Button",
         "Download Reports"},
        {child | BS_PUSHBUTTON | WS_TABSTOP, 0, 179, 60, 53, 14, IDC_EXIT, "Button", "Exit"},
        {child | SS_LEFT | WS_GROUP, 0, 11, 7, 164, 12, IDC_FOLDER_LABEL, "Static", "Save report files to:"},
    };
    ASSERT_EQ(dialog.items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const DialogItem& want = expected[i];
        const DialogItem& got = dialog.items[i];
        SCOPED_TRACE("control " + std::to_string(i + 1) + ": " + want.text);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(_stricmp(got.className.c_str(), want.className.c_str()), 0) << got.className;
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.style, want.style);
        EXPECT_EQ(got.extendedStyle, 0u);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
    }
}

TEST_F(ResourcesTest, StringTableHoldsExactlyThePortableTexts) {
    // Both blocks of the table (ids 0-15 and 16-31) are English (United States).
    EXPECT_NE(Resource(RT_STRING, MAKEINTRESOURCEA(1)), nullptr);
    EXPECT_NE(Resource(RT_STRING, MAKEINTRESOURCEA(2)), nullptr);
    Win32Windowing windowing(program_);
    for (int id = 0; id <= 40; ++id) {
        SCOPED_TRACE(id);
        const char* expected = StringTableText(id);
        char loaded[1280];
        int length = windowing.LoadText(id, loaded, sizeof loaded);
        EXPECT_STREQ(loaded, expected == nullptr ? "" : expected);
        EXPECT_EQ(static_cast<std::size_t>(length), std::strlen(loaded));
    }
    EXPECT_NE(std::strchr(StringTableText(IDS_HELP_TEXT), '"'), nullptr);
}

TEST_F(ResourcesTest, ALoadedTextIsCutToTheBuffer) {
    Win32Windowing windowing(program_);
    char buffer[10];
    std::memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(windowing.LoadText(IDS_HELP_TEXT, buffer, sizeof buffer), 9);
    EXPECT_STREQ(buffer, "Fetchwell");
}

TEST_F(ResourcesTest, IconGroupHasSixImagesOfThreeSizesAndTwoDepths) {
    const BYTE* group = Resource(RT_GROUP_ICON, "APPICON");
    ASSERT_NE(group, nullptr);
    WORD count;
    std::memcpy(&count, group + 4, sizeof count);
    ASSERT_EQ(count, 6);
    std::set<std::pair<int, int>> images;
    for (unsigned i = 0; i < count; ++i) {
        const BYTE* entry = group + 6 + i * 14;
        int size = entry[0];
        WORD bitCount, id;
        std::memcpy(&bitCount, entry + 6, sizeof bitCount);
        std::memcpy(&id, entry + 12, sizeof id);
        images.insert({size, bitCount});
        EXPECT_EQ(entry[1], entry[0]) << "square";

        const BYTE* image = Resource(RT_ICON, MAKEINTRESOURCEA(id));
        ASSERT_NE(image, nullptr) << "image " << id;
        BITMAPINFOHEADER header;
        std::memcpy(&header, image, sizeof header);
        EXPECT_EQ(header.biWidth, size);
        EXPECT_EQ(header.biHeight, 2 * size);  // the colour image and its mask
        EXPECT_EQ(header.biBitCount, bitCount);
    }
    std::set<std::pair<int, int>> expected = {{48, 8}, {48, 32}, {32, 8}, {32, 32}, {16, 8}, {16, 32}};
    EXPECT_EQ(images, expected);
}

TEST_F(ResourcesTest, CarriesTheProgramVersion) {
    const BYTE* version = Resource(RT_VERSION, MAKEINTRESOURCEA(VS_VERSION_INFO));
    ASSERT_NE(version, nullptr);
    // The fixed part follows the block's header and its key, "VS_VERSION_INFO", aligned to 4 bytes.
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, version + 40, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(HIWORD(fixed.dwFileVersionMS), 1);
    EXPECT_EQ(LOWORD(fixed.dwFileVersionMS), 1);
    EXPECT_EQ(fixed.dwFileType, static_cast<DWORD>(VFT_APP));
}

}  // namespace
