// What lasts beyond one program: exclusive open across processes (lock files that cannot be
// turned off by what lies in their folder), the card state kept in the state directory between
// runs (a write the disk refuses is the card's failure), and the worker ending with the program.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

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

// A folder of the test's own, removed with it.
struct Folder {
    Folder() {
        char pattern[] = "/tmp/karvo7sim-kept-XXXXXX";
        const char* made = ::mkdtemp(pattern);
        path = made != nullptr ? made : "";
    }
    ~Folder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

TEST_F(Processes, AStateWriteTheDiskRefusesFailsTheRequestAndTheCardKeepsWhatItHeld) {
    TearDown();
    const Folder state;
    ::unsetenv("KARVO7_SIM_STATE");
    k7sim::Config config = testConfig(1);
    config.persist = true;
    config.stateDir = state.path;
    const std::string cardState = state.path + "/" + config.instance + "/card1.";
    std::filesystem::create_directories(state.path + "/" + config.instance);
    // A file that cannot be replaced: a folder stands where each state file goes, so that the
    // rename fails as on a full or read-only disk (for root too).
    for (const char* what : {"eeprom", "pci", "firmware"}) {
        std::filesystem::create_directory(cardState + what);
    }
    start(config);
    KARVO7HANDLE h = open(1);
    ASSERT_NE(h, nullptr);
    const uint32_t before = KARVO7ReadPCIEEPROMbyte(h, 0x7E);
    EXPECT_EQ(KARVO7WritePCIEEPROMbyte(h, 0x7E, before ^ 0xFFu), 0);
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(h, 0x7E), before);

    uint8_t space[256] = {};
    ASSERT_EQ(KARVO7ReadConfigData(h, space), 1);
    const uint8_t latency = space[0x0D];
    space[0x0D] = static_cast<uint8_t>(latency ^ 0x40u);
    EXPECT_EQ(KARVO7WriteConfigData(h, space), 0);
    ASSERT_EQ(KARVO7ReadConfigData(h, space), 1);
    EXPECT_EQ(space[0x0D], latency);

    const std::vector<uint8_t> image(2 * 128, 0x3C);
    uint32_t error = 0;
    EXPECT_EQ(KARVO7LoadProm(h, 2, image.data(), &error), 0);
    EXPECT_EQ(error, k7sim::err::kStateNotKept);
    CardStatus status{};
    ASSERT_EQ(KARVO7GetStatus(h, &status), 1);
    EXPECT_EQ(status.Status & 0x80u, 0u);  // no image was taken
    // No temporary file is left beside the state.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(state.path + "/" + config.instance),
                            std::filesystem::directory_iterator()),
              3);
    TearDown();
    start(testConfig());
}

class Locks : public SimTest {
  protected:
    void SetUp() override {}
    KARVO7HANDLE openWith(const std::string& lockDir) {
        k7sim::Config config = testConfig(1);
        config.lockDir = lockDir;
        config.instance = "locks" + std::to_string(::getpid());
        start(config);
        return open(1);
    }
    std::string lockFile(const std::string& folder) const {
        return folder + "/karvo7sim-locks" + std::to_string(::getpid()) + "-card1.lock";
    }
};

TEST_F(Locks, ALockThatCannotBeTakenRefusesTheOpenAsInUse) {
    const Folder folder;
    // A folder planted where the lock file goes.
    std::filesystem::create_directory(lockFile(folder.path));
    EXPECT_EQ(openWith(folder.path), nullptr);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_SHARING_VIOLATION);
    TearDown();
    std::filesystem::remove(lockFile(folder.path));

    // A link planted there is not followed, and nothing is made where it points.
    ASSERT_EQ(::symlink((folder.path + "/elsewhere").c_str(), lockFile(folder.path).c_str()), 0);
    EXPECT_EQ(openWith(folder.path), nullptr);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(std::filesystem::exists(folder.path + "/elsewhere"));
    TearDown();
    std::filesystem::remove(lockFile(folder.path));

    // A lock folder that cannot be made (its parent is a file).
    std::ofstream(folder.path + "/file") << "x";
    EXPECT_EQ(openWith(folder.path + "/file/locks"), nullptr);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_SHARING_VIOLATION);
    TearDown();

    // Where the lock can be taken the card opens, and its lock file is the owner's only.
    KARVO7HANDLE h = openWith(folder.path);
    ASSERT_NE(h, nullptr);
    struct stat info {};
    ASSERT_EQ(::lstat(lockFile(folder.path).c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 0077, 0u);
}

TEST_F(Locks, WithoutALockFolderTheLocksLiveInTheUsersRuntimeFolder) {
    const Folder runtime;
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = before != nullptr ? before : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.path.c_str(), 1);
    KARVO7HANDLE h = openWith("");
    if (before != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(std::filesystem::is_regular_file(lockFile(runtime.path + "/karvo7sim")));
    struct stat info {};
    ASSERT_EQ(::stat((runtime.path + "/karvo7sim").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_FALSE(std::filesystem::exists(lockFile("/tmp")));
}

// The threads of this process.
int threadsOfThisProcess() {
    int count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(tasks);
    }
    return count;
}

// A program that ends with the simulated cards still installed, as every program started with
// KARVO7_SIM does: this test program run again with K7SIM_EXIT_PROBE set is that program, before
// any test. It starts the module (its worker: one thread more), ends, and its last exit handler
// (registered first, run last) counts the threads left: the module's worker must have been
// joined by then. A sanitizer may start a thread of its own with the first thread of the
// program, so the threads are counted once the module runs, and one fewer must be left.
int threadsWithTheModule = 0;

const bool exitProbe = [] {
    if (std::getenv("K7SIM_EXIT_PROBE") == nullptr) {
        return false;
    }
    const int before = threadsOfThisProcess();
    std::atexit([] { ::_exit(threadsOfThisProcess() == threadsWithTheModule - 1 ? 0 : 1); });
    K7DrvDriver table{};
    if (K7DrvEntry("1", &table) != 1) {
        ::_exit(100);
    }
    threadsWithTheModule = threadsOfThisProcess();
    if (threadsWithTheModule <= before) {
        ::_exit(101);
    }
    std::exit(0);
}();

TEST(SimModule, TheWorkerIsJoinedWhenTheProgramEnds) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::setenv("K7SIM_EXIT_PROBE", "1", 1);
        char name[] = "test_sim";
        char* const argv[] = {name, nullptr};
        ::execv("/proc/self/exe", argv);
        ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);  // no thread of the module left
    EXPECT_FALSE(exitProbe);
}

}  // namespace
