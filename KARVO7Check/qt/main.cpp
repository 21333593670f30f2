// KARVO7Check: shows the main window until it closes. With --check-all it runs "Check All"
// without any window on the selected card, one card (--card N) or every card (--all-cards),
// with the parameter file beside the program or another (--ini FILE), prints the result lines
// and exits non-zero when a check failed or none ran (for production test stations);
// --report FILE adds a JUnit XML report.
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <optional>
#include <string>
#include <vector>

#include "AppIcon.h"
#include "NumericLocale.h"
#include "QtDesktop.h"
#include "ViewRegistry.h"
#include "app/KARVO7CheckDlg.h"
#include "app/Session.h"
#include "headless/HeadlessCommand.h"

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
    const k7check::CommandLine commandLine =
        k7check::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    if (const std::optional<int> code = k7check::runWithoutWindow(commandLine)) {
        return *code;
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
