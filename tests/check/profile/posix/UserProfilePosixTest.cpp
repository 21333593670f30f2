// The installed program on a POSIX system starts on the user's copy in $XDG_CONFIG_HOME.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "profile/Installation.h"
#include "profile/UserProfile.h"

using namespace k7check;
using namespace k7checktest;

namespace {

// XDG_CONFIG_HOME for the length of a scope.
class ConfigHome {
  public:
    explicit ConfigHome(const std::string& folder) {
        if (const char* old = std::getenv("XDG_CONFIG_HOME")) {
            saved_ = old;
        }
        ::setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
    ~ConfigHome() {
        if (saved_) {
            ::setenv("XDG_CONFIG_HOME", saved_->c_str(), 1);
        } else {
            ::unsetenv("XDG_CONFIG_HOME");
        }
    }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

  private:
    std::optional<std::string> saved_;
};

TEST(UserProfile, TheInstalledProgramStartsOnTheUsersCopy) {
    Installation install;
    install.shipExamples(readText(exampleFile("KARVO7Check.INI")));
    const ConfigHome home(install.root.file("home/.config"));
    k7test::RecordingDriver driver;
    const k7test::ScopedDriver installed(driver);
    answerDesignations(driver);
    driver.setPosition(1, 1, 12);
    driver.setDevices({{1, true}});
    ScriptedDesktop desktop(install.program);
    KARVO7CheckDlg window(desktop);

    ASSERT_TRUE(window.onInit());
    EXPECT_EQ(window.session().profileFile(), install.userCopy);
    // The checks find the shipped reference files through the copy.
    EXPECT_EQ(desktop.profileString(install.userCopy, "DSP", "Filename", ""),
              install.shared + "/KARVO7DSP.hex");
}

}  // namespace
