#include "LowLevelFixture.h"

#include <cstdlib>
#include <cstring>

#include "CapturedOutput.h"

namespace k7test {

void EepromModel::attach(RecordingDriver& driver) {
    driver.handle(req::kReadEepromByte,
                  [this](const uint8_t* in, uint32_t inSize, uint8_t* out, uint32_t outSize,
                         uint32_t* returned) -> uint32_t {
                      if (inSize != 8 || outSize != 8) {
                          return K7_ERROR_BAD_LENGTH;
                      }
                      const uint32_t address = le32(Bytes(in, in + 8), 0);
                      readAddresses.push_back(address);
                      const Bytes answer = words({address, bytes.at(address & 0xFFFF)});
                      std::memcpy(out, answer.data(), 8);
                      *returned = 8;
                      return K7_ERROR_SUCCESS;
                  });
    driver.handle(req::kWriteEepromByte,
                  [this](const uint8_t* in, uint32_t inSize, uint8_t*, uint32_t outSize,
                         uint32_t* returned) -> uint32_t {
                      if (inSize != 8 || outSize != 0) {
                          return K7_ERROR_BAD_LENGTH;
                      }
                      const Bytes input(in, in + 8);
                      const uint32_t address = le32(input, 0);
                      uint8_t value = static_cast<uint8_t>(le32(input, 4));
                      writtenAddresses.push_back(address);
                      const uint32_t status = onWrite ? onWrite(address, value) : K7_ERROR_SUCCESS;
                      if (status == K7_ERROR_SUCCESS) {
                          bytes.at(address & 0xFFFF) = value;
                      }
                      *returned = 0;
                      return status;
                  });
}

void EepromModel::serveKonfigArea(RecordingDriver& driver) {
    auto areaSize = [this] { return static_cast<uint32_t>(bytes[0x80] | bytes[0x81] << 8) + 2; };
    driver.handle(req::kCardStatus,
                  [areaSize](const uint8_t*, uint32_t, uint8_t* out, uint32_t outSize,
                             uint32_t* returned) -> uint32_t {
                      if (outSize != 16) {
                          return K7_ERROR_BAD_LENGTH;
                      }
                      std::memset(out, 0, 16);
                      const uint32_t s = areaSize();
                      out[12] = static_cast<uint8_t>(s);
                      out[13] = static_cast<uint8_t>(s >> 8);
                      out[14] = 0x84;
                      out[15] = 0;
                      *returned = 16;
                      return K7_ERROR_SUCCESS;
                  });
    driver.handle(req::kReadKonfigArea,
                  [this, areaSize](const uint8_t*, uint32_t, uint8_t* out, uint32_t outSize,
                                   uint32_t* returned) -> uint32_t {
                      if (outSize != areaSize()) {
                          return K7_ERROR_BAD_LENGTH;
                      }
                      std::memcpy(out, bytes.data() + 0x84, outSize);
                      *returned = outSize;
                      return K7_ERROR_SUCCESS;
                  });
}

void CardTest::openCard(bool version3) {
    driver.setDevices({{1, version3}});
    {
        const CapturedOutput quiet;
        card = KARVO7Open(1);
    }
    ASSERT_NE(card, nullptr);
    driver.clearRecords();
}

void CardTest::TearDown() {
    if (card != nullptr) {
        {
            const CapturedOutput quiet;
            KARVO7Close(card);
        }
        card = nullptr;
    }
}

std::vector<uint32_t> CardTest::requestCodes() const {
    std::vector<uint32_t> codes;
    for (const auto& r : driver.requests()) {
        codes.push_back(r.code);
    }
    return codes;
}

KARVO7HANDLE foreignHandle() {
    static uint64_t foreign[16] = {};
    return reinterpret_cast<KARVO7HANDLE>(foreign);
}

}  // namespace k7test
