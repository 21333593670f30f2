#include "Win32DialogView.h"

#include <algorithm>
#include <stdexcept>

#include "GdiCanvas.h"
#include "Text.h"

namespace k7w32 {

namespace {

constexpr UINT kFirstMenuId = 100;

DWORD styleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_STYLE));
}
DWORD exStyleOf(HWND window) {
    return static_cast<DWORD>(GetWindowLongPtrW(window, GWL_EXSTYLE));
}

SIZE outerSize(SIZE client, DWORD style, DWORD exStyle) {
    RECT r{0, 0, client.cx, client.cy};
    AdjustWindowRectEx(&r, style, FALSE, exStyle);
    return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

Win32DialogView::Win32DialogView(k7check::Dialog& dialog, FormTree tree, const Metrics& metrics)
    : input_(dialog),
      tree_(std::move(tree)),
      hasForm_(tree_.nodes().size() > 1),
      metrics_(metrics),
      controls_(*this) {}

Win32DialogView::~Win32DialogView() {
    if (dialog() != nullptr) {
        dialog()->attachView(nullptr);
    }
    if (hwnd_ != nullptr) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        DestroyWindow(hwnd_);
    }
}

void Win32DialogView::registerClass(HINSTANCE instance) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = windowProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kWindowClass;
    RegisterClassExW(&wc);
}

void Win32DialogView::addMenuEntry(std::wstring text, std::function<void()> action) {
    menu_.emplace_back(std::move(text), std::move(action));
}

bool Win32DialogView::chooseMenuEntry(const std::wstring& text) {
    for (const auto& [entry, action] : menu_) {
        if (entry == text) {
            action();
            return true;
        }
    }
    return false;
}

void Win32DialogView::create(HWND owner) {
    const bool fixed = hasForm_ && tree_.dialog().has(TableFlag::FixedSize);
    // No WS_CLIPCHILDREN: a group box paints no inside, the window's ground shows there.
    DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
    if (!fixed) {
        style |= WS_THICKFRAME;
    }
    if (!input_.keysEndWindow()) {
        style |= WS_MINIMIZEBOX;  // the main window
    }
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    if (hasForm_) {
        clientSize_ = tree_.preferredClient(metrics_);
        minimumClient_ = fixed ? clientSize_ : tree_.minimumClient(metrics_);
    }
    const SIZE outer = outerSize(clientSize_, style, exStyle);
    RECT around{};
    if (owner == nullptr || !GetWindowRect(owner, &around)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &around, 0);
    }
    const int x = std::max<int>(0, around.left + (around.right - around.left - outer.cx) / 2);
    const int y = std::max<int>(0, around.top + (around.bottom - around.top - outer.cy) / 2);
    const std::wstring title =
        k7base::wideOf(dialog() != nullptr ? dialog()->title() : std::string());
    hwnd_ = CreateWindowExW(exStyle, kWindowClass, title.c_str(), style, x, y, outer.cx, outer.cy,
                            owner, nullptr, GetModuleHandleW(nullptr), this);
    if (hwnd_ == nullptr) {
        throw std::runtime_error("window not created");
    }
    if (hasForm_) {
        const std::optional<std::string> defaultButton = input_.defaultButton();
        tree_.createControls(hwnd_, metrics_, defaultButton.value_or(std::string()));
        for (std::size_t i = 0; i < tree_.nodes().size(); ++i) {
            if (tree_.nodes()[i].hwnd != nullptr) {
                nodeOfId_[tree_.nodes()[i].id] = static_cast<int>(i);
            }
        }
        RECT client{};
        GetClientRect(hwnd_, &client);
        tree_.layout(metrics_, SIZE{client.right, client.bottom});
    }
    // Enter presses OK; a window that keys must not end has no default button.
    const bool okDefault = input_.defaultButton().has_value() && control("okButton") != nullptr;
    SendMessageW(hwnd_, DM_SETDEFID, okDefault ? IDOK : 0, 0);
    onCreated();
}

FormNode* Win32DialogView::node(const std::string& name) {
    const int i = tree_.find(name);
    return i < 0 ? nullptr : &tree_.nodes()[static_cast<std::size_t>(i)];
}

FormNode* Win32DialogView::node(HWND control) {
    if (control == nullptr) {
        return nullptr;
    }
    const auto it = nodeOfId_.find(GetDlgCtrlID(control));
    if (it == nodeOfId_.end()) {
        return nullptr;
    }
    FormNode& n = tree_.nodes()[static_cast<std::size_t>(it->second)];
    return n.hwnd == control ? &n : nullptr;
}

HWND Win32DialogView::control(const std::string& name) {
    const FormNode* n = node(name);
    return n == nullptr ? nullptr : n->hwnd;
}

std::string Win32DialogView::nameIf(HWND control, TableKind kind) {
    const FormNode* n = node(control);
    return n != nullptr && n->kind == kind ? n->name : std::string();
}

void Win32DialogView::close(int result) {
    ended_ = true;
    result_ = result;
    if (hwnd_ != nullptr) {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

void Win32DialogView::windowDestroyed() {
    input_.detach();
    close(k7check::kIdCancel);
}

void Win32DialogView::setProgramText(HWND control, const std::wstring& text) {
    settingText_ = true;
    SetWindowTextW(control, text.c_str());
    settingText_ = false;
}

void Win32DialogView::relayout() {
    if (!hasForm_ || hwnd_ == nullptr) {
        return;
    }
    const bool fixed = tree_.dialog().has(TableFlag::FixedSize);
    const SIZE preferred = tree_.preferredClient(metrics_);
    minimumClient_ = fixed ? preferred : tree_.minimumClient(metrics_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    SIZE want{std::max(client.right, minimumClient_.cx),
              std::max(client.bottom, minimumClient_.cy)};
    if (fixed) {
        want = preferred;
    }
    if (want.cx != client.right || want.cy != client.bottom) {
        const SIZE outer = outerSize(want, styleOf(hwnd_), exStyleOf(hwnd_));
        // WM_SIZE lays the form out.
        SetWindowPos(hwnd_, nullptr, 0, 0, outer.cx, outer.cy,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        tree_.layout(metrics_, want);
        InvalidateRect(hwnd_, nullptr, TRUE);
    }
}

bool Win32DialogView::preTranslate(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd))) {
        return false;
    }
    if (msg.wParam == VK_ESCAPE) {
        input_.escape();
        return true;
    }
    if (msg.wParam != VK_RETURN) {
        return false;
    }
    const std::optional<std::string> press =
        input_.enter(nameIf(msg.hwnd, TableKind::Edit), nameIf(msg.hwnd, TableKind::Button));
    if (press && !ended_) {
        HWND button = control(*press);
        if (button != nullptr && IsWindowEnabled(button)) {
            input_.clicked(*press);
        }
    }
    return true;
}

void Win32DialogView::paintInto(HDC dc, SIZE client) {
    const RECT all{0, 0, client.cx, client.cy};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));
    if (dialog() != nullptr) {
        GdiCanvas canvas(dc, metrics_.canvasFont());
        dialog()->onPaint(canvas, k7check::Size{client.cx, client.cy});
    }
}

void Win32DialogView::paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    RECT client{};
    GetClientRect(hwnd_, &client);
    // Into a bitmap first, then onto the screen in one piece: a live run repaints without
    // flicker.
    HDC memory = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, std::max<LONG>(1, client.right),
                                            std::max<LONG>(1, client.bottom));
    const HGDIOBJ old = SelectObject(memory, bitmap);
    paintInto(memory, SIZE{client.right, client.bottom});
    BitBlt(dc, 0, 0, client.right, client.bottom, memory, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    EndPaint(hwnd_, &ps);
}

void Win32DialogView::contextMenu(POINT at) {
    if (menu_.empty()) {
        return;
    }
    HMENU menu = CreatePopupMenu();
    for (std::size_t i = 0; i < menu_.size(); ++i) {
        AppendMenuW(menu, MF_STRING, kFirstMenuId + i, menu_[i].first.c_str());
    }
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_NONOTIFY, at.x, at.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    if (chosen >= kFirstMenuId && chosen < kFirstMenuId + menu_.size()) {
        menu_[chosen - kFirstMenuId].second();
    }
}

void Win32DialogView::onControl(int id, int code, HWND control) {
    // A disabled control does nothing, whoever clicks it.
    if (control != nullptr && !IsWindowEnabled(control)) {
        return;
    }
    if (control == nullptr && (id == IDOK || id == IDCANCEL)) {
        // The dialog manager's own Enter and Escape (the keys are taken before it sees them,
        // this is only what reaches it otherwise).
        if (id == IDCANCEL) {
            input_.escape();
        } else if (const auto press = input_.enter({}, {}); press && !ended_) {
            input_.clicked(*press);
        }
        return;
    }
    FormNode* n = node(control);
    if (n == nullptr) {
        return;
    }
    const std::string name = n->name;
    switch (n->kind) {
        case TableKind::Button:
        case TableKind::Check:
        case TableKind::Radio:
            if (code == BN_CLICKED) {
                input_.clicked(name);
            }
            break;
        case TableKind::Edit:
            if (code == EN_CHANGE && !settingText_) {
                input_.edited(name);
            } else if (code == EN_KILLFOCUS && !ended_) {
                // Focus on another control of this window: the technician moved on; a message
                // box, another window or a menu taking it is no leaving.
                HWND now = GetFocus();
                const bool within = now != nullptr && IsChild(hwnd_, now);
                input_.focusLeft(name, within ? k7check::FocusLoss::WithinWindow
                                              : k7check::FocusLoss::OtherWindow);
            }
            break;
        case TableKind::List:
            if (code == LBN_DBLCLK && std::find(doubleClickLists_.begin(), doubleClickLists_.end(),
                                                name) != doubleClickLists_.end()) {
                input_.clicked(name);
            }
            break;
        default:
            break;
    }
}

LRESULT CALLBACK Win32DialogView::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* created =
            static_cast<Win32DialogView*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        created->hwnd_ = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* view = reinterpret_cast<Win32DialogView*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (view != nullptr && view->hwnd_ == hwnd) {
        return view->handle(msg, wp, lp);
    }
    return DefDlgProcW(hwnd, msg, wp, lp);
}

LRESULT Win32DialogView::handle(UINT msg, WPARAM wp, LPARAM lp) {
    const bool paints = dialog() != nullptr && dialog()->paints();
    if (LRESULT own = 0; onMessage(msg, wp, lp, own)) {
        return own;
    }
    switch (msg) {
        case WM_COMMAND:
            onControl(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_CLOSE:
            // The close box is Cancel in every window, the main window's too.
            input_.cancel();
            return 0;
        case WM_SIZE:
            if (hasForm_ && wp != SIZE_MINIMIZED) {
                tree_.layout(metrics_, SIZE{LOWORD(lp), HIWORD(lp)});
                InvalidateRect(hwnd_, nullptr, TRUE);
            } else if (paints) {
                InvalidateRect(hwnd_, nullptr, FALSE);
            }
            break;
        case WM_GETMINMAXINFO:
            if (hasForm_ && minimumClient_.cx > 0) {
                const SIZE outer = outerSize(minimumClient_, styleOf(hwnd_), exStyleOf(hwnd_));
                reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = POINT{outer.cx, outer.cy};
            }
            return 0;
        case WM_ERASEBKGND:
            if (paints) {
                return 1;  // painted whole in WM_PAINT
            }
            break;
        case WM_PAINT:
            if (paints) {
                paint();
                return 0;
            }
            break;
        case WM_LBUTTONDBLCLK:
            input_.doubleClicked(
                k7check::Point{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
            return 0;
        case WM_CONTEXTMENU:
            contextMenu(POINT{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))});
            return 0;
        case WM_NCDESTROY:
            hwnd_ = nullptr;
            break;
        default:
            break;
    }
    return DefDlgProcW(hwnd_, msg, wp, lp);
}

}  // namespace k7w32
