#include "Win32Controls.h"

#include <commctrl.h>

#include "Text.h"
#include "Win32DialogView.h"

namespace k7w32 {

HWND Win32Controls::find(const std::string& control, TableKind kind) const {
    const FormNode* node = view_.node(control);
    if (node == nullptr || node->hwnd == nullptr) {
        return nullptr;
    }
    const bool button = kind == TableKind::Check &&
                        (node->kind == TableKind::Check || node->kind == TableKind::Radio);
    return node->kind == kind || button ? node->hwnd : nullptr;
}

std::optional<std::string> Win32Controls::editText(const std::string& control) {
    if (HWND h = find(control, TableKind::Edit)) {
        return k7base::utf8Of(windowText(h));
    }
    return std::nullopt;
}

void Win32Controls::setEditText(const std::string& control, const std::string& text) {
    HWND h = find(control, TableKind::Edit);
    const std::wstring w = k7base::wideOf(text);
    // An unchanged text stays untouched, so that the caret does not jump while typing.
    if (h == nullptr || windowText(h) == w) {
        return;
    }
    view_.setProgramText(h, w);
    // A text longer than the edit shows its start, where a list begins.
    SendMessageW(h, EM_SETSEL, 0, 0);
    SendMessageW(h, EM_SCROLLCARET, 0, 0);
}

std::optional<bool> Win32Controls::checked(const std::string& control) {
    if (HWND h = find(control, TableKind::Check)) {
        return SendMessageW(h, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }
    return std::nullopt;
}

void Win32Controls::setChecked(const std::string& control, bool on) {
    if (HWND h = find(control, TableKind::Check)) {
        SendMessageW(h, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void Win32Controls::setLabel(const std::string& control, const std::string& text) {
    FormNode* node = view_.node(control);
    if (node == nullptr || node->hwnd == nullptr || node->kind == TableKind::Edit ||
        node->kind == TableKind::List) {
        return;
    }
    const std::wstring w = k7base::wideOf(text);
    if (node->text != w) {
        node->text = w;
        SetWindowTextW(node->hwnd, w.c_str());
        // A longer text gets the room it needs, as a Qt layout gives it.
        view_.relayout();
    }
}

void Win32Controls::setList(const std::string& control, const std::vector<std::string>& lines,
                            int selection) {
    HWND h = find(control, TableKind::List);
    if (h == nullptr) {
        return;
    }
    // Lists mostly grow at their end (the result list): keep what is shown, add the new lines.
    int shown = static_cast<int>(SendMessageW(h, LB_GETCOUNT, 0, 0));
    bool same = static_cast<std::size_t>(shown) <= lines.size();
    for (int i = 0; same && i < shown; ++i) {
        const auto at = static_cast<WPARAM>(i);
        const auto n = static_cast<std::size_t>(SendMessageW(h, LB_GETTEXTLEN, at, 0));
        std::wstring item(n + 1, L'\0');
        SendMessageW(h, LB_GETTEXT, at, reinterpret_cast<LPARAM>(item.data()));
        item.resize(n);
        same = item == k7base::wideOf(lines[static_cast<std::size_t>(i)]);
    }
    SendMessageW(h, WM_SETREDRAW, FALSE, 0);
    if (!same) {
        SendMessageW(h, LB_RESETCONTENT, 0, 0);
        shown = 0;
    }
    for (std::size_t i = static_cast<std::size_t>(shown); i < lines.size(); ++i) {
        SendMessageW(h, LB_ADDSTRING, 0,
                     reinterpret_cast<LPARAM>(k7base::wideOf(lines[i]).c_str()));
    }
    const bool valid = selection >= 0 && static_cast<std::size_t>(selection) < lines.size();
    SendMessageW(h, LB_SETCURSEL, valid ? static_cast<WPARAM>(selection) : static_cast<WPARAM>(-1),
                 0);
    SendMessageW(h, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(h, nullptr, TRUE);
}

std::optional<int> Win32Controls::listSelection(const std::string& control) {
    if (HWND h = find(control, TableKind::List)) {
        const LRESULT selected = SendMessageW(h, LB_GETCURSEL, 0, 0);
        return selected == LB_ERR ? -1 : static_cast<int>(selected);
    }
    return std::nullopt;
}

void Win32Controls::setEnabled(const std::string& control, bool enabled) {
    if (const FormNode* node = view_.node(control); node != nullptr && node->hwnd != nullptr) {
        EnableWindow(node->hwnd, enabled ? TRUE : FALSE);
    }
}

void Win32Controls::setToolTip(const std::string& control, const std::string& text) {
    const FormNode* node = view_.node(control);
    if (node == nullptr || node->hwnd == nullptr || view_.hwnd() == nullptr) {
        return;
    }
    if (toolTip_ == nullptr) {
        toolTip_ = CreateWindowExW(
            WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
            CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, view_.hwnd(), nullptr, nullptr, nullptr);
    }
    std::wstring w = k7base::wideOf(text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = view_.hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(node->hwnd);
    tool.lpszText = w.data();
    SendMessageW(toolTip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(toolTip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

}  // namespace k7w32
