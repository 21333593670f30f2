// The live displays of a run and how they are fed from the reading thread.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "runs/RunWindows.h"

namespace k7check {

class Session;

// The live displays of a run, one per set or card, tiled over the screen; each is updated at
// most once per `throttleMs`. A run that reads on the run's own thread hands a shot over with
// update(); a run whose reads have a thread of their own hands the latest shot over with
// offer() from there, and the run's thread paints it with serve(): the reading thread only
// copies the shot into the window's spare buffer, and only when the window wants one, so it
// never waits for a repaint.
class RunDisplays {
  public:
    RunDisplays(Session& session, RunWindows& windows, uint32_t throttleMs)
        : session_(session), windows_(windows), throttleMs_(throttleMs) {}
    // Opens one window per title and tiles them; a run opens them before it starts the card.
    void open(const std::vector<std::string>& titles);
    // Whether window `i` is open and its last update long enough ago: only then is it worth
    // putting the display inputs of a shot together.
    bool due(std::size_t i);
    // Hands data to window `i` when its last update is long enough ago.
    void update(std::size_t i, const MeasuredDataInputs& inputs);
    void close(std::size_t i);
    void closeAll() {
        windows_list_.clear();
        boxes_.clear();
    }

    // From the reading thread: whether window `i` wants a shot now, and handing one over (its
    // data copied; the caller's buffer may change right after).
    bool wants(std::size_t i) const;
    void offer(std::size_t i, const MeasuredDataInputs& inputs);
    // From the run's thread: shows the shots handed over since, and lets the windows whose last
    // update is long enough ago want the next one.
    void serve();

  private:
    // The latest shot handed over to a window by the reading thread.
    struct Mailbox {
        std::mutex mutex;
        std::vector<uint8_t> spare;  // the reading thread's, under the mutex
        MeasuredDataInputs inputs;   // its data in `spare`
        bool fresh = false;
        std::atomic<bool> wanted{true};
        std::vector<uint8_t> shown;  // the run's thread's: what the window was handed last
    };

    Session& session_;
    RunWindows& windows_;
    uint32_t throttleMs_;
    std::vector<std::unique_ptr<LiveDisplay>> windows_list_;
    std::vector<uint32_t> lastUpdate_;
    std::vector<std::unique_ptr<Mailbox>> boxes_;
};

}  // namespace k7check
