#include "CheckTestSupport.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ScratchFolder.h"

using namespace k7test;

namespace k7checktest {

namespace {
constexpr uint32_t kStatusCode = k7proto::req::kCardStatus;
constexpr uint32_t kKonfigAreaCode = k7proto::req::kReadKonfigArea;
constexpr uint32_t kDirectoryAddress = 0x84;
constexpr uint32_t kDataAddress = 0xD0;

uint32_t lastDevice(const RecordingDriver& driver) {
    return driver.requests().back().device;
}

// The stored configuration area from the directory on: one text entry (key 1, the card
// designation) and the terminator.
Bytes konfigArea(const std::string& text) {
    Bytes area(kDataAddress - kDirectoryAddress + text.size(), 0);
    area[0] = 1;
    area[1] = static_cast<uint8_t>(text.size());
    area[2] = static_cast<uint8_t>(kDataAddress & 0xFF);
    area[3] = static_cast<uint8_t>(0x10 | (kDataAddress >> 8));
    area[4] = 0;  // terminator
    area[7] = 0x17;
    area[6] = 0xFF;
    std::memcpy(area.data() + (kDataAddress - kDirectoryAddress), text.data(), text.size());
    return area;
}
}  // namespace

void writeText(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> filesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

void makeReadOnly(const std::string& path) {
    using std::filesystem::perms;
    std::filesystem::permissions(path, perms::owner_read | perms::group_read | perms::others_read);
}

void answerDesignations(RecordingDriver& driver, const std::string& designation) {
    driver.handle(kStatusCode, [&driver, designation](const uint8_t*, uint32_t, uint8_t* out,
                                                      uint32_t outSize, uint32_t* returned) {
        const Bytes area = konfigArea(designation + std::to_string(lastDevice(driver)));
        std::memset(out, 0, outSize);
        out[12] = static_cast<uint8_t>(area.size() & 0xFF);
        out[13] = static_cast<uint8_t>(area.size() >> 8);
        out[14] = kDirectoryAddress & 0xFF;
        out[15] = 0;
        *returned = outSize;
        return K7_ERROR_SUCCESS;
    });
    driver.handle(kKonfigAreaCode, [&driver, designation](const uint8_t*, uint32_t, uint8_t* out,
                                                          uint32_t outSize, uint32_t* returned) {
        const Bytes area = konfigArea(designation + std::to_string(lastDevice(driver)));
        std::memset(out, 0, outSize);
        std::memcpy(out, area.data(), std::min<size_t>(outSize, area.size()));
        *returned = outSize;
        return K7_ERROR_SUCCESS;
    });
}

std::vector<Command> commandsTo(const RecordingDriver& driver, uint32_t device) {
    std::vector<Command> commands;
    for (const RecordedRequest& r : driver.requests()) {
        if (r.code == kCommandCode && r.device == device) {
            commands.push_back(decodeCommand(r.input));
        }
    }
    return commands;
}

std::vector<std::pair<uint32_t, int16_t>> identificationsTo(const RecordingDriver& driver,
                                                            uint32_t device) {
    std::vector<std::pair<uint32_t, int16_t>> sent;
    uint32_t set = 0xFFFFFFFFu;
    for (const Command& c : commandsTo(driver, device)) {
        if (c.code == kSelectSet) {
            set = c.data.at(0);
        } else if (c.code == kIdentification) {
            sent.emplace_back(set, static_cast<int16_t>(c.data.at(0) & 0xFFFF));
        }
    }
    return sent;
}

int closesOf(const RecordingDriver& driver, uint32_t device) {
    int closes = 0;
    for (const Command& c : commandsTo(driver, device)) {
        closes += c.code == kCloseCommand ? 1 : 0;
    }
    return closes;
}

uint32_t deviceOf(KARVO7HANDLE handle) {
    uint32_t bus = 0;
    uint32_t slot = 0;
    uint32_t error = 0;
    KARVO7GetCardPosition(handle, &bus, &slot, &error);
    return slot - 10;
}

MainWindowFixture::MainWindowFixture()
    : installed(std::make_unique<ScopedDriver>(driver)), desktop(dir.file("KARVO7Check")) {
    answerDesignations(driver);
    cards({{1, true}});
}

MainWindowFixture::~MainWindowFixture() {
    window.reset();
    installed.reset();
}

void MainWindowFixture::cards(std::map<uint32_t, bool> devices) {
    for (const auto& [device, version3] : devices) {
        (void)version3;
        driver.setPosition(device, 1, 10 + device);
    }
    driver.setDevices(std::move(devices));
}

bool MainWindowFixture::start(const k7check::CheckRegistry& registry) {
    window = std::make_unique<k7check::KARVO7CheckDlg>(desktop, registry);
    return window->onInit();
}

}  // namespace k7checktest
