// The main window on the screen, on two recorded cards: the form's texts and states after
// start-up, the check-button rows and their enabled states, the binding of edits and boxes to
// the window's fields, the check buttons with their automatic boxes and the result list, the
// parameter-file list, "VIRMA4" through its window, and a screenshot.
#include <gtest/gtest.h>

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <memory>

#include "KARVO7CheckDlgView.h"
#include "QtTestSupport.h"
#include "RecordingDriver.h"
#include "ViewRegistry.h"
#include "app/KARVO7CheckDlg.h"

using k7check::CheckId;
using k7check::KARVO7CheckDlg;
using namespace k7qttest;

namespace {

constexpr uint32_t kDataTimeOutRequest = 0x8002A020u;

// Device 2 sits on channel 1 and becomes card 1; device 1 becomes card 2.
const char* const kProfile =
    "[Bus]\r\n"
    "Kanal1=Bus 0 Slot 7\r\n"
    "Kanal2=Bus 0 Slot 5\r\n"
    "[Init]\r\n"
    "Karte=5\r\n"
    "Parametersatz=3\r\n"
    "Anzeigefaktor=-4\r\n"
    "Zyklen=250\r\n"
    "DMA=no\r\n"
    "PrepAll=yes\r\n"
    "Kontinuierlich=yes\r\n"
    "Anzeige=no\r\n"
    "VIRMA4=yes\r\n"
    "HotPlug=no\r\n"
    "[Check]\r\n"
    "PCIconfig=yes\r\n"
    "PCIEEPROM=no\r\n"
    "PCIoperation=no\r\n"
    "Kennung=no\r\n"
    "LCA=yes\r\n"
    "DSP=no\r\n"
    "Test=yes\r\n"
    "Command=no\r\n"
    "Einzelmessung=no\r\n"
    "Blockmessung=no\r\n";

class MainWindowView : public ::testing::Test {
  protected:
    MainWindowView() {
        unsetenv("KARVO7_SIM");
        driver.setDevices({{1, true}, {2, true}});
        driver.setPosition(1, 0, 5);
        driver.setPosition(2, 0, 7);
        profile = dir.path().toStdString() + "/KARVO7Check.INI";
        writeFile(profile, kProfile);
        // Four windows exist; every other check button has none yet.
        registry.registerWindow(CheckId::PciConfiguration, [](k7check::Session& main) {
            return std::make_unique<PositionCheck>(main.card(main.fields().karte));
        });
        registry.registerWindow(CheckId::PciOperation,
                                [](k7check::Session&) { return std::make_unique<FailingCheck>(); });
        registry.registerWindow(CheckId::Kennung,
                                [](k7check::Session&) { return std::make_unique<ProbeWindow>(); });
        registry.registerWindow(CheckId::SteuerLca, [](k7check::Session& main) {
            return std::make_unique<PositionCheck>(main.card(main.fields().karte));
        });
        k7qt::registerProgramViews();
        registerProbeView();
        ProbeWindow::shown = 0;
    }

    void open() {
        window = std::make_unique<KARVO7CheckDlg>(desktop, registry);
        view = desktop.openView(*window);
        ASSERT_NE(view, nullptr) << "start-up ended the window";
        view->show();
    }

    template <typename T>
    T& child(const char* name) {
        T* widget = view->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return *widget;
    }
    QLineEdit& edit(const char* name) { return child<QLineEdit>(name); }
    QListWidget& results() { return child<QListWidget>("resultList"); }
    QStringList resultLines() {
        QStringList lines;
        for (int i = 0; i < results().count(); ++i) {
            lines << results().item(i)->text();
        }
        return lines;
    }
    QAbstractButton& button(const QString& text) {
        QAbstractButton* found = buttonWithText(*view, text);
        EXPECT_NE(found, nullptr) << text.toStdString();
        return *found;
    }
    k7qt::KARVO7CheckDlgView& mainView() { return static_cast<k7qt::KARVO7CheckDlgView&>(*view); }
    void setAutomatic(CheckId id, bool on) { mainView().checkRow(id).automatic->setChecked(on); }
    void retype(QLineEdit& field, const QString& text) {
        field.selectAll();
        QTest::keyClicks(&field, text);
    }
    // A double click as the mouse makes it: press and release, then the second press.
    static void doubleClick(QListWidget& list, QPoint at) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    }
    void leave(QLineEdit& field) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(&field, &out);
    }

    k7test::RecordingDriver driver;
    k7test::ScopedDriver installed{driver};
    VirtualClock clock;
    QTemporaryDir dir;
    std::string profile;
    TestDesktop desktop{dir.path().toStdString() + "/KARVO7Check"};
    k7check::CheckRegistry registry;
    std::unique_ptr<KARVO7CheckDlg> window;
    std::unique_ptr<k7qt::QtDialogView> view;
};

TEST_F(MainWindowView, LeftColumnHoldsEveryButtonWithItsBoxAndLabelInOrder) {
    open();
    const QStringList captions = {
        "Hot Plug",       "PCI Configuration", "PCI EEPROM", "PCI  Operation",
        "Kennung",        "Steuer-LCA",        "Daten-LCA",  "DSP",
        "Test",           "Command",           "Blenden",    "Blockmessung",
        "Parameter/Shot", "Tiefenausgleich",   "VIRMA4",     "Check All",
        "Busbelegung"};
    const QStringList labels = {"Betriebsspannung ist EIN",
                                "PCI Konfiguration prüfen",
                                "PCI EEPROM prüfen",
                                "PCI Operation prüfen",
                                "Kennung prüfen",
                                "Steuer-LCA Register",
                                "Daten-LCA Register",
                                "DSP Programm laden",
                                "Testroutinen starten",
                                "Kommandos ausführen",
                                "Blenden setzen/anzeigen",
                                "Blockmessung ausführen",
                                "Parameter setzen/Einzelmessung ausführen",
                                "Tiefenausgleich festlegen",
                                "VIRMA4-Kennung/Mode aktivieren",
                                "Alle Tests ausführen",
                                ""};
    auto& grid = child<QGridLayout>("checkGrid");
    ASSERT_EQ(grid.rowCount(), captions.size());
    for (int row = 0; row < captions.size(); ++row) {
        SCOPED_TRACE(captions[row].toStdString());
        auto* pushButton = qobject_cast<QPushButton*>(grid.itemAtPosition(row, 1)->widget());
        ASSERT_NE(pushButton, nullptr);
        EXPECT_EQ(pushButton->text(), captions[row]);
        QLayoutItem* label = grid.itemAtPosition(row, 2);
        EXPECT_EQ(label != nullptr ? qobject_cast<QLabel*>(label->widget())->text() : QString(),
                  labels[row]);
        // Hot Plug and every check button have an automatic box to their left; the
        // buttons below them do not.
        QLayoutItem* box = grid.itemAtPosition(row, 0);
        EXPECT_EQ(box != nullptr && qobject_cast<QCheckBox*>(box->widget()) != nullptr, row <= 12);
    }
}

TEST_F(MainWindowView, StartUpFillsTheControlsFromTheCardsAndTheParameterFile) {
    open();
    EXPECT_EQ(view->windowTitle(), "KARVO7 Check");
    EXPECT_EQ(child<QLabel>("karteCountLabel").text(), "von 2 Karten");
    EXPECT_EQ(child<QLabel>("parametersatzRangeLabel").text(), "von Satz 0 ... 7");
    EXPECT_EQ(child<QLabel>("karteLabel").text(), "Karte");
    EXPECT_EQ(child<QLabel>("parametersatzLabel").text(), "Parametersatz");
    // Karte 5 of the file is lowered to the number of cards; the time-out always starts at 10.
    EXPECT_EQ(edit("karteEdit").text(), "2");
    EXPECT_EQ(edit("parametersatzEdit").text(), "3");
    EXPECT_EQ(edit("anzeigefaktorEdit").text(), "-4");
    EXPECT_EQ(edit("zyklenEdit").text(), "250");
    EXPECT_EQ(edit("timeOutEdit").text(), "10");

    auto& datenrate = child<QGroupBox>("datenrateGroup");
    EXPECT_EQ(datenrate.title(), "Datenrate");
    struct Box {
        const char* text;
        bool checked;
    };
    for (const Box& box : {Box{"DMA", false}, Box{"PrepAll", true}, Box{"Random", false},
                           Box{"kontinuierlich", true}, Box{"Anzeige", false}}) {
        QAbstractButton* check = buttonWithText(datenrate, QString::fromLatin1(box.text));
        ASSERT_NE(check, nullptr) << box.text;
        EXPECT_EQ(check->isChecked(), box.checked) << box.text;
    }
    for (const char* text : {"Anzeigefaktor", "Zyklen", "Time Out in s"}) {
        bool found = false;
        for (QLabel* label : datenrate.findChildren<QLabel*>()) {
            found = found || label->text() == QString::fromLatin1(text);
        }
        EXPECT_TRUE(found) << text;
    }

    EXPECT_FALSE(child<QCheckBox>("hotPlugAutomatic").isChecked());
    EXPECT_TRUE(mainView().checkRow(CheckId::PciConfiguration).automatic->isChecked());
    EXPECT_FALSE(mainView().checkRow(CheckId::PciEeprom).automatic->isChecked());
    EXPECT_TRUE(mainView().checkRow(CheckId::SteuerLca).automatic->isChecked());
    EXPECT_TRUE(mainView().checkRow(CheckId::Test).automatic->isChecked());
    EXPECT_FALSE(mainView().checkRow(CheckId::Blockmessung).automatic->isChecked());

    // The parameter file list holds the absolute profile name as its one, selected entry.
    auto& files = child<QListWidget>("parameterFileList");
    ASSERT_EQ(files.count(), 1);
    EXPECT_EQ(files.item(0)->text().toStdString(), profile);
    EXPECT_EQ(files.currentRow(), 0);
    EXPECT_EQ(results().count(), 0);
    EXPECT_TRUE(desktop.messages.empty()) << desktop.messages.front();
}

TEST_F(MainWindowView, ButtonsWithoutTheirWindowAreShownDisabled) {
    open();
    for (const k7check::CheckButton& check : k7check::checkButtons()) {
        const bool registered = check.id == CheckId::PciConfiguration ||
                                check.id == CheckId::PciOperation || check.id == CheckId::Kennung ||
                                check.id == CheckId::SteuerLca;
        EXPECT_EQ(button(QString::fromUtf8(check.caption)).isEnabled(), registered)
            << check.caption;
        EXPECT_TRUE(mainView().checkRow(check.id).automatic->isEnabled()) << check.caption;
    }
    for (const char* ready : {"VIRMA4", "Check All", "Clear List", "Save", "OK"}) {
        EXPECT_TRUE(button(QString::fromLatin1(ready)).isEnabled()) << ready;
    }
    // "Hot Plug" switches no card: disabled, and its tool tip says so.
    EXPECT_FALSE(button("Hot Plug").isEnabled());
    EXPECT_EQ(button("Hot Plug").toolTip().toStdString(),
              "Hot Plug schaltet die Betriebsspannung der Karten nicht; sie bleibt EIN.");
    for (const QString& later :
         {QStringLiteral("Tiefenausgleich"), QStringLiteral("Busbelegung"),
          QStringLiteral("Karte n Satz n"), QStringLiteral("Karte n Sätze 1..n"),
          QStringLiteral("Karten 1..n Satz n"), QStringLiteral("Random Limits")}) {
        EXPECT_FALSE(button(later).isEnabled()) << later.toStdString();
    }
    // With the program's own registry, a check button is enabled exactly when its window is
    // registered there.
    view.reset();
    window = std::make_unique<KARVO7CheckDlg>(desktop);
    view = desktop.openView(*window);
    ASSERT_NE(view, nullptr);
    const k7check::CheckRegistry& program = k7check::CheckRegistry::standard();
    for (const k7check::CheckButton& check : k7check::checkButtons()) {
        EXPECT_EQ(mainView().checkRow(check.id).button->isEnabled(), program.available(check.id))
            << check.caption;
    }
    EXPECT_TRUE(mainView().checkRow(CheckId::Blenden).button->isEnabled());
    for (const char* built : {"Tiefenausgleich", "Busbelegung", "Random Limits"}) {
        EXPECT_TRUE(button(QString::fromUtf8(built)).isEnabled()) << built;
    }
    EXPECT_TRUE(program.available(CheckId::PciConfiguration));
    EXPECT_TRUE(program.available(CheckId::DatenLca));
}

TEST_F(MainWindowView, CheckButtonsWriteTheirVerdictAndSelectTheLastLine) {
    open();
    // Automatic box set: the check runs on card 1 (device 2, slot 7 after ordering) ...
    retype(edit("karteEdit"), "1");
    QTest::mouseClick(&button("PCI Configuration"), Qt::LeftButton);
    EXPECT_EQ(resultLines(), QStringList{"PCI Configuration: OK Bus 0 Slot 7"});
    EXPECT_EQ(results().currentRow(), 0);

    // ... box cleared: the window opens instead and no line is written.
    QTest::mouseClick(&button("Kennung"), Qt::LeftButton);
    EXPECT_EQ(ProbeWindow::shown, 1);
    EXPECT_EQ(results().count(), 1);

    // The box ticked in the window counts at once, and the card typed into "Karte" is used.
    setAutomatic(CheckId::PciOperation, true);
    QTest::mouseClick(&button("PCI  Operation"), Qt::LeftButton);
    retype(edit("karteEdit"), "2");
    QTest::mouseClick(&button("Steuer-LCA"), Qt::LeftButton);
    EXPECT_EQ(resultLines(),
              (QStringList{"PCI Configuration: OK Bus 0 Slot 7", "PCI Operation: Fehler 3",
                           "Karte 2:", "LCA-Register: OK Bus 0 Slot 5"}));
    EXPECT_EQ(results().currentRow(), 3);
    EXPECT_TRUE(results().item(3)->isSelected());

    QTest::mouseClick(&button("Clear List"), Qt::LeftButton);
    EXPECT_EQ(results().count(), 0);
    EXPECT_EQ(results().currentRow(), -1);
}

TEST_F(MainWindowView, CheckAllRunsTheTickedChecksInButtonOrder) {
    open();
    setAutomatic(CheckId::PciOperation, true);
    setAutomatic(CheckId::PciConfiguration, false);
    retype(edit("karteEdit"), "1");
    QTest::mouseClick(&button("Check All"), Qt::LeftButton);
    // Kennung is not ticked; Test is ticked but has no window yet.
    EXPECT_EQ(resultLines(),
              (QStringList{"PCI Operation: Fehler 3", "LCA-Register: OK Bus 0 Slot 7"}));
    EXPECT_EQ(results().currentRow(), 1);
    EXPECT_EQ(ProbeWindow::shown, 0);
}

TEST_F(MainWindowView, AKarteThatNamesNoCardIsKeptAndRefusedByTheButton) {
    open();
    QLineEdit& karte = edit("karteEdit");
    for (const QString& typed : {QStringLiteral("0"), QStringLiteral("9")}) {
        retype(karte, typed);
        leave(karte);
        EXPECT_EQ(karte.text(), typed);
        desktop.messages.clear();
        QTest::mouseClick(&button("PCI Configuration"), Qt::LeftButton);
        EXPECT_EQ(desktop.messages,
                  std::vector<std::string>{"PCI Configuration: Ungültige Kartennummer " +
                                           typed.toStdString() + " (1 bis 2)!"});
        EXPECT_TRUE(resultLines().isEmpty());
    }
    QTest::keyClick(&karte, Qt::Key_Return);
    EXPECT_EQ(karte.text(), "9");
    EXPECT_TRUE(view->isVisible()) << "Enter must not press OK";
}

TEST_F(MainWindowView, NumbersStayAsTypedAndTheNextActionRefusesThemByName) {
    open();
    for (const QString& typed : {QStringLiteral("1,5"), QStringLiteral("-5")}) {
        retype(edit("zyklenEdit"), typed);
        EXPECT_EQ(edit("zyklenEdit").text(), typed);
        desktop.messages.clear();
        QTest::mouseClick(&button("VIRMA4"), Qt::LeftButton);
        EXPECT_EQ(desktop.messages,
                  std::vector<std::string>{"VIRMA4: Ungültiger Wert in \"Zyklen\": erlaubt sind "
                                           "ganze Zahlen von 0 bis 4294967295."});
        EXPECT_EQ(window->fields().zyklen, 250u);
    }
    retype(edit("karteEdit"), "x-1");
    EXPECT_EQ(edit("karteEdit").text(), "x-1");
    desktop.messages.clear();
    QTest::mouseClick(&button("PCI Configuration"), Qt::LeftButton);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages.front().rfind("PCI Configuration: Ungültiger Wert in \"Karte\"", 0),
              0u)
        << desktop.messages.front();
    EXPECT_TRUE(resultLines().isEmpty());
}

TEST_F(MainWindowView, EachChangeOfTheTimeOutGoesToTheCardsUpToTheSelectedOne) {
    open();
    retype(edit("karteEdit"), "2");
    driver.clearRecords();
    retype(edit("timeOutEdit"), "7");
    std::vector<std::pair<uint32_t, uint32_t>> sent;
    for (const k7test::RecordedRequest& request : driver.requests()) {
        if (request.code == kDataTimeOutRequest) {
            sent.emplace_back(request.device, k7test::le32(request.input, 0));
        }
    }
    // Card 1 is device 2, card 2 is device 1.
    EXPECT_EQ(sent, (std::vector<std::pair<uint32_t, uint32_t>>{{2, 7}, {1, 7}}));

    retype(edit("karteEdit"), "1");
    driver.clearRecords();
    QTest::keyClicks(&edit("timeOutEdit"), "5");  // "75"
    sent.clear();
    for (const k7test::RecordedRequest& request : driver.requests()) {
        if (request.code == kDataTimeOutRequest) {
            sent.emplace_back(request.device, k7test::le32(request.input, 0));
        }
    }
    EXPECT_EQ(sent, (std::vector<std::pair<uint32_t, uint32_t>>{{2, 75}}));
}

TEST_F(MainWindowView, SaveWritesWhatTheControlsShow) {
    open();
    retype(edit("zyklenEdit"), "321");
    retype(edit("anzeigefaktorEdit"), "-12");
    button("DMA").click();  // off -> on
    setAutomatic(CheckId::PciEeprom, true);
    setAutomatic(CheckId::Test, false);
    desktop.answers = {k7check::Answer::No};
    button("Save").click();
    EXPECT_EQ(readFile(profile), kProfile) << "No must leave the file alone";

    button("Save").click();
    EXPECT_EQ(desktop.messages, (std::vector<std::string>{"Check: Wollen Sie wirklich sichern?",
                                                          "Check: Wollen Sie wirklich sichern?"}));
    const std::string saved = readFile(profile);
    for (const char* line : {"Zyklen=321\r\n", "Anzeigefaktor=-12\r\n", "DMA=yes\r\n",
                             "PCIEEPROM=yes\r\n", "Test=no\r\n", "Karte=2\r\n"}) {
        EXPECT_NE(saved.find(line), std::string::npos) << line << " in\n" << saved;
    }
}

TEST_F(MainWindowView, DoubleClickOnTheParameterFileLoadsAnotherFile) {
    open();
    const std::string other = dir.path().toStdString() + "/Station2.ini";
    writeFile(other, "[Init]\nZyklen=999\nParametersatz=6\n[Check]\nPCIconfig=no\n");
    desktop.files = {other};
    auto& files = child<QListWidget>("parameterFileList");
    const QPoint entry = files.visualItemRect(files.item(0)).center();
    doubleClick(files, entry);
    EXPECT_EQ(desktop.fileDialogs, std::vector<std::string>{"*.ini|*.ini"});
    ASSERT_EQ(files.count(), 1);
    EXPECT_EQ(files.item(0)->text().toStdString(), other);
    EXPECT_EQ(edit("zyklenEdit").text(), "999");
    EXPECT_EQ(edit("parametersatzEdit").text(), "6");
    EXPECT_FALSE(mainView().checkRow(CheckId::PciConfiguration).automatic->isChecked());

    // A cancelled dialog changes nothing.
    doubleClick(files, entry);
    EXPECT_EQ(desktop.fileDialogs.size(), 2u);
    EXPECT_EQ(files.item(0)->text().toStdString(), other);
    EXPECT_EQ(edit("zyklenEdit").text(), "999");
}

TEST_F(MainWindowView, Virma4RenumbersEveryCardThroughItsWindow) {
    open();
    retype(edit("karteEdit"), "2");
    retype(edit("parametersatzEdit"), "3");
    QString shownTitle;
    QString shownValue;
    whenModalOpens([&](QWidget* modal) {
        shownTitle = modal->windowTitle();
        auto* kennung = modal->findChild<QLineEdit*>(QStringLiteral("kennungEdit"));
        ASSERT_NE(kennung, nullptr);
        shownValue = kennung->text();
        kennung->selectAll();
        QTest::keyClicks(kennung, "1234");
        buttonWithText(*modal, QStringLiteral("OK"))->click();
    });
    QTest::mouseClick(&button("VIRMA4"), Qt::LeftButton);
    EXPECT_EQ(shownTitle, "VIRMA4");
    EXPECT_EQ(shownValue, "23");  // card 2, set 3 held -23
    EXPECT_EQ(window->session().virma4Id(2, 3), -1223);
    EXPECT_EQ(window->session().virma4Id(1, 0), -1210);
    EXPECT_TRUE(window->session().virma4Mode());

    whenModalOpens([&](QWidget* modal) {
        auto* kennung = modal->findChild<QLineEdit*>(QStringLiteral("kennungEdit"));
        shownValue = kennung->text();
        kennung->selectAll();
        QTest::keyClicks(kennung, "0");
        buttonWithText(*modal, QStringLiteral("Cancel"))->click();
    });
    QTest::mouseClick(&button("VIRMA4"), Qt::LeftButton);
    EXPECT_EQ(shownValue, "1223");
    EXPECT_EQ(window->session().virma4Id(2, 3), -1223);
    EXPECT_TRUE(window->session().virma4Mode());
}

TEST_F(MainWindowView, OkClosesTheCardsAndEndsTheWindow) {
    open();
    const int opened = driver.openCount();
    ASSERT_EQ(opened, 2);
    button("OK").click();
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), k7check::kIdOk);
    EXPECT_FALSE(view->isVisible());
    EXPECT_EQ(window->card(1), nullptr);
    EXPECT_EQ(window->card(2), nullptr);
}

TEST_F(MainWindowView, EscapeAndEnterKeepTheWindowTheCloseBoxEndsIt) {
    open();
    ASSERT_EQ(driver.openCount(), 2);
    // Escape, on the window and in an edit, ends nothing: it is also the key of "Stopp".
    QTest::keyClick(view.get(), Qt::Key_Escape);
    QTest::keyClick(&edit("zyklenEdit"), Qt::Key_Escape);
    // Enter leaves the edit (what was typed stays) and presses no button.
    retype(edit("karteEdit"), "0");
    QTest::keyClick(&edit("karteEdit"), Qt::Key_Return);
    EXPECT_EQ(edit("karteEdit").text(), "0");
    QTest::keyClick(&edit("zyklenEdit"), Qt::Key_Enter, Qt::KeypadModifier);
    QTest::keyClick(view.get(), Qt::Key_Return);
    for (const QPushButton* push : view->findChildren<QPushButton*>()) {
        EXPECT_FALSE(push->isDefault()) << push->text().toStdString();
    }
    EXPECT_FALSE(window->ended());
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_TRUE(resultLines().isEmpty());
    EXPECT_NE(window->card(1), nullptr);

    // The close box ends it, without closing messages.
    view->close();
    EXPECT_TRUE(window->ended());
    EXPECT_EQ(window->result(), k7check::kIdCancel);
    EXPECT_TRUE(desktop.messages.empty());
    EXPECT_FALSE(view->isVisible());
}

TEST_F(MainWindowView, WithoutCardsTheWindowEndsBeforeItIsShown) {
    driver.setDevices({});
    window = std::make_unique<KARVO7CheckDlg>(desktop, registry);
    EXPECT_EQ(desktop.runModal(*window), 0);
    EXPECT_EQ(desktop.viewOf(*window), nullptr);
    EXPECT_EQ(desktop.messages,
              std::vector<std::string>{"Program Cancel: Treiber KARVO7.sys ist nicht aktiv!"});
}

TEST_F(MainWindowView, TitleMarksSimulatedCards) {
    setenv("KARVO7_SIM", "2", 1);
    open();
    unsetenv("KARVO7_SIM");
    EXPECT_EQ(view->windowTitle(), "KARVO7 Check (simulierte Karten)");
}

TEST_F(MainWindowView, AboutBoxOpensFromTheWindowMenu) {
    open();
    QAction* about = nullptr;
    for (QAction* action : view->actions()) {
        if (action->text() == QStringLiteral("Inf&o über KARVO7Check...")) {
            about = action;
        }
    }
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(view->contextMenuPolicy(), Qt::ActionsContextMenu);
    QString title;
    QStringList texts;
    whenModalOpens([&](QWidget* box) {
        title = box->windowTitle();
        for (QLabel* label : box->findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) {
                texts << label->text();
            }
        }
        buttonWithText(*box, QStringLiteral("OK"))->click();
    });
    about->trigger();
    EXPECT_EQ(title, "Info über KARVO7Check");
    EXPECT_EQ(texts, QStringList{"KARVO7Check, Version 1.0"});
    EXPECT_FALSE(window->ended());
}

TEST_F(MainWindowView, ScreenshotOfTheMainWindow) {
    open();
    retype(edit("karteEdit"), "1");
    setAutomatic(CheckId::PciOperation, true);
    QTest::mouseClick(&button("Check All"), Qt::LeftButton);
    view->resize(view->sizeHint());
    const QPixmap shot = view->grab();
    const QString path = QStringLiteral(K7_ARTIFACT_DIR "/KARVO7Check-Hauptfenster.png");
    ASSERT_TRUE(shot.save(path, "PNG")) << path.toStdString();
    EXPECT_GE(shot.width(), 700);
    EXPECT_GE(shot.height(), 450);
}

}  // namespace
