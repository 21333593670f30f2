// Real-time scheduling for a thread that reads a card. A card's FIFO holds a few milliseconds
// of shots at its highest rate, about as long as an ordinary thread may wait for a processor on
// a busy machine: a reading thread takes real-time scheduling where the system grants it (root,
// CAP_SYS_NICE or an rtprio limit), as acquisition programs do. It waits for the card most of
// the time, so it takes little from the others.
#pragma once

// Exported for the project's own programs beside the C interface (the library is built with
// hidden visibility).
#pragma GCC visibility push(default)

namespace k7acquire {

// Gives the calling thread real-time scheduling; false when the system refuses it.
bool takeReadingPriority();

}  // namespace k7acquire

#pragma GCC visibility pop
