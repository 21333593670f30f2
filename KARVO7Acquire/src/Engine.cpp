#include "Engine.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <system_error>

#include "KARVO7Protocol.h"
#include "ReadingPriority.h"
#include "ShotSize.h"

namespace k7acquire {

namespace {
// How long the reading thread waits for a read before it looks at a stop request again.
constexpr uint32_t kWaitSliceMs = 10;
// The card's shot counter turns every 256 shots: it is looked at well before that.
constexpr uint64_t kCounterEvery = 64;
// Readings of the counter at most until one lies between two ticks at most this far apart.
constexpr int kCounterTries = 4;
constexpr uint32_t kCounterTickSpanMs = 1;
// Room a shot or a results fetch leaves free in the ring, for a loss and the end behind it.
constexpr std::size_t kKeep = 4 * Ring::kHeaderBytes;
// Reads that empty a stopped card's FIFO at most (it holds far fewer shots).
constexpr uint64_t kMostLeftShots = 1u << 20;
constexpr uint32_t kLargestShotBytes = 64u << 20;
// How long the reading thread waits on a posted read at a time when it has work on the time
// interval, before it looks whether that work is due.
constexpr uint32_t kIdleSliceMs = 1;
constexpr uint32_t kLastSet = 7;

bool resultsOn(const K7AcqSettings& s, const K7AcqCycleSettings& c) {
    return s.resultsEvery != 0 || c.resultsEveryMs != 0;
}

bool usable(const K7AcqSettings& s, const K7AcqCycleSettings& c) {
    const bool shots = s.shotBytes != 0 && s.shotBytes <= kLargestShotBytes;
    const bool results =
        !resultsOn(s, c) || (s.resultsBytes != 0 && s.resultsBytes <= kLargestShotBytes);
    // A-scans every n cycles need the cycles, and room to take them.
    const bool ascans = c.ascanBytes <= kLargestShotBytes && c.ascanSet <= kLastSet &&
                        (c.ascanEvery == 0 || (c.ascanBytes != 0 && c.resultsEveryMs != 0));
    return shots && results && ascans;
}
}  // namespace

std::size_t Engine::ringBytes(const K7AcqSettings& s, const K7AcqCycleSettings& c) {
    if (!usable(s, c)) {
        return 0;
    }
    const std::size_t perShot = Ring::footprint(s.shotBytes);
    const std::size_t fixed = kKeep + (resultsOn(s, c) ? Ring::footprint(s.resultsBytes) : 0) +
                              (c.ascanBytes != 0 ? Ring::footprint(c.ascanBytes) : 0);
    const std::size_t least = 4 * perShot + fixed;
    uint64_t shots = (uint64_t{s.shotsPerSecond} * s.bufferMs + 999) / 1000;
    if (s.shotCount != 0) {
        shots = std::min(shots, s.shotCount);  // never more than the shots asked for
    }
    std::size_t bytes = std::max<std::size_t>(least, shots * perShot + fixed);
    bytes = std::min<std::size_t>(bytes, s.maxBufferBytes) & ~(Ring::kHeaderBytes - 1);
    return bytes < least ? 0 : bytes;
}

std::unique_ptr<Engine> Engine::create(KARVO7HANDLE card, const K7AcqSettings& settings,
                                       const K7AcqCycleSettings& cycles, uint32_t& error) {
    const std::size_t bytes = ringBytes(settings, cycles);
    if (card == nullptr || bytes == 0) {
        error = K7ACQ_ERROR_ARGUMENT;
        return nullptr;
    }
    std::unique_ptr<Engine> engine(new (std::nothrow) Engine(card, settings, cycles, bytes));
    if (engine == nullptr || !engine->ring_.allocated() || engine->event_ == nullptr) {
        error = K7ACQ_ERROR_MEMORY;
        return nullptr;
    }
    return engine;
}

Engine::Engine(KARVO7HANDLE card, const K7AcqSettings& settings, const K7AcqCycleSettings& cycles,
               std::size_t ringBytes)
    : card_(card),
      settings_(settings),
      cycles_(cycles),
      ring_(ringBytes),
      scratch_(std::max(settings.shotBytes, cycles.ascanBytes)),
      event_(K7OsCreateEvent(0, 0)),
      counter_(settings.shotsPerSecond) {}

Engine::~Engine() {
    stop();
}

bool Engine::start(uint32_t& error) {
    try {
        thread_ = std::thread(&Engine::run, this);
    } catch (const std::system_error&) {
        uint32_t ignored = 0;
        KARVO7Stop(card_, &ignored);
        KARVO7ClearFIFO(card_, &ignored);
        error = K7ACQ_ERROR_THREAD;
        return false;
    }
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return started_; });
    if (startError_ == 0) {
        return true;
    }
    error = startError_;
    lock.unlock();
    thread_.join();
    return false;
}

void Engine::run() {
    std::optional<ReadingPriority> priority;
    if (settings_.realTime != 0) {
        priority.emplace();
    }
    realTime_ = priority && priority->taken() ? 1 : 0;
    const uint32_t error = startCard();
    {
        std::lock_guard lock(mutex_);
        started_ = true;
        startError_ = error;
    }
    changed_.notify_all();
    if (error != 0) {
        return;
    }
    readShots();
    finish(error_);
}

uint32_t Engine::startCard() {
    uint32_t error = 0;
    // The engine reads only its own shots: nothing left over from before, no overflow pending.
    // A card that is not measuring refuses the stop.
    KARVO7Stop(card_, &error);
    if (KARVO7ClearFIFO(card_, &error) == 0) {
        return error != 0 ? error : K7ACQ_ERROR_ARGUMENT;
    }
    const uint8_t counter = shotCounter();
    // The card's first shot falls within the start: its count begins halfway through it.
    const uint32_t beforeStart = K7OsGetTickCount();
    const int started = settings_.startSet == K7ACQ_START_PLAIN
                            ? KARVO7Start(card_, &error)
                            : KARVO7StartParam(card_, settings_.startSet, &error);
    const uint32_t afterStart = K7OsGetTickCount();
    counter_.begin(counter, beforeStart + (afterStart - beforeStart) / 2);
    lastCycleTick_ = afterStart;
    if (started != 0) {
        return 0;
    }
    uint32_t ignored = 0;
    KARVO7Stop(card_, &ignored);
    KARVO7ClearFIFO(card_, &ignored);
    return error != 0 ? error : K7ACQ_ERROR_ARGUMENT;
}

void Engine::readShots() {
    const uint64_t limit = settings_.shotCount;
    uint64_t sinceCounter = 0;
    // The limit counts the shots the consumer gets: those the full ring dropped do not count.
    while (!stopping_.load(std::memory_order_relaxed) &&
           (limit == 0 || shotsRead_ - shotsDropped_ < limit)) {
        if (!serveCycles()) {
            return;
        }
        if (pendingLoss_ > 0 && ring_.push(K7ACQ_ITEM_LOSS, pendingLoss_, kKeep)) {
            pendingLoss_ = 0;
            wake();
        }
        uint8_t* slot = ring_.reserve(settings_.shotBytes, kKeep);
        const bool kept = slot != nullptr;
        uint32_t length = 0;
        uint32_t error = 0;
        uint8_t* at = kept ? slot : scratch_.data();
        const ReadEnd end = readInto(at, settings_.shotBytes, length, error, cyclesOn());
        if (end == ReadEnd::Cancelled) {
            return;
        }
        if (end == ReadEnd::WorkDue) {
            continue;  // no shot came before the cycle's work
        }
        if (end == ReadEnd::Failed) {
            // A card whose FIFO ran over fails the read that finds it empty: the loss is
            // counted and the measurement goes on. Any other failure ends it.
            if (!fifoOverflowed()) {
                error_ = error != 0 ? error : K7ACQ_ERROR_ARGUMENT;
                return;
            }
            settleOverflow();
            continue;
        }
        if (checkRecords_ && recordCutShort(at, length, settings_.shotBytes)) {
            // A read smaller than the set's shot took part of it: no part is a shot.
            error_ = K7ACQ_ERROR_SHOT_SIZE;
            return;
        }
        deliverShot(stampLossBefore(at, kept, length), length);
        // The time stamp of the first shot after an emptying tells the shots it threw away.
        clearedUncounted_ = clearedUncounted_ && !stamps_.on();
        // The card's status after every read: a FIFO that ran over while shots were still in
        // it is settled when the reads have taken what it holds.
        overflowSeen_ = overflowSeen_ || fifoOverflowed();
        if (++sinceCounter == kCounterEvery) {
            const CounterReading reading = readCounter();
            // The status is looked at again after the counter: an overflow until its reading
            // may have turned it, however long the thread was held up before it.
            overflowSeen_ = overflowSeen_ || fifoOverflowed();
            // Shots with time stamps come of an external trigger, which may pause at any time.
            counter_.steady(!stamps_.on());
            counter_.advance(reading.counter, reading.tick, shotsRead_, overflowSeen_);
            sinceCounter = 0;
        }
        if (settings_.resultsEvery != 0 && shotsRead_ % settings_.resultsEvery == 0) {
            fetchResults(K7ACQ_ITEM_RESULTS);
        }
    }
}

Engine::ReadEnd Engine::readInto(uint8_t* into, uint32_t space, uint32_t& length, uint32_t& error,
                                 bool yieldsToWork) {
    K7OsResetEvent(event_.get());
    length = space;
    if (KARVO7StartGetData(card_, &length, into, event_.get(), &error) == 0) {
        return ReadEnd::Failed;
    }
    // The read stays posted while the engine waits, so that a shot is taken as soon as the card
    // has it; work on the time interval takes the card's read port back for a moment.
    const uint32_t slice = yieldsToWork ? kIdleSliceMs : kWaitSliceMs;
    for (;;) {
        const int state = KARVO7IsReadyGetDataIntReturn(card_, &length, &error);
        if (state == 0) {
            return ReadEnd::Done;
        }
        if (state != -3) {
            return ReadEnd::Failed;
        }
        const bool stopping = stopping_.load(std::memory_order_relaxed);
        if (stopping || (yieldsToWork && workDue())) {
            uint32_t ignored = 0;
            KARVO7CancelGetData(card_, &ignored);
            // Collected, so that nothing writes into the ring any more; a read that ended
            // before the cancel brought a shot, which is kept.
            int collected = -3;
            while ((collected = KARVO7IsReadyGetDataIntReturn(card_, &length, &ignored)) == -3) {
                K7OsWaitForEvent(event_.get(), kWaitSliceMs);
            }
            if (collected == 0 && length > 0) {
                return ReadEnd::Done;
            }
            return stopping ? ReadEnd::Cancelled : ReadEnd::WorkDue;
        }
        K7OsWaitForEvent(event_.get(), slice);
    }
}

bool Engine::cyclesOn() const {
    return cycles_.resultsEveryMs != 0 || cycles_.ascanBytes != 0;
}

bool Engine::workDue() const {
    return ascanRequested_.load(std::memory_order_relaxed) ||
           (cycles_.resultsEveryMs != 0 &&
            K7OsGetTickCount() - lastCycleTick_ >= cycles_.resultsEveryMs);
}

void Engine::deliverShot(bool kept, uint32_t length) {
    const uint64_t number = shotsRead_.load(std::memory_order_relaxed);
    shotsRead_.store(number + 1, std::memory_order_relaxed);
    bytesRead_.fetch_add(length, std::memory_order_relaxed);
    if (!kept) {
        // The consumer let the ring fill: the shot is lost here, and said so.
        shotsDropped_.fetch_add(1, std::memory_order_relaxed);
        shotsLost_.fetch_add(1, std::memory_order_relaxed);
        ++pendingLoss_;
        return;
    }
    ring_.commit(K7ACQ_ITEM_SHOT, length, number);
    wake();
}

bool Engine::serveCycles() {
    if (cycles_.resultsEveryMs != 0 &&
        K7OsGetTickCount() - lastCycleTick_ >= cycles_.resultsEveryMs) {
        lastCycleTick_ = K7OsGetTickCount();
        fetchResults(K7ACQ_ITEM_RESULTS);
        ++cyclesDone_;
        if (cycles_.ascanEvery != 0 && cyclesDone_ % cycles_.ascanEvery == 0) {
            ascanRequested_.store(true, std::memory_order_relaxed);
        }
    }
    return !ascanRequested_.exchange(false, std::memory_order_relaxed) || fetchAscan();
}

bool Engine::fetchAscan() {
    uint32_t error = 0;
    uint32_t none = 0;
    if (KARVO7GetASCAN(card_, cycles_.ascanSet, &none, nullptr, &error) == 0) {
        error_ = error != 0 ? error : K7ACQ_ERROR_ARGUMENT;
        return false;
    }
    // The card answers with the set's next shot; a full ring lets the A-scan go (no shot lost).
    uint8_t* slot = ring_.reserve(cycles_.ascanBytes, kKeep);
    uint32_t length = 0;
    const ReadEnd end = readInto(slot != nullptr ? slot : scratch_.data(), cycles_.ascanBytes,
                                 length, error, false);
    if (end == ReadEnd::Failed) {
        error_ = error != 0 ? error : K7ACQ_ERROR_ARGUMENT;
    }
    if (end != ReadEnd::Done) {
        return false;
    }
    if (slot != nullptr) {
        ring_.commit(K7ACQ_ITEM_ASCAN, length, cyclesDone_);
        wake();
    }
    return true;
}

bool Engine::requestAscan() {
    if (cycles_.ascanBytes == 0) {
        return false;
    }
    ascanRequested_.store(true, std::memory_order_relaxed);
    return true;
}

bool Engine::stampLossBefore(uint8_t* at, bool kept, uint32_t length) {
    if (cycles_.recordLayout == 0) {
        return kept;
    }
    const uint64_t lost = stamps_.lostBefore(at, length);
    if (lost == 0) {
        return kept;
    }
    if (!kept) {
        countCardLoss(lost);
        return false;
    }
    // The loss goes where the shot's room began: the shot waits in the scratch buffer.
    std::copy_n(at, length, scratch_.data());
    countCardLoss(lost);
    uint8_t* slot = ring_.reserve(settings_.shotBytes, kKeep);
    if (slot == nullptr) {
        return false;
    }
    std::copy_n(scratch_.data(), length, slot);
    return true;
}

void Engine::countCardLoss(uint64_t lost) {
    cardLostReported_ += lost;
    shotsLost_.fetch_add(lost, std::memory_order_relaxed);
    pendingLoss_ += lost;
    if (ring_.push(K7ACQ_ITEM_LOSS, pendingLoss_, kKeep)) {
        pendingLoss_ = 0;
        wake();
    }
}

void Engine::fetchResults(uint32_t kind) {
    uint8_t* slot = ring_.reserve(settings_.resultsBytes, kKeep);
    if (slot == nullptr) {
        return;  // the results wait on the card for the next fetch
    }
    uint32_t length = settings_.resultsBytes;
    uint32_t error = 0;
    const uint64_t shots = shotsRead_.load(std::memory_order_relaxed);
    // A cycle's fetch comes even when empty or failed: the consumer counts the cycles by them.
    const bool cycle = kind == K7ACQ_ITEM_RESULTS && cycles_.resultsEveryMs != 0;
    if (KARVO7GetResults(card_, 0, &length, slot, &error) == 0) {
        // The reserved room is left unused: the failure is an item of its own, so that the
        // consumer can say which fetch failed and why.
        ring_.push(K7ACQ_ITEM_RESULTS_ERROR, error, kKeep);
        if (cycle) {
            ring_.push(K7ACQ_ITEM_RESULTS, shots, kKeep);
        }
        wake();
        return;
    }
    if (length > 0 || cycle) {
        ring_.commit(kind, length, shots);
        wake();
    }
}

bool Engine::fifoOverflowed() const {
    return (KARVO7ReadRegister(card_, k7proto::reg::kFifoStatus) & k7proto::reg::kFifoFullBits) !=
           0;
}

uint8_t Engine::shotCounter() const {
    return static_cast<uint8_t>(KARVO7ReadRegister(card_, k7proto::reg::kStatus) & 0xFFu);
}

Engine::CounterReading Engine::readCounter() const {
    CounterReading best{};
    uint32_t bestSpan = UINT32_MAX;
    for (int i = 0; i < kCounterTries && bestSpan > kCounterTickSpanMs; ++i) {
        const uint32_t before = K7OsGetTickCount();
        const uint8_t counter = shotCounter();
        const uint32_t span = K7OsGetTickCount() - before;
        if (span < bestSpan) {
            best = {counter, before + span / 2};
            bestSpan = span;
        }
    }
    return best;
}

void Engine::settleOverflow() {
    // The FIFO is empty: every shot the card took is read or lost, but for those it takes
    // between the counter's reading and the FIFO's emptying, which the next count includes.
    const CounterReading reading = readCounter();
    uint32_t error = 0;
    // Shots the card stored since the read found the FIFO empty are read first, not emptied
    // with it: the reads go on, and the overflow is settled when they find the FIFO empty again.
    uint32_t flag = 0;
    if (KARVO7IsDataInFIFO(card_, &flag, &error) != 0 && flag != 0) {
        return;
    }
    // The card goes on measuring: what it stores between the look above and the emptying is
    // thrown away with the FIFO. The counter read before does not hold those shots; the next
    // count, at the latest the one at the stop, does.
    KARVO7ClearFIFO(card_, &error);
    clearedUncounted_ = true;
    const uint64_t read = shotsRead_.load(std::memory_order_relaxed);
    overflowEvents_.fetch_add(1, std::memory_order_relaxed);
    overflowSeen_ = false;
    const uint64_t taken = counter_.advance(reading.counter, reading.tick, read, true);
    if (!stamps_.on()) {
        // With time stamps the next shot read tells the loss exactly.
        reportLoss(taken - read);
    }
}

uint64_t Engine::shotsLeftInFifo() {
    uint64_t left = 0;
    for (; left < kMostLeftShots; ++left) {
        uint32_t flag = 0;
        uint32_t error = 0;
        uint32_t length = settings_.shotBytes;
        if (KARVO7IsDataInFIFO(card_, &flag, &error) == 0 || flag == 0 ||
            KARVO7GetData(card_, &length, scratch_.data(), &error) == 0) {
            break;
        }
        // A gap before a shot left over is a loss too.
        stampLossBefore(scratch_.data(), false, length);
    }
    return left;
}

uint64_t Engine::reportLoss(uint64_t cardLost) {
    if (cardLost <= cardLostReported_) {
        return 0;
    }
    const uint64_t lost = cardLost - cardLostReported_;
    countCardLoss(lost);
    return lost;
}

void Engine::finish(uint32_t error) {
    uint32_t ignored = 0;
    // The stopped card's count is final: it is taken with the time of the stop, halfway
    // through it, since emptying the FIFO may take long and the counter's turns are judged by
    // the time passed.
    const uint32_t beforeStop = K7OsGetTickCount();
    KARVO7Stop(card_, &ignored);
    const uint32_t tick = beforeStop + (K7OsGetTickCount() - beforeStop) / 2;
    const uint8_t counter = shotCounter();
    if (resultsOn(settings_, cycles_)) {
        fetchResults(K7ACQ_ITEM_FINAL_RESULTS);
    }
    const bool overflowed = fifoOverflowed();
    if (error == 0 && (overflowSeen_ || overflowed || clearedUncounted_)) {
        // Shots still in the FIFO came after the last one read: they are not lost. A FIFO that
        // was only full lost nothing, and is no overflow event. With time stamps the gaps
        // before the shots left tell the losses among them; the counter only those after the
        // last of them, which a FIFO still running over at the stop lost.
        const uint64_t read = shotsRead_.load(std::memory_order_relaxed);
        const uint64_t left = shotsLeftInFifo();
        // Shots an emptying threw away after the last shot read show in no time stamp: the
        // counter tells them.
        if ((!stamps_.on() || overflowed || clearedUncounted_) &&
            reportLoss(counter_.advance(counter, tick, read + left, true) - read - left) > 0 &&
            (overflowSeen_ || overflowed)) {
            overflowEvents_.fetch_add(1, std::memory_order_relaxed);
        }
    }
    KARVO7ClearFIFO(card_, &ignored);
    error_ = error;
    // The room kept free takes the last loss and the end.
    if (pendingLoss_ > 0 && ring_.push(K7ACQ_ITEM_LOSS, pendingLoss_, Ring::kHeaderBytes)) {
        pendingLoss_ = 0;
    }
    publish(K7ACQ_ITEM_END, error);
}

void Engine::publish(uint32_t kind, uint64_t value) {
    {
        std::lock_guard lock(mutex_);
        ring_.push(kind, value);
        ended_ = true;
    }
    changed_.notify_all();
}

void Engine::wake() {
    // The reading thread never waits for the consumer's lock (the consumer may lose the
    // processor while it holds it): when the consumer holds it, it is looking at the ring
    // right now, or finds the shot when its wait times out. A consumer that asked for several
    // items is woken once they are there, not for each.
    if (ring_.items() >= wanted_.load(std::memory_order_relaxed) && mutex_.try_lock()) {
        mutex_.unlock();
        changed_.notify_all();
    }
}

bool Engine::read(uint8_t* data, uint32_t dataBytes, K7AcqItem* items, uint32_t maxItems,
                  uint32_t minItems, uint32_t timeoutMs, uint32_t& count, uint32_t& error) {
    count = 0;
    if (endTaken_ || maxItems == 0) {
        return true;
    }
    const uint64_t wanted = std::clamp<uint32_t>(minItems, 1, maxItems);
    wanted_.store(wanted, std::memory_order_relaxed);
    Ring::Entry entry;
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [&] { return ended_ || ring_.items() >= wanted; });
        wanted_.store(1, std::memory_order_relaxed);
        if (!ring_.peek(entry)) {
            return true;
        }
    }
    uint32_t used = 0;
    while (count < maxItems && ring_.peek(entry)) {
        if (entry.bytes > dataBytes - used) {
            if (count == 0) {
                error = K7ACQ_ERROR_BUFFER;
                return false;
            }
            break;
        }
        std::copy_n(entry.data, entry.bytes, data + used);
        items[count] = {entry.kind, entry.bytes, used, entry.value};
        used += entry.bytes;
        ring_.pop();
        ++count;
        if (entry.kind == K7ACQ_ITEM_END) {
            endTaken_ = true;
            break;
        }
    }
    return true;
}

void Engine::stop() {
    stopping_.store(true, std::memory_order_relaxed);
    if (thread_.joinable()) {
        thread_.join();
    }
}

K7AcqStatistics Engine::statistics() const {
    K7AcqStatistics s{};
    s.shotsRead = shotsRead_.load(std::memory_order_relaxed);
    s.shotsLost = shotsLost_.load(std::memory_order_relaxed);
    s.overflowEvents = overflowEvents_.load(std::memory_order_relaxed);
    s.shotsDropped = shotsDropped_.load(std::memory_order_relaxed);
    s.bytesRead = bytesRead_.load(std::memory_order_relaxed);
    s.ringBytes = ring_.capacity();
    s.realTime = realTime_.load(std::memory_order_relaxed);
    std::lock_guard lock(mutex_);
    s.ended = ended_ ? 1 : 0;
    s.error = error_.load(std::memory_order_relaxed);
    return s;
}

}  // namespace k7acquire
