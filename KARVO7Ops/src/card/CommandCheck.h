// The command check: the card's command sequence (commandCheckSteps), then the card brought
// back into operation whatever the sequence did: Power Up, warm-up, FIFO cleared. A program that
// keeps the cards' identifications sends them again after a bring-back that succeeded.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "KARVO7DLL.h"
#include "card/CommandWords.h"
#include "card/Verdict.h"

namespace k7check {

// Sends one card command with its data words (as many as the command takes).
bool sendCommand(KARVO7HANDLE card, uint16_t code, const std::array<uint32_t, 2>& words,
                 uint32_t& error);

// Power Up, warm-up, clear FIFO: the first failure's text, or "" when the card is back.
std::string bringBack(KARVO7HANDLE card);

struct CommandCheck {
    Verdict verdict;  // "OK", the failing step's "Command Error", or the bring-back's fault
    bool broughtBack = false;
};

CommandCheck runCommandCheck(KARVO7HANDLE card);

}  // namespace k7check
