// What a data-rate run says when a read fails: the run as its button names it, the card, the
// call with its error word and what that word means, e.g.
// "Karte n Satz n, Karte 1: GetData Error E7060004 (FIFO-Überlauf)". A technician reads from
// the line which run and card failed and why; an engineer still finds the word.
#pragma once

#include <cstdint>
#include <string>

#include "KARVO7DLL.h"

namespace k7check {

// "<call> Error <word> (<meaning>)".
std::string errorText(const char* call, uint32_t word);

// "<run>, Karte <card>: <what>".
std::string runCardText(const char* run, uint32_t card, const std::string& what);

// Whether the card's FIFO ran over (or is full, so that the next shot is lost): its status
// register, looked at after every read, since a read that is not behind never finds an empty
// FIFO to fail on.
bool fifoRanOver(KARVO7HANDLE card);

}  // namespace k7check
