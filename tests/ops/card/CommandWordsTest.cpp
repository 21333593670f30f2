// The Command window's parameter windows: the data words their fields make, the fields they
// open with from the card's registers, and the round trip registers -> window -> command word.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <set>
#include <string>

#include "card/CommandWords.h"

using namespace k7check;

namespace {

// Control registers of a card; unset registers read 0. Remembers what was read.
struct Registers {
    std::map<uint32_t, uint32_t> values;
    std::set<uint32_t> read;
    RegisterReader reader() {
        return [this](uint32_t number) {
            read.insert(number);
            const auto it = values.find(number);
            return it == values.end() ? 0u : it->second;
        };
    }
};

TEST(CommandCodes, NumbersCountsLabelsDefaultsAndTheCheckSequence) {
    const std::map<uint16_t, uint32_t> numbers = {
        {k7proto::cmd::kStart, 1},       {k7proto::cmd::kStop, 2},
        {k7proto::cmd::kReset, 3},       {k7proto::cmd::kOffset, 4},
        {k7proto::cmd::kPowerDown, 5},   {k7proto::cmd::kPowerUp, 6},
        {k7proto::cmd::kAttenuation, 7}, {k7proto::cmd::kShot, 17},
        {k7proto::cmd::kSender, 18},     {k7proto::cmd::kInput, 19},
        {k7proto::cmd::kGain, 20},       {k7proto::cmd::kHwConfig, 21},
        {k7proto::cmd::kAverage, 22},    {k7proto::cmd::kTrigger, 23},
        {k7proto::cmd::kCount, 24},      {k7proto::cmd::kAScan, 26},
        {k7proto::cmd::kSwConfig, 27}};
    for (const auto& [code, number] : numbers) {
        EXPECT_EQ(code >> 10, number) << std::hex << code;
        EXPECT_EQ(k7proto::cmd::wordsOf(code), number == 23 || number == 24 ? 2
                                               : number > 7                 ? 1
                                                                            : 0);
        EXPECT_STRNE(commandLabel(code), "");
    }
    EXPECT_STREQ(commandLabel(k7proto::cmd::kAttenuation), "Sys Attenuation: ");
    EXPECT_STREQ(commandLabel(k7proto::cmd::kAScan), "AScan: ");
    EXPECT_STREQ(commandLabel(0x6401), "");  // "SP Comp" sends nothing

    const auto defaults = defaultCommands();
    EXPECT_EQ(defaults[0].code, k7proto::cmd::kShot);
    EXPECT_EQ(defaults[0].words[0], 5u);
    EXPECT_EQ(defaults[6].code, k7proto::cmd::kTrigger);
    EXPECT_EQ(defaults[6].words[0], 20000u);
    EXPECT_EQ(defaults[7].words[0], countWords({160, 1000, 0})[0]);
    EXPECT_EQ(defaults[9].code, k7proto::cmd::kSwConfig);

    std::string labels;
    for (const CardCommand& step : commandCheckSteps()) {
        labels += commandLabel(step.code);
    }
    EXPECT_EQ(labels,
              "Reset: Power Up: Offset: Sys Attenuation: Shot: Start Messung: Stop Messung: "
              "Power Down: ");
}

TEST(CommandShot, WordFieldsAndTheWindowOpenedOnTheCard) {
    ShotFields f;
    f.measurement = ShotMeasurement::Einzelmessung;
    EXPECT_EQ(shotWord(f), 5u);  // the default: "A-Scan", "Einzelmessung"
    f.output = ShotOutput::HF;
    f.measurement = ShotMeasurement::Automatisch;
    f.clock = ShotClock::Clock1_8;
    f.average = f.achtBit = f.ta = f.iff = true;
    EXPECT_EQ(shotWord(f), 0xF000u | 3u << 4 | 2u << 2 | 2u);
    f.clock = ShotClock::Virtuell;
    EXPECT_EQ(shotWord(f) & 0x70u, 0x40u);

    Registers card;
    card.values = {{1026, 2u << 4}, {1040, 0x8000u | 0x80u | 2u << 2}, {1046, 1u << 14}};
    const ShotFields opened = shotFieldsFromRegisters(card.reader());
    EXPECT_EQ(card.read, (std::set<uint32_t>{1026, 1040, 1046}));
    EXPECT_EQ(opened.clock, ShotClock::Clock1_4);
    EXPECT_EQ(opened.output, ShotOutput::AScan);
    EXPECT_FALSE(opened.achtBit);
    EXPECT_EQ(shotWord(opened), 0xD000u | 2u << 4 | 2u << 2 | 1u);

    // Bits 2-3 = 3: no measurement radio, and "OK" sends measurement 0.
    card.values = {{1026, 5u << 4}, {1040, 3u << 2}};
    const ShotFields none = shotFieldsFromRegisters(card.reader());
    EXPECT_FALSE(none.measurement.has_value());
    EXPECT_EQ(none.clock, ShotClock::Virtuell);
    EXPECT_EQ(shotWord(none), 0x40u | 1u);
}

TEST(CommandSender, WordAndAPulseWidthTheWindowCannotShow) {
    EXPECT_EQ(senderWord({0, PulseWidth::Ns150, false}), 0x300u);  // the default
    EXPECT_EQ(senderWord({3, PulseWidth::Ns450, true}), 0x8503u);
    EXPECT_EQ(senderWord({7, std::nullopt, false}), 3u);

    Registers card;
    card.values = {{1064, 0x8402u | 0x70F0u}};
    const SenderFields opened = senderFieldsFromRegisters(card.reader());
    EXPECT_EQ(card.read, std::set<uint32_t>{1064});
    EXPECT_EQ(opened.energie, 2u);
    EXPECT_EQ(opened.pulseWidth, PulseWidth::Ns250);
    EXPECT_EQ(senderWord(opened), 0x8402u);
    for (const uint32_t width : {6u, 7u}) {
        card.values = {{1064, width << 8 | 1u}};
        const SenderFields none = senderFieldsFromRegisters(card.reader());
        EXPECT_FALSE(none.pulseWidth.has_value());
        EXPECT_EQ(senderWord(none), 1u);
    }
}

TEST(CommandInputAndHwConfig, StepsCutToTwoBitsAndRegister1030) {
    EXPECT_EQ(inputWord({0, 1, false}), 4u);  // the default
    EXPECT_EQ(inputWord({5, 6, true}), 0x100u | 2u << 2 | 1u);

    Registers card;
    card.values = {{1030, 0x7000u | 0x100u | 0xE0u | 0xDu}};
    const InputFields opened = inputFieldsFromRegisters(card.reader());
    EXPECT_EQ(opened.senderDaempfung, 1u);
    EXPECT_EQ(opened.eingangsDaempfung, 3u);
    EXPECT_TRUE(opened.se);
    EXPECT_EQ(inputWord(opened), 0x10Du);
    EXPECT_EQ(hwConfigFilterFromRegisters(card.reader()), 7u);
    EXPECT_EQ(card.read, std::set<uint32_t>{1030});
    EXPECT_EQ(hwConfigWord(9), 9u);
}

TEST(CommandGainAverageAScanSwConfig, NumbersAsTheWindowsSendThem) {
    // Tenths of a decibel in 16 unsigned bits.
    EXPECT_EQ(gainWord(12.7), 127u);
    EXPECT_EQ(gainWord(20.0), 200u);
    EXPECT_EQ(gainWord(0.1), 1u);
    EXPECT_EQ(gainWord(6553.5), 65535u);
    EXPECT_EQ(gainWord(-3.5), 0u);
    EXPECT_EQ(gainWord(std::nan("")), 0u);
    EXPECT_EQ(gainWord(1e300), 65535u);

    EXPECT_FALSE(averageWord(0).has_value());
    EXPECT_EQ(std::string(commandLabel(k7proto::cmd::kAverage)) + kAverageZero, "Average:  = 0");
    EXPECT_EQ(averageWord(16), 16u);

    EXPECT_EQ(aScanWord({}), 0u);
    EXPECT_EQ(aScanWord({AScanForm::Vollweg, 4}), 3u + 4u * 256u);
    EXPECT_EQ(aScanWord({AScanForm::Negativ, 0x01000001u}), 2u + 256u);  // 32-bit word

    EXPECT_EQ(swConfigWord(true), 1u);
    EXPECT_EQ(swConfigWord(false), 0u);
}

TEST(CommandCount, AcquisitionAndPreRunInOneWordFromFourRegisters) {
    EXPECT_EQ(countWords({70000, 2, 5}), (std::array<uint32_t, 2>{201072, 5}));

    Registers card;
    card.values = {{1032, 0x100A0u}, {1034, 0x1FFu}, {1036, 0x103E8u}, {1038, 0xF2u}};
    const CountFields opened = countFieldsFromRegisters(card.reader());
    EXPECT_EQ(card.read, (std::set<uint32_t>{1032, 1034, 1036, 1038}));
    EXPECT_EQ(opened.vorlauf, 0xFF00A0u);
    EXPECT_EQ(opened.aufnahme, 0x203E8u);
    EXPECT_EQ(opened.delay, 0u);
    // A pre-run above 16 bits adds to the acquisition in word 0.
    EXPECT_EQ(countWords(opened)[0], 0x203E8u * 65536u + 0xFF00A0u);
    card.values = {{1032, 160}, {1036, 1000}};
    EXPECT_EQ(countWords(countFieldsFromRegisters(card.reader()))[0], 0x3E800A0u);
}

TEST(CommandTrigger, GateLowBitsAndExternSentInverted) {
    TriggerFields f;
    f.triggerblende = 17;
    f.maxSap = 20000;
    EXPECT_EQ(triggerWords(f), (std::array<uint32_t, 2>{20000, 0x100u | 1u}));
    f.externTrigger = true;
    f.einzeln = true;
    f.start = TriggerStart::ExtAusgang;
    f.triggerblende = 15;
    EXPECT_EQ(triggerWords(f)[1], 0x1000u | 0xF00u | 0x30u);

    // A card triggered externally (bit 0 = 1) opens with "extern" checked, which "OK" sends as
    // bit 0 = 0: the window's round trip inverts the bit.
    Registers card;
    card.values = {{1040, 0xA00u | 2u << 4 | 1u << 2 | 1u}, {1042, 0x12345u}, {1044, 0x7u}};
    const TriggerFields opened = triggerFieldsFromRegisters(card.reader());
    EXPECT_EQ(card.read, (std::set<uint32_t>{1040, 1042, 1044}));
    EXPECT_TRUE(opened.externTrigger);
    EXPECT_TRUE(opened.einzeln);
    EXPECT_EQ(opened.start, TriggerStart::SapEinzeln);
    EXPECT_EQ(opened.triggerblende, 10u);
    EXPECT_EQ(opened.maxSap, 0x72345u);
    EXPECT_EQ(triggerWords(opened)[1], 0x1000u | 0xA00u | 0x20u);

    for (const uint32_t mode : {0u, 2u, 3u}) {
        card.values = {{1040, mode << 2}};
        const TriggerFields master = triggerFieldsFromRegisters(card.reader());
        EXPECT_FALSE(master.einzeln);
        EXPECT_EQ(triggerWords(master)[1], 1u);
    }
}

TEST(CommandSapDelay, LowSixteenBits) {
    EXPECT_EQ(sapDelayValue(70000), 4464);
    EXPECT_EQ(sapDelayValue(65535), 65535);
}

}  // namespace
