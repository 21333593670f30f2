// Arbitrary request sequences against the simulated cards: device-control requests with any
// code, sizes and bytes through the driver table, and the library's commands, register,
// EEPROM, configuration and transfer calls with fuzzed arguments. Nothing may crash, leak or
// touch memory outside the buffers given.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "KARVO7DLL.h"
#include "KARVO7Protocol.h"
#include "KARVO7Sim.h"

namespace {

uint32_t virtualNow = 0;
uint32_t tick(void*) {
    return virtualNow;
}
void pause(void*, uint32_t ms) {
    virtualNow += ms;
}

class Input {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool empty() const { return pos_ >= size_; }
    uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
    uint32_t word() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            v |= static_cast<uint32_t>(byte()) << (8 * i);
        }
        return v;
    }
    std::vector<uint8_t> bytes(size_t n) {
        std::vector<uint8_t> out(n);
        for (auto& b : out) {
            b = byte();
        }
        return out;
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// The codes the driver knows, so that fuzzed sequences reach them often.
namespace req = k7proto::req;
constexpr uint32_t kCodes[] = {req::kReadKonfigArea, req::kCardStatus,     req::kTransferMode,
                               req::kCommand,        req::kLastError,      req::kDepthTable,
                               req::kCardPosition,   req::kDataTimeOut,    req::kVersion3,
                               req::kReset,          req::kResetFinished,  req::kDataInFifo,
                               req::kReadPciConfig,  req::kWritePciConfig, req::kReadRegister,
                               req::kWriteRegister,  req::kReadEepromByte, req::kWriteEepromByte};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = [] {
        K7OsClock clock{nullptr, &tick, &pause};
        K7OsSetClock(&clock);
        return true;
    }();
    (void)once;
    Input in(data, size);
    k7sim::Config config = k7sim::Config::defaults(1);
    config.persist = false;
    config.worker = false;
    config.instance = "fuzz" + std::to_string(::getpid());
    config.fifoBytes = 16384;
    config.resultsBytes = 4096;
    // A trigger source and a flaw, so that externally triggered sets shoot and echoes overlap.
    config.cards[0].externalTriggerHz = 5000;
    config.cards[0].specimen.flaws.push_back({7.5, 0.1});
    k7sim::Simulator sim(config);
    if (!sim.install()) {
        return 0;
    }
    KARVO7HANDLE h = KARVO7Open(1);
    const K7DrvDriver table = sim.driver();
    void* direct = nullptr;
    std::vector<uint8_t> readBuffer(70000);
    uint32_t readCount = 0;
    bool reading = false;
    for (int steps = 0; steps < 64 && !in.empty() && h != nullptr; ++steps) {
        uint32_t error = 0;
        switch (in.byte() % 12) {
            case 0: {  // a parameter set of fuzzed values
                static const uint16_t table[256] = {0, 10, 20, 30, 40, 50, 60};
                MeasureParams m{};
                SpecialParams sp{};
                GateParams g{};
                auto raw = in.bytes(sizeof m);
                std::memcpy(&m, raw.data(), sizeof m);
                m.TATabelle = in.byte() % 2 ? table : nullptr;
                m.TAStuetzstellen &= 0xFF;
                raw = in.bytes(sizeof sp);
                std::memcpy(&sp, raw.data(), sizeof sp);
                raw = in.bytes(sizeof g);
                std::memcpy(&g, raw.data(), sizeof g);
                const uint32_t set = in.byte() % 9;
                KARVO7PrepAllGatesParam(h, set, m, sp, in.word(), g, &error);
                KARVO7SetVIRMA4(h, set, static_cast<int16_t>(in.word()), &error);
                KARVO7ActiveParam(h, in.byte() & 1, in.byte() & 1, 0, 0, 0, 0, 0, 1, &error);
                break;
            }
            case 1: {
                const uint8_t count = static_cast<uint8_t>(in.byte() % 9);
                uint32_t words[8];
                for (auto& w : words) {
                    w = in.word();
                }
                const auto code = static_cast<uint16_t>(in.word());
                KARVO7Command(h, code, count, words, &error);
                break;
            }
            case 2:
                KARVO7ReadRegister(h, in.word() % 2048);
                break;
            case 3:
                KARVO7WriteRegister(h, in.word() % 2048, in.word());
                break;
            case 4:
                KARVO7WritePCIEEPROMbyte(h, in.word(), in.byte());
                KARVO7ReadPCIEEPROMdword(h, in.word());
                break;
            case 5: {
                auto image = in.bytes(256);
                KARVO7WriteConfigData(h, image.data());
                KARVO7ReadConfigData(h, image.data());
                break;
            }
            case 6:
                if (!reading) {
                    readCount = in.word() % static_cast<uint32_t>(readBuffer.size());
                    reading =
                        KARVO7StartGetData(h, &readCount, readBuffer.data(), nullptr, &error) == 1;
                }
                break;
            case 7:
                if (reading && KARVO7IsReadyGetDataIntReturn(h, &readCount, &error) != -3) {
                    reading = false;
                }
                break;
            case 8:
                if (reading) {
                    KARVO7CancelGetData(h, &error);
                    reading = false;
                }
                break;
            case 9:
                virtualNow += in.word() % 5000;
                sim.service();
                break;
            case 10: {
                KonfigRecord k{};
                KARVO7GetKonfig(h, &k, &error);
                ADCValues v{};
                if (!reading) {
                    KARVO7GetADC(h, &v, &error);
                }
                CardStatus s{};
                KARVO7GetStatus(h, &s);
                break;
            }
            default: {
                const uint32_t blocks = in.byte() % 4;
                auto image = in.bytes(blocks * 128);
                if (!reading) {
                    KARVO7LoadProm(h, blocks, image.data(), &error);
                }
                KARVO7ResetCard(h);
                KARVO7SetDataTimeOut(h, in.byte() % 3, &error);
                break;
            }
        }
    }
    if (h != nullptr) {
        KARVO7Close(h);
    }
    // Raw requests on a device the library does not hold.
    if (table.open(table.context, 1, &direct) == K7_ERROR_SUCCESS) {
        for (int i = 0; i < 16 && !in.empty(); ++i) {
            const uint8_t pick = in.byte();
            const uint32_t code = pick < 0xC0 ? kCodes[pick % std::size(kCodes)] : in.word();
            const uint32_t inSize = in.byte() % 2 ? in.byte() * 3u : in.byte() % 40;
            const uint32_t outSize = in.byte() % 2 ? in.byte() * 3u : in.byte() % 260;
            auto input = in.bytes(inSize);
            std::vector<uint8_t> output(outSize);
            uint32_t returned = 0;
            table.deviceControl(table.context, direct, code, input.data(), inSize, output.data(),
                                outSize, &returned);
            if (returned > outSize) {
                __builtin_trap();
            }
        }
        table.close(table.context, direct);
    }
    sim.uninstall();
    return 0;
}
