#include "app/KARVO7CheckDlg.h"

#include <cstdint>

#include "Format.h"
#include "profile/ParameterFileCheck.h"
#include "windows/main/VIRMA4Dlg.h"

namespace k7check {

KARVO7CheckDlg::KARVO7CheckDlg(Session& session, const CheckRegistry& registry)
    : Dialog(kWindowClass, kTitle), session_(session), registry_(registry) {
    session_.onResultsChanged([this] { writeFieldsToControls(); });
}

KARVO7CheckDlg::KARVO7CheckDlg(Desktop& desktop, const CheckRegistry& registry)
    : KARVO7CheckDlg(*new Session(desktop), registry) {
    ownSession_.reset(&session_);
}

KARVO7CheckDlg::~KARVO7CheckDlg() {
    session_.onResultsChanged(nullptr);
}

std::string KARVO7CheckDlg::automaticControl(CheckId id) {
    return "automatic" + std::to_string(index(id));
}

std::string KARVO7CheckDlg::checkButtonControl(CheckId id) {
    return "check" + std::to_string(index(id));
}

std::string KARVO7CheckDlg::checkLabelControl(CheckId id) {
    return "checkLabel" + std::to_string(index(id));
}

bool KARVO7CheckDlg::onInit() {
    if (!session_.startUp()) {
        endDialog(0);
        return false;
    }
    takeSavedTimeOut();
    writeFieldsToControls();
    return true;
}

void KARVO7CheckDlg::takeSavedTimeOut() {
    acceptedTimeOut_ = fields().timeOut;
    if (acceptedTimeOut_ != kDefaultTimeOut) {
        sendTimeOut(session_.cardCount());
    }
}

void KARVO7CheckDlg::sendTimeOut(uint32_t lastCard) {
    for (uint32_t k = 1; k <= lastCard; ++k) {
        uint32_t ignored = 0;
        KARVO7SetDataTimeOut(session_.card(k), static_cast<uint32_t>(fields().timeOut), &ignored);
    }
}

void KARVO7CheckDlg::bindFields(FieldBinder& b) {
    MainWindowFields& f = session_.mainWindowFields();
    b.number("karteEdit", "Karte", f.karte);
    b.number("parametersatzEdit", "Parametersatz", f.parametersatz);
    b.number("anzeigefaktorEdit", "Anzeigefaktor", f.anzeigefaktor);
    b.number("zyklenEdit", "Zyklen", f.zyklen);
    // The time-out goes to the driver as an unsigned count of seconds.
    b.number("timeOutEdit", "Time Out in s", f.timeOut, 0, INT32_MAX);
    b.check("dmaCheck", f.dma);
    b.check("prepAllCheck", f.prepAll);
    b.check("randomCheck", f.random);
    b.check("kontinuierlichCheck", f.kontinuierlich);
    b.check("anzeigeCheck", f.anzeige);
    b.check("hotPlugAutomatic", f.hotPlugAutomatic);
    for (const CheckButton& button : checkButtons()) {
        b.check(automaticControl(button.id), f.automatic[index(button.id)]);
        const std::string& label = f.checkLabels[index(button.id)];
        if (!label.empty()) {
            b.label(checkLabelControl(button.id), label);
        }
    }
    b.label("hotPlugLabel", f.hotPlugLabel);
    // The program has no way to switch a card's operating voltage: the button would only
    // change the flag, never the card.
    b.unavailable("hotPlugButton",
                  "Hot Plug schaltet die Betriebsspannung der Karten nicht; sie bleibt EIN.");
    b.label("karteCountLabel", f.karteLabel);
    b.list("parameterFileList", f.parameterFiles, f.parameterFileSelection);
    b.list("resultList", f.resultLines, f.resultSelection);
}

void KARVO7CheckDlg::onCommand(const std::string& control) {
    if (control == "hotPlugButton") {
        onHotPlug();
    } else if (control == "virma4Button") {
        onVirma4();
    } else if (control == "checkAllButton") {
        onCheckAll();
    } else if (control == "clearListButton") {
        onClearList();
    } else if (control == "saveButton") {
        onSave();
    } else if (control == "parameterFileList") {
        onChooseParameterFile();
    } else {
        for (const CheckButton& button : checkButtons()) {
            if (control == checkButtonControl(button.id)) {
                onCheckButton(button.id);
                return;
            }
        }
        if (!onWindowButton(control)) {
            Dialog::onCommand(control);
        }
    }
}

void KARVO7CheckDlg::onEditChanged(const std::string& control) {
    if (control == "timeOutEdit") {
        onTimeOutChange();
    }
}

void KARVO7CheckDlg::onEditLeft(const std::string& control) {
    if (control == "karteEdit") {
        onKarteKillFocus();
    }
}

bool KARVO7CheckDlg::onWindowButton(const std::string& control) {
    const WindowButton* button = registry_.windowButton(control);
    if (button == nullptr) {
        return false;
    }
    if (!takeFields("Check")) {
        return true;
    }
    (*button)(session_);
    writeFieldsToControls();
    return true;
}

// ---- actions ---------------------------------------------------------------------------

void KARVO7CheckDlg::onOk() {
    session_.closeAll();
    endDialog(kIdOk);
}

void KARVO7CheckDlg::onCancel() {
    endDialog(kIdCancel);
}

bool KARVO7CheckDlg::takeFields(const std::string& caption) {
    if (const auto refusal = takeFieldsFromControls()) {
        session_.desktop().messageBox(caption, *refusal);
        return false;
    }
    return true;
}

void KARVO7CheckDlg::onKarteKillFocus() {
    // The number stays as typed: the next action that needs the card refuses a number that
    // names no card and says so, rather than running on another card.
    takeFieldsFromControls();
}

void KARVO7CheckDlg::onTimeOutChange() {
    // Every keystroke arrives here: a text that is no time-out yet ("", "-") sends nothing;
    // the next action names it.
    if (takeFieldsFromControls()) {
        return;
    }
    // A driver time-out of 0 would let every data read wait forever.
    if (fields().timeOut == 0) {
        session_.desktop().messageBox("Time Out", "Time Out 0 s ist nicht erlaubt!");
        session_.settings().timeOut = acceptedTimeOut_;
        writeFieldsToControls();
        return;
    }
    acceptedTimeOut_ = fields().timeOut;
    if (session_.selectedCard("Time Out") == nullptr) {
        return;
    }
    sendTimeOut(fields().karte);
}

void KARVO7CheckDlg::onHotPlug() {
    if (!takeFields("Hot Plug")) {
        return;
    }
    session_.setOperatingVoltage(!session_.operatingVoltage());
    writeFieldsToControls();
    session_.desktop().repaint(*this);
}

void KARVO7CheckDlg::onVirma4() {
    if (!takeFields("VIRMA4")) {
        return;
    }
    Desktop& desktop = session_.desktop();
    KARVO7HANDLE handle = session_.selectedCard("VIRMA4");
    if (handle == nullptr) {
        return;
    }
    if (KARVO7IsVersion3(handle) == 0) {
        desktop.messageBox("VIRMA4", "Keine KARVO7F!");
        return;
    }
    if (session_.selectedSet("VIRMA4") == nullptr) {
        return;
    }
    const uint32_t k = fields().karte;
    const uint32_t s = fields().parametersatz;
    int16_t value = session_.virma4Id(k, s);
    VIRMA4Dlg dialog(desktop, value);
    if (desktop.runModal(dialog) != kIdOk) {
        return;
    }
    if (session_.enterVirma4Id(k, s, value) == Session::Virma4Entry::TooLarge) {
        desktop.messageBox(
            "VIRMA4", formatText("Kennung %d ist zu groß für %u Karten!", -value, cardCount()));
        return;
    }
    writeFieldsToControls();
}

void KARVO7CheckDlg::onSave() {
    Desktop& desktop = session_.desktop();
    if (!takeFields("Check")) {
        return;
    }
    if (desktop.messageBox("Check", "Wollen Sie wirklich sichern?", Buttons::YesNo) !=
        Answer::Yes) {
        return;
    }
    if (!session_.saveParameterFile()) {
        desktop.messageBox("Check", formatText("Parameterdatei %s konnte nicht gesichert werden!",
                                               session_.profileFile().c_str()));
    }
}

void KARVO7CheckDlg::onChooseParameterFile() {
    const auto chosen = session_.desktop().openFileDialog("*.ini", "*.ini");
    if (!chosen || chosen->empty()) {
        return;
    }
    const std::vector<std::string> faults = session_.loadParameterFile(*chosen);
    if (!faults.empty()) {
        session_.desktop().messageBox("Check", parameterFileRefusal(*chosen, faults));
        return;
    }
    takeSavedTimeOut();
    writeFieldsToControls();
}

void KARVO7CheckDlg::onClearList() {
    session_.clearResults();
}

// ---- check buttons ---------------------------------------------------------------------

bool KARVO7CheckDlg::onCheckButton(CheckId id) {
    if (!takeFields(checkButton(id).caption)) {
        return false;
    }
    return pressCheck(checkButton(id));
}

CheckAllOutcome KARVO7CheckDlg::onCheckAll(const std::function<bool()>& stop) {
    CheckAllOutcome outcome;
    if (!takeFields("Check All")) {
        outcome.passed = false;
        return outcome;
    }
    if (session_.selectedCard("Check All") == nullptr) {
        outcome.passed = false;
        return outcome;
    }
    bool anyBoxSet = false;
    for (const CheckButton& button : checkButtons()) {
        // A box beside a button whose automatic mode checks nothing ("Blenden") chooses
        // nothing: it must not let "Check All" look like a passed check.
        if (!fields().automatic[index(button.id)] || !button.writesLine) {
            continue;
        }
        anyBoxSet = true;
        if (registry_.available(button.id)) {
            if (stop && stop()) {
                outcome.stopped = true;
                return outcome;
            }
            ++outcome.ran;
            outcome.lastStarted = checkReportName(button);
            const size_t lines = fields().resultLines.size();
            if (!pressCheck(button)) {
                outcome.passed = false;
                if (fields().resultLines.size() == lines) {
                    outcome.failedWithoutLine.push_back(checkReportName(button));
                }
            }
        }
    }
    if (outcome.ran == 0) {
        session_.desktop().messageBox(
            "Check All", anyBoxSet ? "Keine der ausgewählten Prüfungen ist verfügbar!"
                                   : "Keine Prüfung ausgewählt: kein automatisches Kästchen "
                                     "gesetzt!");
    }
    return outcome;
}

bool KARVO7CheckDlg::pressCheck(const CheckButton& button) {
    KARVO7HANDLE handle = session_.selectedCard(button.caption);
    if (handle == nullptr || !registry_.available(button.id)) {
        return false;
    }
    if (button.needsKarvo7F && KARVO7IsVersion3(handle) == 0) {
        session_.desktop().messageBox(button.caption, "Keine KARVO7F!");
        return false;
    }
    session_.setOperatingVoltage(true);
    const bool automatic = fields().automatic[index(button.id)];

    // Every line the check appends is reported under its name.
    struct CheckScope {
        Session& session;
        ~CheckScope() { session.endCheck(); }
    } scope{session_};
    session_.beginCheck(checkReportName(button));

    if (const CheckPress& press = registry_.press(button.id)) {
        const bool passed = press(session_, automatic);
        writeFieldsToControls();
        return passed;
    }
    if (automatic && !button.writesLine) {
        return true;
    }
    std::unique_ptr<CheckDialog> dialog = registry_.factory(button.id)(session_);
    if (dialog == nullptr) {
        return false;  // the window refused (and said why)
    }
    if (!automatic) {
        session_.desktop().runModal(*dialog);
        dialog->afterModal(session_);
        writeFieldsToControls();
        return true;
    }
    std::string verdict = session_.resultText();
    const bool passed = dialog->runAutomatic(button.prefix, verdict, session_);
    session_.setResultText(std::move(verdict));
    return passed;
}

}  // namespace k7check
