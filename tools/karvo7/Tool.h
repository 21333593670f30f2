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

// A card handle that closes itself.
struct CardCloser {
    void operator()(KARVO7Card* card) const { KARVO7Close(card); }
};
using CardHandle = std::unique_ptr<KARVO7Card, CardCloser>;

// Opens card `number`. On failure says why on `err` and sets `exitCode`: kExitNoCard when
// there is no such card, kExitFailed when it is there but cannot be opened (in use). The card
// findCardAt found is handed out as it is, still open.
CardHandle openCard(uint32_t number, std::ostream& err, int& exitCode);

// A card's PCI position as lspci -s takes it: "BUS:SLOT" in hexadecimal ("01:0c"), maybe with
// the domain 0000 before it and the function .0 after it.
struct PciPosition {
    uint32_t bus = 0;
    uint32_t slot = 0;
};
std::optional<PciPosition> parsePciPosition(std::string_view text);
// "01:0c", as lspci shows a position.
std::string pciPositionText(uint32_t bus, uint32_t slot);

// The number of the card at `position`. That card stays open for the next openCard of its
// number: closing and opening it again would power it down in between. False, with a message
// on `err` and `exitCode` kExitNoCard, when no card that opens is there.
bool findCardAt(const PciPosition& position, uint32_t& number, std::ostream& err, int& exitCode);
// Closes the card findCardAt left open when no subcommand took it.
void forgetFoundCard();

// "karvo7 1.0.0 (card library 1.0.0, decoder 1.0.0)": the program's version and those of the
// libraries it runs with.
std::string versionText();

// Brings an opened card into its defined, powered state as the check program's start-up does
// (closing a card powers it down). False with a message on `err`.
bool warmUp(KARVO7HANDLE card, uint32_t number, std::ostream& err);

// A number as typed: decimal, or hexadecimal after "0x"/"0X". Empty for anything else, or a
// number above `max`.
std::optional<uint64_t> parseNumber(std::string_view text, uint64_t max = UINT64_MAX);

// The library's error word as people read it ("0xE7060004").
std::string hexWord(uint32_t word);

// True when standard error is a terminal (progress lines go there only then).
bool progressWanted();

// A result on one line: the card's own line breaks ("\r\n 3: soll = ...") become blanks.
std::string oneLine(const std::string& text);

// A message on standard error: "karvo7: " and the text, ended by a line feed.
void complain(std::ostream& err, const std::string& text);

}  // namespace karvo7
