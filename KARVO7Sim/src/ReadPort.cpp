// The read port's answer, results request and waiting read.
#include "ReadPort.h"

#include <algorithm>
#include <cstring>

namespace k7sim {

void ReadPort::clear() {
    reply_.clear();
    replyPosition_ = 0;
    source_ = Source::Fifo;
    ascanWanted_ = -1;
}

void ReadPort::answer(Bytes reply) {
    reply_ = std::move(reply);
    replyPosition_ = 0;
    source_ = Source::Reply;
}

void ReadPort::shotAnswers(const Bytes& block) {
    reply_ = block;
    replyPosition_ = 0;
    ascanWanted_ = -1;
}

uint32_t ReadPort::takeAnswer(uint8_t* buffer, uint32_t size) {
    const auto n = static_cast<uint32_t>(std::min<size_t>(size, reply_.size() - replyPosition_));
    std::memcpy(buffer, reply_.data() + replyPosition_, n);
    replyPosition_ += n;
    if (replyPosition_ == reply_.size()) {
        source_ = Source::Fifo;
    }
    return n;
}

void ReadPort::wantResults(uint32_t limit) {
    source_ = Source::Results;
    resultLimit_ = limit;
}

void ReadPort::wait(K7DrvIrp* irp, uint8_t* buffer, uint32_t size, uint64_t nowUs) {
    const uint64_t deadline =
        dataTimeOutS_ == 0 ? UINT64_MAX : nowUs + uint64_t{dataTimeOutS_} * 1000000u;
    pending_ = Pending{irp, buffer, size, deadline, nowUs};
}

}  // namespace k7sim
