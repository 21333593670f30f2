// A full station: sixteen simulated cards on two PCI buses, numbered by the channels of the
// station's parameter file.
#include <gtest/gtest.h>

#include "CheckTestSupport.h"
#include "SimFixture.h"
#include "app/Session.h"

using namespace k7check;
using namespace k7checktest;

namespace {

// The station's parameter file of the station tests: channel k holds device 17 - k.
std::string stationParameterFile() {
    const std::string here = __FILE__;
    return readText(here.substr(0, here.rfind('/')) + "/../../station/sixteen-cards.ini");
}

TEST(SixteenCards, StartUpNumbersEveryCardByItsChannel) {
    k7sim::Config config = simtest::testConfig(16);
    for (uint32_t device = 9; device <= 16; ++device) {
        config.cards[device - 1].bus = 2;
        config.cards[device - 1].slot = device - 4;
    }
    k7sim::Simulator sim(config);
    ASSERT_TRUE(sim.install());
    TempDir dir;
    ScriptedDesktop desktop(dir.file("KARVO7Check"));
    desktop.onSleep([&sim] { sim.service(); });
    writeText(dir.file("KARVO7Check.INI"), stationParameterFile());
    {
        Session session(desktop);
        ASSERT_TRUE(session.startUp());
        EXPECT_EQ(session.cardCount(), 16u);
        EXPECT_EQ(session.startUpFailures(), 0u);
        EXPECT_EQ(session.fields().karteLabel, "von 16 Karten");
        EXPECT_TRUE(desktop.messages().empty()) << desktop.messageLines().front();
        for (uint32_t k = 1; k <= 16; ++k) {
            const uint32_t device = 17 - k;
            uint32_t bus = 0;
            uint32_t slot = 0;
            uint32_t error = 0;
            ASSERT_NE(KARVO7GetCardPosition(session.card(k), &bus, &slot, &error), 0);
            EXPECT_EQ(bus, device > 8 ? 2u : 1u) << "card " << k;
            EXPECT_EQ(slot, device > 8 ? device - 4 : device + 11) << "card " << k;
            EXPECT_EQ(session.channels()[k - 1].card, k);
            EXPECT_TRUE(session.parameterSets().active(k, 1)) << "card " << k;
        }
    }
    sim.uninstall();
}

}  // namespace
