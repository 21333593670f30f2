// Writing a file whole or not at all: links are followed, read-only files refused with a reason,
// permissions kept, nothing left behind; and how the program finds the files it reads.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "CheckTestSupport.h"
#include "profile/Files.h"

using namespace k7check;
using namespace k7checktest;

namespace {

// The names in a folder, sorted.
std::vector<std::string> sortedFilesIn(const std::string& folder) {
    std::vector<std::string> names = filesIn(folder);
    std::sort(names.begin(), names.end());
    return names;
}

mode_t modeOf(const std::string& path) {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST(AtomicWrite, ReplacesTheContentsKeepsThePermissionsAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir.file("werte.csv");
    writeText(path, "old contents that are longer than the new ones\n");
    ::chmod(path.c_str(), 0640);
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, "new\n", &error)) << error;
    EXPECT_EQ(readText(path), "new\n");
    EXPECT_EQ(modeOf(path), 0640u);

    // A new file is readable by everyone, writable by its owner.
    ASSERT_TRUE(writeFileAtomically(dir.file("neu.png"), std::string("\x89PNG\0x", 6), &error));
    EXPECT_EQ(readText(dir.file("neu.png")), std::string("\x89PNG\0x", 6));
    EXPECT_EQ(modeOf(dir.file("neu.png")), 0644u);
    EXPECT_EQ(sortedFilesIn(dir.path()), (std::vector<std::string>{"neu.png", "werte.csv"}));
}

TEST(AtomicWrite, ASymbolicLinkIsFollowedTheTargetReplacedTheLinkKept) {
    TempDir dir;
    ASSERT_EQ(::mkdir(dir.file("ziel").c_str(), 0755), 0);
    const std::string target = dir.file("ziel/KARVO7Check.INI");
    writeText(target, "[Init]\nKarte=1\n");
    ASSERT_EQ(::symlink("ziel/KARVO7Check.INI", dir.file("link.ini").c_str()), 0);

    std::string error;
    ASSERT_TRUE(writeFileAtomically(dir.file("link.ini"), "[Init]\nKarte=2\n", &error)) << error;
    struct stat info {};
    ASSERT_EQ(::lstat(dir.file("link.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(readText(target), "[Init]\nKarte=2\n");
    // The temporary file went to the target's folder and is gone.
    EXPECT_EQ(filesIn(dir.file("ziel")), std::vector<std::string>{"KARVO7Check.INI"});

    // A link whose target is gone is an error, not a file written beside the link.
    ASSERT_EQ(::symlink("fehlt/x.ini", dir.file("tot.ini").c_str()), 0);
    EXPECT_FALSE(writeFileAtomically(dir.file("tot.ini"), "x", &error));
    EXPECT_EQ(error.rfind(dir.file("tot.ini") + ": ", 0), 0u) << error;
}

TEST(AtomicWrite, AReadOnlyFileOrAFolderIsRefusedWithTheReason) {
    TempDir dir;
    const std::string path = dir.file("ro.csv");
    writeText(path, "1\n");
    ::chmod(path.c_str(), 0444);
    std::string error;
    EXPECT_FALSE(writeFileAtomically(path, "2\n", &error));
    EXPECT_EQ(error, path + ": schreibgeschützt");
    EXPECT_EQ(readText(path), "1\n");

    // Through a link too: the read-only file is the target.
    ASSERT_EQ(::symlink("ro.csv", dir.file("link.csv").c_str()), 0);
    EXPECT_FALSE(writeFileAtomically(dir.file("link.csv"), "2\n", &error));
    EXPECT_EQ(error, path + ": schreibgeschützt");
    EXPECT_EQ(readText(path), "1\n");

    ASSERT_EQ(::mkdir(dir.file("ordner").c_str(), 0755), 0);
    EXPECT_FALSE(writeFileAtomically(dir.file("ordner"), "2\n", &error));
    EXPECT_EQ(error, dir.file("ordner") + ": keine Datei");
    EXPECT_EQ(sortedFilesIn(dir.path()),
              (std::vector<std::string>{"link.csv", "ordner", "ro.csv"}));
}

TEST(AtomicWrite, AMissingFolderFailsWithTheNameAndTheSystemsReason) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(writeFileAtomically(dir.file("missing/sub/x.ini"), "[A]\n", &error));
    EXPECT_EQ(error.rfind(dir.file("missing/sub/x.ini."), 0), 0u) << error;
    EXPECT_NE(error.find(": "), std::string::npos) << error;
    // Without a place for the reason it fails just the same.
    EXPECT_FALSE(writeFileAtomically(dir.file("missing/sub/x.ini"), "[A]\n"));
}

TEST(FileNames, AFileNameMatchesWithoutRegardToCaseOnlyWhenItIsTheOnlyOne) {
    TempDir dir;
    writeText(dir.file("KARVO7Check.ini"), "");
    EXPECT_EQ(matchFileName(dir.file("KARVO7Check.INI")), dir.file("KARVO7Check.ini"));
    EXPECT_EQ(matchFileName(dir.file("karvo7check.ini")), dir.file("KARVO7Check.ini"));
    writeText(dir.file("karvo7check.INI"), "");
    // Two candidates: neither is taken.
    EXPECT_EQ(matchFileName(dir.file("KARVO7CHECK.INI")), dir.file("KARVO7CHECK.INI"));
    // The exact name always wins.
    EXPECT_EQ(matchFileName(dir.file("karvo7check.INI")), dir.file("karvo7check.INI"));
    EXPECT_EQ(matchFileName(dir.file("missing.ini")), dir.file("missing.ini"));
}

}  // namespace
