// Takes the README's picture of fetchwell.exe: starts it with the stand-in instrument, waits for its dialog
// and writes what the screen shows of the window to a PNG file. Usage (inside wine-session):
// fetchwell_screenshot.exe OUTPUT.png
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "program_driver.h"
#include "windows_test_support.h"

namespace {

std::uint32_t Crc32(const std::string& bytes) {
    std::uint32_t crc = 0xFFFFFFFF;
    for (char byte : bytes) {
        crc ^= static_cast<unsigned char>(byte);
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

std::string BigEndian(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
            static_cast<char>(value)};
}

std::string Chunk(const char* type, const std::string& data) {
    std::string typed = std::string(type, 4) + data;
    return BigEndian(static_cast<std::uint32_t>(data.size())) + typed + BigEndian(Crc32(typed));
}

// A zlib stream of stored (uncompressed) blocks: simple, and small enough for a dialog's few colours per
// pixel.
std::string StoredZlib(const std::string& data) {
    std::string stream = "\x78\x01";
    std::uint32_t a = 1, b = 0;
    for (char byte : data) {
        a = (a + static_cast<unsigned char>(byte)) % 65521;
        b = (b + a) % 65521;
    }
    for (std::size_t at = 0; at == 0 || at < data.size(); at += 65535) {
        std::size_t length = std::min<std::size_t>(65535, data.size() - at);
        bool last = at + length >= data.size();
        stream += static_cast<char>(last ? 1 : 0);
        stream += static_cast<char>(length & 0xFF);
        stream += static_cast<char>(length >> 8);
        stream += static_cast<char>(~length & 0xFF);
        stream += static_cast<char>((~length >> 8) & 0xFF);
        stream.append(data, at, length);
    }
    return stream + BigEndian(b << 16 | a);
}

// An indexed-colour PNG of BGRX pixels, top row first; false when they hold more than 256 colours.
bool WritePng(const std::string& path, int width, int height, const std::vector<std::uint32_t>& pixels) {
    std::map<std::uint32_t, unsigned> palette;
    std::string rows;
    for (int y = 0; y < height; ++y) {
        rows += '\0';  // no filter
        for (int x = 0; x < width; ++x) {
            std::uint32_t colour = pixels[static_cast<std::size_t>(y * width + x)] & 0xFFFFFF;
            auto found = palette.emplace(colour, static_cast<unsigned>(palette.size())).first;
            rows += static_cast<char>(found->second);
        }
    }
    if (palette.size() > 256) {
        return false;
    }
    std::string plte(palette.size() * 3, '\0');
    for (const auto& [colour, index] : palette) {
        plte[index * 3] = static_cast<char>(colour >> 16);
        plte[index * 3 + 1] = static_cast<char>(colour >> 8);
        plte[index * 3 + 2] = static_cast<char>(colour);
    }
    std::string header = BigEndian(static_cast<std::uint32_t>(width)) +
                         BigEndian(static_cast<std::uint32_t>(height)) +
                         std::string("\x08\x03\x00\x00\x00", 5);
    std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) + Chunk("PLTE", plte) +
                      Chunk("IDAT", StoredZlib(rows)) + Chunk("IEND", "");
    return WriteWholeFile(path, png);
}

bool Capture(HWND window, const std::string& path) {
    RECT rect;
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    GdiFlush();
    const auto* first = static_cast<const std::uint32_t*>(bits);
    std::vector<std::uint32_t> pixels(
        first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return WritePng(path, width, height, pixels);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fetchwell_screenshot OUTPUT.png\n");
        return 2;
    }
    std::string app = ProgramFolder();
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Quillfen\\Fetchwell", "filepath", REG_SZ,
                    "C:\\ZT914reports", sizeof "C:\\ZT914reports");
    ProgramDriver program;
    if (!program.Start(app + "fetchwell.exe", app) || !program.WaitForDialog() ||
        !WaitUntil([&] { return program.Text(106) == "Status: IDLE"; })) {
        std::fprintf(stderr, "fetchwell.exe did not come up\n");
        return 1;
    }
    // Let the window finish painting: a round trip through its message queue, then a moment for the display.
    program.Text(101);
    Sleep(300);
    bool written = Capture(program.Dialog(), argv[1]);
    program.Command(103);
    DWORD code = 0;
    program.WaitForExit(&code);
    if (!written) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
