// The check program's state for its whole life: the open cards and their handles, the channel
// table, the parameter-set table and the random limits, the VIRMA4 mode and identifications,
// the data buffer and its fill length, the parameter file, the main window's selection and
// settings, the result list, and the desktop. Windows, factories and press handlers receive
// the session (or the part they need); the main window is one view of it.
//
// The session changes its state only through its operations, so that its rules hold in one
// place: the filled part of the data buffer never reaches beyond the buffer, card and set
// numbers outside the table change nothing, the result list and its origins stay in step.
// The only changeable references it hands out are for the one thing a caller edits: the set an
// editor or a run works on (selectedSet, editableSet), the technician's settings (settings),
// the main window's binding (mainWindowFields) and the buffer a running fetch fills
// (fetchBuffer).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "app/CheckButtons.h"
#include "app/MainWindowFields.h"
#include "card/ParameterSet.h"
#include "card/RandomGenerator.h"
#include "desktop/Desktop.h"

namespace k7check {

struct CardRecord;
class IniFile;

// Where a line of the result list came from, so that a report names it by card, check and test
// whatever the line's text says.
struct ResultOrigin {
    uint32_t tick = 0;  // the desktop's tick when the line was appended
    uint32_t card = 0;  // the selected card number at that time
    std::string check;  // the check that wrote it ("Selbsttest"); empty outside a check
    std::string test;   // the test of that check ("DSP->PCI-FIFO"); empty for a check's own line
    bool cardHeading = false;  // the "Karte n:" line before the lines of another card
};

// A card that did not open at start-up: one the parameter file's channel table expects, or a
// device that answers but does not open. It keeps its card number, so that the other cards keep
// theirs.
struct MissingCard {
    uint32_t number = 0;   // its card number
    uint32_t channel = 0;  // the channel of the table ("Kanal<n>"); 0 when no channel expects it
    uint32_t bus = 0;      // the channel's PCI position
    uint32_t slot = 0;
    std::string reason;   // "in Benutzung", "nicht gefunden", "Fehler <n> beim Öffnen"
    uint32_t device = 0;  // the device that exists but did not open; 0: none was found
};

// "Karte 1: Kanal 1 (Bus 1 Slot 12) in Benutzung"; without a channel "Karte 1: Device 1 in
// Benutzung".
std::string missingCardText(const MissingCard& card);
// "Kanal 1 (Bus 1 Slot 12) in Benutzung": the text without the card number.
std::string missingCardReason(const MissingCard& card);

class Session : public ResultSink {
  public:
    explicit Session(Desktop& desktop);
    // Closes, without messages, every card still open.
    ~Session() override;
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Desktop& desktop() { return desktop_; }

    // ---- start and end ------------------------------------------------------------------
    // Opens, orders, warms up and identifies the cards and loads the parameter file. A card of
    // the channel table that does not open keeps its number as a missing card, named under
    // "Init". False when no card opens (after "Treiber KARVO7.sys ist nicht aktiv!", or after
    // naming the devices that did not open) and none is missing.
    bool startUp();
    // The parameter file that start-up loads instead of the one beside the program (an
    // absolute path); empty = the one beside the program.
    void useParameterFile(std::string path) { requestedProfile_ = std::move(path); }
    // Cards that failed during start-up (position unreadable, warm-up failed).
    uint32_t startUpFailures() const { return startUpFailures_; }
    // The cards of the channel table that did not open (named at start-up under "Init"), in
    // card order; their numbers count in cardCount() and have no handle.
    const std::vector<MissingCard>& missingCards() const { return missing_; }
    // The missing card of that number; nullptr when it is no missing card.
    const MissingCard* missingCard(uint32_t number) const;
    // Closes every card, reporting "Karte %d Close Error".
    void closeAll();

    // ---- cards --------------------------------------------------------------------------
    uint32_t cardCount() const { return cardCount_; }
    // Handle of card number 1..cardCount(), nullptr for a missing card and any other number.
    KARVO7HANDLE card(uint32_t number) const;
    // card(number), and for a missing card whose device exists (another program held it at
    // start-up) a new try to open it: once that program has ended the card is there again, at
    // its channel's position, warmed up and identified as at start-up, and no longer missing.
    // nullptr while it still does not open (the missing card's reason then says why).
    KARVO7HANDLE reclaimCard(uint32_t number);
    const std::array<Channel, kMaxCards>& channels() const { return channels_; }
    // The selected card's handle after checking "Karte" against 1..cardCount(); outside it,
    // shows "Ungültige Kartennummer %u (1 bis %u)!" under `caption` and returns nullptr, and
    // for a missing card names it (missingCardText) and returns nullptr.
    KARVO7HANDLE selectedCard(const char* caption);
    // The selected set after checking "Karte" and "Parametersatz" (0..7), for the window that
    // edits it in place; nullptr, with a message, when either is out of range.
    ParameterSet* selectedSet(const char* caption);

    // ---- parameter sets -----------------------------------------------------------------
    // The sets of every card; a card or set number outside the table throws std::out_of_range.
    const ParameterSetTable& parameterSets() const { return sets_; }
    // The set `set` (0..7) of card `card` (1..16) for a window or a run that edits it in
    // place; nullptr for a number outside the table.
    ParameterSet* editableSet(uint32_t card, uint32_t set);
    // Marks set `set` of card `card` active or not; false (nothing changed) for a number
    // outside the table.
    bool setActive(uint32_t card, uint32_t set, bool active);
    // The eight active flags of card `card` at once; false for a card outside the table.
    bool setActiveFlags(uint32_t card, const std::array<bool, kSetsPerCard>& flags);
    const RandomLimits& randomLimits() const { return randomLimits_; }
    void setRandomLimits(const RandomLimits& limits) { randomLimits_ = limits; }
    // Draws every field of `set` that has random limits, from the one sequence of random
    // numbers the program has for its life.
    void drawRandomSet(ParameterSet& set);

    // ---- VIRMA4 -------------------------------------------------------------------------
    bool virma4Mode() const { return virma4Mode_; }
    void setVirma4Mode(bool on) { virma4Mode_ = on; }
    // The identification kept for set `set` of card `card`; 0 for a number outside the table.
    int16_t virma4Id(uint32_t card, uint32_t set) const;
    // Keeps `id` for set `set` of card `card` (nothing is sent); false for a number outside
    // the table.
    bool setVirma4Id(uint32_t card, uint32_t set, int16_t id);
    // What an identification entered in the window "VIRMA4" did.
    enum class Virma4Entry {
        Off,         // 0: the mode is off, set 0 of cards 1..card sends 0
        Renumbered,  // below -999: every card and set got the hundreds and its own -(10 k + s)
        Stored,      // any other number: kept and sent for that card and set
        TooLarge,    // the renumbering would leave 16 bits: nothing changed
        Refused,     // card or set outside the table: nothing changed
    };
    // Takes `value`, entered for set `set` of card `card`, and sends what it changes to the
    // cards; the mode follows the entry.
    Virma4Entry enterVirma4Id(uint32_t card, uint32_t set, int16_t value);
    // Sends the eight identifications of card `number` again when the mode is on (after a
    // reset or a DSP load of that card); the mode flag stays as it is.
    void resendVirma4Identifications(uint32_t number);

    // ---- data buffer --------------------------------------------------------------------
    // The filled part of the buffer: the data of the last shot taken.
    std::span<const uint8_t> data() const { return {dataBuffer_.data(), dataLength_}; }
    // Bytes the buffer holds (0 before start-up and after the cards are closed).
    size_t dataCapacity() const { return dataBuffer_.size(); }
    // Zeros the whole buffer (of kDataBufferSize bytes); the filled length is kept.
    void zeroData();
    // Marks the first `length` bytes as filled, at most the whole buffer.
    void setDataLength(uint32_t length);
    // One read of the card's measured data into the buffer: the filled length is what the
    // card delivered, at most the whole buffer, and 0 when the read failed (false, `error`
    // holding the card's error word).
    bool readData(KARVO7HANDLE card, uint32_t& error);
    // The buffer an asynchronous fetch of the card writes into while it runs; once it ended,
    // setDataLength takes the count it delivered.
    std::vector<uint8_t>& fetchBuffer() { return dataBuffer_; }

    // ---- main window state --------------------------------------------------------------
    const MainWindowFields& fields() const { return fields_; }
    // The technician's settings, free values the runs check where they use them; the main
    // window and the parameter file write them, as do the unattended run's callers.
    MainWindowSettings& settings() { return fields_; }
    // The fields the main window binds to its controls (KARVO7CheckDlg::bindFields), for that
    // binding only: the technician's entries both ways, labels and list lines into the controls.
    MainWindowFields& mainWindowFields() { return fields_; }
    // "Karte" and "Parametersatz" as entered: any number, checked by selectedCard and
    // selectedSet when an action uses them.
    void selectCard(uint32_t number) { fields_.karte = number; }
    void selectSet(uint32_t set) { fields_.parametersatz = set; }
    bool operatingVoltage() const { return operatingVoltage_; }
    void setOperatingVoltage(bool on) { operatingVoltage_ = on; }
    // The verdict text the last automatic check left.
    const std::string& resultText() const { return resultText_; }
    void setResultText(std::string text) { resultText_ = std::move(text); }

    // ---- parameter file -----------------------------------------------------------------
    const std::string& profileFile() const { return profileFile_; }
    // Loads channels, settings, sets and random limits from `path`, which becomes the
    // parameter file. A file holding values the program cannot take is not loaded: nothing
    // changes, and the values are returned, one line each (ParameterFileCheck.h).
    std::vector<std::string> loadParameterFile(const std::string& path);
    // Writes settings, sets and random limits back; false when the file could not be written.
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
    // A device that exists but did not open, with the thread's last error of the open and its
    // enumeration position among the devices that answer (those that opened and those that
    // did not), where it would have been had it opened.
    struct FailedOpen {
        uint32_t device;
        uint32_t error;
        uint32_t position;
    };
    struct Ordering {
        std::vector<KARVO7HANDLE> unplaced;     // opened cards without a place, to append
        std::array<bool, kMaxCards> matched{};  // channels whose card was found
        bool complete = true;                   // every card's position was read
    };
    void openCards(std::vector<KARVO7HANDLE>& opened, std::vector<uint32_t>& positions,
                   std::vector<FailedOpen>& failed, uint32_t& highestDevice);
    Ordering orderCards(const std::vector<KARVO7HANDLE>& opened,
                        const std::vector<uint32_t>& positions);
    void keepMissingCards(Ordering& ordering, const std::vector<FailedOpen>& failed);
    void closeGaps();
    void reportMissingCards();
    void warmUpCards();
    void identifyCards();
    void readParameterFile(const IniFile& file);
    void closeAllSilently();

    Desktop& desktop_;
    MainWindowFields fields_;
    uint32_t cardCount_ = 0;
    uint32_t startUpFailures_ = 0;
    // Per card-list entry during start-up: why the channel's card is missing; empty = it is not.
    std::array<std::string, kMaxCards> missingReasons_{};
    // Per card-list entry during start-up: the device of a missing card that did not open.
    std::array<uint32_t, kMaxCards> missingDevices_{};
    std::vector<MissingCard> missing_;
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
