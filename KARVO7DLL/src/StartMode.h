// The start mode a card handle keeps for cards that are not version-3 cards.
//
// Such a card has no native single-start mode. Preparing it with start mode 2 or 3 programs
// the card with start mode 1 and leaves the handle in the emulated single-start mode: the
// handle records start mode 2 and a stopped flag, KARVO7Start and KARVO7Stop only toggle the
// flag, and every data read sends the start command itself, so each read takes one shot.
#pragma once

#include <cstdint>

#include "Card.h"

namespace k7 {

constexpr uint8_t kEmulatedStartMode = 2;

inline bool emulatedSingleStart(const KARVO7Card* card) {
    return card->version3 == 0 && card->startMode == kEmulatedStartMode;
}

}  // namespace k7
