// The parameter file saved through the C interface where links and the temporaries of killed
// writers lie: a link is written through to its file, a link of another user in a shared folder
// is refused by its name, and what a dead writer left goes with the next save.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "KARVO7Ops.h"
#include "ProfileFiles.h"
#include "ScratchFolder.h"

namespace {

class ProfileLinksTest : public ::testing::Test {
  protected:
    void SetUp() override {
        uint32_t error = 1;
        const std::string bytes = "[Init]\nKarte=9\n";
        profile = K7OpsProfileParse(bytes.data(), bytes.size(), &error);
        ASSERT_NE(profile, nullptr);
    }
    void TearDown() override {
        K7OpsProfileFree(profile);
        std::filesystem::remove_all(folder);
    }

    std::string write(const std::string& name, const std::string& text) {
        return opstest::writeFileIn(folder, name, text);
    }

    static std::string read(const std::string& path) { return opstest::readFile(path); }

    std::vector<std::string> names(const std::string& in) const { return opstest::namesIn(in); }

    uint32_t save(const std::string& path, std::string& message) const {
        char text[512] = "unchanged";
        uint32_t error = 1;
        K7OpsProfileSave(profile, path.c_str(), text, sizeof text, &error);
        message = text;
        return error;
    }

    std::string folder = k7test::makeScratchFolder("ops-profile-links");
    K7OpsProfile* profile = nullptr;
};

TEST_F(ProfileLinksTest, ALinkIsWrittenThroughToItsFileAndStaysALink) {
    std::filesystem::create_directory(folder + "/ziel");
    const std::string target = write("ziel/p.ini", "[Init]\nKarte=1\n");
    const std::string link = folder + "/p.ini";
    ASSERT_EQ(::symlink("ziel/p.ini", link.c_str()), 0);
    std::string message;
    EXPECT_EQ(save(link, message), 0u) << message;
    EXPECT_EQ(read(target), "[Init]\nKarte=9\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(names(folder + "/ziel"), std::vector<std::string>{"p.ini"});
}

TEST_F(ProfileLinksTest, TheTemporaryOfADeadWriterGoesWithTheNextSave) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    const std::string path = write("p.ini", "[Init]\nKarte=1\n");
    write("p.ini.k7tmp-" + std::to_string(child) + "-a1b2c3", "[Init]\nKar");
    const std::string live = "p.ini.k7tmp-" + std::to_string(::getpid()) + "-1";
    write(live, "x");
    std::string message;
    EXPECT_EQ(save(path, message), 0u) << message;
    EXPECT_EQ(read(path), "[Init]\nKarte=9\n");
    EXPECT_EQ(names(folder), (std::vector<std::string>{"p.ini", live}));
}

TEST_F(ProfileLinksTest, ALinkOfAnotherUserInASharedFolderIsRefusedByItsName) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "links of other users are made by root only";
    }
    const std::string shared = folder + "/ablage";
    ASSERT_EQ(::mkdir(shared.c_str(), 0777), 0);
    ASSERT_EQ(::chmod(shared.c_str(), 01777), 0);
    ASSERT_EQ(::chown(shared.c_str(), 1, 1), 0);
    std::filesystem::create_directory(folder + "/privat");
    const std::string victim = write("privat/p.ini", "[Init]\nKarte=1\n");
    const std::string planted = shared + "/x";
    ASSERT_EQ(::symlink((folder + "/privat").c_str(), planted.c_str()), 0);
    ASSERT_EQ(::lchown(planted.c_str(), 2, 2), 0);
    std::string message;
    EXPECT_EQ(save(planted + "/p.ini", message), K7OPS_ERROR_PROTECTED);
    EXPECT_EQ(message, planted + ": fremder symbolischer Link");
    EXPECT_EQ(read(victim), "[Init]\nKarte=1\n");
    EXPECT_EQ(names(folder + "/privat"), std::vector<std::string>{"p.ini"});
}

}  // namespace
