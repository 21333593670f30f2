// The measured-data window "Anzeige Meßdaten" on Win32: the A-scan painted into the window is the
// curve the display draws (read back from the window's pixels), a new shot draws a fresh curve,
// "Bild speichern..." writes the window's picture, and a double click opens the data list.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "MeasuredDataViews.h"
#include "ScratchFolder.h"
#include "Text.h"
#include "Win32TestSupport.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/PixelCanvas.h"

namespace k7w32test {

namespace {

using Buffer = std::vector<uint8_t>;

// 16-bit samples of an echo train whose phase is `shift`.
Buffer echoes(std::size_t n, double shift) {
    Buffer b;
    for (std::size_t i = 0; i < n; ++i) {
        const auto v =
            static_cast<int16_t>(20000.0 * std::sin(static_cast<double>(i) / 40.0 + shift));
        b.push_back(static_cast<uint8_t>(v));
        b.push_back(static_cast<uint8_t>(static_cast<uint16_t>(v) >> 8));
    }
    return b;
}

k7check::MeasuredDataInputs inputsFor(const Buffer& b, uint32_t number) {
    k7check::MeasuredDataInputs in;
    in.data = b.data();
    in.length = static_cast<uint32_t>(b.size());
    in.number = number;
    return in;
}

// 0x00RRGGBB of the canvas's blue, the curve's colour.
constexpr uint32_t kCurve = 0x0000FFu;
// The status lines at the top are blue text too; the curve lies below them.
constexpr int kBelowStatus = 40;

// Positions of curve pixels in a picture of `width`.
std::vector<std::size_t> curvePixels(const std::vector<uint32_t>& picture, int width) {
    std::vector<std::size_t> at;
    for (std::size_t i = static_cast<std::size_t>(kBelowStatus * width); i < picture.size(); ++i) {
        if (picture[i] == kCurve) {
            at.push_back(i);
        }
    }
    return at;
}

class MeasuredData : public ::testing::Test {
  protected:
    MeasuredData() { k7w32::registerProgramViews(desktop.views(), desktop); }
    k7w32::Win32DialogView& view() { return *desktop.viewOf(window); }

    TestDesktop desktop{"C:\\KARVO7\\bin\\KARVO7Check.exe"};
    k7check::AnzeigeDlg window{desktop};
    Script script;
};

TEST_F(MeasuredData, TheWindowShowsTheDisplaysCurveAndAFreshOneForANewShot) {
    const Buffer first = echoes(1600, 0.0);
    const Buffer second = echoes(1600, 1.5);
    window.setInputs(inputsFor(first, 1));
    std::vector<std::size_t> before;
    script
        .then([&] {
            ASSERT_NE(windowTitled("Anzeige Meßdaten"), nullptr);
            RECT client{};
            GetClientRect(view().hwnd(), &client);
            EXPECT_EQ(client.right, 800);
            EXPECT_EQ(client.bottom, 600);
            SIZE size{};
            const std::vector<uint32_t> picture = k7w32::pictureOf(view(), size);
            // The display's own drawing of the same data: in every pixel column the window's
            // curve spans the rows the display's does (GDI may set the pixels of a join between
            // two columns a row apart from the display's own line drawing).
            k7check::PixelCanvas expected(size.cx, size.cy);
            window.display().paint(expected, {size.cx, size.cy});
            int columns = 0;
            int off = 0;
            for (int x = 0; x < size.cx; ++x) {
                int top[2] = {size.cy, size.cy};
                int bottom[2] = {-1, -1};
                for (int y = kBelowStatus; y < size.cy; ++y) {
                    const bool drawn[2] = {
                        expected.pixel(x, y) == k7check::kBlue,
                        picture[static_cast<std::size_t>(y * size.cx + x)] == kCurve};
                    for (int i = 0; i < 2; ++i) {
                        if (drawn[i]) {
                            top[i] = std::min(top[i], y);
                            bottom[i] = std::max(bottom[i], y);
                        }
                    }
                }
                if (bottom[0] < 0) {
                    EXPECT_LT(bottom[1], 0) << "a curve pixel in column " << x;
                    continue;
                }
                ++columns;
                off += std::abs(top[0] - top[1]) > 1 || std::abs(bottom[0] - bottom[1]) > 1;
            }
            EXPECT_GT(columns, 600);
            EXPECT_LE(off, columns / 100) << "columns whose curve differs, of " << columns;
            before = curvePixels(picture, size.cx);
            EXPECT_GT(before.size(), 1000u);
            // The screen shows the window's picture.
            UpdateWindow(view().hwnd());
            HDC dc = GetDC(view().hwnd());
            const std::size_t probe = before[before.size() / 2];
            const COLORREF shown =
                GetPixel(dc, static_cast<int>(probe % 800), static_cast<int>(probe / 800));
            ReleaseDC(view().hwnd(), dc);
            EXPECT_EQ(shown, RGB(0, 0, 255));
            EXPECT_EQ(picture[300 * 800 + 2], 0xFFFFFFu) << "the white ground";

            window.setInputs(inputsFor(second, 2));
            desktop.repaint(window);
        })
        .then([&] {
            SIZE size{};
            const std::vector<std::uint32_t> picture = k7w32::pictureOf(view(), size);
            const std::vector<std::size_t> after = curvePixels(picture, size.cx);
            EXPECT_GT(after.size(), 1000u);
            EXPECT_NE(after, before) << "the curve of the new shot";
            key(view().hwnd(), VK_ESCAPE);
        });
    EXPECT_EQ(script.run(desktop, window), k7check::kIdCancel);
}

TEST_F(MeasuredData, BildSpeichernWritesTheWindowsPictureAsPng) {
    const Buffer data = echoes(1600, 0.0);
    window.setInputs(inputsFor(data, 1));
    const std::string folder = k7test::makeScratchFolder("check_win32_picture");
    std::string path = folder + "/Bild.png";
    std::replace(path.begin(), path.end(), '/', '\\');
    script.during([&] { EXPECT_TRUE(view().chooseMenuEntry(L"Bild speichern...")); })
        .then([&] {
            HWND dialog = shownBox();
            ASSERT_NE(dialog, nullptr) << "no file dialog";
            HWND name = GetDlgItem(dialog, 0x47C);
            if (name == nullptr) {
                name = GetDlgItem(dialog, 0x480);
            }
            ASSERT_NE(name, nullptr);
            SetWindowTextW(name, k7base::wideOf(path).c_str());
            click(boxButton(dialog, IDOK));
        })
        .then([&] { key(view().hwnd(), VK_ESCAPE); });
    script.run(desktop, window);
    std::ifstream saved(std::filesystem::u8path(path), std::ios::binary);
    const std::string png((std::istreambuf_iterator<char>(saved)),
                          std::istreambuf_iterator<char>());
    ASSERT_GT(png.size(), 800u * 600u * 3u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
}

}  // namespace

}  // namespace k7w32test
