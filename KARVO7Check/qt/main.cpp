// KARVO7Check: shows the main window until it closes. With --check-all it runs "Check All" on
// the configured cards without any window, prints the result lines and exits non-zero when a
// check failed or none ran (for production test stations); --report FILE adds a JUnit XML
// report.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>
#include <iostream>

#include "AppIcon.h"
#include "HeadlessCheckAll.h"
#include "KARVO7CheckDlg.h"
#include "NumericLocale.h"
#include "QtDesktop.h"
#include "Session.h"
#include "ViewRegistry.h"

namespace {

// The program speaks German: its standard buttons and dialogs too ("Ja", "Nein", "Abbrechen").
void loadGermanTranslations(QApplication& application, QTranslator& translator) {
    if (translator.load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        application.installTranslator(&translator);
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    bool checkAll = false;
    k7check::HeadlessOptions options;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--check-all") == 0) {
            checkAll = true;
        } else if (std::strcmp(argv[i], "--report") == 0 && i + 1 < argc) {
            options.reportFile = argv[++i];
        } else {
            std::cerr << "Aufruf: KARVO7Check [--check-all [--report DATEI]]\n";
            return 64;
        }
    }
    if (checkAll) {
        return k7check::runHeadlessCheckAll(options, std::cout, std::cerr);
    }

    QApplication application(argc, argv);
    k7qt::keepDecimalPoint();
    QApplication::setWindowIcon(k7qt::appIcon());
    QTranslator translator;
    loadGermanTranslations(application, translator);
    k7qt::registerProgramViews();
    k7qt::QtDesktop desktop;
    k7check::Session session(desktop);
    k7check::KARVO7CheckDlg window(session);
    desktop.runModal(window);
    // Ending at start-up (no card) is a failure for whoever started the program.
    return session.cardCount() == 0 ? 1 : 0;
}
