// The parameter file of an installed program: the file beside the program, else the user's copy
// in the configuration folder, made from the shipped example on first start.
#include <gtest/gtest.h>

#include <filesystem>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "profile/Installation.h"
#include "profile/UserProfile.h"

using namespace k7check;
using namespace k7checktest;

namespace {

const std::string kExample =
    "; Parameter file of the check program\r\n[Init]\r\nKarte=1\r\n"
    "[Kennung]\r\nFilename=KARVO7Kennung.txt\r\n[DSP]\r\nFilename=KARVO7DSP.hex\r\n";

TEST(UserConfigFolder, FollowsTheDesktopsConfigurationFolder) {
    EXPECT_EQ(userConfigFolder("/home/anna/cfg", "/home/anna"), "/home/anna/cfg/karvo7");
    // An unset, empty or relative XDG_CONFIG_HOME means the default below the home folder.
    EXPECT_EQ(userConfigFolder(nullptr, "/home/anna"), "/home/anna/.config/karvo7");
    EXPECT_EQ(userConfigFolder("", "/home/anna"), "/home/anna/.config/karvo7");
    EXPECT_EQ(userConfigFolder("cfg", "/home/anna"), "/home/anna/.config/karvo7");
    // Without a usable home there is no user folder, rather than one relative to wherever the
    // program was started.
    EXPECT_EQ(userConfigFolder(nullptr, nullptr), "");
    EXPECT_EQ(userConfigFolder("cfg", "home"), "");
}

TEST(UserConfigFolder, ExamplesLieBelowTheProgramsPrefix) {
    EXPECT_EQ(exampleFolder("/usr/bin/KARVO7Check"), "/usr/share/karvo7/");
    EXPECT_EQ(exampleFolder("/tmp/root/usr/bin/KARVO7Check"), "/tmp/root/usr/share/karvo7/");
    EXPECT_EQ(exampleFolder("KARVO7Check"), "");
}

TEST(UserProfile, FirstStartCopiesTheExampleWithItsFilesNamedWhereTheyAre) {
    Installation install;
    install.shipExamples(kExample);

    EXPECT_EQ(install.choose(), install.userCopy);
    EXPECT_EQ(readText(install.userCopy),
              "; Parameter file of the check program\r\n[Init]\r\nKarte=1\r\n"
              "[Kennung]\r\nFilename=" +
                  install.shared + "/KARVO7Kennung.txt\r\n[DSP]\r\nFilename=" + install.shared +
                  "/KARVO7DSP.hex\r\n");
    // The example stays as shipped, and nothing is put beside the program.
    EXPECT_EQ(readText(install.shared + "/KARVO7Check.INI"), kExample);
    EXPECT_EQ(filesIn(install.root.file("usr/bin")), std::vector<std::string>{});
    EXPECT_EQ(filesIn(install.config), std::vector<std::string>{"KARVO7Check.INI"});
}

TEST(UserProfile, LaterStartsKeepTheUsersChanges) {
    Installation install;
    install.shipExamples(kExample);
    ASSERT_EQ(install.choose(), install.userCopy);
    writeText(install.userCopy, "[Init]\nKarte=2\n");

    EXPECT_EQ(install.choose(), install.userCopy);
    EXPECT_EQ(readText(install.userCopy), "[Init]\nKarte=2\n");
}

TEST(UserProfile, AFileBesideTheProgramWins) {
    Installation install;
    install.shipExamples(kExample);
    writeText(install.beside, "[Init]\nKarte=3\n");
    std::filesystem::create_directories(install.config);
    writeText(install.userCopy, "[Init]\nKarte=2\n");

    EXPECT_EQ(install.choose(), install.beside);
    // A portable install does not make a user copy either.
    Installation portable;
    portable.shipExamples(kExample);
    writeText(portable.beside, "[Init]\nKarte=3\n");
    EXPECT_EQ(portable.choose(), portable.beside);
    EXPECT_FALSE(std::filesystem::exists(portable.config));
}

TEST(UserProfile, NamesThatAreNotShippedFilesStayAsTheyAre) {
    Installation install;
    const std::string ini =
        "[Kennung]\nFilename=/srv/station/kennung.txt\n[DSP]\nFilename=own.hex\n";
    writeText(install.shared + "/KARVO7Check.INI", ini);

    ASSERT_EQ(install.choose(), install.userCopy);
    EXPECT_EQ(readText(install.userCopy), ini);
}

TEST(UserProfile, WithoutAWritableUserFolderTheExampleIsReadAsItIs) {
    Installation install;
    install.shipExamples(kExample);
    // The configuration folder's parent is a file: the folder cannot be made (whoever runs
    // the test).
    writeText(install.root.file("home"), "");

    EXPECT_EQ(install.choose(), install.shared + "/KARVO7Check.INI");
    EXPECT_EQ(chooseProfileFile(install.beside, install.program, ""),
              install.shared + "/KARVO7Check.INI");
    EXPECT_EQ(readText(install.shared + "/KARVO7Check.INI"), kExample);
}

TEST(UserProfile, WithoutAnyFileTheMissingFileBesideTheProgramIsReported) {
    Installation install;
    EXPECT_EQ(install.choose(), install.beside);
    EXPECT_FALSE(std::filesystem::exists(install.config));
}

}  // namespace
