// KARVO7Check: shows the main window until it closes. With --check-all it runs "Check All" on
// the configured cards without any window, prints the result lines and exits non-zero when a
// check failed (for production test stations).
#include <QApplication>
#include <cstring>
#include <iostream>

#include "AppIcon.h"
#include "HeadlessCheckAll.h"
#include "KARVO7CheckDlg.h"
#include "QtDesktop.h"
#include "ViewRegistry.h"

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check-all") == 0) {
            return k7check::runHeadlessCheckAll(std::string(), std::cout, std::cerr);
        }
    }

    QApplication application(argc, argv);
    QApplication::setWindowIcon(k7qt::appIcon());
    k7qt::registerProgramViews();
    k7qt::QtDesktop desktop;
    k7check::KARVO7CheckDlg window(desktop);
    desktop.runModal(window);
    // Ending at start-up (no card) is a failure for whoever started the program.
    return window.cardCount() == 0 ? 1 : 0;
}
