// An installed check program under a scratch root, for the tests of its parameter file.
#pragma once

#include <filesystem>
#include <string>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "profile/UserProfile.h"

namespace k7checktest {

// An installation under a scratch root: the program in usr/bin, the shipped examples in
// usr/share/karvo7, the user's configuration folder in home/.config/karvo7.
struct Installation {
    TempDir root;
    std::string program = root.file("usr/bin/KARVO7Check");
    std::string beside = root.file("usr/bin/KARVO7Check.INI");
    std::string shared = root.file("usr/share/karvo7");
    std::string config = root.file("home/.config/karvo7");
    std::string userCopy = config + "/KARVO7Check.INI";

    Installation() {
        std::filesystem::create_directories(root.file("usr/bin"));
        std::filesystem::create_directories(shared);
    }
    void shipExamples(const std::string& ini) {
        writeText(shared + "/KARVO7Check.INI", ini);
        writeText(shared + "/KARVO7Kennung.txt", readText(exampleFile("KARVO7Kennung.txt")));
        writeText(shared + "/KARVO7DSP.hex", readText(exampleFile("KARVO7DSP.hex")));
    }
    std::string choose() const { return k7check::chooseProfileFile(beside, program, config); }
};

}  // namespace k7checktest
