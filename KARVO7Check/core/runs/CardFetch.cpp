#include "runs/CardFetch.h"

#include <algorithm>

namespace k7check {

namespace {
// The driver's own time-out ends a transfer; the poll loop gives it this much longer.
constexpr uint32_t kGraceMs = 500;
}  // namespace

uint32_t fetchTimeOutMs(int32_t timeOutSeconds) {
    const int64_t seconds = std::clamp<int64_t>(timeOutSeconds, 1, 3600);
    return static_cast<uint32_t>(seconds * 1000) + kGraceMs;
}

CardFetch::CardFetch(KARVO7HANDLE card, Desktop& desktop, uint32_t timeOutMs)
    : card_(card), desktop_(desktop), timeOutMs_(timeOutMs) {}

CardFetch::~CardFetch() {
    uint32_t ignored = 0;
    if (pending_ && !cancel(ignored)) {
        // The cancel failed: the transfer ends at the driver's time-out at the latest.
        wait(ignored);
    }
}

bool CardFetch::start(std::vector<uint8_t>& buffer, uint32_t& error) {
    error = 0;
    if (pending_) {
        return false;
    }
    count_ = static_cast<uint32_t>(buffer.size());
    if (KARVO7StartGetData(card_, &count_, buffer.data(), nullptr, &error) == 0) {
        count_ = 0;
        return false;
    }
    pending_ = true;
    started_ = desktop_.tickCount();
    return true;
}

int CardFetch::poll(uint32_t& error) {
    error = 0;
    if (!pending_) {
        return 0;
    }
    const int state = KARVO7IsReadyGetDataIntReturn(card_, &count_, &error);
    if (state != -3) {
        pending_ = false;
    }
    return state == 0 ? 0 : state == -3 ? -3 : -2;
}

bool CardFetch::wait(uint32_t& error) {
    const uint32_t begin = desktop_.tickCount();
    for (;;) {
        const int state = poll(error);
        if (state == 0) {
            return true;
        }
        if (state != -3) {
            return false;
        }
        if (desktop_.tickCount() - begin >= timeOutMs_) {
            uint32_t ignored = 0;
            cancel(ignored);
            // The error word of the time-out: the poll's own, or the driver's when it has none.
            if (error == 0) {
                error = K7_ERROR_SEM_TIMEOUT;
            }
            return false;
        }
        desktop_.sleep(1);
    }
}

bool CardFetch::cancel(uint32_t& error) {
    error = 0;
    if (!pending_) {
        return true;
    }
    if (KARVO7CancelGetData(card_, &error) == 0) {
        return false;
    }
    // Collect the end of the cancelled transfer, so that the buffer may go.
    uint32_t ignored = 0;
    const uint32_t begin = desktop_.tickCount();
    while (KARVO7IsReadyGetDataIntReturn(card_, &count_, &ignored) == -3) {
        if (desktop_.tickCount() - begin >= timeOutMs_) {
            return false;  // still running: the buffer must stay
        }
        desktop_.sleep(1);
    }
    pending_ = false;
    return true;
}

}  // namespace k7check
