// The check program's state for its whole life: the open cards and their handles, the channel
// table, the parameter-set table and the random limits, the VIRMA4 mode and identifications,
// the data buffer and its fill length, the parameter file, the main window's selection and
// settings, the result list, and the desktop. Windows, factories and press handlers receive
// the session (or the part they need); the main window is one view of it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "app/MainWindowFields.h"
#include "card/ParameterSet.h"
#include "card/RandomGenerator.h"
#include "desktop/Desktop.h"

namespace k7check {

// Where a line of the result list came from, so that a report names it by card, check and test
// whatever the line's text says.
struct ResultOrigin {
    uint32_t tick = 0;  // the desktop's tick when the line was appended
    uint32_t card = 0;  // the selected card number at that time
    std::string check;  // the check that wrote it ("Selbsttest"); empty outside a check
    std::string test;   // the test of that check ("DSP->PCI-FIFO"); empty for a check's own line
};

class Session : public ResultSink {
  public:
    explicit Session(Desktop& desktop);
    // Closes, without messages, every card still open.
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Desktop& desktop() { return desktop_; }

    // ---- start and end ------------------------------------------------------------------
    // Opens, orders, warms up and identifies the cards and loads the parameter file. False
    // when no card opens (after "Treiber KARVO7.sys ist nicht aktiv!").
    bool startUp();
    // The parameter file that start-up loads instead of the one beside the program (an
    // absolute path); empty = the one beside the program.
    void useParameterFile(std::string path) { requestedProfile_ = std::move(path); }
    // Cards that failed during start-up (position unreadable, warm-up failed).
    uint32_t startUpFailures() const { return startUpFailures_; }
    // Closes every card, reporting "Karte %d Close Error".
    void closeAll();

    // ---- cards --------------------------------------------------------------------------
    uint32_t cardCount() const { return cardCount_; }
    // Handle of card number 1..cardCount(), nullptr for any other number.
    KARVO7HANDLE card(uint32_t number) const;
    const std::array<Channel, kMaxCards>& channels() const { return channels_; }
    // The selected card's handle after checking "Karte" against 1..cardCount(); outside it,
    // shows "Ungültige Kartennummer %u (1 bis %u)!" under `caption` and returns nullptr.
    KARVO7HANDLE selectedCard(const char* caption);
    // The selected set after checking "Karte" and "Parametersatz" (0..7); nullptr, with a
    // message, when either is out of range.
    ParameterSet* selectedSet(const char* caption);

    // ---- parameter sets -----------------------------------------------------------------
    ParameterSetTable& parameterSets() { return sets_; }
    RandomLimits& randomLimits() { return randomLimits_; }
    // The generator of random parameter sets, one sequence for the program's life.
    RandomGenerator& random() { return random_; }

    // ---- VIRMA4 -------------------------------------------------------------------------
    bool virma4Mode() const { return virma4Mode_; }
    void setVirma4Mode(bool on) { virma4Mode_ = on; }
    int16_t& virma4Id(uint32_t card, uint32_t set);
    // Sends the eight identifications of card `number` again when the mode is on (after a
    // reset or a DSP load of that card); the mode flag stays as it is.
    void resendVirma4Identifications(uint32_t number);

    // ---- data buffer --------------------------------------------------------------------
    std::vector<uint8_t>& dataBuffer() { return dataBuffer_; }
    uint32_t& dataLength() { return dataLength_; }

    // ---- main window state --------------------------------------------------------------
    MainWindowFields fields;
    bool operatingVoltage() const { return operatingVoltage_; }
    void setOperatingVoltage(bool on) { operatingVoltage_ = on; }
    std::string& resultText() { return resultText_; }

    // ---- parameter file -----------------------------------------------------------------
    const std::string& profileFile() const { return profileFile_; }
    // Loads channels, settings and sets from `path`, which becomes the parameter file.
    void loadParameterFile(const std::string& path);
    // Writes settings and sets back; false when the file could not be written.
    bool saveParameterFile();

    // ---- result list --------------------------------------------------------------------
    // Appends a line and selects it; the listener (the main window's view) is told.
    void appendResult(const std::string& line) override;
    void appendTestResult(const std::string& test, const std::string& line) override;
    void clearResults();
    // Where each line of the result list came from, one entry per line.
    const std::vector<ResultOrigin>& resultOrigins() const { return resultOrigins_; }
    // The check whose lines are appended from now on, until endCheck().
    void beginCheck(std::string name) { currentCheck_ = std::move(name); }
    void endCheck() { currentCheck_.clear(); }
    void onResultsChanged(std::function<void()> listener) { resultsChanged_ = std::move(listener); }

  private:
    void openCards(std::vector<KARVO7HANDLE>& opened, uint32_t& highestDevice);
    std::vector<KARVO7HANDLE> orderCards(const std::vector<KARVO7HANDLE>& opened);
    void closeGaps();
    void warmUpCards();
    void identifyCards();
    void readParameterFile();
    void closeAllSilently();

    Desktop& desktop_;
    uint32_t cardCount_ = 0;
    uint32_t startUpFailures_ = 0;
    std::array<KARVO7HANDLE, kMaxCards> cards_{};
    std::array<Channel, kMaxCards> channels_{};
    ParameterSetTable sets_;
    bool virma4Mode_ = true;
    std::array<std::array<int16_t, kSetsPerCard>, kMaxCards> virma4Ids_{};
    RandomLimits randomLimits_;
    RandomGenerator random_;
    std::vector<uint8_t> dataBuffer_;
    uint32_t dataLength_ = 0;
    std::string resultText_ = "Kein Fehler";
    bool operatingVoltage_ = false;
    std::string profileFile_;
    std::function<void()> resultsChanged_;
    std::vector<ResultOrigin> resultOrigins_;
    std::string currentCheck_;
    std::string requestedProfile_;
};

}  // namespace k7check
