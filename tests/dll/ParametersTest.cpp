// Measurement, transmitter and gain preparation of parameter sets, and the combined
// preparations: command words, validation, set selection, depth-compensation table.
#include <functional>

#include "CardPair.h"

using namespace k7test;
using namespace k7test::cards;

namespace {

const uint16_t kTable[8] = {0x1111, 0x2222, 0x3333, 0x4444, 0x5555, 0x6666, 0x7777, 0x8888};
const uint16_t kOtherTable[8] = {1, 2, 3, 4, 5, 6, 7, 8};

// A record that uses every field: the words it must give are written out below by hand.
MeasureParams fullRecord() {
    MeasureParams p{};
    p.IFF = 0x12345;
    p.TAStuetzstellen = 4;
    p.TATabelle = kTable;
    p.Bit8 = 1;
    p.Average = 3;
    p.Samplerate = 2;
    p.Start = 1;
    p.PKVorlauf = 0x10;
    p.Aufnahmelaenge = 0x800;
    p.Aufnahmedelay = 0x1234;
    p.ASCAN = 1;
    p.Faktor = 5;
    p.Gleichrichtung = 2;
    p.ExternerTrigger = 1;
    p.Triggereingangsmode = 3;
    p.Triggerausgangsmode = 5;
    p.Ausblenden = 9;
    p.TAVerzoegerung = 0x30;
    p.TAAbstand = 20;
    return p;
}

std::vector<Command> fullRecordCommands(uint32_t set) {
    return {{0x2001, 1, {set}},
            {0x4401, 1, {0xF026}},
            {0x6002, 2, {0x08000010, 0x1234}},
            {0x5801, 1, {3}},
            {0x6801, 1, {0x0502}},
            {0x5C02, 2, {0x12345, 0x5951}},
            {0x6402, 2, {0x00300004, 20}}};
}

// The smallest record the card takes: no table, no A-scan, no averaging.
MeasureParams plainRecord(uint8_t start) {
    MeasureParams p{};
    p.Start = start;
    p.Aufnahmelaenge = 1;
    return p;
}

SpecialParams fullSpecial() {
    SpecialParams s{};
    s.Sendersperre = 1;
    s.Sendeimpulsbreite = 5;
    s.Sendeenergie = 7;
    s.SEMode = 1;
    s.Senderdaempfung = 2;
    s.Eingangsdaempfung = 3;
    s.Filter = 7;
    return s;
}

std::vector<Command> transmitterCommands() {
    return {{0x4801, 1, {0x8507}}, {0x4C01, 1, {0x010E}}, {0x5401, 1, {7}}};
}

std::vector<Command> selection(uint32_t set) {
    return {{0x2001, 1, {set}}};
}

template <typename T>
std::vector<T> operator+(std::vector<T> a, const std::vector<T>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

using MeasurePreparation = CardPair;

TEST_F(MeasurePreparation, FullRecordGivesTheCommandWordsAndTheTableBeforeItsCommand) {
    const MeasureParams p = fullRecord();
    uint32_t error = 7;
    EXPECT_EQ(KARVO7PrepMeasureParamPointer(v3, 5, &p, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), fullRecordCommands(5));
    const auto r = driver.requests();
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[6].code, req::kDepthTable);
    EXPECT_EQ(r[6].input,
              (Bytes{0x11, 0x11, 0x22, 0x22, 0x33, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}));
    EXPECT_EQ(r[6].outputSize, 0u);
    for (const auto& block : driver.commandBlocks()) {
        EXPECT_EQ(block.size(), 36u);
    }
}

TEST_F(MeasurePreparation, EveryFormSendsWhatTheParamFormSends) {
    const MeasureParams p = fullRecord();
    const auto forms = std::vector<std::pair<std::function<int(uint32_t*)>, uint32_t>>{
        {[&](uint32_t* e) {
             return KARVO7PrepMeasure(v3, 0x12345, 4, kTable, 1, 0x010203, 0x08000010, 0x1234, 1,
                                      0x0205, 1, 0x090503, 0x00140030, e);
         },
         0},
        {[&](uint32_t* e) {
             return KARVO7PrepMeasureParam(v3, 0x105, 0x12345, 4, kTable, 1, 0x010203, 0x08000010,
                                           0x1234, 1, 0x0205, 1, 0x090503, 0x00140030, e);
         },
         5},
        {[&](uint32_t* e) { return KARVO7PrepMeasurePointer(v3, &p, e); }, 0},
        {[&](uint32_t* e) { return KARVO7PrepMeasureParamPointer(v3, 5, &p, e); }, 5},
        {[&](uint32_t* e) {
             MeasureParams copy = p;
             return KARVO7PrepMeasureSSTPointer(v3, &copy, kTable, e);
         },
         0},
    };
    for (const auto& [call, set] : forms) {
        driver.clearRecords();
        uint32_t error = 7;
        EXPECT_EQ(call(&error), 1);
        EXPECT_EQ(error, 0u);
        EXPECT_EQ(sent(), fullRecordCommands(set));
    }
}

TEST_F(MeasurePreparation, SstFormsPointARecordWithATableAtTheSeparateTable) {
    MeasureParams p = fullRecord();
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PrepMeasureSSTParamPointer(v3, 2, &p, kOtherTable, &error), 1);
    EXPECT_EQ(p.TATabelle, kOtherTable);
    EXPECT_EQ(driver.requests()[6].input, (Bytes{1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0}));
    // A record without a table stays without one.
    MeasureParams none = plainRecord(1);
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepMeasureSSTPointer(v3, &none, kOtherTable, &error), 1);
    EXPECT_EQ(none.TATabelle, nullptr);
    for (uint32_t code : requestCodes()) {
        EXPECT_NE(code, req::kDepthTable);
    }
}

TEST_F(MeasurePreparation, RefusesTheFirstBadValueInCheckingOrderWithoutTouchingTheCard) {
    MeasureParams p = fullRecord();
    p.Samplerate = 8;
    p.Start = 12;
    p.Average = 8;
    p.IFF = 0x400000;
    p.Ausblenden = 16;
    p.Triggereingangsmode = 4;
    p.Triggerausgangsmode = 8;
    p.Aufnahmelaenge = 0;
    p.Aufnahmedelay = 0x100000;
    p.Faktor = 0;
    p.Gleichrichtung = 4;
    p.TAAbstand = 19;
    const std::vector<std::pair<uint32_t, std::function<void(MeasureParams&)>>> repairs = {
        {0x900D0000, [](MeasureParams& m) { m.Samplerate = 2; }},
        {0x90030000, [](MeasureParams& m) { m.Start = 11; }},
        {0x90050000, [](MeasureParams& m) { m.Average = 7; }},
        {0x90060000, [](MeasureParams& m) { m.IFF = 0x3FFFFF; }},
        {0x90070000, [](MeasureParams& m) { m.Ausblenden = 15; }},
        {0x90120000, [](MeasureParams& m) { m.Triggereingangsmode = 3; }},
        {0x90080000, [](MeasureParams& m) { m.Triggerausgangsmode = 7; }},
        {0x90090000, [](MeasureParams& m) { m.Aufnahmelaenge = 1; }},
        {0x900A0000, [](MeasureParams& m) { m.Aufnahmedelay = 0xFFFFF; }},
        {0x900B0000, [](MeasureParams& m) { m.Faktor = 1; }},
        {0x900C0000, [](MeasureParams& m) { m.Gleichrichtung = 3; }},
        {0x90130000, [](MeasureParams& m) { m.TAAbstand = 20; }},
    };
    for (const auto& [code, repair] : repairs) {
        uint32_t error = 0;
        EXPECT_EQ(KARVO7PrepMeasureParamPointer(v3, 1, &p, &error), 0);
        EXPECT_EQ(error, code);
        repair(p);
    }
    EXPECT_TRUE(driver.requests().empty());
    uint32_t error = 7;
    EXPECT_EQ(KARVO7PrepMeasureParamPointer(v3, 1, &p, &error), 1);
    EXPECT_EQ(error, 0u);
}

TEST_F(MeasurePreparation, ATableNeedsTheSamplesOfOneMicrosecondAsSpacing) {
    const uint16_t minimum[8] = {80, 40, 20, 10, 160, 5, 2, 1};
    for (uint8_t rate = 0; rate < 8; ++rate) {
        MeasureParams p = plainRecord(1);
        p.Samplerate = rate;
        p.TATabelle = kTable;
        p.TAAbstand = static_cast<uint16_t>(minimum[rate] - 1);
        uint32_t error = 0;
        EXPECT_EQ(KARVO7PrepMeasurePointer(other, &p, &error), 0) << int{rate};
        EXPECT_EQ(error, 0x90130000u);
        p.TAAbstand = minimum[rate];
        EXPECT_EQ(KARVO7PrepMeasurePointer(other, &p, &error), 1) << int{rate};
        // Without a table any spacing goes, and neither table nor 0x6402 is sent.
        p.TATabelle = nullptr;
        p.TAAbstand = 0;
        driver.clearRecords();
        EXPECT_EQ(KARVO7PrepMeasurePointer(other, &p, &error), 1);
        for (const auto& c : sent()) {
            EXPECT_NE(c.code, 0x6402);
        }
        EXPECT_EQ(driver.requests().size(), 3u);
    }
}

TEST_F(MeasurePreparation, AScanOffIgnoresFaktorAndGleichrichtung) {
    MeasureParams p = plainRecord(1);
    p.Faktor = 0;
    p.Gleichrichtung = 9;
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PrepMeasurePointer(other, &p, &error), 1);
    // No 0x6801, no 0x5801 with Average 0, and mode bit 12 clear.
    EXPECT_EQ(sent(), (std::vector<Command>{
                          {0x4401, 1, {0x5}}, {0x6002, 2, {0x00010000, 0}}, {0x5C02, 2, {0, 0}}}));
}

TEST_F(MeasurePreparation, TableSendsTheSupportPointsRoundedUpToAnEvenCount) {
    uint16_t big[256];
    for (uint16_t i = 0; i < 256; ++i) {
        big[i] = static_cast<uint16_t>(0x100 + i);
    }
    // support points field -> values sent
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {{0, 2},     {4, 6},     {5, 6},
                                                              {254, 256}, {255, 256}, {0x104, 6}};
    for (const auto& [field, values] : cases) {
        MeasureParams p = plainRecord(1);
        p.TAStuetzstellen = field;
        p.TATabelle = big;
        p.TAAbstand = 80;
        p.TAVerzoegerung = 0x1234;
        driver.clearRecords();
        uint32_t error = 0;
        ASSERT_EQ(KARVO7PrepMeasurePointer(other, &p, &error), 1);
        const auto r = driver.requests();
        ASSERT_EQ(r.size(), 5u);
        EXPECT_EQ(r[3].code, req::kDepthTable);
        const auto* bytes = reinterpret_cast<const uint8_t*>(big);
        EXPECT_EQ(r[3].input, Bytes(bytes, bytes + 2 * values)) << field;
        EXPECT_EQ(sent().back(), (Command{0x6402, 2, {0x12340000 | (field & 0xFF), 80}}));
    }
}

TEST_F(MeasurePreparation, StartModeBitsAndTheEmulatedSingleStartOfOtherCards) {
    struct Case {
        bool version3;
        uint8_t start;
        uint32_t ascan;
        uint32_t mode;
    };
    const Case cases[] = {
        {true, 0, 0, 0x1},  {true, 1, 1, 0x6},  {true, 2, 0, 0x9},  {true, 3, 1, 0xE},
        {true, 5, 0, 0x7},  {true, 9, 0, 0x4},  {true, 11, 1, 0xC}, {false, 2, 0, 0x5},
        {false, 3, 1, 0x6}, {false, 6, 0, 0xB}, {false, 1, 0, 0x5},
    };
    for (const Case& c : cases) {
        MeasureParams p = plainRecord(c.start);
        p.ASCAN = c.ascan;
        p.Faktor = 1;
        driver.clearRecords();
        uint32_t error = 0;
        ASSERT_EQ(KARVO7PrepMeasurePointer(c.version3 ? v3 : other, &p, &error), 1);
        const auto commands = sent();
        const size_t mode = c.version3 ? 1 : 0;
        ASSERT_GT(commands.size(), mode);
        EXPECT_EQ(commands[mode], (Command{0x4401, 1, {c.mode}})) << int{c.start};
    }
}

TEST_F(MeasurePreparation, AFailedCommandEndsTheSequenceWithTheDriversWord) {
    const MeasureParams p = fullRecord();
    driver.failNthCommand(2);
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PrepMeasureParamPointer(v3, 1, &p, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(sent().size(), 3u);
    EXPECT_EQ(requestCodes().back(), req::kLastError);

    driver.clearRecords();
    driver.failRequest(req::kDepthTable);
    EXPECT_EQ(KARVO7PrepMeasureParamPointer(v3, 1, &p, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(sent().size(), 6u);  // 0x6402 not sent

    driver.clearRecords();
    driver.failNthCommand(0);
    EXPECT_EQ(KARVO7PrepMeasureParamPointer(v3, 1, &p, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(sent().size(), 1u);  // the failed selection ends the preparation
}

using TransmitterPreparation = CardPair;

TEST_F(TransmitterPreparation, SelectsTheSetOnlyOnVersion3CardsAndPacksTheWords) {
    const SpecialParams s = fullSpecial();
    uint32_t error = 7;
    EXPECT_EQ(KARVO7PrepSpecialParamPointer(v3, 3, &s, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), selection(3) + transmitterCommands());
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepSpecialParamPointer(other, 3, &s, &error), 1);
    EXPECT_EQ(sent(), transmitterCommands());
    // The other forms: the same words, set 0 where no set is given.
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepSpecial(v3, 1, 0x0705, 1, 0x070302, &error), 1);
    EXPECT_EQ(KARVO7PrepSpecialParam(v3, 3, 1, 0x0705, 1, 0x070302, &error), 1);
    EXPECT_EQ(KARVO7PrepSpecialPointer(v3, &s, &error), 1);
    EXPECT_EQ(sent(), selection(0) + transmitterCommands() + selection(3) + transmitterCommands() +
                          selection(0) + transmitterCommands());
}

TEST_F(TransmitterPreparation, RefusesTheFirstBadValueInCheckingOrder) {
    SpecialParams s{};
    s.Sendeimpulsbreite = 6;
    s.Sendeenergie = 8;
    s.Senderdaempfung = 4;
    s.Eingangsdaempfung = 4;
    s.Filter = 8;
    const std::vector<std::pair<uint32_t, std::function<void(SpecialParams&)>>> repairs = {
        {0x90040000, [](SpecialParams& x) { x.Sendeimpulsbreite = 7; }},
        {0x90040000, [](SpecialParams& x) { x.Sendeimpulsbreite = 5; }},
        {0x900E0000, [](SpecialParams& x) { x.Sendeenergie = 7; }},
        {0x900F0000, [](SpecialParams& x) { x.Senderdaempfung = 3; }},
        {0x90100000, [](SpecialParams& x) { x.Eingangsdaempfung = 3; }},
        {0x90110000, [](SpecialParams& x) { x.Filter = 7; }},
    };
    for (const auto& [code, repair] : repairs) {
        uint32_t error = 0;
        EXPECT_EQ(KARVO7PrepSpecialParamPointer(v3, 0, &s, &error), 0);
        EXPECT_EQ(error, code);
        repair(s);
    }
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(TransmitterPreparation, GainSendsSixteenBitsAfterTheSelectionOfVersion3Cards) {
    uint32_t error = 7;
    EXPECT_EQ(KARVO7SetGainParam(v3, 2, 0x11234, &error), 1);
    EXPECT_EQ(KARVO7SetGain(v3, 400, &error), 1);
    EXPECT_EQ(KARVO7SetGainParam(other, 2, 0x11234, &error), 1);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(sent(), (std::vector<Command>{{0x2001, 1, {2}},
                                            {0x5001, 1, {0x1234}},
                                            {0x2001, 1, {0}},
                                            {0x5001, 1, {400}},
                                            {0x5001, 1, {0x1234}}}));
}

using CombinedPreparation = CardPair;

TEST_F(CombinedPreparation, MeasureTransmitterGainThenGatesOnVersion3CardsOnly) {
    MeasureParams m = fullRecord();
    m.TATabelle = nullptr;
    const SpecialParams s = fullSpecial();
    GateParams g{};
    g.Gate[1] = {10, 20, 30};
    g.Enables.Enable[1] = 1;
    uint32_t error = 7;
    ASSERT_EQ(KARVO7PrepAllGatesParam(v3, 4, m, s, 300, g, &error), 1);
    EXPECT_EQ(error, 0u);
    auto expected = fullRecordCommands(4);
    expected.pop_back();
    expected[1].data[0] = 0xB026;  // no table
    expected = expected + selection(4) + transmitterCommands() +
               std::vector<Command>{{0x2001, 1, {4}}, {0x5001, 1, {300}}};
    std::vector<Command> gates;
    for (uint32_t i = 0; i < 5; ++i) {
        const uint32_t first = i == 1 ? (10u << 16 | 1) : i;
        const uint32_t second = i == 1 ? (30u << 16 | 20) : 0;
        gates = gates + std::vector<Command>{{0x2001, 1, {4}}, {0x7002, 2, {first, second}}};
    }
    gates = gates + std::vector<Command>{{0x2001, 1, {4}}, {0x7401, 1, {0x2}}};
    EXPECT_EQ(sent(), expected + gates);

    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepAllGates(v3, m, s, 300, g, &error), 1);
    EXPECT_EQ(sent().size(), expected.size() + gates.size());
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepAllParam(v3, 4, m, s, 300, &error), 1);
    EXPECT_EQ(sent(), expected);

    // A card that is not a version-3 card gets no gates and no set selection.
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepAllGatesParam(other, 4, m, s, 300, g, &error), 1);
    EXPECT_EQ(sent().size(), expected.size() - 3);
    for (const auto& c : sent()) {
        EXPECT_TRUE(c.code != 0x2001 && c.code != 0x7002 && c.code != 0x7401);
    }
    driver.clearRecords();
    EXPECT_EQ(KARVO7PrepAll(other, m, s, 300, &error), 1);
    EXPECT_EQ(sent().size(), expected.size() - 3);
}

TEST_F(CombinedPreparation, StopsAtTheFirstFailureLeavingWhatWasSent) {
    const MeasureParams m = plainRecord(1);
    SpecialParams s{};
    s.Filter = 8;
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PrepAllParam(other, 0, m, s, 100, &error), 0);
    EXPECT_EQ(error, 0x90110000u);
    EXPECT_EQ(sent().size(), 3u);  // the measurement commands only
    s.Filter = 0;
    driver.clearRecords();
    driver.failNthCommand(4);  // 0x4C01
    EXPECT_EQ(KARVO7PrepAllGates(other, m, s, 100, GateParams{}, &error), 0);
    EXPECT_EQ(error, kDriverWord);
    EXPECT_EQ(sent().size(), 5u);
}

using ParameterChecks = CardPair;

TEST_F(ParameterChecks, BadHandlesAndMissingRecordsAreRefusedBeforeTheCard) {
    ForeignHandle foreign;
    const MeasureParams m = plainRecord(1);
    const SpecialParams s{};
    for (KARVO7HANDLE h : {static_cast<KARVO7HANDLE>(nullptr), foreign.handle()}) {
        const std::vector<std::function<int(uint32_t*)>> calls = {
            [&](uint32_t* e) { return KARVO7PrepMeasurePointer(h, &m, e); },
            [&](uint32_t* e) {
                return KARVO7PrepMeasure(h, 0, 0, nullptr, 0, 0, 0x10000, 0, 0, 0, 0, 0, 0, e);
            },
            [&](uint32_t* e) { return KARVO7PrepSpecialParamPointer(h, 1, &s, e); },
            [&](uint32_t* e) { return KARVO7SetGainParam(h, 1, 1, e); },
            [&](uint32_t* e) { return KARVO7PrepAllParam(h, 1, m, s, 1, e); },
            [&](uint32_t* e) { return KARVO7PrepAllGatesParam(h, 1, m, s, 1, GateParams{}, e); },
        };
        for (const auto& call : calls) {
            uint32_t error = 99;
            K7OsSetLastError(0);
            EXPECT_EQ(call(&error), 0);
            EXPECT_EQ(error, 0u);
            EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_HANDLE);
        }
    }
    uint32_t error = 99;
    EXPECT_EQ(KARVO7PrepMeasureParamPointer(v3, 0, nullptr, &error), 0);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(K7OsGetLastError(), K7_ERROR_INVALID_PARAMETER);
    EXPECT_EQ(KARVO7PrepSpecialPointer(v3, nullptr, &error), 0);
    EXPECT_EQ(KARVO7PrepMeasureSSTPointer(v3, nullptr, kTable, &error), 0);
    EXPECT_TRUE(driver.requests().empty());
}

TEST_F(ParameterChecks, WithoutMemoryForTheCommandBlockNothingIsSent) {
    const MeasureParams m = plainRecord(1);
    const SpecialParams s{};
    FailingAllocator none;
    uint32_t error = 0;
    EXPECT_EQ(KARVO7PrepMeasurePointer(v3, &m, &error), 0);
    EXPECT_EQ(error, 0x90010000u);
    EXPECT_EQ(KARVO7PrepSpecialPointer(other, &s, &error), 0);
    EXPECT_EQ(error, 0x90010000u);
    EXPECT_EQ(KARVO7SetGain(other, 1, &error), 0);
    EXPECT_EQ(error, 0x90010000u);
    EXPECT_TRUE(driver.requests().empty());
}

}  // namespace
