#include "ProgramWindow.h"

#include "Environment.h"
#include "Text.h"

namespace k7w32test {

ProgramWindow::ProgramWindow() {
    desktop.onWindowOpened = [this](k7w32::Win32DialogView& view) {
        Opened& o = opened[textOf(view.hwnd())];
        o.hwnd = view.hwnd();
        o.view = &view;
        ++o.count;
    };
}

const Opened* ProgramWindow::shownWindow() const {
    for (const auto& [title, o] : opened) {
        if (title != kTitle && IsWindow(o.hwnd) && IsWindowVisible(o.hwnd)) {
            return &o;
        }
    }
    return nullptr;
}

HWND ProgramWindow::openWindow() const {
    const Opened* shown = shownWindow();
    return shown == nullptr ? nullptr : shown->hwnd;
}

HWND ProgramWindow::control(const char* name) {
    k7w32::Win32DialogView* view = desktop.viewOf(*window);
    return view == nullptr ? nullptr : view->control(name);
}

std::vector<std::string> ProgramWindow::results() {
    HWND list = control("resultList");
    std::vector<std::string> lines;
    const auto count = static_cast<int>(SendMessageW(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::wstring line(
            static_cast<std::size_t>(SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0)),
            L'\0');
        SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(line.data()));
        lines.push_back(k7base::utf8Of(line));
    }
    return lines;
}

void ProgramWindow::run() {
    k7test::setEnvironment("KARVO7_SIM", "2");
    window = std::make_unique<k7check::KARVO7CheckDlg>(desktop);
    result = script.run(desktop, *window);
    k7test::unsetEnvironment("KARVO7_SIM");
}

void ProgramWindow::closeBox() {
    script.then([this] { PostMessageW(main(), WM_SYSCOMMAND, SC_CLOSE, 0); });
}

}  // namespace k7w32test
