// The parameter file as the main window reads and writes it: booleans, thresholds, field
// widths, the cards it covers, saving, choosing another file and the channel table.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "CheckTestSupport.h"
#include "paramfile/IniFile.h"
#include "paramfile/ParameterKeys.h"
#include "profile/ParameterFile.h"

using namespace k7check;
using namespace k7checktest;

namespace {

class ParameterFile : public MainWindowFixture, public ::testing::Test {};

TEST_F(ParameterFile, BooleansAreFalseOnlyForAFirstCharacterN) {
    parameterFile(
        "[Karte1-Satz0]\nActive=No\n[Karte1-Satz1]\nActive=n\n[Karte1-Satz2]\nActive=Yes\n"
        "[Karte1-Satz3]\nActive=1\n[Karte1-Satz4]\nActive=0\n[Karte1-Satz5]\nActive=\n"
        "[Karte1-Satz6]\nActive=  nein  \n[Karte1-Satz7]\nActive=\"no\"\n"
        "[Init]\nDMA=NO\nAnzeige=off\n[Check]\nDSP=n\nTest=\n");
    ASSERT_TRUE(start());
    const std::array<bool, 8> expected{false, false, true, true, true, false, false, false};
    EXPECT_EQ(window->session().parameterSets().activeFlags(1), expected);
    EXPECT_FALSE(window->fields().dma);
    EXPECT_TRUE(window->fields().anzeige);
    EXPECT_FALSE(window->fields().automatic[index(CheckId::Dsp)]);
    EXPECT_TRUE(window->fields().automatic[index(CheckId::Test)]);  // empty keeps "yes"
}

TEST_F(ParameterFile, ThresholdsAreHeldTimesSixteenAndSavedDividedBySixteen) {
    parameterFile("[Karte1-Satz2]\nB1-Schwelle=50\nB3-Schwelle=5000\n");
    ASSERT_TRUE(start());
    ParameterSet& set = *window->session().editableSet(1, 2);
    EXPECT_EQ(set.gates[1].schwelle, 800);
    EXPECT_EQ(set.gates[3].schwelle, static_cast<uint16_t>(80000));  // 16 bits held
    EXPECT_EQ(set.gates[0].schwelle, 30 * 16);                       // default
    set.gates[2].schwelle = 805;
    window->onSave();
    const IniFile saved = IniFile::load(profile());
    EXPECT_EQ(saved.value("Karte1-Satz2", "B1-Schwelle"), "50");
    EXPECT_EQ(saved.value("Karte1-Satz2", "B2-Schwelle"), "50");
    EXPECT_EQ(saved.value("Karte1-Satz2", "B0-Schwelle"), "30");
}

TEST_F(ParameterFile, ValuesAreCutToTheWidthOfTheirField) {
    parameterFile(
        "[Karte1-Satz0]\nAufnahmelaenge=70000\nAverage=258\nAufnahmedelay=-5\n"
        "IFF=4294967295\nVerstaerkung=-1\n");
    ASSERT_TRUE(start());
    const ParameterSet& set = window->session().parameterSets().set(1, 0);
    EXPECT_EQ(set.aufnahmelaenge, 4464);
    EXPECT_EQ(set.average, 2);
    EXPECT_EQ(set.aufnahmedelay, -5);
    EXPECT_EQ(set.iff, 0xFFFFFFFFu);
    EXPECT_EQ(set.verstaerkung, 0xFFFF);
    window->onSave();
    const IniFile saved = IniFile::load(profile());
    EXPECT_EQ(saved.value("Karte1-Satz0", "Aufnahmelaenge"), "4464");
    EXPECT_EQ(saved.value("Karte1-Satz0", "Average"), "2");
    EXPECT_EQ(saved.value("Karte1-Satz0", "Aufnahmedelay"), "-5");
    EXPECT_EQ(saved.value("Karte1-Satz0", "Verstaerkung"), "65535");
}

TEST_F(ParameterFile, SectionsOfCardsBeyondTheCountAreNeitherReadNorWritten) {
    cards({{1, true}, {2, true}});
    const std::string card3 = "[Karte3-Satz0]\nActive=yes\nFilter=6\n; hand-made\n";
    parameterFile("[Karte2-Satz0]\nFilter=5\n" + card3);
    ASSERT_TRUE(start());
    EXPECT_EQ(window->session().parameterSets().set(2, 0).filter, 5);
    EXPECT_EQ(window->session().parameterSets().set(3, 0).filter, 3);
    EXPECT_FALSE(window->session().parameterSets().active(3, 0));
    window->session().editableSet(3, 0)->filter = 1;
    window->onSave();
    const std::string text = readText(profile());
    EXPECT_NE(text.find(card3), std::string::npos);
    EXPECT_EQ(text.find("[Karte3-Satz1]"), std::string::npos);
    EXPECT_NE(text.find("[Karte2-Satz7]"), std::string::npos);
}

TEST_F(ParameterFile, SaveAsksFirstAndWritesTheSettingsInOrder) {
    ASSERT_TRUE(start());
    desktop.answerMessages({Answer::No});
    window->onSave();
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{"Check: Wollen Sie wirklich sichern?"});
    EXPECT_EQ(desktop.messages()[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(filesIn(dir.path()).empty());

    window->session().selectCard(1);
    window->session().selectSet(4);
    window->session().settings().zyklen = 7;
    window->session().settings().prepAll = true;
    window->session().settings().automatic[index(CheckId::SteuerLca)] = false;
    window->onSave();
    const std::string text = readText(profile());
    EXPECT_EQ(text.substr(0, text.find("[Karte1-Satz0]")),
              "[Init]\nParametersatz=4\nAnzeigefaktor=1\nZyklen=7\nKarte=1\nDMA=yes\n"
              "PrepAll=yes\nKontinuierlich=no\nAnzeige=yes\nVIRMA4=yes\nHotPlug=yes\nTimeOut=10\n"
              "[Check]\nPCIconfig=yes\nPCIEEPROM=yes\nPCIoperation=yes\nKennung=yes\nDSP=yes\n"
              "LCA=no\nTest=yes\nCommand=yes\nEinzelmessung=yes\nBlockmessung=yes\n");
    EXPECT_EQ(text.find("[Bus]"), std::string::npos);
}

TEST_F(ParameterFile, ASetTravelsThroughTheFileUnchanged) {
    ASSERT_TRUE(start());
    ParameterSet set;
    set.iff = 123456;
    set.bit8 = true;
    set.average = 7;
    set.samplerate = 4;
    set.start = 11;
    set.pkVorlauf = 65535;
    set.aufnahmelaenge = 1;
    set.aufnahmedelay = -100;
    set.ascan = true;
    set.faktor = 255;
    set.gleichrichtung = 3;
    set.externerTrigger = true;
    set.triggereingangsmode = 3;
    set.triggerausgangsmode = 7;
    set.ausblenden = 15;
    set.taVerzoegerung = 12;
    set.taAbstand = 34;
    set.sendersperre = true;
    set.sendeimpulsbreite = 5;
    set.sendeenergie = 6;
    set.seMode = true;
    set.senderdaempfung = 2;
    set.eingangsdaempfung = 1;
    set.filter = 0;
    set.verstaerkung = 900;
    set.esbTime = -7;
    set.esbLevel = 44;
    set.esbRelativ = true;
    set.esbAlways = true;
    for (uint32_t g = 0; g < kGates; ++g) {
        set.gates[g] = {static_cast<int32_t>(10 * g), static_cast<int32_t>(1000 + g),
                        static_cast<uint16_t>(16 * (g + 1))};
        set.enable[g] = g % 2 == 0;
    }
    set.triggerExtern = true;
    set.triggerdelay = 999;
    set.sapDelay = 4321;

    IniFile file;
    writeSet(file, "Karte1-Satz5", set, true);
    ParameterSet back;
    back.filter = 7;  // overwritten by the file
    bool active = false;
    readSet(file, "Karte1-Satz5", back, active);
    EXPECT_TRUE(active);
    for (const ParameterField& key : parameterFields()) {
        EXPECT_EQ(fieldText(key, back), fieldText(key, set)) << key.key;
    }
    // Every key once, in table order, behind "Active".
    const std::string text = file.bytes();
    EXPECT_EQ(text.rfind("[Karte1-Satz5]\nActive=yes\nIFF=123456\n8Bit=yes\n", 0), 0u);
    EXPECT_NE(text.find("B4-enable=yes\nTriggerExtern=yes\nTriggerdelay=999\nSAP-Delay=4321\n"),
              std::string::npos);
}

TEST_F(ParameterFile, LoadSetsTheDepthCompensationFieldsAndDefaults) {
    parameterFile("[Karte1-Satz1]\nFilter=2\n");
    ASSERT_TRUE(start());
    ParameterSet& set = *window->session().editableSet(1, 1);
    EXPECT_EQ(set.filter, 2);
    EXPECT_EQ(set.taStuetzstellen, 1);
    EXPECT_FALSE(set.taReferenz);
    EXPECT_EQ(set.aufnahmelaenge, 1600);
    EXPECT_EQ(set.esbTime, 200);
    EXPECT_EQ(set.gates[4].anfang, 1100);
    EXPECT_EQ(set.gates[4].schwelle, 800);
    EXPECT_FALSE(set.enable[0]);
    EXPECT_TRUE(set.enable[4]);
}

TEST_F(ParameterFile, SavingAfterChoosingAnotherFileWritesThatFile) {
    parameterFile("[Init]\nZyklen=11\n");
    ASSERT_TRUE(start());
    const std::string other = dir.file("other.ini");
    writeText(other, "[Init]\nZyklen=22\nKarte=1\n[Karte1-Satz0]\nFilter=6\n");
    desktop.answerFileDialog(other);
    window->onChooseParameterFile();
    EXPECT_EQ(desktop.fileDialogs(), std::vector<std::string>{"*.ini | *.ini"});
    EXPECT_EQ(window->session().profileFile(), other);
    EXPECT_EQ(window->fields().parameterFiles, std::vector<std::string>{other});
    EXPECT_EQ(window->fields().zyklen, 22u);
    EXPECT_EQ(window->session().parameterSets().set(1, 0).filter, 6);

    window->session().settings().zyklen = 33;
    window->onSave();
    EXPECT_EQ(IniFile::load(other).getInt("Init", "Zyklen", 0), 33);
    EXPECT_EQ(readText(profile()), "[Init]\nZyklen=11\n");
}

TEST_F(ParameterFile, SaveAndRestartKeepTimeOutRandomLimitsAndDepthCompensation) {
    ASSERT_TRUE(start());
    Session& session = window->session();
    session.settings().timeOut = 20;
    RandomLimits limits = session.randomLimits();
    limits.upper.verstaerkung = 800;
    limits.lower.aufnahmelaenge = 32;
    session.setRandomLimits(limits);
    // A table as "Laden" leaves it: seven points from a .ta file, on.
    ParameterSet& set = *session.editableSet(1, 2);
    set.taReferenz = true;
    set.taStuetzstellen = 6;
    set.taAbstand = 160;
    set.taTabelle = {};
    for (uint16_t i = 0; i < 7; ++i) {
        set.taTabelle[i] = static_cast<uint16_t>(100 + 25 * i);
    }
    set.taTabelle[9] = 65534;  // beyond the points, kept all the same
    set.taDatei = "/tmp/Platte.ta";
    const ParameterSet saved = set;
    desktop.answerMessages({Answer::Yes});
    window->onSave();

    destroy();
    driver.clearRecords();
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().timeOut, 20);
    // The driver gets the saved time-out at start-up.
    const auto requests = driver.requests();
    EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const auto& r) {
        return r.code == kTimeOutCode && k7test::le32(r.input, 0) == 20;
    }));
    EXPECT_EQ(window->session().randomLimits().upper.verstaerkung, 800);
    EXPECT_EQ(window->session().randomLimits().lower.aufnahmelaenge, 32);
    EXPECT_EQ(window->session().randomLimits().upper.aufnahmelaenge, 16000);
    const ParameterSet& back = window->session().parameterSets().set(1, 2);
    EXPECT_TRUE(back.taReferenz);
    EXPECT_EQ(back.taStuetzstellen, 6);
    EXPECT_EQ(back.taAbstand, 160);
    EXPECT_EQ(back.taTabelle, saved.taTabelle);
    EXPECT_EQ(back.taDatei, saved.taDatei);
    // A set without a table stays without one.
    EXPECT_FALSE(window->session().parameterSets().set(1, 3).taReferenz);
    EXPECT_EQ(window->session().parameterSets().set(1, 3).taStuetzstellen, 1);
}

TEST_F(ParameterFile, AChosenFileWithValuesTheProgramCannotTakeIsNotLoaded) {
    parameterFile("[Init]\nZyklen=11\n");
    ASSERT_TRUE(start());
    const std::string other = dir.file("broken.ini");
    writeText(other,
              "[Init]\nParametersatz=-3\nZyklen=0\nKarte=99\nAnzeigefaktor=5\n"
              "[Karte1-Satz0]\nFilter=9\nVerstaerkung=12x\nB1-Schwelle=4096\n"
              "TA-Tabelle=1 2 70000\n[Random-Maximum]\nVerstaerkung=-1\n");
    desktop.answerFileDialog(other);
    window->onChooseParameterFile();
    EXPECT_EQ(desktop.messageLines(),
              std::vector<std::string>{
                  "Check: Parameterdatei " + other +
                  " nicht geladen, ungültige Werte:\n"
                  "[Init] Karte = 99: erlaubt sind 1 bis 1\n"
                  "[Init] Parametersatz = -3: erlaubt sind 0 bis 7\n"
                  "[Init] Zyklen = 0: erlaubt sind 1 bis 4294967295\n"
                  "[Karte1-Satz0] Filter = 9: erlaubt sind 0 bis 7\n"
                  "[Karte1-Satz0] Verstaerkung = 12x: erlaubt sind 0 bis 65535\n"
                  "[Karte1-Satz0] B1-Schwelle = 4096: erlaubt sind 0 bis 4095\n"
                  "[Karte1-Satz0] TA-Tabelle = 1 2 70000: erlaubt sind bis zu 256 Zahlen von 0 "
                  "bis 65535\n"
                  "[Random-Maximum] Verstaerkung = -1: erlaubt sind 0 bis 65535"});
    // Nothing of it was taken: not the file, not one value.
    EXPECT_EQ(window->session().profileFile(), profile());
    EXPECT_EQ(window->fields().zyklen, 11u);
    EXPECT_EQ(window->fields().anzeigefaktor, 1);
    EXPECT_EQ(window->session().parameterSets().set(1, 0).filter, 3);
}

TEST_F(ParameterFile, ACancelledFileDialogChangesNothing) {
    parameterFile("[Init]\nZyklen=11\n");
    ASSERT_TRUE(start());
    window->session().settings().zyklen = 12;
    window->onChooseParameterFile();  // no scripted answer: cancelled
    EXPECT_EQ(window->session().profileFile(), profile());
    EXPECT_EQ(window->fields().zyklen, 12u);
}

TEST_F(ParameterFile, AFailedSaveIsReported) {
    ASSERT_TRUE(start());
    desktop.answerFileDialog(dir.file("no-such-folder/x.ini"));
    window->onChooseParameterFile();
    desktop.clear();
    window->onSave();
    ASSERT_EQ(desktop.messages().size(), 2u);
    EXPECT_EQ(desktop.messageLines()[1], "Check: Parameterdatei " +
                                             dir.file("no-such-folder/x.ini") +
                                             " konnte nicht gesichert werden!");
}

TEST_F(ParameterFile, AReadOnlyFileIsKeptAndTheSaveReported) {
    parameterFile("[Init]\nZyklen=7\n");
    makeReadOnly(profile());
    ASSERT_TRUE(start());
    window->session().settings().zyklen = 99;
    desktop.clear();
    window->onSave();
    EXPECT_EQ(desktop.messageLines().back(),
              "Check: Parameterdatei " + profile() + " konnte nicht gesichert werden!");
    EXPECT_EQ(readText(profile()), "[Init]\nZyklen=7\n");
}

TEST_F(ParameterFile, AFolderAsParameterFileReadsAsEmpty) {
    std::filesystem::create_directory(profile());
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().zyklen, 200u);
    EXPECT_TRUE(desktop.messages().empty());
}

TEST_F(ParameterFile, AnEmptiedNumberKeepsItsDefault) {
    parameterFile("[Init]\nZyklen=\n[Karte1-Satz0]\nB1-Schwelle=\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().zyklen, 200u);
    EXPECT_EQ(window->session().parameterSets().set(1, 0).gates[1].schwelle, 50 * 16);
}

TEST_F(ParameterFile, ANameThatDiffersInCaseIsFoundAndSavedInPlace) {
#if defined(_WIN32)
    GTEST_SKIP() << "the file system does not tell case apart: the name asked for is the file";
#endif
    writeText(dir.file("karvo7check.ini"), "[Init]\nZyklen=33\n");
    ASSERT_TRUE(start());
    EXPECT_EQ(window->fields().zyklen, 33u);
    EXPECT_EQ(window->session().profileFile(), dir.file("karvo7check.ini"));
    window->session().settings().zyklen = 44;
    window->onSave();
    EXPECT_EQ(filesIn(dir.path()), std::vector<std::string>{"karvo7check.ini"});
    EXPECT_NE(readText(dir.file("karvo7check.ini")).find("Zyklen=44"), std::string::npos);
}

TEST(ChannelParsing, FollowsThePatternAsFarAsTheTextMatches) {
    uint32_t bus = 7;
    uint32_t slot = 8;
    parseChannel("Bus 3 Slot 14", bus, slot);
    EXPECT_EQ(bus, 3u);
    EXPECT_EQ(slot, 14u);
    parseChannel("Bus 5", bus, slot);
    EXPECT_EQ(bus, 5u);
    EXPECT_EQ(slot, 14u);
    parseChannel("Bus 6 Platz 2", bus, slot);
    EXPECT_EQ(bus, 6u);
    EXPECT_EQ(slot, 14u);
    parseChannel("Kanal 1", bus, slot);
    EXPECT_EQ(bus, 6u);
    parseChannel("Bus   9Slot2", bus, slot);
    EXPECT_EQ(bus, 9u);
    EXPECT_EQ(slot, 2u);

    std::array<Channel, kMaxCards> channels{};
    readChannels(IniFile::parse("[bus]\nkanal2 = Bus 3 Slot 14\n"), channels);
    EXPECT_EQ(channels[1].bus, 3u);
    EXPECT_EQ(channels[1].slot, 14u);
    EXPECT_EQ(channels[0].bus, 0u);
}

TEST(RandomLimits, StartUpValues) {
    const RandomLimits limits = defaultRandomLimits();
    EXPECT_EQ(limits.lower.aufnahmelaenge, 16);
    EXPECT_EQ(limits.upper.aufnahmelaenge, 16000);
    EXPECT_EQ(limits.upper.average, 7);
    EXPECT_EQ(limits.upper.samplerate, 4);
    EXPECT_EQ(limits.upper.faktor, 25);
    EXPECT_EQ(limits.upper.sendeimpulsbreite, 5);
    EXPECT_EQ(limits.upper.verstaerkung, 900);
    EXPECT_EQ(limits.lower.filter, 3);
    EXPECT_EQ(limits.upper.filter, 3);
    EXPECT_EQ(limits.lower.start, 1);
    EXPECT_EQ(limits.lower.taStuetzstellen, 0);
    for (uint32_t g = 0; g < kGates; ++g) {
        EXPECT_EQ(limits.lower.gates[g].ende, 100);
        EXPECT_EQ(limits.upper.gates[g].anfang, 6000);
        EXPECT_EQ(limits.upper.gates[g].schwelle, 1024);
        EXPECT_FALSE(limits.lower.enable[g]);
        EXPECT_TRUE(limits.upper.enable[g]);
    }
}

}  // namespace

namespace {

TEST_F(ParameterFile, SixteenCardsWriteEverySectionOnceAndReadItBack) {
    std::map<uint32_t, bool> devices;
    for (uint32_t d = 1; d <= 16; ++d) {
        devices[d] = true;
    }
    cards(devices);
    ASSERT_TRUE(start());
    window->session().editableSet(16, 7)->sapDelay = 77;
    window->session().setActive(9, 4, true);
    window->onSave();
    const std::string text = readText(profile());
    for (uint32_t k = 1; k <= 16; ++k) {
        for (uint32_t s = 0; s < 8; ++s) {
            const std::string header = "[" + setSection(k, s) + "]\n";
            const size_t at = text.find(header);
            ASSERT_NE(at, std::string::npos) << header;
            EXPECT_EQ(text.find(header, at + 1), std::string::npos) << header;
        }
    }
    destroy();
    ASSERT_TRUE(start());
    EXPECT_EQ(window->session().parameterSets().set(16, 7).sapDelay, 77);
    EXPECT_TRUE(window->session().parameterSets().active(9, 4));
    EXPECT_FALSE(window->session().parameterSets().active(9, 3));
}

}  // namespace
