// Pictures of the main window, the measured-data window and the parameter editor as the screen
// shows them, for a person to look at: run by hand under a display (Xvfb) with
// --gtest_also_run_disabled_tests and K7_SHOTS_DIR naming the folder for the PNG files.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "Environment.h"
#include "PngImage.h"
#include "SimulatedProgram.h"
#include "app/KARVO7CheckDlg.h"
#include "windows/editors/AnzeigeVorgabenDlg.h"
#include "windows/measurement/AnzeigeDlg.h"

namespace k7w32test {

namespace {

// The screen's pixels of `window`, frame and title bar included, as a PNG file.
void saveShot(HWND window, const std::string& name) {
    const char* folder = std::getenv("K7_SHOTS_DIR");
    ASSERT_NE(folder, nullptr);
    // The X server maps and paints a window some time after Wine shows it: the screen holds
    // the window's pixels only once the window's messages have been handled meanwhile.
    const ULONGLONG until = GetTickCount64() + 700;
    while (GetTickCount64() < until) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) {
            DispatchMessageW(&msg);
        }
    }
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    RECT r{};
    GetWindowRect(window, &r);
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader = {sizeof info.bmiHeader, w, -h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* p = static_cast<const uint32_t*>(bits);
    std::vector<uint32_t> pixels(p, p + static_cast<std::size_t>(w) * static_cast<std::size_t>(h));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    std::ofstream(std::filesystem::path(folder) / (name + ".png"), std::ios::binary)
        << k7w32::encodePng(w, h, pixels);
}

class Screenshots : public SimulatedProgram {};

TEST_F(Screenshots, DISABLED_MainWindowAScanAndTheParameterEditor) {
    k7test::setEnvironment("KARVO7_SIM", "2");
    k7check::KARVO7CheckDlg main(desktop);
    Script script;
    script.then([] { saveShot(windowTitled("KARVO7 Check (simulierte Karten)"), "main-window"); })
        .then([&] {
            // The parameter editor on top of the main window.
            k7check::ParameterSet set;
            k7check::AnzeigeVorgabenDlg editor(desktop, main.card(1), set);
            Script inner;
            inner.then([&] { saveShot(windowTitled(editor.title()), "parameter-editor"); })
                .then([&] { key(windowTitled(editor.title()), VK_ESCAPE); });
            inner.run(desktop, editor);
        })
        .then([&] {
            std::vector<uint8_t> data;
            for (int i = 0; i < 1600; ++i) {
                const double echo = 26000.0 * std::exp(-std::pow((i - 300) / 40.0, 2)) +
                                    12000.0 * std::exp(-std::pow((i - 1000) / 60.0, 2));
                const auto v = static_cast<int16_t>(echo * std::sin(i / 3.0));
                data.push_back(static_cast<uint8_t>(v));
                data.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
            }
            k7check::AnzeigeDlg scan(desktop);
            k7check::MeasuredDataInputs inputs;
            inputs.data = data.data();
            inputs.length = static_cast<uint32_t>(data.size());
            inputs.number = 1;
            scan.setInputs(inputs);
            Script inner;
            inner.then([&] { saveShot(windowTitled("Anzeige Meßdaten"), "a-scan"); }).then([&] {
                key(windowTitled("Anzeige Meßdaten"), VK_ESCAPE);
            });
            inner.run(desktop, scan);
        })
        .then(
            [] { PostMessageW(windowTitled("KARVO7 Check (simulierte Karten)"), WM_CLOSE, 0, 0); });
    script.run(desktop, main);
    k7test::unsetEnvironment("KARVO7_SIM");
}

}  // namespace

}  // namespace k7w32test
