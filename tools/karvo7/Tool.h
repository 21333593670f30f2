// What every subcommand of karvo7 shares: exit codes, opening a card by number, numbers as a
// user types them, and the progress/terminal checks.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "KARVO7DLL.h"

namespace karvo7 {

// Exit codes: done, failed, wrong usage, no such card.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoCard = 3;

// The largest shot a read can bring: 65535 16-bit samples with record header and time-stamp
// prefix.
inline constexpr uint32_t kLargestShotBytes = 131084;

// How long a read of an externally triggered set waits for its trigger: the data time-out the
// subcommands give the driver for such sets.
inline constexpr uint32_t kTriggerWaitSeconds = 10;

// A card handle that closes itself.
struct CardCloser {
    void operator()(KARVO7Card* card) const { KARVO7Close(card); }
};
using CardHandle = std::unique_ptr<KARVO7Card, CardCloser>;

// The card a subcommand's options name by its number, already open when the command line had to
// open it to find it by its PCI position (closing and opening it again would power it down in
// between); shared, so that options stay copyable.
using OpenedCard = std::shared_ptr<CardHandle>;

// Opens card `number`, or hands out `opened` when that holds the card. On failure says why on
// `err` and sets `exitCode`: kExitNoCard when there is no such card, kExitFailed when it is
// there but cannot be opened (in use).
CardHandle openCard(uint32_t number, const OpenedCard& opened, std::ostream& err, int& exitCode);

// A card's PCI position as lspci -s takes it: "BUS:SLOT" in hexadecimal ("01:0c"), maybe with
// the domain 0000 before it and the function .0 after it.
struct PciPosition {
    uint32_t bus = 0;
    uint32_t slot = 0;
};
std::optional<PciPosition> parsePciPosition(std::string_view text);
// "01:0c", as lspci shows a position.
std::string pciPositionText(uint32_t bus, uint32_t slot);

// The card at `position`: its number and the card, left open in `opened` for the subcommand.
// False, with a message on `err` and `exitCode` kExitNoCard, when no card that opens is there.
bool findCardAt(const PciPosition& position, uint32_t& number, OpenedCard& opened,
                std::ostream& err, int& exitCode);

// "karvo7 1.0.0 (card library 1.0.0, decoder 1.0.0)": the program's version and those of the
// libraries it runs with.
std::string versionText();

// Brings an opened card into its defined, powered state as the check program's start-up does
// (closing a card powers it down). False with a message on `err`.
bool warmUp(KARVO7HANDLE card, uint32_t number, std::ostream& err);

// A number as typed: decimal, or hexadecimal after "0x"/"0X". Empty for anything else, or a
// number above `max`.
std::optional<uint64_t> parseNumber(std::string_view text, uint64_t max = UINT64_MAX);

// The library's error word as people read it, with its meaning: "0xE7060004 (FIFO overflow)".
std::string errorWord(uint32_t word);

// Gives an externally triggered measurement kTriggerWaitSeconds to wait for each trigger. False,
// with a message, when the driver does not take it.
bool setTriggerWait(KARVO7HANDLE card, std::ostream& err);
// Whether a read of an externally triggered set that failed with `error` after `waitedMs` of the
// library's clock ran into the trigger wait: it waited that long, or the driver says time-out.
bool noTriggerCame(uint32_t error, uint32_t waitedMs);
// "no trigger came within 10 s (the set waits for an external trigger), error 0xE7060001 (no data
// within the data time-out)".
std::string noTriggerText(uint32_t error);

// True when standard error is a terminal (progress lines go there only then).
bool progressWanted();

// A result on one line: the card's own line breaks ("\r\n 3: soll = ...") become blanks.
std::string oneLine(const std::string& text);

// A message on standard error: "karvo7: " and the text, ended by a line feed.
void complain(std::ostream& err, const std::string& text);

}  // namespace karvo7
