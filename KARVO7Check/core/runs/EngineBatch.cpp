#include "runs/EngineBatch.h"

#include "KARVO7Acquire.h"

namespace k7check {

namespace {
// How long the reading thread waits for an item at a time.
constexpr uint32_t kWaitMs = 5;
}  // namespace

EngineBatch::~EngineBatch() {
    if (engine_ != nullptr) {
        K7AcqClose(engine_);
    }
}

bool EngineBatch::start(KARVO7HANDLE card, uint64_t count, uint32_t shotBytes,
                        uint32_t shotsPerSecond, uint32_t& error) {
    if (engine_ != nullptr) {
        K7AcqClose(engine_);
        engine_ = nullptr;
    }
    shots_ = 0;
    lostBefore_ = 0;
    lostPending_ = 0;
    error_ = 0;
    K7AcqSettings settings;
    K7AcqDefaults(&settings);
    settings.shotBytes = shotBytes;
    settings.shotsPerSecond = shotsPerSecond;
    settings.shotCount = count;
    if (K7AcqStart(card, &settings, &engine_, &error) == 0) {
        engine_ = nullptr;
        state_ = State::Failed;
        error_ = error;
        return false;
    }
    state_ = State::Running;
    return true;
}

EngineBatch::State EngineBatch::take(std::vector<uint8_t>& buffer,
                                     const std::function<void(uint32_t)>& shot, uint32_t waitMs) {
    while (state_ == State::Running) {
        K7AcqItem item{};
        uint32_t n = 0;
        uint32_t error = 0;
        if (K7AcqRead(engine_, buffer.data(), static_cast<uint32_t>(buffer.size()), &item, 1,
                      waitMs, &n, &error) == 0) {
            stop();
            error_ = error;
            state_ = State::Failed;
            break;
        }
        if (n == 0) {
            break;
        }
        waitMs = 0;  // what came behind the first item is taken without waiting
        if (item.kind == K7ACQ_ITEM_SHOT) {
            ++shots_;
            lostBefore_ += lostPending_;
            lostPending_ = 0;
            shot(item.bytes);
        } else if (item.kind == K7ACQ_ITEM_LOSS) {
            lostPending_ += item.value;
        } else if (item.kind == K7ACQ_ITEM_END) {
            error_ = static_cast<uint32_t>(item.value);
            state_ = error_ == 0 ? State::Done : State::Failed;
        }
    }
    return state_;
}

void EngineBatch::stop() {
    uint32_t error = 0;
    if (engine_ != nullptr) {
        K7AcqStop(engine_, &error);
    }
}

EngineBatch::State readBatch(EngineBatch& batch, std::vector<uint8_t>& buffer,
                             const std::function<void(uint32_t)>& shot,
                             const std::atomic<bool>& stop) {
    bool stopped = false;
    for (;;) {
        const EngineBatch::State state = batch.take(buffer, shot, kWaitMs);
        if (state != EngineBatch::State::Running) {
            return state;
        }
        if (!stopped && stop.load(std::memory_order_relaxed)) {
            stopped = true;
            batch.stop();
        }
    }
}

}  // namespace k7check
