// The shots of a run that starts its card again and again: on demand every shot is started by
// itself, and with "PrepAll" the card is prepared anew between passes. Each start is a batch:
// an acquisition engine of its own empties the FIFO, starts the card, reads the batch's shots
// and leaves the card stopped with an empty FIFO. The batch tells the shots the card lost before
// its last shot apart from those it lost behind it, which the run never asked for.
//
// A batch ends when its engine ends, and a card that delivers nothing ends it at the driver's data
// time-out: the engine's posted read fails with the driver's error word, which the batch takes
// as its own. The batch sets no deadline of its own on the library's clock: that clock also moves
// while the engine, its shots read, still stops the card and empties the FIFO (in virtual time
// the run's own thread moves it on by seconds meanwhile), and a deadline counted there would end
// batches whose card delivered everything.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "KARVO7DLL.h"

struct K7AcqEngine;

namespace k7check {

class EngineBatch {
  public:
    enum class State { Running, Done, Failed };

    EngineBatch() = default;
    // Stops the card and empties its FIFO if the batch still runs.
    ~EngineBatch();
    EngineBatch(const EngineBatch&) = delete;
    EngineBatch& operator=(const EngineBatch&) = delete;

    // Starts a batch of `count` shots of at most `shotBytes` on `card` (sets prepared and active),
    // shot at `shotsPerSecond`; false with the error word when it did not start.
    bool start(KARVO7HANDLE card, uint64_t count, uint32_t shotBytes, uint32_t shotsPerSecond,
               uint32_t& error);
    // Takes what the engine holds, waiting up to `waitMs` for the first item: each shot into
    // `buffer`, then `shot(length)`. Done once the card is stopped and every shot taken.
    State take(std::vector<uint8_t>& buffer, const std::function<void(uint32_t)>& shot,
               uint32_t waitMs);
    // Ends the batch early; what was read stays to be taken.
    void stop();

    uint64_t shots() const { return shots_; }
    // Shots the card lost before the batch's last shot taken so far.
    uint64_t lost() const { return lostBefore_ + lostPending_; }
    // Shots lost after the last shot: known once the batch is done.
    uint64_t lostBehind() const { return lostPending_; }
    uint64_t lostBeforeLastShot() const { return lostBefore_; }
    // The error word that failed the batch (a read or the consumer's buffer).
    uint32_t error() const { return error_; }

  private:
    K7AcqEngine* engine_ = nullptr;
    uint64_t shots_ = 0;
    uint64_t lostBefore_ = 0;   // followed by a shot
    uint64_t lostPending_ = 0;  // no shot came behind it yet
    uint32_t error_ = 0;
    State state_ = State::Done;
};

// One batch read to its end on the run's reading thread (the card library only, no desktop):
// gives its state, Failed with the driver's error word (K7_ERROR_SEM_TIMEOUT at its data
// time-out) when the card did not deliver. Once `stop` turns true (the technician stopped the
// run) the batch is ended early, so that a card whose engine keeps waiting for data never holds
// the run.
EngineBatch::State readBatch(EngineBatch& batch, std::vector<uint8_t>& buffer,
                             const std::function<void(uint32_t)>& shot,
                             const std::atomic<bool>& stop);

}  // namespace k7check
