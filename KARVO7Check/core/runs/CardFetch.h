// One asynchronous data fetch of a card as the runs use it: started into a buffer, polled every
// millisecond through the desktop until it ends or the data time-out passes, cancelled when the
// run ends early. The fetch knows whether a transfer is pending, so a run never starts a second
// one on the same card and never lets a buffer go while the card may still write into it.
#pragma once

#include <cstdint>
#include <vector>

#include "KARVO7DLL.h"
#include "desktop/Desktop.h"

namespace k7check {

class CardFetch {
  public:
    // `timeOutMs`: how long a poll loop waits for the data before it gives up.
    CardFetch(KARVO7HANDLE card, Desktop& desktop, uint32_t timeOutMs);
    // Cancels a transfer still pending and waits for its end.
    ~CardFetch();
    CardFetch(const CardFetch&) = delete;
    CardFetch& operator=(const CardFetch&) = delete;

    // Starts fetching into `buffer` (its whole size); false with the library's error word.
    // Refused (false, error 0) while a transfer is pending.
    bool start(std::vector<uint8_t>& buffer, uint32_t& error);
    // One poll: 0 ended with data (count()), -3 still running, -2 failed (error word).
    int poll(uint32_t& error);
    // Polls, sleeping 1 ms between polls, until the data arrived (true) or the fetch failed
    // or the time-out passed (false with the error word; the transfer is cancelled then).
    bool wait(uint32_t& error);
    // Cancels a pending transfer; false when the cancel failed (the transfer may still run).
    bool cancel(uint32_t& error);

    bool pending() const { return pending_; }
    // Whether a pending transfer has run longer than the time-out.
    bool expired() const { return pending_ && desktop_.tickCount() - started_ >= timeOutMs_; }
    uint32_t count() const { return count_; }

  private:
    KARVO7HANDLE card_;
    Desktop& desktop_;
    uint32_t timeOutMs_;
    uint32_t started_ = 0;
    uint32_t count_ = 0;  // written by the card's transfer: stays put while it runs
    bool pending_ = false;
};

// The time-out of the runs' poll loops for a "Time Out in s" field (at least 1 s).
uint32_t fetchTimeOutMs(int32_t timeOutSeconds);

}  // namespace k7check
