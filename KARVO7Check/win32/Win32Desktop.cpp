#include "Win32Desktop.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "DesktopBoxes.h"
#include "KARVO7Os.h"
#include "Text.h"
#include "k7base/Files.h"
#include "k7base/Paths.h"
#include "paramfile/IniFile.h"

namespace k7w32 {

using k7check::Answer;
using k7check::Buttons;

Win32Desktop::Win32Desktop() {
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    Win32DialogView::registerClass(instance);
    StatusWindow::registerClass(instance);
}

Win32Desktop::~Win32Desktop() {
    for (auto& view : modeless_) {
        if (view->dialog() != nullptr) {
            open_.erase(view->dialog());
        }
    }
    modeless_.clear();
}

Win32DialogView* Win32Desktop::viewOf(const k7check::Dialog& dialog) const {
    const auto it = open_.find(&dialog);
    return it == open_.end() || it->second->dialog() != &dialog ? nullptr : it->second;
}

HWND Win32Desktop::ownerWindow() const {
    if (progress_ != nullptr) {
        return progress_->hwnd();
    }
    if (live_ != nullptr) {
        return live_->hwnd();
    }
    if (!modal_.empty()) {
        return modal_.back()->hwnd();
    }
    return GetActiveWindow();
}

Answer Win32Desktop::messageBox(const std::string& caption, const std::string& text,
                                Buttons buttons) {
    UINT type = MB_OK;
    if (buttons == Buttons::YesNo) {
        type = MB_YESNO;
    } else if (buttons == Buttons::YesNoCancel) {
        type = MB_YESNOCANCEL;
    }
    const std::vector<HWND> disabled = disableOthers(nullptr);
    const int result =
        MessageBoxW(ownerWindow(), k7base::wideOf(text).c_str(), k7base::wideOf(caption).c_str(),
                    type | MB_DEFBUTTON1 | MB_APPLMODAL | MB_SETFOREGROUND);
    enable(disabled);
    return answerOf(result, buttons);
}

std::optional<std::string> Win32Desktop::fileDialog(const std::string& fileName,
                                                    const std::string& filter, bool save) {
    const std::wstring filters = fileFilter(filter);
    std::wstring preset = k7base::wideOf(fileName);
    std::replace(preset.begin(), preset.end(), L'/', L'\\');
    // A preset with a folder opens in that folder.
    std::wstring folder;
    if (const std::size_t slash = preset.find_last_of(L'\\'); slash != std::wstring::npos) {
        folder = preset.substr(0, slash);
        preset = preset.substr(slash + 1);
    }
    std::vector<wchar_t> buffer(32768, L'\0');
    preset.copy(buffer.data(), std::min(preset.size(), buffer.size() - 1));
    const std::wstring suffix = defaultSuffix(filters);
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = ownerWindow();
    ofn.lpstrFilter = filters.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = save && !suffix.empty() ? suffix.c_str() : nullptr;
    // Replacing an existing file is asked before the dialog closes.
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_PATHMUSTEXIST |
                (save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
    const std::vector<HWND> disabled = disableOthers(nullptr);
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    enable(disabled);
    if (!chosen) {
        return std::nullopt;
    }
    return k7base::utf8Of(buffer.data());
}

std::optional<std::string> Win32Desktop::openFileDialog(const std::string& fileName,
                                                        const std::string& filter) {
    return fileDialog(fileName, filter, false);
}

std::optional<std::string> Win32Desktop::saveFileDialog(const std::string& fileName,
                                                        const std::string& filter) {
    return fileDialog(fileName, filter, true);
}

std::vector<HWND> Win32Desktop::disableOthers(HWND except) {
    std::vector<HWND> disabled;
    for (const auto& [dialog, view] : open_) {
        HWND h = view->hwnd();
        if (h != nullptr && h != except && IsWindowEnabled(h)) {
            EnableWindow(h, FALSE);
            disabled.push_back(h);
        }
    }
    return disabled;
}

void Win32Desktop::enable(const std::vector<HWND>& windows) {
    for (HWND h : windows) {
        if (IsWindow(h)) {
            EnableWindow(h, TRUE);
        }
    }
}

std::unique_ptr<Win32DialogView> Win32Desktop::openView(k7check::Dialog& dialog) {
    std::unique_ptr<Win32DialogView> view = registry_.create(dialog, metrics_);
    if (view == nullptr) {
        OutputDebugStringW(
            k7base::wideOf("KARVO7Check: window " + dialog.windowClass() + " has no view").c_str());
        return nullptr;
    }
    view->create(ownerWindow());
    open_[&dialog] = view.get();
    dialog.attachView(view.get());
    if (!dialog.onInit() || dialog.ended()) {
        open_.erase(&dialog);
        return nullptr;
    }
    if (onWindowOpened) {
        onWindowOpened(*view);
    }
    return view;
}

void Win32Desktop::dispatch(MSG& msg) {
    if (live_ != nullptr && live_->preTranslate(msg)) {
        return;
    }
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    for (const auto& [dialog, view] : open_) {
        if (root != nullptr && view->hwnd() == root) {
            if (view->preTranslate(msg) || IsDialogMessageW(root, &msg)) {
                return;
            }
            break;
        }
    }
    if (live_ != nullptr && root == live_->hwnd() && IsDialogMessageW(root, &msg)) {
        return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void Win32Desktop::reap() {
    for (auto it = modeless_.begin(); it != modeless_.end();) {
        Win32DialogView& view = **it;
        if (view.ended()) {
            for (auto o = open_.begin(); o != open_.end();) {
                o = o->second == &view ? open_.erase(o) : std::next(o);
            }
            it = modeless_.erase(it);
        } else {
            ++it;
        }
    }
}

int Win32Desktop::runModal(k7check::Dialog& dialog) {
    std::unique_ptr<Win32DialogView> view = openView(dialog);
    if (view == nullptr) {
        return dialog.result();
    }
    HWND hwnd = view->hwnd();
    const std::vector<HWND> disabled = disableOthers(hwnd);
    modal_.push_back(view.get());
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    // The focus on the first control of the tab order, as a dialog starts.
    if (HWND first = GetNextDlgTabItem(hwnd, nullptr, FALSE)) {
        SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
    }
    bool quit = false;
    WPARAM quitCode = 0;
    MSG msg;
    while (!view->ended()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            quit = true;
            quitCode = msg.wParam;
            break;
        }
        dispatch(msg);
        reap();
    }
    modal_.pop_back();
    enable(disabled);
    open_.erase(&dialog);
    const int shown = view->result();
    view.reset();
    if (!modal_.empty()) {
        SetActiveWindow(modal_.back()->hwnd());
    }
    if (quit) {
        PostQuitMessage(static_cast<int>(quitCode));
    }
    return dialog.ended() ? dialog.result() : shown;
}

void Win32Desktop::showModeless(k7check::Dialog& dialog) {
    if (Win32DialogView* open = viewOf(dialog); open != nullptr && !open->ended()) {
        ShowWindow(open->hwnd(), SW_SHOW);
        return;
    }
    std::unique_ptr<Win32DialogView> view = openView(dialog);
    if (view == nullptr) {
        return;
    }
    ShowWindow(view->hwnd(), SW_SHOWNOACTIVATE);
    if (liveDepth_ > 0) {
        // Opened by a live run: blocked like every other window while the run's stop window
        // is up.
        EnableWindow(view->hwnd(), FALSE);
        liveDisabled_.push_back(view->hwnd());
    }
    modeless_.push_back(std::move(view));
}

void Win32Desktop::repaint(k7check::Dialog& dialog) {
    if (Win32DialogView* view = viewOf(dialog); view != nullptr && IsWindowVisible(view->hwnd())) {
        RedrawWindow(view->hwnd(), nullptr, nullptr,
                     RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    }
}

k7check::Rect Win32Desktop::workArea() {
    RECT r{0, 0, 1024, 768};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0);
    return {r.left, r.top, r.right, r.bottom};
}

void Win32Desktop::placeWindow(k7check::Dialog& dialog, const k7check::Rect& where) {
    if (Win32DialogView* view = viewOf(dialog)) {
        // The rectangle is the whole window, frame included, which is what Win32 places.
        SetWindowPos(view->hwnd(), nullptr, where.left, where.top, where.width(), where.height(),
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

uint32_t Win32Desktop::tickCount() {
    return K7OsGetTickCount();
}

std::string Win32Desktop::executablePath() {
    return k7base::runningExecutable();
}

std::string Win32Desktop::profileString(const std::string& file, const std::string& section,
                                        const std::string& key, const std::string& fallback) {
    return k7check::readProfileString(k7base::resolveProfilePath(file, executablePath()), section,
                                      key, fallback);
}

int32_t Win32Desktop::profileInt(const std::string& file, const std::string& section,
                                 const std::string& key, int32_t fallback) {
    return k7check::readProfileInt(k7base::resolveProfilePath(file, executablePath()), section, key,
                                   fallback);
}

bool Win32Desktop::writeProfileString(const std::string& file, const std::string& section,
                                      const std::string& key, const std::string& value) {
    return k7check::writeProfileString(k7base::resolveProfilePath(file, executablePath()), section,
                                       key, value);
}

}  // namespace k7w32
