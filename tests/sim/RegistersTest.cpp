// What a set is told shows in the LCA registers; the bridge's operation registers and its
// PCI FIFO; register writes that take effect.
#include "SimFixture.h"

using namespace simtest;

namespace {

class Registers : public SimTest {};

uint32_t reg(KARVO7HANDLE h, uint32_t address) {
    return KARVO7ReadRegister(h, address);
}

TEST_F(Registers, ParametersOfTheSelectedSetAppearInTheRegisters) {
    KARVO7HANDLE h = warm();
    SetRecord r = defaultSet();
    r.measure.Samplerate = 2;
    r.measure.PKVorlauf = 70;
    r.measure.Aufnahmelaenge = 1000;
    r.measure.Aufnahmedelay = 0x12345;
    r.measure.Average = 3;
    r.measure.IFF = 0x23456;
    r.measure.ASCAN = 1;
    r.measure.Faktor = 4;
    r.measure.Gleichrichtung = 3;
    r.measure.ExternerTrigger = 1;
    r.measure.Triggerausgangsmode = 2;
    r.measure.Ausblenden = 9;
    r.special.Sendersperre = 1;
    r.special.Sendeimpulsbreite = 5;
    r.special.Sendeenergie = 3;
    r.special.SEMode = 1;
    r.special.Senderdaempfung = 2;
    r.special.Eingangsdaempfung = 1;
    r.special.Filter = 6;
    r.gain = 345;
    ASSERT_TRUE(prepare(h, 2, r));
    uint32_t error = 0;
    ASSERT_EQ(KARVO7SetTriggerDelay25nsParam(h, 2, 0x34567, &error), 1);
    ASSERT_EQ(KARVO7SetSAPDelayParam(h, 2, 70000, &error), 1);
    ASSERT_EQ(KARVO7SetESGateParam(h, 2, 44, 555, 1, 1, &error), 1);

    EXPECT_EQ(reg(h, 1064), 0x8503u);                            // lock, 450 ns, energy 3
    EXPECT_EQ(reg(h, 1030), 0x6106u);                            // filter 6, S/E, input 1, sender 2
    EXPECT_EQ((reg(h, 1026) >> 4) & 7u, 2u);                     // 20 MHz
    EXPECT_EQ(reg(h, 1032) | (reg(h, 1034) & 0xFF) << 16, 70u);  // pre-run
    EXPECT_EQ(reg(h, 1036) | (reg(h, 1038) & 0xF) << 16, 1000u);  // recording length
    EXPECT_EQ(reg(h, 1076), 70u);
    EXPECT_EQ(reg(h, 1042) | reg(h, 1044) << 16, 0x23456u);  // maximum SAP (IFF)
    const uint32_t trigger = reg(h, 1040);
    EXPECT_EQ(trigger & 1u, 1u);              // external trigger
    EXPECT_EQ((trigger >> 2) & 3u, 1u);       // single measurement
    EXPECT_EQ((trigger >> 4) & 3u, 2u);       // trigger output mode
    EXPECT_EQ((trigger >> 8) & 0xFu, 9u);     // blanking gate
    EXPECT_NE(trigger & 0x80u, 0u);           // averaging
    EXPECT_NE(trigger & 0x8000u, 0u);         // IFF used
    EXPECT_EQ(reg(h, 1062), 345u);            // gain
    EXPECT_EQ(reg(h, 1540), 4u);              // A-scan factor
    EXPECT_EQ(reg(h, 1538) >> 14, 3u);        // full-wave
    EXPECT_EQ((reg(h, 1538) >> 3) & 7u, 3u);  // average
    EXPECT_EQ(reg(h, 1542), 0x4567u);
    EXPECT_EQ(reg(h, 1544) & 0x10FFu, 0x1003u);  // 25-ns unit, high bits
    EXPECT_EQ(reg(h, 1078), 4464u);              // SAP delay, 16 bits
    EXPECT_EQ(reg(h, 1066), 555u);
    EXPECT_EQ(reg(h, 1068), 44u | 0x2000u | 0x4000u | 0x8000u);

    // Selecting another set shows that set's settings.
    ASSERT_EQ(KARVO7SetParam(h, 0, &error), 1);
    EXPECT_EQ(reg(h, 1064), 0x0001u);  // warm-up: energy 1, 25 ns
    EXPECT_EQ(reg(h, 1036), 1600u);
    ASSERT_EQ(KARVO7SetParam(h, 2, &error), 1);
    EXPECT_EQ(reg(h, 1036), 1000u);
}

TEST_F(Registers, CommandWindowWordsShowInTheirRegisters) {
    KARVO7HANDLE h = warm();
    uint32_t error = 0;
    const uint32_t shot = 0x4000u | 0x8000u | 0x1000u | (3u << 4) | (1u << 2) | 1u;
    ASSERT_EQ(KARVO7Command(h, 0x4401, 1, &shot, &error), 1);
    EXPECT_EQ((reg(h, 1026) >> 4) & 7u, 3u);
    EXPECT_EQ((reg(h, 1040) >> 2) & 3u, 1u);
    EXPECT_NE(reg(h, 1040) & 0x8080u, 0u);
    EXPECT_NE(reg(h, 1046) & 0x4000u, 0u);
    const uint32_t count[2] = {2u * 65536u + 160u, 77};
    ASSERT_EQ(KARVO7Command(h, 0x6002, 2, count, &error), 1);
    EXPECT_EQ(reg(h, 1032), 160u);
    EXPECT_EQ(reg(h, 1036), 2u);
    const uint32_t trigger[2] = {70000, 0x1000u | 0x0F00u | 0x30u};
    ASSERT_EQ(KARVO7Command(h, 0x5C02, 2, trigger, &error), 1);
    EXPECT_EQ(reg(h, 1042), 4464u);
    EXPECT_EQ(reg(h, 1044), 1u);
    EXPECT_EQ((reg(h, 1040) >> 4) & 3u, 3u);
    EXPECT_EQ((reg(h, 1040) >> 8) & 0xFu, 0xFu);
}

TEST_F(Registers, PowerAndIdentificationRegisters) {
    KARVO7HANDLE h = warm();
    EXPECT_EQ(reg(h, 1024), 0x7C31u);
    EXPECT_EQ(reg(h, 1536), 0x7D31u);
    EXPECT_EQ(reg(h, 1026) & 0x0F80u, 0x0F80u);
    uint32_t error = 0;
    ASSERT_EQ(KARVO7Command(h, 0x1400, 0, nullptr, &error), 1);
    EXPECT_EQ(reg(h, 1026) & 0x0F80u, 0u);
    EXPECT_EQ(KARVO7WriteRegister(h, 1024, 0x1234), 0);  // read-only
    EXPECT_EQ(reg(h, 1024), 0x7C31u);
    EXPECT_EQ(KARVO7ReadRegister(h, 1025), 0u);  // odd numbers are no registers
    EXPECT_EQ(KARVO7WriteRegister(h, 1080, 1), 0);
}

TEST_F(Registers, WrittenRegistersReadBackAndGateRegistersSetTheGates) {
    KARVO7HANDLE h = warm();
    ASSERT_TRUE(prepare(h, 0, defaultSet()));
    EXPECT_EQ(KARVO7WriteRegister(h, 1060, 0xBEEF), 1);
    EXPECT_EQ(reg(h, 1060), 0xBEEFu);
    // Gate 1 moved away from the first back-wall echo by its registers: no result any more.
    uint32_t error = 0;
    GateResults before{};
    ASSERT_EQ(KARVO7GetGates(h, &before, &error), 1);
    EXPECT_NE(before.Gate[1].Time, 0u);
    EXPECT_EQ(KARVO7WriteRegister(h, 1552, 1500), 1);
    EXPECT_EQ(KARVO7WriteRegister(h, 1554, 1520), 1);
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    GateResults after{};
    ASSERT_EQ(KARVO7GetGates(h, &after, &error), 1);
    EXPECT_EQ(after.Gate[1].Time, 0u);
    // Reading the gate registers gives the results of the last shot, not what was written.
    EXPECT_NE(reg(h, 1552), 1500u);
    EXPECT_EQ(reg(h, 1554), 0u);
    ASSERT_EQ(KARVO7PrepGatesParam(h, 0, 300, 400, 480, 300, 400, 800, 600, 800, 800, 800, 1000,
                                   800, 1100, 1400, 800, 0, 1, 1, 1, 1, &error),
              1);
    ASSERT_EQ(KARVO7Start(h, &error), 1);
    ASSERT_EQ(KARVO7GetGates(h, &after, &error), 1);
    EXPECT_EQ(reg(h, 1554), after.Gate[1].Time);
    EXPECT_EQ((reg(h, 1552) & 0x7F80u) >> 7, (after.Gate[1].Maximum >> 4) & 0xFFu);
}

TEST_F(Registers, OperationRegistersAndTheMailboxes) {
    KARVO7HANDLE h = open(1);
    EXPECT_EQ(KARVO7WriteRegister(h, 0x00, 0x11223344), 1);
    EXPECT_EQ(reg(h, 0x00), 0x11223344u);
    EXPECT_EQ(KARVO7WriteRegister(h, 0x24, 0xCAFE0000), 1);
    EXPECT_EQ(reg(h, 0x24), 0xCAFE0000u);
    EXPECT_EQ(KARVO7WriteRegister(h, 0x10, 0x55), 1);  // incoming: the add-on's side
    EXPECT_EQ(reg(h, 0x10), 0u);
    EXPECT_NE(reg(h, 0x34) & 0xFu, 0u);   // outgoing mailbox 1 full
    EXPECT_NE(reg(h, 0x3C) & 0x20u, 0u);  // PCI FIFO empty
    EXPECT_EQ(KARVO7ReadRegister(h, 0x40), 0u);
}

}  // namespace
