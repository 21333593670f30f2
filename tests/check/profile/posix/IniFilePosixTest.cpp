// The parameter file on POSIX systems: a device is no profile, a save keeps the file's mode,
// and a save the file system breaks off (a file size limit) leaves the old file whole.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>

#include "CheckTestSupport.h"
#include "k7base/Files.h"
#include "paramfile/IniFile.h"

using namespace k7check;
using namespace k7checktest;

namespace {

TEST(IniRead, ADeviceIsAnEmptyProfile) {
    EXPECT_FALSE(IniFile::load("/dev/null").value("S", "K").has_value());
}

TEST(IniSave, KeepsThePermissionsOfTheFile) {
    TempDir dir;
    const std::string path = dir.file("p.ini");
    writeText(path, "[A]\nX=1\n");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(writeProfileString(path, "A", "X", "2"));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(IniSave, AnInterruptedSaveLeavesTheOldFileWhole) {
    TempDir dir;
    const std::string path = dir.file("KARVO7Check.INI");
    const std::string old = "[Init]\nKarte=1\n";
    writeText(path, old);
    IniFile ini = IniFile::load(path);
    ASSERT_TRUE(ini.set("Init", "Big", std::string(64 * 1024, 'x')));

    // The file system refuses to let any file grow beyond 1 KiB: the write of the new
    // contents breaks off in the middle, as on a full disk.
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved_ok = ini.save(path);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved_ok);
    EXPECT_EQ(readText(path), old);
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"KARVO7Check.INI"});
}

}  // namespace
