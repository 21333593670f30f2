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
// there is no such card, kExitFailed when it is there but cannot be opened (in use).
CardHandle openCard(uint32_t number, std::ostream& err, int& exitCode);

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
