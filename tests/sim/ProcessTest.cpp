// What lasts beyond one program: exclusive open across processes, and the card state kept in
// the state directory between runs.
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "SimFixture.h"

using namespace simtest;

namespace {

class Processes : public SimTest {};

TEST_F(Processes, AnotherProgramCannotOpenAHeldCard) {
    KARVO7HANDLE h = open(1);
    ASSERT_NE(h, nullptr);
    const k7sim::Config config = sim->config();
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The other program: its own driver over the same cards. (The library copy inherited
        // from this process still holds card 1, so the child talks to its driver directly.)
        k7sim::Simulator other(config);
        const K7DrvDriver t = other.driver();
        void* device = nullptr;
        const bool refused = t.open(t.context, 1, &device) == K7_ERROR_SHARING_VIOLATION;
        const bool otherCardFree = t.open(t.context, 2, &device) == K7_ERROR_SUCCESS;
        if (otherCardFree) {
            t.close(t.context, device);
        }
        _exit(refused && otherCardFree ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    close(h);
}

TEST_F(Processes, EepromConfigurationAndFirmwarePersist) {
    TearDown();
    char pattern[] = "/tmp/karvo7sim-state-XXXXXX";
    const char* dir = mkdtemp(pattern);
    ASSERT_NE(dir, nullptr);
    ::unsetenv("KARVO7_SIM_STATE");
    k7sim::Config config = testConfig(1);
    config.persist = true;
    config.stateDir = dir;
    std::vector<uint8_t> image(2 * 128, 0x3C);
    {
        start(config);
        KARVO7HANDLE h = open(1);
        ASSERT_EQ(KARVO7WritePCIEEPROMbyte(h, 0x7E, 0x22), 1);
        uint8_t space[256] = {};
        ASSERT_EQ(KARVO7ReadConfigData(h, space), 1);
        space[0x0D] = 0x48;
        ASSERT_EQ(KARVO7WriteConfigData(h, space), 1);
        uint32_t error = 0;
        ASSERT_EQ(KARVO7LoadProm(h, 2, image.data(), &error), 1);
        TearDown();
    }
    EXPECT_TRUE(
        std::filesystem::exists(std::string(dir) + "/" + config.instance + "/card1.eeprom"));
    start(config);  // the next program run
    KARVO7HANDLE h = open(1);
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(h, 0x7E), 0x22u);
    uint8_t space[256] = {};
    ASSERT_EQ(KARVO7ReadConfigData(h, space), 1);
    EXPECT_EQ(space[0x0D], 0x48);
    EXPECT_EQ(space[0x3E], 0x22);  // minimum grant from the changed EEPROM at power-up
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_NE(status.Status & 0x80u, 0u);  // the image is still loaded
    TearDown();
    std::filesystem::remove_all(dir);
    start(testConfig());
}

TEST_F(Processes, TestsOptOutOfPersistence) {
    TearDown();
    char pattern[] = "/tmp/karvo7sim-state-XXXXXX";
    const char* dir = mkdtemp(pattern);
    ASSERT_NE(dir, nullptr);
    k7sim::Config config = testConfig(1);
    config.stateDir = dir;  // persist stays off
    start(config);
    KARVO7HANDLE h = open(1);
    ASSERT_EQ(KARVO7WritePCIEEPROMbyte(h, 0x7E, 0x22), 1);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
}

}  // namespace
