// Reads and writes on the device: card data goes to a read as soon as the card has some (the
// answer of the last data command, or the oldest block of the data FIFO); otherwise the read
// stays pending until data arrives, the data time-out passes, or it is cancelled. A read after
// the results command completes at once with the results gathered so far, none being a
// success; a read of the data FIFO that finds it empty after shots were lost fails at once.
// The firmware image arrives through a write.
#include <algorithm>
#include <cstring>

#include "Card.h"

namespace k7sim {

namespace {
constexpr uint32_t kLargestImage = 65536;
}

bool Card::hasDataForRead() const {
    if (faults_.has(Fault::Kind::DataNever)) {
        return false;
    }
    switch (port_.source()) {
        case ReadPort::Source::Reply:
            return port_.hasAnswer();
        case ReadPort::Source::Results:
            return !measurement_.results().empty();
        default:
            return !measurement_.fifo().empty();
    }
}

uint32_t Card::deliver(uint8_t* buffer, uint32_t size) {
    // The results command is answered by this read even when nothing was gathered.
    const ReadPort::Source source = port_.source();
    if (!hasDataForRead() &&
        (source != ReadPort::Source::Results || readEnd() != ReadEnd::Results)) {
        return 0;
    }
    switch (source) {
        case ReadPort::Source::Reply: {
            const uint32_t n = port_.takeAnswer(buffer, size);
            bus_.carryNow(this, n);
            return n;
        }
        case ReadPort::Source::Results: {
            const Bytes taken = measurement_.results().take(port_.resultLimit(), size);
            const auto n = static_cast<uint32_t>(taken.size());
            if (n > 0) {
                std::memcpy(buffer, taken.data(), n);
            }
            bus_.carryNow(this, n);
            port_.resultsTaken();
            return n;
        }
        default: {
            // A block goes to the host when the card's bus can carry it; until then the read
            // waits and the card's FIFO keeps filling.
            BlockFifo& fifo = measurement_.fifo();
            if (fifo.empty() || !bus_.carry(this, std::min<uint32_t>(size, fifo.nextBytes()))) {
                return 0;
            }
            return fifo.read(buffer, size);
        }
    }
}

// How a read that cannot take data now ends: not yet (pending), at once with what the results
// command gathered (possibly nothing), or at once with the FIFO's overflow.
Card::ReadEnd Card::readEnd() const {
    if (faults_.has(Fault::Kind::DataNever)) {
        return ReadEnd::Wait;
    }
    if (port_.source() == ReadPort::Source::Results) {
        return ReadEnd::Results;
    }
    if (port_.source() == ReadPort::Source::Fifo && measurement_.fifoOverflow() &&
        measurement_.fifo().empty()) {
        return ReadEnd::Overflow;
    }
    return ReadEnd::Wait;
}

void Card::completePending(Completions& done) {
    auto& pending = port_.pending();
    if (!pending) {
        return;
    }
    const ReadEnd end = readEnd();
    const uint32_t n = deliver(pending->buffer, pending->size);
    if (n > 0 || end == ReadEnd::Results) {
        done.push_back({pending->irp, K7_ERROR_SUCCESS, n});
        pending.reset();
    } else if (end == ReadEnd::Overflow) {
        lastError_ = err::kFifoOverflow;
        done.push_back({pending->irp, K7_ERROR_GEN_FAILURE, 0});
        pending.reset();
    } else if (nowUs_ >= pending->deadlineUs) {
        lastError_ = err::kDataTimeOut;
        done.push_back({pending->irp, K7_ERROR_SEM_TIMEOUT, 0});
        pending.reset();
    }
}

uint32_t Card::read(K7DrvIrp* irp, void* buffer, uint32_t size, uint32_t* transferred,
                    Completions& done) {
    std::lock_guard lock(mutex_);
    advance();
    completePending(done);
    if (port_.pending()) {
        return fail(K7_ERROR_GEN_FAILURE, err::kTransferBusy);
    }
    if (size == 0) {
        *transferred = 0;
        return K7_ERROR_SUCCESS;
    }
    if (buffer == nullptr) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kNullBuffer);
    }
    auto* bytes = static_cast<uint8_t*>(buffer);
    const ReadEnd end = readEnd();
    const uint32_t n = deliver(bytes, size);
    if (n > 0 || end == ReadEnd::Results) {
        *transferred = n;
        return K7_ERROR_SUCCESS;
    }
    if (end == ReadEnd::Overflow) {
        return fail(K7_ERROR_GEN_FAILURE, err::kFifoOverflow);
    }
    port_.wait(irp, bytes, size, nowUs_);
    return K7_ERROR_IO_PENDING;
}

uint32_t Card::write(const void* buffer, uint32_t size, uint32_t* transferred, Completions& done) {
    std::lock_guard lock(mutex_);
    advance();
    completePending(done);
    if (size == 0) {
        *transferred = 0;
        return K7_ERROR_SUCCESS;
    }
    if (buffer == nullptr) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kNullBuffer);
    }
    if (size > kLargestImage) {
        return fail(K7_ERROR_INVALID_PARAMETER, err::kImageTooLarge);
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    std::vector<uint8_t> image(bytes, bytes + size);
    if (!state_.save("firmware", image.data(), image.size())) {
        // The card keeps the program it had.
        return fail(K7_ERROR_GEN_FAILURE, err::kStateNotKept);
    }
    image_ = std::move(image);
    *transferred = size;
    return K7_ERROR_SUCCESS;
}

}  // namespace k7sim
