#include "runs/ReadLoop.h"

#include <atomic>
#include <thread>

#include "KARVO7Os.h"
#include "ReadingPriority.h"

namespace k7check {

namespace {
// The run's thread pauses this long between serving the desktop: often enough for the stop
// window and the displays' throttles, seldom enough to leave the processors to the reads.
constexpr uint32_t kPauseMs = 5;

}  // namespace

ReadLoopEnd runReadLoop(Desktop& desktop, RunPace& pace, RunDisplays& displays, uint64_t count,
                        const ReadLoopShot& shot) {
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    ReadLoopEnd end;  // the reader's until it is done
    bool completed = false;
    std::thread reader([&] {
        const k7acquire::ReadingPriority priority;
        uint64_t k = 0;
        while (k < count && !stop.load(std::memory_order_relaxed)) {
            if (!shot(k, stop)) {
                end.failed = true;
                break;
            }
            ++k;
        }
        completed = k == count;
        end.endTick = K7OsGetTickCount();
        done.store(true, std::memory_order_release);
    });
    while (!done.load(std::memory_order_acquire)) {
        desktop.sleep(kPauseMs);
        if (!stop.load(std::memory_order_relaxed) && pace.stopped()) {
            stop.store(true, std::memory_order_relaxed);
        }
        displays.serve();
    }
    reader.join();
    displays.serve();
    end.stopped = !end.failed && !completed;
    return end;
}

}  // namespace k7check
