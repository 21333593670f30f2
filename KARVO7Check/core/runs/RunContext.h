// What a run works with from its start to its line: the session and its desktop, the caption of
// its messages, the windows it opens and its live displays, its line and how it failed. The runs
// reach the session through this class only.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "app/Session.h"
#include "card/SetToCard.h"
#include "runs/RunDisplays.h"
#include "runs/RunLine.h"
#include "runs/RunWindows.h"

namespace k7check {

class RunContext {
  public:
    // `caption`: the title of the run's messages; `throttleMs`: the least pause between two
    // updates of a live display.
    RunContext(Session& session, RunWindows& windows, const char* caption, uint32_t throttleMs = 0)
        : session_(session),
          desktop_(session.desktop()),
          windows_(windows),
          caption_(caption),
          displays_(session, windows, throttleMs) {}
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;

    Desktop& desktop() { return desktop_; }
    const char* caption() const { return caption_; }
    RunDisplays& displays() { return displays_; }
    RunLine& line() { return line_; }

    // ---- what the run reads of the session -----------------------------------------------
    // The main window's settings.
    const MainWindowFields& fields() const { return session_.fields(); }
    // Selects set `set` of the selected card (a card without sets 1..7 shoots set 0).
    void selectSet(uint32_t set) { session_.selectSet(set); }
    // The selected card and set after checking them; nullptr, with a message under the
    // caption, when out of range.
    KARVO7HANDLE selectedCard() { return session_.selectedCard(caption_); }
    ParameterSet* selectedSet() { return session_.selectedSet(caption_); }
    // Card number 1..n, nullptr for any other number.
    KARVO7HANDLE card(uint32_t number) const { return session_.card(number); }
    // The same, opening a card again that another program held at start-up (Session).
    KARVO7HANDLE claimCard(uint32_t number) { return session_.reclaimCard(number); }
    // The missing card of that number, nullptr when it is none.
    const MissingCard* missingCard(uint32_t number) const { return session_.missingCard(number); }
    // Set `set` of card `card` as the table holds it (a number outside the table throws
    // std::out_of_range), and a card's eight active flags.
    ParameterSet& set(uint32_t card, uint32_t set);
    const std::array<bool, kSetsPerCard>& activeFlags(uint32_t card) const {
        return session_.parameterSets().activeFlags(card);
    }
    bool setActiveFlags(uint32_t card, const std::array<bool, kSetsPerCard>& flags) {
        return session_.setActiveFlags(card, flags);
    }
    // Draws the fields of `set` that have random limits, and hands them to `record`.
    void drawRandom(ParameterSet& set, CardRecord& record);
    bool virma4Mode() const { return session_.virma4Mode(); }
    int16_t virma4Id(uint32_t card, uint32_t set) { return session_.virma4Id(card, set); }
    // The session's data buffer (what the measured-data display shows): its filled part, and
    // the session's operations on it.
    std::span<const uint8_t> data() const { return session_.data(); }
    void zeroData() { session_.zeroData(); }
    void setDataLength(uint32_t length) { session_.setDataLength(length); }
    bool readData(KARVO7HANDLE card, uint32_t& error) { return session_.readData(card, error); }
    std::vector<uint8_t>& fetchBuffer() { return session_.fetchBuffer(); }
    void setOperatingVoltage() { session_.setOperatingVoltage(true); }
    void appendResult(const std::string& line) { session_.appendResult(line); }

    // ---- the windows the run opens (see RunWindows) ------------------------------------------
    bool editSet(uint32_t cardNumber, uint32_t setNumber, ParameterSet& set) {
        return windows_.editSet(session_, cardNumber, setNumber, set);
    }
    bool selectSets(std::array<bool, kSetsPerCard>& active) {
        return windows_.selectSets(session_, active);
    }
    void showData(const MeasuredDataInputs& inputs) { windows_.showData(session_, inputs); }
    void showGateValues(const uint8_t* data, uint32_t length) {
        windows_.showGateValues(session_, data, length);
    }
    std::unique_ptr<LiveDisplay> openDisplay(const std::string& title) {
        return windows_.openDisplay(session_, title);
    }

    // ---- how the run failed --------------------------------------------------------------
    // A failure on the reading thread: written into the line now, shown once the thread ended.
    void failWhileReading(const std::string& text) {
        message_ = text;
        line_.fail(text);
    }
    // Shows the reading thread's failure, if there was one.
    void showReadingFailure();
    // A failure shown in a message box (under `caption`, or the run's own) that marks the run.
    void say(const std::string& text, const char* caption = nullptr);
    // The technician stopped the run.
    void stopByOperator() {
        stopped_ = true;
        line_.fail("Abbruch durch Bediener ");
    }
    // Appends the line of a run: `head` and the finished text when nothing failed; a failure's
    // text as it is, but behind `head` when the technician stopped the run (it names itself and
    // its card like its other lines).
    void appendLine(const std::string& head);

  private:
    Session& session_;
    Desktop& desktop_;
    RunWindows& windows_;
    const char* caption_;
    RunDisplays displays_;
    RunLine line_;
    std::string message_;
    bool stopped_ = false;
};

}  // namespace k7check
