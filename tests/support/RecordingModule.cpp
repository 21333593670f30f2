// The recording driver as a driver module (KARVO7_DRIVER=<module>), for a program in another
// process whose requests a test compares: the program clears the records and writes them to a
// file through the module's own two functions, which it reaches through its foreign-function
// interface (the module is loaded once, so the library's driver and these share one recorder).
#include <cstdio>

#include "RecordingDriver.h"

#define K7_RECORDING_API extern "C" __attribute__((visibility("default")))

namespace {

k7test::RecordingDriver& recorder() {
    // Never destroyed: the card library may still call into the driver while the program ends.
    static auto* driver = new k7test::RecordingDriver;
    return *driver;
}

}  // namespace

K7_RECORDING_API int K7DrvEntry(const char*, K7DrvDriver* table) {
    *table = recorder().table();
    return 1;
}

K7_RECORDING_API void K7RecordingClear(void) {
    recorder().clearRecords();
}

// Writes the requests recorded since the last clear to `path`, a line each: device, request
// code and output size in decimal, then the input bytes in hexadecimal. 1 when written.
K7_RECORDING_API int K7RecordingSave(const char* path) {
    std::FILE* file = std::fopen(path, "w");
    if (file == nullptr) {
        return 0;
    }
    for (const k7test::RecordedRequest& r : recorder().requests()) {
        std::fprintf(file, "%u %u %u ", r.device, r.code, r.outputSize);
        for (const uint8_t byte : r.input) {
            std::fprintf(file, "%02x", byte);
        }
        std::fputc('\n', file);
    }
    return std::fclose(file) == 0 ? 1 : 0;
}
