// palette_screenshots.exe FOLDER: the palette's four pages and the target-CAD dialog as BMP
// files, taken from the screen (run it on Xvfb through scripts/screenshots.sh, which turns
// them into the PNGs of docs/).
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iostream>
#include <vector>

#include "palette_process.h"

namespace {

namespace fs = std::filesystem;
using namespace tarsel::palette::win32;
using testing::PaletteProcess;

// Paints now what the window shows: a screenshot must not catch it half drawn.
void Settle(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW | RDW_FRAME);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &ignored);
    Sleep(300);  // the X server's own drawing: a screenshot tool may wait, a test never does
}

bool SaveWindowBitmap(HWND window, const fs::path& file) {
    RECT rect{};
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const int stride = (width * 3 + 3) & ~3;
    std::vector<char> pixels(static_cast<std::size_t>(stride) * height);
    GetDIBits(memory, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(file, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(&info), sizeof info);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
    return static_cast<bool>(out);
}

int Run(const fs::path& output) {
    tarsel::cadlink::com::testing::TempFolder folder;
    std::ofstream(folder / "TargetCAD_APIVersion.txt", std::ios::binary)
        << "BricsCAD\tBricscadApp.AcadApplication\r\n"
           "AutoCAD 2020~2024\tAutoCAD.Application\r\n"
           "IJCAD 2024\tGcad.Application\r\n";
    PaletteProcess palette(folder.path());
    fs::create_directories(output);
    for (int page = 0; page < 4; ++page) {
        palette.ShowPage(page);
        Settle(palette.palette());
        const fs::path file = output / ("palette-page" + std::to_string(page + 1) + ".bmp");
        if (!SaveWindowBitmap(palette.palette(), file)) return 1;
    }
    palette.ShowPage(0);
    PostMessageW(palette.Control(ButtonId(15)), BM_CLICK, 0, 0);
    HWND dialog = palette.WaitForWindow(kTargetCadClass);
    if (dialog == nullptr) return 1;
    Settle(dialog);
    if (!SaveWindowBitmap(dialog, output / "target-cad-dialog.bmp")) return 1;
    PostMessageW(GetDlgItem(dialog, kDialogButton2), BM_CLICK, 0, 0);
    return palette.Close() == 0 ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::cerr << "usage: palette_screenshots FOLDER\n";
        return 2;
    }
    try {
        return Run(argv[1]);
    } catch (const std::exception& e) {
        std::cerr << "palette_screenshots: " << e.what() << "\n";
        return 1;
    }
}
