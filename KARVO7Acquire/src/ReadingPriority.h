// Real-time scheduling for a thread that reads a card. A card's FIFO holds a few milliseconds
// of shots at its highest rate, about as long as an ordinary thread may wait for a processor on
// a busy machine: a reading thread takes real-time scheduling where the system grants it (root,
// CAP_SYS_NICE or an rtprio limit; on Windows the time-critical priority and the 1-ms timer
// resolution, so that its waits for the card end on time), as acquisition programs do. It waits
// for the card most of the time, so it takes little from the others. One implementation per
// system (posix/, win32/).
#pragma once

// Exported for the project's own programs beside the C interface (the library is built with
// hidden visibility).
#if !defined(_WIN32)
#pragma GCC visibility push(default)
#endif

namespace k7acquire {

// Held by the reading thread while it reads: the constructor gives the calling thread its
// priority, the destructor gives back what outlives the thread (the timer resolution).
class ReadingPriority {
  public:
    ReadingPriority();
    ~ReadingPriority();
    ReadingPriority(const ReadingPriority&) = delete;
    ReadingPriority& operator=(const ReadingPriority&) = delete;

    // False when the system refused the priority.
    bool taken() const { return taken_; }

  private:
    bool taken_ = false;
    bool timerResolution_ = false;
};

}  // namespace k7acquire

#if !defined(_WIN32)
#pragma GCC visibility pop
#endif
