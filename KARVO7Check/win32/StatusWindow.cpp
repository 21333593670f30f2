#include "StatusWindow.h"

#include <commctrl.h>

#include <algorithm>

namespace k7w32 {

namespace {

constexpr int kMargin = 11;
constexpr int kLineHeight = 16;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
// Wide enough for the title bar to show the whole caption beside its buttons.
constexpr int kTitleBarDecoration = 140;

}  // namespace

void StatusWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
}

StatusWindow::StatusWindow(Kind kind, const std::wstring& caption, const std::wstring& text,
                           HWND owner, HFONT font)
    : kind_(kind) {
    HDC dc = GetDC(nullptr);
    const HGDIOBJ old = SelectObject(dc, font);
    SIZE textSize{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &textSize);
    SIZE captionSize{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &captionSize);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int inner = std::max<int>({textSize.cx, captionSize.cx + kTitleBarDecoration, 260});
    const int rowBelow = kind == Kind::Stop ? kButtonHeight : kLineHeight;
    // A stop window has a close box, which presses "Stopp"; a progress window none.
    const DWORD style = WS_POPUP | WS_CAPTION | (kind == Kind::Stop ? WS_SYSMENU : 0u);
    RECT r{0, 0, inner + 2 * kMargin, kMargin + kLineHeight + kMargin + rowBelow + kMargin};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_DLGMODALFRAME);
    RECT around{};
    if (owner == nullptr || !GetWindowRect(owner, &around)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    HINSTANCE instance = GetModuleHandleW(nullptr);
    hwnd_ = CreateWindowExW(WS_EX_DLGMODALFRAME, kWindowClass, caption.c_str(), style,
                            around.left + (around.right - around.left - w) / 2,
                            around.top + (around.bottom - around.top - h) / 2, w, h, owner, nullptr,
                            instance, this);
    HWND label =
        CreateWindowExW(0, L"STATIC", text.c_str(), WS_CHILD | WS_VISIBLE | SS_NOPREFIX, kMargin,
                        kMargin, inner, kLineHeight, hwnd_, nullptr, instance, nullptr);
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    const int y = kMargin + kLineHeight + kMargin;
    if (kind == Kind::Stop) {
        HWND stop = CreateWindowExW(
            0, L"BUTTON", L"Stopp", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
            kMargin + inner - kButtonWidth, y, kButtonWidth, kButtonHeight, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStopButtonId)), instance, nullptr);
        SendMessageW(stop, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    } else {
        bar_ = CreateWindowExW(0, PROGRESS_CLASSW, nullptr, WS_CHILD | WS_VISIBLE, kMargin, y,
                               inner, kLineHeight, hwnd_, nullptr, instance, nullptr);
        SendMessageW(bar_, PBM_SETRANGE32, 0, 1000);
    }
}

StatusWindow::~StatusWindow() {
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void StatusWindow::show() {
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void StatusWindow::setProgress(int share) {
    if (bar_ != nullptr) {
        SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(share), 0);
    }
}

bool StatusWindow::preTranslate(const MSG& msg) {
    if (kind_ == Kind::Stop && msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
        stop_ = true;
        return true;
    }
    if (kind_ == Kind::Stop && msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
        (msg.hwnd == hwnd_ || IsChild(hwnd_, msg.hwnd))) {
        stop_ = true;
        return true;
    }
    return false;
}

LRESULT CALLBACK StatusWindow::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        SetWindowLongPtrW(
            hwnd, GWLP_USERDATA,
            reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
    }
    auto* window = reinterpret_cast<StatusWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (window != nullptr) {
        if (msg == WM_COMMAND && LOWORD(wp) == kStopButtonId && HIWORD(wp) == BN_CLICKED) {
            window->stop_ = true;
            return 0;
        }
        if (msg == WM_CLOSE) {
            // The stop window's close box stops the run; the progress window stays.
            if (window->kind_ == Kind::Stop) {
                window->stop_ = true;
            }
            return 0;
        }
        if (msg == WM_NCDESTROY) {
            window->hwnd_ = nullptr;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace k7w32
