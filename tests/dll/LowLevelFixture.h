// Shared set-up of the card-control, EEPROM, configuration-record and sensor tests: a
// recording driver with one open card, a virtual clock that counts pauses, an allocator that
// can be made to fail, and a model of the bridge EEPROM behind the driver's byte requests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "RecordingDriver.h"
#include "TestClock.h"

namespace k7test {

// The bridge EEPROM as the driver sees it: 64 KiB of bytes behind the byte read and write
// requests. `onWrite` may change what is stored (a faulty cell) or fail the request.
struct EepromModel {
    std::array<uint8_t, 65536> bytes{};
    std::vector<uint32_t> writtenAddresses;
    std::vector<uint32_t> readAddresses;
    // Returns the status of a byte write; may alter `value` before it is stored.
    std::function<uint32_t(uint32_t address, uint8_t& value)> onWrite;

    void attach(RecordingDriver& driver);
    // Answers the card status with the stored area's size S (length word + CRC) and base B
    // 0x84, and the area request with those bytes, as the driver reports them.
    void serveKonfigArea(RecordingDriver& driver);
};

// One open card on a recording driver; records cleared after opening.
class CardTest : public testing::Test {
  protected:
    void openCard(bool version3 = true);
    void TearDown() override;

    std::vector<Command> commands() const { return decodeCommands(driver.commandBlocks()); }
    std::vector<uint32_t> requestCodes() const;

    RecordingDriver driver;
    ScopedDriver installed{driver};
    KARVO7HANDLE card = nullptr;
};

// A pointer that passes for a card handle but carries no signature.
KARVO7HANDLE foreignHandle();

}  // namespace k7test
