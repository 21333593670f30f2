// A card whose state the disk does not take: `karvo7 eeprom --write` and `karvo7 dsp` on a
// simulated card that cannot keep what it is given say so and exit non-zero, and the card keeps
// what it held.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "Commands.h"
#include "Environment.h"
#include "InProcessCards.h"

namespace tooltest {
namespace {

class CardStateTest : public InProcessCards {
  protected:
    void SetUp() override {
        k7test::unsetEnvironment("KARVO7_SIM_STATE");
        k7sim::Config c = config("kept");
        c.persist = true;
        c.stateDir = folder.file("state");
        // A folder stands where each state file goes: the disk takes no new state.
        const std::string card = c.stateDir + "/" + c.instance + "/card1.";
        std::filesystem::create_directories(c.stateDir + "/" + c.instance);
        for (const char* what : {"eeprom", "firmware"}) {
            std::filesystem::create_directory(card + what);
        }
        install(c);
    }
};

TEST_F(CardStateTest, AnEepromByteTheCardCannotKeepFailsTheCommand) {
    karvo7::EepromOptions o;
    o.card = 1;
    o.write = {"0x100", "0x5A"};
    o.yes = true;
    std::ostringstream out, err;
    EXPECT_EQ(karvo7::runEeprom(o, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("EEPROM offset 0x100: wrote 0x5A, reads back 0x"), std::string::npos)
        << err.str();
    EXPECT_EQ(err.str().find("reads back 0x5A"), std::string::npos) << err.str();
}

TEST_F(CardStateTest, AProgramTheCardCannotKeepFailsTheLoadWithTheDriversWord) {
    writeFile(folder.file("p.bin"), std::string(256, '\x3C'));
    karvo7::DspOptions o;
    o.card = 1;
    o.file = folder.file("p.bin");
    std::ostringstream out, err;
    EXPECT_EQ(karvo7::runDsp(o, out, err), 1);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("card 1: loading failed, error 0xE7080001 (error word of the driver)"),
              std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace tooltest
