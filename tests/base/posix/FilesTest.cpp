// Writing a file whole or not at all: links are followed (but not a foreign one in a shared
// folder), read-only files refused with a reason, permissions kept, nothing left behind, also by
// a writer killed half way; and how the program finds the files it reads.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "BaseTestFiles.h"
#include "k7base/Files.h"

using namespace basetest;

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
    ASSERT_TRUE(k7base::writeFileAtomically(path, "new\n", &error)) << error;
    EXPECT_EQ(readText(path), "new\n");
    EXPECT_EQ(modeOf(path), 0640u);

    // A new file is readable by everyone, writable by its owner.
    ASSERT_TRUE(
        k7base::writeFileAtomically(dir.file("neu.png"), std::string("\x89PNG\0x", 6), &error));
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
    ASSERT_TRUE(k7base::writeFileAtomically(dir.file("link.ini"), "[Init]\nKarte=2\n", &error))
        << error;
    struct stat info {};
    ASSERT_EQ(::lstat(dir.file("link.ini").c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
    EXPECT_EQ(readText(target), "[Init]\nKarte=2\n");
    // The temporary file went to the target's folder and is gone.
    EXPECT_EQ(filesIn(dir.file("ziel")), std::vector<std::string>{"KARVO7Check.INI"});

    // A link whose target is gone is an error, not a file written beside the link.
    ASSERT_EQ(::symlink("fehlt/x.ini", dir.file("tot.ini").c_str()), 0);
    EXPECT_FALSE(k7base::writeFileAtomically(dir.file("tot.ini"), "x", &error));
    EXPECT_EQ(error.rfind(dir.file("tot.ini") + ": ", 0), 0u) << error;
}

TEST(AtomicWrite, AReadOnlyFileOrAFolderIsRefusedWithTheReason) {
    TempDir dir;
    const std::string path = dir.file("ro.csv");
    writeText(path, "1\n");
    ::chmod(path.c_str(), 0444);
    std::string error;
    EXPECT_FALSE(k7base::writeFileAtomically(path, "2\n", &error));
    EXPECT_EQ(error, path + ": schreibgeschützt");
    EXPECT_EQ(readText(path), "1\n");

    // Through a link too: the read-only file is the target.
    ASSERT_EQ(::symlink("ro.csv", dir.file("link.csv").c_str()), 0);
    EXPECT_FALSE(k7base::writeFileAtomically(dir.file("link.csv"), "2\n", &error));
    EXPECT_EQ(error, path + ": schreibgeschützt");
    EXPECT_EQ(readText(path), "1\n");

    ASSERT_EQ(::mkdir(dir.file("ordner").c_str(), 0755), 0);
    EXPECT_FALSE(k7base::writeFileAtomically(dir.file("ordner"), "2\n", &error));
    EXPECT_EQ(error, dir.file("ordner") + ": keine Datei");
    EXPECT_EQ(sortedFilesIn(dir.path()),
              (std::vector<std::string>{"link.csv", "ordner", "ro.csv"}));
}

TEST(AtomicWrite, AMissingFolderFailsWithTheNameAndTheSystemsReason) {
    TempDir dir;
    std::string error;
    EXPECT_FALSE(k7base::writeFileAtomically(dir.file("missing/sub/x.ini"), "[A]\n", &error));
    EXPECT_EQ(error.rfind(dir.file("missing/sub/x.ini."), 0), 0u) << error;
    EXPECT_NE(error.find(": "), std::string::npos) << error;
    // Without a place for the reason it fails just the same.
    EXPECT_FALSE(k7base::writeFileAtomically(dir.file("missing/sub/x.ini"), "[A]\n"));
}

TEST(FileNames, AFileNameMatchesWithoutRegardToCaseOnlyWhenItIsTheOnlyOne) {
    TempDir dir;
    writeText(dir.file("KARVO7Check.ini"), "");
    EXPECT_EQ(k7base::matchFileName(dir.file("KARVO7Check.INI")), dir.file("KARVO7Check.ini"));
    EXPECT_EQ(k7base::matchFileName(dir.file("karvo7check.ini")), dir.file("KARVO7Check.ini"));
    writeText(dir.file("karvo7check.INI"), "");
    // Two candidates: neither is taken.
    EXPECT_EQ(k7base::matchFileName(dir.file("KARVO7CHECK.INI")), dir.file("KARVO7CHECK.INI"));
    // The exact name always wins.
    EXPECT_EQ(k7base::matchFileName(dir.file("karvo7check.INI")), dir.file("karvo7check.INI"));
    EXPECT_EQ(k7base::matchFileName(dir.file("missing.ini")), dir.file("missing.ini"));
}

// ---- a writer killed while it writes ----------------------------------------------------------

// A child process that opens `path` for writing as `kind` says, writes half of it and is killed
// there (kill -9, the point made certain by a pipe). The child's process id.
pid_t writerKilledWhileWriting(const std::string& path, k7base::AtomicFile::Temporary kind) {
    int ready[2];
    EXPECT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        k7base::AtomicFile file(kind);
        const bool opened = file.open(path) && file.write("half of the new con");
        [[maybe_unused]] const ssize_t n = ::write(ready[1], opened ? "1" : "0", 1);
        for (;;) {
            ::pause();
        }
    }
    char answer = '0';
    EXPECT_EQ(::read(ready[0], &answer, 1), 1);
    EXPECT_EQ(answer, '1');
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    return child;
}

bool unnamedTemporariesIn(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY, 0600);
    if (fd >= 0) {
        ::close(fd);
    }
    return fd >= 0;
}

TEST(AtomicWrite, AWriterKilledWhileWritingLeavesTheFileWholeAndNothingBeside) {
    TempDir dir;
    const std::string path = dir.file("KARVO7Check.INI");
    writeText(path, "[Init]\nKarte=1\n");
    if (!unnamedTemporariesIn(dir.path())) {
        GTEST_SKIP() << "the file system of " << dir.path() << " has no unnamed files";
    }
    writerKilledWhileWriting(path, k7base::AtomicFile::Temporary::UnnamedWherePossible);
    EXPECT_EQ(readText(path), "[Init]\nKarte=1\n");
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"KARVO7Check.INI"});
}

TEST(AtomicWrite, ANamedTemporaryOfAKilledWriterGoesWhenTheFileIsWrittenNext) {
    TempDir dir;
    const std::string path = dir.file("werte.csv");
    writeText(path, "1\n");
    const pid_t dead = writerKilledWhileWriting(path, k7base::AtomicFile::Temporary::Named);
    EXPECT_EQ(readText(path), "1\n");
    const std::vector<std::string> left = filesIn(dir.path());
    ASSERT_EQ(left.size(), 2u);
    const std::string stale = "werte.csv.k7tmp-" + std::to_string(dead) + "-";
    EXPECT_EQ(sortedFilesIn(dir.path())[1].rfind(stale, 0), 0u) << sortedFilesIn(dir.path())[1];

    // Beside it: a temporary of a writer that runs (this one), names that only look alike, and
    // a temporary of another file: none of them is touched.
    const std::vector<std::string> kept = {
        "werte.csv.k7tmp-" + std::to_string(::getpid()) + "-abc123", "werte.csv.k7tmp-x-1",
        "werte.csv.k7tmp-" + std::to_string(dead),
        "andere.csv.k7tmp-" + std::to_string(dead) + "-a"};
    for (const std::string& name : kept) {
        writeText(dir.file(name), "x");
    }
    std::string error;
    ASSERT_TRUE(k7base::writeFileAtomically(path, "2\n", &error)) << error;
    EXPECT_EQ(readText(path), "2\n");
    std::vector<std::string> expected = kept;
    expected.push_back("werte.csv");
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sortedFilesIn(dir.path()), expected);
}

// ---- links in a shared folder ---------------------------------------------------------------

// A drop folder like /tmp in `dir`: sticky, writable by everyone, owned by another user (uid 1).
std::string sharedFolder(const TempDir& dir) {
    const std::string shared = dir.file("ablage");
    EXPECT_EQ(::mkdir(shared.c_str(), 0777), 0);
    EXPECT_EQ(::chmod(shared.c_str(), 01777), 0);
    EXPECT_EQ(::chown(shared.c_str(), 1, 1), 0);
    return shared;
}

// A link at `at` to `target`, owned by user `uid`.
void plantLink(const std::string& target, const std::string& at, uid_t uid) {
    ASSERT_EQ(::symlink(target.c_str(), at.c_str()), 0);
    ASSERT_EQ(::lchown(at.c_str(), uid, uid), 0);
}

TEST(AtomicWrite, ALinkOfAnotherUserInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "links of other users are made by root only";
    }
    TempDir dir;
    const std::string shared = sharedFolder(dir);
    const std::string victim = dir.file("KARVO7Check.INI");
    writeText(victim, "[Init]\nKarte=1\n");
    // Planted by a third user (uid 2): not followed, the file it points to untouched.
    const std::string planted = shared + "/report.xml";
    plantLink(victim, planted, 2);
    std::string error;
    EXPECT_FALSE(k7base::writeFileAtomically(planted, "<x/>", &error));
    EXPECT_EQ(error, planted + ": fremder symbolischer Link");
    EXPECT_EQ(readText(victim), "[Init]\nKarte=1\n");
    EXPECT_FALSE(k7base::linkMayBeFollowed(planted));

    // The folder owner's link and the caller's own link are followed.
    ASSERT_EQ(::lchown(planted.c_str(), 1, 1), 0);
    EXPECT_TRUE(k7base::writeFileAtomically(planted, "[Init]\nKarte=2\n", &error)) << error;
    EXPECT_EQ(readText(victim), "[Init]\nKarte=2\n");
    ASSERT_EQ(::lchown(planted.c_str(), 0, 0), 0);
    EXPECT_TRUE(k7base::writeFileAtomically(planted, "[Init]\nKarte=3\n", &error)) << error;
    EXPECT_EQ(readText(victim), "[Init]\nKarte=3\n");

    // Outside a shared folder a link of another user is followed as before.
    const std::string own = dir.file("link.ini");
    plantLink(victim, own, 2);
    EXPECT_TRUE(k7base::writeFileAtomically(own, "[Init]\nKarte=4\n", &error)) << error;
    EXPECT_EQ(readText(victim), "[Init]\nKarte=4\n");
}

// A planted link to a folder turns every name below it: refused as a link to a file is, for a
// new file and for one that is there, also when the way to it takes a further link.
TEST(AtomicWrite, ALinkOfAnotherUserToAFolderInASharedFolderIsNotFollowed) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "links of other users are made by root only";
    }
    TempDir dir;
    const std::string shared = sharedFolder(dir);
    const std::string privat = dir.file("privat");
    ASSERT_EQ(::mkdir(privat.c_str(), 0700), 0);
    const std::string victim = privat + "/report.xml";
    writeText(victim, "alt");
    const std::string planted = shared + "/x";
    plantLink(privat, planted, 2);
    // A link of the caller's own that leads through the planted one.
    const std::string own = dir.file("weg");
    ASSERT_EQ(::symlink(planted.c_str(), own.c_str()), 0);
    for (const std::string& target :
         {planted + "/report.xml", planted + "/neu.xml", own + "/report.xml",
          planted + "/sub/../report.xml", shared + "/../ablage/./x/report.xml"}) {
        std::string error;
        EXPECT_FALSE(k7base::writeFileAtomically(target, "neu", &error)) << target;
        // The planted link is named, wherever the way to it starts.
        EXPECT_EQ(error, planted + ": fremder symbolischer Link");
        std::string refused;
        EXPECT_FALSE(k7base::linkMayBeFollowed(target, &refused)) << target;
        EXPECT_EQ(refused, planted);
        EXPECT_FALSE(k7base::linkMayBeFollowed(target)) << target;
        k7base::AtomicFile file;
        EXPECT_FALSE(file.open(target)) << target;
    }
    EXPECT_EQ(readText(victim), "alt");
    EXPECT_EQ(filesIn(privat).size(), 1u);

    // The folder owner's link to a folder is followed.
    ASSERT_EQ(::lchown(planted.c_str(), 1, 1), 0);
    std::string error;
    EXPECT_TRUE(k7base::writeFileAtomically(planted + "/report.xml", "neu", &error)) << error;
    EXPECT_EQ(readText(victim), "neu");
}

}  // namespace
