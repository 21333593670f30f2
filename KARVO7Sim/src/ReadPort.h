// The card's read port: where the next read takes its data from (the data FIFO, the answer of
// the last data command, or the results store), the answer and how much of it was read, the
// set whose next shot answers an A-scan command, the results command's limit, and the read
// that waits for data with its deadline.
#pragma once

#include <cstdint>
#include <optional>

#include "KARVO7Sim.h"
#include "LittleEndian.h"

namespace k7sim {

class ReadPort {
  public:
    enum class Source { Fifo, Reply, Results };
    struct Pending {
        K7DrvIrp* irp;
        uint8_t* buffer;
        uint32_t size;
        uint64_t deadlineUs;
        uint64_t postedUs;  // card time when the host began to wait
    };

    explicit ReadPort(uint32_t dataTimeOutS) : dataTimeOutS_(dataTimeOutS) {}

    // Back to the data FIFO, no answer, no A-scan wished.
    void clear();

    Source source() const { return source_; }

    // The next read takes `reply`.
    void answer(Bytes reply);
    // The next read waits for an answer still to come.
    void awaitAnswer() { answer({}); }
    // A shot's data block becomes the answer; no A-scan is wished any longer.
    void shotAnswers(const Bytes& block);
    bool hasAnswer() const { return replyPosition_ < reply_.size(); }
    // Copies what is left of the answer, at most `size` bytes; the port turns back to the data
    // FIFO when the answer is read completely.
    uint32_t takeAnswer(uint8_t* buffer, uint32_t size);

    // The next shot of `set` answers.
    void wishAscan(uint32_t set) { ascanWanted_ = static_cast<int>(set); }
    bool wishesAscan(uint32_t set) const { return ascanWanted_ == static_cast<int>(set); }
    bool wishesAnyAscan() const { return ascanWanted_ >= 0; }

    // The next read takes the results gathered, at most `limit` of them.
    void wantResults(uint32_t limit);
    uint32_t resultLimit() const { return resultLimit_; }
    void resultsTaken() { source_ = Source::Fifo; }

    void setDataTimeOut(uint32_t seconds) { dataTimeOutS_ = seconds; }
    // A read that waits from `nowUs` for at most the data time-out (0: for ever).
    void wait(K7DrvIrp* irp, uint8_t* buffer, uint32_t size, uint64_t nowUs);
    std::optional<Pending>& pending() { return pending_; }
    const std::optional<Pending>& pending() const { return pending_; }

  private:
    Source source_ = Source::Fifo;
    Bytes reply_;
    size_t replyPosition_ = 0;
    int ascanWanted_ = -1;
    uint32_t resultLimit_ = 0;
    uint32_t dataTimeOutS_;
    std::optional<Pending> pending_;
};

}  // namespace k7sim
