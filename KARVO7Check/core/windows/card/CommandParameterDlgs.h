// The Command window's parameter windows, one per parameter command, and the SAP delay window.
// Each starts from the card's registers or from its empty state and, on "OK", makes the
// command's data words (CommandWords.h).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "card/CommandWords.h"
#include "desktop/Desktop.h"
#include "desktop/Dialog.h"

namespace k7check {

class CmdParameterDlg : public Dialog {
  public:
    CmdParameterDlg(Desktop& desktop, const char* windowClass, const char* title)
        : Dialog(windowClass, title), desktop_(desktop) {}

    // The command's data words as the fields make them.
    virtual std::array<uint32_t, 2> words() const = 0;

    bool onInit() override {
        writeFieldsToControls();
        return true;
    }
    // Takes the fields; a refused entry is named and keeps the window open, nothing is sent.
    void onOk() override;
    void onCancel() override { endDialog(kIdCancel); }
    // A radio button selects itself and clears the others of its row.
    void onCommand(const std::string& control) override;

  protected:
    struct RadioRow {
        std::vector<std::string> controls;
        int* selected;
    };
    virtual std::vector<RadioRow> radioRows() { return {}; }
    // A refusal of the fields taken that the binder's ranges cannot express.
    virtual std::optional<std::string> refusal() const { return std::nullopt; }

  private:
    Desktop& desktop_;
};

class CmdShotDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdShotDlg";
    CmdShotDlg(Desktop& desktop, const RegisterReader& read);

    bool iff = false;
    bool ta = false;
    bool achtBit = false;
    bool average = false;
    int measurement = -1;  // "keine Messung", "Einzelmessung", "automatisch"
    int output = 0;        // "A-Scan", "HF"
    int clock = 0;         // "1/1 Clock" ... "1/8 Clock", "virtuell"

    std::array<uint32_t, 2> words() const override;
    void bindFields(FieldBinder& binder) override;

  protected:
    std::vector<RadioRow> radioRows() override;
};

class CmdSenderDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdSenderDlg";
    CmdSenderDlg(Desktop& desktop, const RegisterReader& read);

    int pulseWidth = -1;  // in window order: "450 ns", "250 ns", ... "25 ns"
    int energie = 0;      // in window order: "Energie 1", "Energie 2", "Energie 3", "Energie 4"
    bool sperre = false;

    std::array<uint32_t, 2> words() const override;
    void bindFields(FieldBinder& binder) override;

  protected:
    std::vector<RadioRow> radioRows() override;
};

class CmdInputDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdInputDlg";
    CmdInputDlg(Desktop& desktop, const RegisterReader& read);

    InputFields input;

    std::array<uint32_t, 2> words() const override { return {inputWord(input), 0}; }
    void bindFields(FieldBinder& binder) override;
};

class CmdGainDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdGainDlg";
    explicit CmdGainDlg(Desktop& desktop)
        : CmdParameterDlg(desktop, kWindowClass, "Gain Parameter") {}

    double verstaerkung = 0.0;  // dB

    std::array<uint32_t, 2> words() const override { return {gainWord(verstaerkung), 0}; }
    void bindFields(FieldBinder& binder) override;

  protected:
    // The word holds tenths of a decibel: a finer fraction is refused, not rounded.
    std::optional<std::string> refusal() const override;
};

class CmdHWconfigDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdHWconfigDlg";
    CmdHWconfigDlg(Desktop& desktop, const RegisterReader& read);

    uint32_t filter = 0;

    std::array<uint32_t, 2> words() const override { return {hwConfigWord(filter), 0}; }
    void bindFields(FieldBinder& binder) override;
};

class CmdAverageDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdAverageDlg";
    explicit CmdAverageDlg(Desktop& desktop)
        : CmdParameterDlg(desktop, kWindowClass, "Average Parameter") {}

    uint32_t anzahl = 0;

    std::array<uint32_t, 2> words() const override { return {anzahl, 0}; }
    void bindFields(FieldBinder& binder) override;
};

class CmdSWconfigDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdSWconfigDlg";
    explicit CmdSWconfigDlg(Desktop& desktop)
        : CmdParameterDlg(desktop, kWindowClass, "Parameter SW Configuration") {}

    bool echoAusgeben = false;

    std::array<uint32_t, 2> words() const override { return {swConfigWord(echoAusgeben), 0}; }
    void bindFields(FieldBinder& binder) override;
};

class CmdAScanDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdAScanDlg";
    explicit CmdAScanDlg(Desktop& desktop)
        : CmdParameterDlg(desktop, kWindowClass, "Parameter A-Scan") {}

    int form = -1;  // in window order: "positiv", "negativ", "Vollweg", "HF"
    uint32_t zusammenfassung = 0;

    std::array<uint32_t, 2> words() const override;
    void bindFields(FieldBinder& binder) override;

  protected:
    std::vector<RadioRow> radioRows() override;
};

class CmdCountDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdCountDlg";
    CmdCountDlg(Desktop& desktop, const RegisterReader& read);

    CountFields count;

    std::array<uint32_t, 2> words() const override { return countWords(count); }
    void bindFields(FieldBinder& binder) override;
};

class CmdTriggerDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdTriggerDlg";
    CmdTriggerDlg(Desktop& desktop, const RegisterReader& read);

    int mode = 0;   // "Master", "einzeln"
    int start = 0;  // "bei Start", "bei Stop", "SAP einzeln", "ext. Ausgang"
    bool externTrigger = false;
    uint32_t triggerblende = 0;
    uint32_t maxSap = 0;

    std::array<uint32_t, 2> words() const override;
    void bindFields(FieldBinder& binder) override;

  protected:
    std::vector<RadioRow> radioRows() override;
};

// The SAP delay window: shows the value it is given and hands the entered one back.
class CmdSAPdelayDlg : public CmdParameterDlg {
  public:
    static constexpr const char* kWindowClass = "CmdSAPdelayDlg";
    CmdSAPdelayDlg(Desktop& desktop, uint32_t given)
        : CmdParameterDlg(desktop, kWindowClass, "Dialog"), sapDelay(given) {}

    uint32_t sapDelay;

    std::array<uint32_t, 2> words() const override { return {sapDelay, 0}; }
    void bindFields(FieldBinder& binder) override;
};

}  // namespace k7check
