// The acquisition engine: a reading thread that reads a running block measurement of one card
// into the ring buffer, watches the card's FIFO after every read and counts what it lost, and
// leaves the card stopped with an empty FIFO however it ends (see KARVO7Acquire.h).
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "KARVO7Acquire.h"
#include "KARVO7Os.h"
#include "Ring.h"
#include "ShotCounter.h"
#include "StampGaps.h"

namespace k7acquire {

class Engine {
  public:
    // The engine with its ring buffer sized by the settings; nullptr and `error` when the
    // settings are unusable or memory is short. Nothing is sent to the card yet.
    static std::unique_ptr<Engine> create(KARVO7HANDLE card, const K7AcqSettings& settings,
                                          const K7AcqCycleSettings& cycles, uint32_t& error);
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // The set delivers records: a shot whose record header says more than the read could take
    // (the settings' shotBytes smaller than a shot) ends the engine with K7ACQ_ERROR_SHOT_SIZE
    // rather than counting its parts as shots. Before start().
    void checkRecordLengths(bool on) { checkRecords_ = on; }
    // Starts the reading thread, which empties the FIFO and starts the card; false (card
    // stopped and empty) with `error` when the thread or the card's start fails.
    bool start(uint32_t& error);
    // Waits up to `timeoutMs` until `minItems` items (or the end) are in the ring, then
    // takes at most `maxItems` of them.
    bool read(uint8_t* data, uint32_t dataBytes, K7AcqItem* items, uint32_t maxItems,
              uint32_t minItems, uint32_t timeoutMs, uint32_t& count, uint32_t& error);
    // Ends the measurement and waits for the reading thread.
    void stop();
    K7AcqStatistics statistics() const;
    // An A-scan of the cycle settings' set with its next shot; false when A-scans are off.
    bool requestAscan();

    // The ring buffer's size for the settings; 0 when they cannot work.
    static std::size_t ringBytes(const K7AcqSettings& settings, const K7AcqCycleSettings& cycles);

  private:
    // WorkDue: no shot came before the work on the time interval was due.
    enum class ReadEnd { Done, Failed, Cancelled, WorkDue };
    struct EventCloser {
        void operator()(K7OsEvent* e) const { K7OsCloseEvent(e); }
    };

    Engine(KARVO7HANDLE card, const K7AcqSettings& settings, const K7AcqCycleSettings& cycles,
           std::size_t ringBytes);
    void run();
    uint32_t startCard();
    void readShots();
    // One read, waited for until it ends or the engine stops; with `yieldsToWork` also until
    // the work on the time interval is due (the read is then cancelled, a shot it brought kept).
    ReadEnd readInto(uint8_t* into, uint32_t space, uint32_t& length, uint32_t& error,
                     bool yieldsToWork);
    bool cyclesOn() const;
    bool workDue() const;
    void deliverShot(bool kept, uint32_t length);
    // Reports the shots the time stamp of the shot read at `at` shows lost before it; the
    // loss then stands before the shot, which is moved behind it in the ring (false when the
    // ring has no room for it any more).
    bool stampLossBefore(uint8_t* at, bool kept, uint32_t length);
    // Counts and reports `lost` shots lost at the card.
    void countCardLoss(uint64_t lost);
    // The work on the time interval: results and A-scans when due. False when it ended the
    // engine (an A-scan failed, or the stop came while one was awaited).
    bool serveCycles();
    bool fetchAscan();
    void fetchResults(uint32_t kind);
    // The card's shot counter and the tick of its reading: halfway between ticks taken around
    // it, read again while they lie apart (a thread held up between the counter and its tick
    // misjudges the time passed, and with it how often the counter turned).
    struct CounterReading {
        uint8_t counter = 0;
        uint32_t tick = 0;
    };
    bool fifoOverflowed() const;
    uint8_t shotCounter() const;
    CounterReading readCounter() const;
    void settleOverflow();
    uint64_t shotsLeftInFifo();
    // Reports the shots lost at the card beyond those reported so far; returns their number.
    uint64_t reportLoss(uint64_t cardLost);
    void finish(uint32_t error);
    void publish(uint32_t kind, uint64_t value);
    void wake();

    KARVO7HANDLE card_;
    K7AcqSettings settings_;
    K7AcqCycleSettings cycles_;
    Ring ring_;
    std::vector<uint8_t> scratch_;  // where shots go that the full ring cannot take
    std::unique_ptr<K7OsEvent, EventCloser> event_;
    ShotCounter counter_;
    StampGaps stamps_;
    uint64_t cardLostReported_ = 0;  // reading thread: shots lost at the card, reported so far
    uint64_t pendingLoss_ = 0;       // reading thread: lost shots not yet in the ring
    bool overflowSeen_ = false;      // reading thread: the FIFO ran over since it was emptied
    // Reading thread: an overflow emptied the running card's FIFO, and no count since took in
    // the shots the card stored between the look at the FIFO and its emptying.
    bool clearedUncounted_ = false;
    uint32_t lastCycleTick_ = 0;  // reading thread: when the last cycle's results came
    uint64_t cyclesDone_ = 0;     // reading thread: results fetches on the interval
    std::atomic<bool> ascanRequested_{false};
    bool checkRecords_ = false;

    std::atomic<bool> stopping_{false};
    std::atomic<uint64_t> shotsRead_{0};
    std::atomic<uint64_t> shotsLost_{0};
    std::atomic<uint64_t> overflowEvents_{0};
    std::atomic<uint64_t> shotsDropped_{0};
    std::atomic<uint64_t> bytesRead_{0};
    std::atomic<uint32_t> realTime_{0};
    std::atomic<uint32_t> error_{0};
    std::atomic<uint64_t> wanted_{1};  // the items a waiting consumer is to be woken for

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;  // the card's start was tried (startError_ says how it went)
    uint32_t startError_ = 0;
    bool ended_ = false;     // the card is stopped and emptied, the end item is in the ring
    bool endTaken_ = false;  // the consumer has taken the end item
    std::thread thread_;
};

}  // namespace k7acquire
