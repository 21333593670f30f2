// The main window of the check program: it opens and orders the cards at start-up, owns all
// program state (cards, channel table, parameter-set table, VIRMA4 identifications, random
// limits, data buffer, result list) and runs the window's own actions. Views bind their
// controls to `fields` and call the on... actions; every other window is opened from here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "CheckButtons.h"
#include "Desktop.h"
#include "Dialog.h"
#include "KARVO7DLL.h"
#include "MainWindowFields.h"
#include "ParameterSet.h"

namespace k7check {

class KARVO7CheckDlg : public Dialog, public ResultSink {
  public:
    static constexpr const char* kWindowClass = "KARVO7CheckDlg";
    static constexpr const char* kTitle = "KARVO7 Check";

    explicit KARVO7CheckDlg(Desktop& desktop,
                            const CheckRegistry& registry = CheckRegistry::standard());
    // Closes, without messages, every card still open and releases the data buffer.
    ~KARVO7CheckDlg() override;

    MainWindowFields fields;

    // ---- actions -----------------------------------------------------------------------
    // Start-up: opens, orders, warms up and identifies the cards, loads the parameter file.
    // False (window ended with result 0) when no card opens.
    bool onInit() override;
    // "OK": closes every card, reporting "Karte %d Close Error", and ends the window.
    void onOk() override;
    // Close box / Escape: ends the window; the cards are closed when it is destroyed.
    void onCancel() override;
    void onKarteKillFocus();       // leaving the "Karte" edit
    void onTimeOutChange();        // every change of "Time Out in s"
    void onHotPlug();              // "Hot Plug"
    void onVirma4();               // "VIRMA4"
    void onSave();                 // "Save"
    void onChooseParameterFile();  // double click on the parameter-file list
    void onClearList();            // "Clear List"
    // "Check All": every available check whose automatic box is set, in button order.
    // Returns false when a check failed.
    bool onCheckAll();
    // A check button; returns false when its automatic check failed or it was refused.
    bool onCheckButton(CheckId id);

    // ---- state for the other windows --------------------------------------------------
    Desktop& desktop() { return desktop_; }
    const CheckRegistry& registry() const { return registry_; }
    uint32_t cardCount() const { return cardCount_; }
    // Handle of card number 1..cardCount(), nullptr for any other number.
    KARVO7HANDLE card(uint32_t number) const;
    const std::array<KARVO7HANDLE, kMaxCards>& cards() const { return cards_; }
    const std::array<Channel, kMaxCards>& channels() const { return channels_; }
    ParameterSetTable& parameterSets() { return sets_; }
    RandomLimits& randomLimits() { return randomLimits_; }
    bool virma4Mode() const { return virma4Mode_; }
    void setVirma4Mode(bool on) { virma4Mode_ = on; }
    int16_t& virma4Id(uint32_t card, uint32_t set);
    std::vector<uint8_t>& dataBuffer() { return dataBuffer_; }
    uint32_t& dataLength() { return dataLength_; }
    std::string& resultText() { return resultText_; }
    bool operatingVoltage() const { return operatingVoltage_; }
    const std::string& profileFile() const { return profileFile_; }

    // The selected card's handle after checking the "Karte" field against 1..cardCount();
    // outside it, shows "Ungültige Kartennummer %d (1 bis %d)!" and returns nullptr.
    KARVO7HANDLE selectedCard(const char* caption);
    // The selected set after checking "Karte" and "Parametersatz" (0..7); nullptr when
    // either is out of range, with a message as above or "Ungültiger Parametersatz %d (0
    // bis 7)!".
    ParameterSet* selectedSet(const char* caption);

    // Appends a line to the result list and selects it.
    void appendResult(const std::string& line) override;
    // Sends every card's eight VIRMA4 identifications again (after a DSP program was loaded).
    void resendVirma4Identifications();

  private:
    void openCards(std::vector<KARVO7HANDLE>& opened, uint32_t& highestDevice);
    std::vector<KARVO7HANDLE> orderCards(const std::vector<KARVO7HANDLE>& opened);
    void closeGaps();
    void warmUpCards();
    void identifyCards();
    void loadParameterFile();
    bool pressCheck(const CheckButton& button);
    void closeAllSilently();

    Desktop& desktop_;
    const CheckRegistry& registry_;
    uint32_t cardCount_ = 0;
    std::array<KARVO7HANDLE, kMaxCards> cards_{};
    std::array<Channel, kMaxCards> channels_{};
    ParameterSetTable sets_;
    bool virma4Mode_ = true;
    std::array<std::array<int16_t, kSetsPerCard>, kMaxCards> virma4Ids_{};
    RandomLimits randomLimits_;
    std::vector<uint8_t> dataBuffer_;
    uint32_t dataLength_ = 0;
    std::string resultText_ = "Kein Fehler";
    bool operatingVoltage_ = false;
    std::string profileFile_;
};

}  // namespace k7check
