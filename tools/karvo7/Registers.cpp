#include "Registers.h"

#include <algorithm>
#include <iterator>

#include "KARVO7Protocol.h"

namespace karvo7 {

namespace {

namespace r = k7proto::reg;

struct Named {
    uint32_t address;
    const char* name;
};

constexpr Named kNames[] = {
    {r::kLcaId, "LCA id"},
    {r::kCommand, "command"},
    {r::kStatus, "status"},
    {r::kAnalog, "analog"},
    {r::kRecordDelayLow, "record delay low"},
    {r::kRecordDelayHigh, "record delay high"},
    {r::kRecordTimeLow, "record time low"},
    {r::kRecordTimeHigh, "record time high"},
    {r::kTrigger, "trigger"},
    {r::kMaxSapLow, "max SAP low"},
    {r::kMaxSapHigh, "max SAP high"},
    {r::kDepthControl, "depth control"},
    {r::kDepthDelayLow, "depth delay low"},
    {r::kDepthDelayHigh, "depth delay high"},
    {r::kDepthPeriodLow, "depth period low"},
    {r::kDepthPeriodHigh, "depth period high"},
    {r::kFifoControl, "FIFO control"},
    {r::kFifoStatus, "FIFO status"},
    {r::kAfTest, "AF test"},
    {r::kSender, "transmitter"},
    {r::kEchoStartTime, "echo start time"},
    {r::kEchoStartLevel, "echo start level"},
    {r::kEchoStartDelay, "echo start delay"},
    {r::kGate0Maximum, "gate 0 maximum"},
    {r::kGate0Time, "gate 0 time"},
    {r::kRecordPrerun, "record pre-run"},
    {r::kSapDelay, "SAP delay"},
    {r::kDataLcaId, "data LCA id"},
    {r::kDataFormat, "data format"},
    {r::kAScanFactor, "A-scan factor"},
    {r::kTriggerDelayLow, "trigger delay low"},
    {r::kTriggerDelayHigh, "trigger delay high"},
    {r::kTimerLow, "timer low"},
    {r::kTimerHigh, "timer high"},
    {r::kGate1Start, "gate 1 start"},
    {r::kGate1End, "gate 1 end"},
    {r::kGate2Start, "gate 2 start"},
    {r::kGate2End, "gate 2 end"},
    {r::kGate3Start, "gate 3 start"},
    {r::kGate3End, "gate 3 end"},
    {r::kGate4Start, "gate 4 start"},
    {r::kGate4End, "gate 4 end"},
    {r::kOutMailbox1, "outgoing mailbox 1"},
    {r::kOutMailbox2, "outgoing mailbox 2"},
    {r::kOutMailbox3, "outgoing mailbox 3"},
    {r::kOutMailbox4, "outgoing mailbox 4"},
    {r::kInMailbox1, "incoming mailbox 1"},
    {r::kInMailbox2, "incoming mailbox 2"},
    {r::kInMailbox3, "incoming mailbox 3"},
    {r::kInMailbox4, "incoming mailbox 4"},
    {r::kFifoPort, "FIFO port"},
    {r::kWriteAddress, "write address"},
    {r::kWriteCount, "write count"},
    {r::kReadAddress, "read address"},
    {r::kReadCount, "read count"},
    {r::kMailboxStatus, "mailbox status"},
    {r::kInterruptStatus, "interrupt status"},
    {r::kMasterStatus, "master status"},
};

const char* nameOf(uint32_t address) {
    for (const Named& n : kNames) {
        if (n.address == address) {
            return n.name;
        }
    }
    return "";
}

}  // namespace

std::optional<RegisterInfo> registerAt(uint32_t address) {
    const bool control = address >= r::kControlFirst && address <= r::kControlLast;
    const bool data = address >= r::kDataFirst && address <= r::kDataLast;
    if ((control || data) && address % 2 == 0) {
        const bool readOnly = std::find(std::begin(r::kReadOnly), std::end(r::kReadOnly),
                                        address) != std::end(r::kReadOnly);
        return RegisterInfo{address, nameOf(address), 16, readOnly};
    }
    if (address <= r::kMasterStatus && address % 4 == 0) {
        return RegisterInfo{address, nameOf(address), 32, false};
    }
    return std::nullopt;
}

std::vector<RegisterInfo> lcaRegisters(bool data) {
    std::vector<RegisterInfo> list;
    const uint32_t first = data ? r::kDataFirst : r::kControlFirst;
    const uint32_t last = data ? r::kDataLast : r::kControlLast;
    for (uint32_t a = first; a <= last; a += 2) {
        list.push_back(*registerAt(a));
    }
    return list;
}

}  // namespace karvo7
