#include "Win32TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "Text.h"

namespace k7w32test {

namespace {

constexpr UINT kStepMessage = WM_APP + 1;
constexpr const wchar_t* kScriptClass = L"KARVO7CheckTestScript";

struct Found {
    std::wstring title;
    const wchar_t* windowClass;
    HWND hwnd;
};

BOOL CALLBACK findOne(HWND hwnd, LPARAM data) {
    auto& found = *reinterpret_cast<Found*>(data);
    if (!IsWindowVisible(hwnd)) {
        return TRUE;
    }
    if (found.windowClass != nullptr) {
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (std::wstring(name) != found.windowClass) {
            return TRUE;
        }
    } else if (k7w32::windowText(hwnd) != found.title) {
        return TRUE;
    }
    found.hwnd = hwnd;
    return FALSE;
}

}  // namespace

TestDesktop::TestDesktop(std::string executable) : executable_(std::move(executable)) {}

Script::Script() {
    WNDCLASSW wc{};
    wc.lpfnWndProc = windowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kScriptClass;
    RegisterClassW(&wc);
    // A message-only window: every message loop of the thread hands it its messages.
    hwnd_ = CreateWindowExW(0, kScriptClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                            wc.hInstance, nullptr);
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

Script::~Script() {
    DestroyWindow(hwnd_);
}

Script& Script::then(std::function<void()> step) {
    steps_.push_back({[step = std::move(step)] {
                          step();
                          return false;
                      },
                      false});
    return *this;
}

Script& Script::during(std::function<void()> step) {
    steps_.push_back({[step = std::move(step)] {
                          step();
                          return false;
                      },
                      true});
    return *this;
}

Script& Script::repeat(std::function<bool()> step) {
    steps_.push_back({std::move(step), false});
    return *this;
}

void Script::start() {
    PostMessageW(hwnd_, kStepMessage, 0, 0);
}

int Script::run(k7w32::Win32Desktop& desktop, k7check::Dialog& dialog) {
    desktop_ = &desktop;
    dialog_ = &dialog;
    // The first step once the window is open: its initialisation may keep other windows
    // painted (a long operation at start-up), and the steps are for the window itself.
    std::function<void(k7w32::Win32DialogView&)> outer = desktop.onWindowOpened;
    desktop.onWindowOpened = [this, &dialog, outer](k7w32::Win32DialogView& view) {
        if (outer) {
            outer(view);
        }
        if (view.dialog() == &dialog) {
            start();
        }
    };
    const int result = desktop.runModal(dialog);
    desktop.onWindowOpened = outer;
    desktop_ = nullptr;
    dialog_ = nullptr;
    EXPECT_TRUE(steps_.empty()) << steps_.size() << " steps were left when the window ended";
    return result;
}

void Script::next() {
    if (steps_.empty()) {
        // The window the script ran is still open: the script did not end it.
        if (desktop_ != nullptr && dialog_ != nullptr && !dialog_->ended()) {
            ADD_FAILURE() << "the steps ran out while " << dialog_->windowClass() << " was open"
                          << (shownBox() != nullptr ? " under " + boxText(shownBox()) : "");
            // Boxes first, a few of them; a window that keeps opening more ends the program.
            if (HWND box = shownBox(); box != nullptr && ++recoveries_ < kMaxRecoveries) {
                PostMessageW(box, WM_COMMAND, IDCANCEL, 0);
                start();
                return;
            }
            if (recoveries_ >= kMaxRecoveries) {
                std::fflush(stdout);
                std::_Exit(1);
            }
            dialog_->endDialog(k7check::kIdCancel);
        }
        return;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.nextFirst) {
        start();
    }
    running_ = true;
    const bool again = step.run();
    running_ = false;
    if (again) {
        steps_.push_front(std::move(step));
    }
    // The next step follows what this one posted.
    if (!step.nextFirst || again) {
        start();
    }
}

LRESULT CALLBACK Script::windowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kStepMessage) {
        if (auto* script = reinterpret_cast<Script*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) {
            script->next();
        }
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

HWND windowTitled(const std::string& title) {
    Found found{k7base::wideOf(title), nullptr, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findOne, reinterpret_cast<LPARAM>(&found));
    return found.hwnd;
}

HWND shownBox() {
    Found found{{}, L"#32770", nullptr};
    EnumThreadWindows(GetCurrentThreadId(), findOne, reinterpret_cast<LPARAM>(&found));
    return found.hwnd;
}

std::string boxText(HWND box) {
    std::string text;
    EnumChildWindows(
        box,
        [](HWND child, LPARAM data) -> BOOL {
            wchar_t name[32] = {};
            GetClassNameW(child, name, 32);
            auto& longest = *reinterpret_cast<std::string*>(data);
            if (std::wstring(name) == L"Static") {
                const std::string t = k7base::utf8Of(k7w32::windowText(child));
                if (t.size() > longest.size()) {
                    longest = t;
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&text));
    return textOf(box) + ": " + text;
}

HWND boxButton(HWND box, int id) {
    return GetDlgItem(box, id);
}

void click(HWND button) {
    ASSERT_NE(button, nullptr);
    PostMessageW(button, BM_CLICK, 0, 0);
}

void type(HWND edit, const std::string& text) {
    ASSERT_NE(edit, nullptr);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    PostMessageW(edit, WM_CHAR, VK_BACK, 0);
    for (wchar_t c : k7base::wideOf(text)) {
        PostMessageW(edit, WM_CHAR, c, 1);
    }
}

void key(HWND target, WPARAM virtualKey) {
    ASSERT_NE(target, nullptr);
    if (GetFocus() != target && GetAncestor(target, GA_ROOT) != target) {
        SetFocus(target);
    }
    PostMessageW(target, WM_KEYDOWN, virtualKey, 1);
    PostMessageW(target, WM_KEYUP, virtualKey, static_cast<LPARAM>(0xC0000001u));
}

void doubleClick(HWND window, POINT at) {
    const LPARAM where = MAKELPARAM(at.x, at.y);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(window, WM_LBUTTONUP, 0, where);
    PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, where);
    PostMessageW(window, WM_LBUTTONUP, 0, where);
}

void pressKeys(const std::vector<WORD>& virtualKeys) {
    std::vector<INPUT> inputs;
    for (WORD vk : virtualKeys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = vk;
        INPUT up = down;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(down);
        inputs.push_back(up);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

void chooseLine(HWND list, int line) {
    ASSERT_NE(list, nullptr);
    RECT item{};
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&item));
    const LPARAM where = MAKELPARAM(item.left + 2, (item.top + item.bottom) / 2);
    PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, where);
    PostMessageW(list, WM_LBUTTONUP, 0, where);
}

std::string textOf(HWND window) {
    return k7base::utf8Of(k7w32::windowText(window));
}

std::vector<std::string> layoutFaults(k7w32::Win32DialogView& view) {
    std::vector<std::string> faults;
    RECT client{};
    GetClientRect(view.hwnd(), &client);
    const auto& nodes = view.tree().nodes();
    const auto label = [&](std::size_t i) {
        return nodes[i].name.empty() ? "\"" + k7base::utf8Of(nodes[i].text) + "\"" : nodes[i].name;
    };
    const auto inside = [](const RECT& inner, const RECT& outer) {
        return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
               inner.bottom <= outer.bottom;
    };
    // The window gives its form at least the room the form asks for.
    const SIZE wanted = view.tree().preferredClient(view.metrics());
    if (client.right < wanted.cx || client.bottom < wanted.cy) {
        faults.push_back("the window is " + std::to_string(client.right) + " x " +
                         std::to_string(client.bottom) + ", its form asks for " +
                         std::to_string(wanted.cx) + " x " + std::to_string(wanted.cy) +
                         " (screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN)) + " x " +
                         std::to_string(GetSystemMetrics(SM_CYSCREEN)) + ")");
    }
    std::vector<std::size_t> controls;
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        if (nodes[i].hwnd != nullptr) {
            controls.push_back(i);
        }
    }
    for (std::size_t a : controls) {
        RECT r{};
        GetWindowRect(nodes[a].hwnd, &r);
        MapWindowPoints(HWND_DESKTOP, view.hwnd(), reinterpret_cast<POINT*>(&r), 2);
        if (!inside(r, client)) {
            faults.push_back(label(a) + " lies outside the window");
        }
        if (r.right - r.left <= 0 || r.bottom - r.top <= 0) {
            faults.push_back(label(a) + " has no size");
        }
    }
    for (std::size_t i = 0; i < controls.size(); ++i) {
        for (std::size_t j = i + 1; j < controls.size(); ++j) {
            const auto& a = nodes[controls[i]];
            const auto& b = nodes[controls[j]];
            RECT both{};
            if (!IntersectRect(&both, &a.rect, &b.rect)) {
                continue;
            }
            // A group box holds what lies in it.
            if ((a.kind == k7w32::TableKind::GroupBox && inside(b.rect, a.rect)) ||
                (b.kind == k7w32::TableKind::GroupBox && inside(a.rect, b.rect))) {
                continue;
            }
            faults.push_back(label(controls[i]) + " overlaps " + label(controls[j]));
        }
    }
    // Texts fit: the caption of a button, check box, radio button or label in its control.
    const k7w32::Metrics& m = view.metrics();
    for (std::size_t i : controls) {
        const auto& n = nodes[i];
        // A text of blanks and line breaks only shows nothing that could be clipped.
        const bool blank = n.text.find_first_not_of(L" \t\r\n") == std::wstring::npos;
        if (blank || n.kind == k7w32::TableKind::Edit || n.kind == k7w32::TableKind::List ||
            n.has(k7w32::TableFlag::WordWrap)) {
            continue;
        }
        const SIZE text = m.text(n.text, n.has(k7w32::TableFlag::Monospace));
        int room = n.rect.right - n.rect.left;
        if (n.kind == k7w32::TableKind::Button) {
            room -= 8;
        } else if (n.kind == k7w32::TableKind::Check || n.kind == k7w32::TableKind::Radio) {
            room -= 17;
        } else if (n.kind == k7w32::TableKind::GroupBox) {
            room -= 16;
        }
        if (text.cx > room || text.cy > n.rect.bottom - n.rect.top) {
            faults.push_back(label(i) + " clips its text (" + std::to_string(text.cx) + " px in " +
                             std::to_string(room) + ")");
        }
    }
    return faults;
}

}  // namespace k7w32test
