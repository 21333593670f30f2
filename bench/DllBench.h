// The operations dll_bench times: one KARVO7Command through the library against the same
// request sent straight to the driver, and a 131072-byte KARVO7GetData against a 131072-byte
// memcpy, each against a driver that answers at once. Shared by the Google Benchmark program
// and the plain timing program of builds without Google Benchmark (Windows).
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "KARVO7DLL.h"
#include "KARVO7Driver.h"
#include "KARVO7Protocol.h"

namespace k7bench {

constexpr uint32_t kBlock = 131072;

// Keeps `value` and every store before it: the compiler may drop neither the step that made
// them nor repeat-invariant work across steps.
template <class T>
inline void keep(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

// A driver that answers every request at once and delivers reads from a prepared buffer.
struct InstantDriver {
    std::vector<uint8_t> data = std::vector<uint8_t>(kBlock, 0x5A);

    static int exists(void*, uint32_t n) { return n == 1; }
    static uint32_t open(void*, uint32_t, void** device) {
        *device = reinterpret_cast<void*>(1);
        return 0;
    }
    static uint32_t control(void*, void*, uint32_t, const void*, uint32_t, void*, uint32_t out,
                            uint32_t* returned) {
        *returned = out;
        return 0;
    }
    static uint32_t read(void* self, void*, K7DrvIrp*, void* buffer, uint32_t size,
                         uint32_t* transferred) {
        auto* d = static_cast<InstantDriver*>(self);
        const uint32_t n = size < kBlock ? size : kBlock;
        std::memcpy(buffer, d->data.data(), n);
        *transferred = n;
        return 0;
    }
    static void cancel(void*, void*) {}
    static uint32_t close(void*, void*) { return 0; }

    K7DrvDriver table() {
        K7DrvDriver t{};
        t.interfaceVersion = K7DRV_INTERFACE_VERSION;
        t.context = this;
        t.deviceExists = exists;
        t.open = open;
        t.deviceControl = control;
        t.read = read;
        t.cancel = cancel;
        t.close = close;
        return t;
    }
};

inline InstantDriver& driver() {
    static InstantDriver d;
    return d;
}

// Card 1 of the instant driver, installed and opened for as long as it lives.
struct Card {
    KARVO7HANDLE h = nullptr;
    Card() {
        const K7DrvDriver t = driver().table();
        K7DrvInstall(&t);
        h = KARVO7Open(1);
    }
    ~Card() {
        KARVO7Close(h);
        K7DrvInstall(nullptr);
    }
    Card(const Card&) = delete;
    Card& operator=(const Card&) = delete;
};

// Each operation is set up by its constructor; one call is one timed step.
class CommandThroughLibrary {
  public:
    void operator()() {
        uint32_t error = 0;
        keep(KARVO7Command(card_.h, k7proto::cmd::kCount, 2, words_, &error));
    }

  private:
    Card card_;
    const uint32_t words_[2] = {0x12345678u, 0x9ABCDEF0u};
};

class CommandStraightToDriver {
  public:
    CommandStraightToDriver() {
        table_.open(table_.context, 1, &device_);
        k7proto::putLe16(block_, k7proto::cmd::kCount);
        block_[k7proto::req::kCommandCountOffset] = 2;
        k7proto::putLe32(block_ + k7proto::req::kCommandWordsOffset, 0x12345678u);
        k7proto::putLe32(block_ + k7proto::req::kCommandWordsOffset + 4, 0x9ABCDEF0u);
    }
    void operator()() {
        uint32_t returned = 0;
        keep(table_.deviceControl(table_.context, device_, k7proto::req::kCommand, block_,
                                  k7proto::req::kCommandBlockSize, nullptr, 0, &returned));
    }

  private:
    const K7DrvDriver table_ = driver().table();
    void* device_ = nullptr;
    uint8_t block_[k7proto::req::kCommandBlockSize] = {};
};

class GetDataThroughLibrary {
  public:
    void operator()() {
        uint32_t count = kBlock;
        uint32_t error = 0;
        keep(KARVO7GetData(card_.h, &count, buffer_.data(), &error));
    }

  private:
    Card card_;
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kBlock);
};

class MemcpyReference {
  public:
    void operator()() {
        std::memcpy(buffer_.data(), driver().data.data(), kBlock);
        keep(buffer_.data());
    }

  private:
    std::vector<uint8_t> buffer_ = std::vector<uint8_t>(kBlock);
};

// The program's figures, from the time of one step of each operation (any unit).
inline void printRatios(double command, double commandDirect, double getData, double memcpy) {
    auto ratio = [](double a, double b) { return b > 0 ? a / b : 0.0; };
    std::fprintf(stderr, "ratio KARVO7Command library/driver: %.2f\n",
                 ratio(command, commandDirect));
    std::fprintf(stderr, "ratio KARVO7GetData(131072)/memcpy(131072): %.2f\n",
                 ratio(getData, memcpy));
}

}  // namespace k7bench
