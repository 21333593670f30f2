// The PCI bridge windows and checks on simulated cards: the configuration check against the
// parameter file's references, writing the configuration, the EEPROM check with repair, the
// EEPROM window's write, the reference windows and the operation registers.
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "CheckTestSupport.h"
#include "ExampleFiles.h"
#include "KARVO7Protocol.h"
#include "SimFixture.h"
#include "headless/HeadlessCheckAll.h"
#include "paramfile/IniFile.h"
#include "windows/pci/PCIconfigRegisterDlg.h"
#include "windows/pci/PCIconfigVorgabenDlg.h"
#include "windows/pci/PCIeepromRegisterDlg.h"
#include "windows/pci/PCIeepromVorgabenDlg.h"
#include "windows/pci/PCIoperationRegisterDlg.h"
#include "windows/registers/LCADlg.h"

using namespace k7check;
using namespace k7checktest;

namespace {

class PciWindows : public ::testing::Test {
  protected:
    PciWindows() {
        writeText(profile(), readText(exampleFile("KARVO7Check.INI")));
        desktop.onSleep([this] {
            if (sim) {
                sim->service();
            }
        });
    }
    ~PciWindows() override {
        KARVO7Close(card);
        sim.reset();
    }
    void start(k7sim::Config config = simtest::testConfig(1),
               std::vector<k7sim::Fault> faults = {}) {
        sim = std::make_unique<k7sim::Simulator>(config);
        ASSERT_TRUE(sim->install());
        for (const auto& fault : faults) {
            sim->addFault(1, fault);
        }
        card = KARVO7Open(1);
        ASSERT_NE(card, nullptr);
    }
    std::string profile() const { return dir.file("KARVO7Check.INI"); }
    void reference(const std::string& section, const std::string& key, const std::string& value) {
        IniFile file = IniFile::load(profile());
        file.set(section, key, value);
        ASSERT_TRUE(file.save(profile()));
    }
    // The EEPROM check's verdict and text with the shipped parameter file but for one
    // [PCIEEPROM] key.
    std::pair<bool, std::string> checkWithReference(const std::string& key,
                                                    const std::string& value) {
        writeText(profile(), readText(exampleFile("KARVO7Check.INI")));
        reference("PCIEEPROM", key, value);
        PCIeepromRegisterDlg window(desktop, card, profile());
        std::string text;
        const bool passed = window.automaticCheck(text);
        return {passed, text};
    }
    std::vector<uint8_t> eeprom() const {
        std::vector<uint8_t> bytes;
        for (uint32_t a = 0; a < 0x80; ++a) {
            bytes.push_back(KARVO7ReadPCIEEPROMbyte(card, a));
        }
        return bytes;
    }
    std::array<uint8_t, 256> configuration() const {
        std::array<uint8_t, 256> image{};
        EXPECT_EQ(KARVO7ReadConfigData(card, image.data()), 1);
        return image;
    }
    static k7sim::Fault configReadFails(bool always) {
        k7sim::Fault f;
        f.kind = k7sim::Fault::Kind::Request;
        f.code = k7proto::req::kReadPciConfig;
        f.word = 0xE0001234u;
        f.always = always;
        return f;
    }
    static k7sim::Fault eepromProtected() {
        k7sim::Fault f;
        f.kind = k7sim::Fault::Kind::EepromProtected;
        return f;
    }

    TempDir dir;
    ScriptedDesktop desktop;  // its virtual clock first, so the cards follow it
    std::unique_ptr<k7sim::Simulator> sim;
    KARVO7HANDLE card = nullptr;
};

TEST_F(PciWindows, ConfigurationCheckReportsTheFirstMismatchInItsOrder) {
    start();
    PCIconfigRegisterDlg window(desktop, card, profile());
    std::string text;
    EXPECT_TRUE(window.automaticCheck(text));
    EXPECT_EQ(text, "OK");

    reference("PCIconfiguration", "InterruptLine", "0A");
    reference("PCIconfiguration", "Status", "0290");
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "Status Soll: 0290 Ist: 0280");

    reference("PCIconfiguration", "Status", "0280");
    reference("PCIconfiguration", "Baseaddress1", "0000E402");
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "Baseaddress1 Soll: E402 Ist: E401");

    // A missing or unusable reference fails the check by its name; it is never compared as 0.
    writeText(profile(), "[Init]\nKarte=1\n");
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "Vorgabe fehlt: [PCIconfiguration] VendorID");
    writeText(profile(), "[PCIconfiguration]\nVendorID=10E8\nDeviceID=1FFFF\n");
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "Vorgabe ungültig: [PCIconfiguration] DeviceID");
}

TEST_F(PciWindows, AnUnreadableConfigurationFailsAndIsNeverWritten) {
    start(simtest::testConfig(1), {configReadFails(false)});
    const auto before = [&] {
        PCIconfigRegisterDlg window(desktop, card, profile());
        desktop.showModeless(window);  // the read fails once: the fields stay empty
        EXPECT_FALSE(window.imageRead());
        EXPECT_EQ(desktop.controlsOf(window)->text("vendorIdEdit"), "");
        desktop.controlsOf(window)->type("vendorIdEdit", "10E8");
        EXPECT_FALSE(window.onWrite());
        return desktop.messageLines();
    }();
    EXPECT_EQ(before, (std::vector<std::string>{
                          "PCI Configuration Register: Die PCI-Konfiguration wurde nicht "
                          "gelesen: es wird nichts geschrieben!"}));
    EXPECT_EQ(configuration()[0x10], 0x01);  // base address 0 as assigned

    sim->addFault(1, configReadFails(true));
    PCIconfigRegisterDlg window(desktop, card, profile());
    std::string text;
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "PCI-Konfiguration nicht lesbar");
}

TEST_F(PciWindows, ConfigurationWindowShowsWritesAndRereads) {
    start();
    PCIconfigRegisterDlg window(desktop, card, profile());
    desktop.showModeless(window);
    ScriptedControls& controls = *desktop.controlsOf(window);
    EXPECT_EQ(controls.text("positionLabel"), "Bus 1, Slot 12, KARVO7F");
    EXPECT_EQ(controls.text("classCodeEdit"), "FF0000");
    EXPECT_EQ(controls.text("baseAddress0Edit"), "0000E001");
    EXPECT_EQ(controls.text("subsystemIdEdit"), "0007");
    EXPECT_EQ(controls.text("subVendorIdEdit"), "10E8");

    controls.type("latencyTimerEdit", "40");
    desktop.answerMessages({Answer::No});
    EXPECT_FALSE(window.onWrite());
    EXPECT_EQ(configuration()[0x0D], 0x20);

    // One entry the register cannot hold as typed, and nothing of the image is written.
    const auto before = configuration();
    const std::pair<const char*, const char*> refused[] = {
        {"zz", "Cache Line Size\": erlaubt sind Hexadezimalzahlen von 00 bis FF."},
        {"1,5", "Cache Line Size\": erlaubt sind Hexadezimalzahlen von 00 bis FF."},
        {"100", "Cache Line Size\": erlaubt sind Hexadezimalzahlen von 00 bis FF."},
    };
    for (const auto& [typed, message] : refused) {
        controls.type("latencyTimerEdit", "40");
        controls.type("cacheLineSizeEdit", typed);
        desktop.answerMessages({Answer::Yes});
        EXPECT_FALSE(window.onWrite()) << typed;
        EXPECT_EQ(configuration(), before) << typed;
        EXPECT_EQ(desktop.messageLines().back(),
                  std::string("PCI Configuration Register: Ungültiger Wert in \"") + message);
    }
    controls.type("interruptLineEdit", "12345678");
    controls.type("cacheLineSizeEdit", "00");
    desktop.answerMessages({Answer::Yes});
    EXPECT_FALSE(window.onWrite());
    EXPECT_EQ(configuration(), before);
    EXPECT_EQ(desktop.messageLines().back(),
              "PCI Configuration Register: Ungültiger Wert in \"Interrupt Line\": erlaubt sind "
              "Hexadezimalzahlen von 00 bis FF.");

    controls.type("interruptLineEdit", "0B");
    desktop.answerMessages({Answer::Yes});
    EXPECT_TRUE(window.onWrite());
    EXPECT_EQ(configuration()[0x0D], 0x40);
    EXPECT_EQ(configuration()[0x0C], 0x00);
    EXPECT_EQ(configuration()[0x3C], 0x0B);
    EXPECT_EQ(controls.text("latencyTimerEdit"), "40");
}

TEST_F(PciWindows, EepromEqualToTheReferencesPassesWithoutWriting) {
    start();
    PCIeepromRegisterDlg window(desktop, card, profile());
    const auto before = eeprom();
    std::string text;
    EXPECT_TRUE(window.automaticCheck(text));
    EXPECT_EQ(text, "OK");
    EXPECT_TRUE(desktop.work().empty());
    EXPECT_EQ(eeprom(), before);
}

TEST_F(PciWindows, EepromCheckRepairsOnlyTheDeviatingField) {
    k7sim::Config config = simtest::testConfig(1);
    config.cards[0].pci.interruptPin = 2;
    start(config);
    auto expected = eeprom();
    expected[0x7D] = 0x01;
    PCIeepromRegisterDlg window(desktop, card, profile());
    const uint32_t before = desktop.now();
    std::string text;
    EXPECT_TRUE(window.automaticCheck(text));
    EXPECT_EQ(text, "nach Schreiben OK");
    EXPECT_EQ(eeprom(), expected);
    EXPECT_EQ(desktop.work(),
              (std::vector<std::string>{"long: PCI EEPROM: PCI EEPROM wird repariert ..."}));
    EXPECT_EQ(desktop.now() - before, 100u);  // one byte
}

// A reference nobody gave is never written: the card would lose its identity on the bus
// (vendor 0000). The check names section and key and leaves every byte as it was.
TEST_F(PciWindows, EepromCheckWritesNothingWhenAReferenceIsMissingOrNoNumber) {
    k7sim::Config config = simtest::testConfig(1);
    config.cards[0].pci.interruptPin = 2;  // a deviating field: a repair would start
    start(config);
    const auto before = eeprom();
    const std::pair<std::string, std::string> cases[] = {
        {"", "Vorgabe fehlt: [PCIEEPROM] Signature"},
        {"[Init]\nKarte=1\n", "Vorgabe fehlt: [PCIEEPROM] Signature"},
        {"[PCIEEPROM]\nVendorID=zz\n", "Vorgabe fehlt: [PCIEEPROM] Signature"},
    };
    for (const auto& [file, expected] : cases) {
        writeText(profile(), file);
        PCIeepromRegisterDlg window(desktop, card, profile());
        std::string text;
        EXPECT_FALSE(window.automaticCheck(text)) << file;
        EXPECT_EQ(text, expected) << file;
    }
    const std::pair<const char*, std::string> values[] = {
        {"zz", "Vorgabe ungültig: [PCIEEPROM] VendorID"},
        {"", "Vorgabe fehlt: [PCIEEPROM] VendorID"},
        {"  ", "Vorgabe fehlt: [PCIEEPROM] VendorID"},
        {"10E8zz", "Vorgabe ungültig: [PCIEEPROM] VendorID"},
        {"110E8", "Vorgabe ungültig: [PCIEEPROM] VendorID"},  // wider than the field
    };
    for (const auto& [value, expected] : values) {
        EXPECT_EQ(checkWithReference("VendorID", value), std::make_pair(false, expected)) << value;
    }
    // The last field of the check's order counts as much as the first.
    EXPECT_EQ(checkWithReference("MaximumLatency", "-1"),
              std::make_pair(false, std::string("Vorgabe ungültig: [PCIEEPROM] MaximumLatency")));
    EXPECT_EQ(eeprom(), before);
    EXPECT_TRUE(desktop.work().empty());

    // Written as "0x" and with blanks around it, a reference is a number like any other.
    EXPECT_EQ(checkWithReference("MaximumLatency", " 0x10 "),
              std::make_pair(true, std::string("nach Schreiben OK")));
}

// An identity with which the card answers as "no device" at its next power-up is no reference:
// refused with the reason, nothing written. Other vendors and devices are taken.
TEST_F(PciWindows, EepromCheckRefusesAnIdentityThatTakesTheCardOffTheBus) {
    k7sim::Config config = simtest::testConfig(1);
    config.cards[0].pci.interruptPin = 2;  // a deviating field: a repair would start
    start(config);
    const auto before = eeprom();
    const std::string why =
        ": damit wäre die Karte nach dem nächsten Einschalten am PCI-Bus "
        "nicht mehr zu finden";
    struct Refused {
        const char* key;
        const char* value;
        const char* shown;
    };
    const Refused refused[] = {{"VendorID", "FFFF", "FFFF"},
                               {"VendorID", "0000", "0000"},
                               {"VendorID", "0", "0000"},
                               {"DeviceID", "ffff", "FFFF"}};
    for (const auto& [key, value, shown] : refused) {
        EXPECT_EQ(checkWithReference(key, value),
                  std::make_pair(false, std::string("Vorgabe ungültig: [PCIEEPROM] ") + key +
                                            " = " + shown + why))
            << key << value;
    }
    EXPECT_EQ(eeprom(), before);
    EXPECT_TRUE(desktop.work().empty());

    // A device 0000 is still a device.
    EXPECT_EQ(checkWithReference("DeviceID", "0000"),
              std::make_pair(true, std::string("nach Schreiben OK")));
}

TEST_F(PciWindows, WriteProtectedEepromFailsWithTheFirstFieldThatDoesNotStick) {
    k7sim::Config config = simtest::testConfig(1);
    config.cards[0].pci.interruptPin = 2;
    start(config, {eepromProtected()});
    reference("PCIEEPROM", "Length", "01");
    PCIeepromRegisterDlg window(desktop, card, profile());
    std::string text;
    EXPECT_FALSE(window.automaticCheck(text));
    EXPECT_EQ(text, "Length Soll: 01 Ist: 00");
}

TEST_F(PciWindows, EepromWindowWritesOnlyChangedFieldsAndComposesTheConfigurationWord) {
    start();
    PCIeepromRegisterDlg window(desktop, card, profile());
    desktop.showModeless(window);
    ScriptedControls& controls = *desktop.controlsOf(window);
    EXPECT_EQ(controls.text("romSignatureText"), "AA55");
    EXPECT_EQ(controls.text("pciPointerText"), "001C");
    EXPECT_TRUE(controls.isChecked("pciCheck"));

    controls.click("pciCheck", false);
    controls.click("asyncWriteCheck", true);
    desktop.answerMessages({Answer::No});
    EXPECT_TRUE(window.onWrite().empty());
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(card, 0x44), 0x8000);

    // Entries the EEPROM cannot hold as typed: nothing is written, not even the good ones.
    const auto before = eeprom();
    const std::pair<const char*, const char*> refused[] = {
        {"deviceIdEdit", "xyz"}, {"maxLatencyEdit", "1,5"}, {"interruptLineEdit", "12345678"}};
    const char* messages[] = {
        "PCI EEPROM: Ungültiger Wert in \"Device ID\": erlaubt sind Hexadezimalzahlen von 0000 "
        "bis FFFF.",
        "PCI EEPROM: Ungültiger Wert in \"Max Latency\": erlaubt sind Hexadezimalzahlen von 00 "
        "bis FF.",
        "PCI EEPROM: Ungültiger Wert in \"Interrupt Line\": erlaubt sind Hexadezimalzahlen von "
        "00 bis FF."};
    for (size_t i = 0; i < std::size(refused); ++i) {
        controls.click("pciCheck", false);
        controls.click("asyncWriteCheck", true);
        controls.type("minimumGrantEdit", "09");
        controls.type(refused[i].first, refused[i].second);
        desktop.answerMessages({Answer::Yes});
        EXPECT_TRUE(window.onWrite().empty()) << refused[i].second;
        EXPECT_EQ(eeprom(), before) << refused[i].second;
        EXPECT_EQ(desktop.messageLines().back(), messages[i]);
        window.onInit();  // shows the EEPROM again
    }
    EXPECT_TRUE(desktop.work().empty());

    controls.click("pciCheck", false);
    controls.click("asyncWriteCheck", true);
    controls.type("minimumGrantEdit", "09");
    desktop.answerMessages({Answer::Yes});
    const auto writes = window.onWrite();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].at, 0x44u);
    EXPECT_EQ(writes[1].at, 0x7Eu);
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(card, 0x44), 0x2000);
    EXPECT_EQ(KARVO7ReadPCIEEPROMbyte(card, 0x7E), 0x09);
    EXPECT_EQ(KARVO7ReadPCIEEPROMword(card, 0x42), 0x4B37);
    EXPECT_EQ(controls.text("deviceIdEdit"), "4B37");
    EXPECT_TRUE(controls.isChecked("asyncWriteCheck"));
    EXPECT_EQ(desktop.work().size(), 1u);
}

TEST_F(PciWindows, ReferenceWindowsSaveTextsAndKeepTheRestOfTheFile) {
    start();
    writeText(profile(), "; Prüfplatz 3\n[PCIEEPROM]\nVendorID=10E8\n; Ende\n[Init]\nKarte=1\n");
    PCIconfigRegisterDlg window(desktop, card, profile());
    desktop.showModeless(window);
    desktop.answerModal([this](Dialog& dialog) {
        auto& defaults = dynamic_cast<PCIconfigVorgabenDlg&>(dialog);
        // No reference in the file: the edit is empty, not "0".
        EXPECT_EQ(defaults.texts.front(), "");
        // A byte's reference takes two hex digits.
        auto& c = *desktop.controlsOf(dialog);
        c.type("RevisionIDEdit", "1FF");
        EXPECT_FALSE(defaults.onSave());
        return kIdOk;
    });
    window.onCommand("vorgabenButton");
    EXPECT_EQ(desktop.windows().back(), "PCIconfigVorgabenDlg");

    PCIeepromVorgabenDlg eeprom(desktop, profile());
    desktop.showModeless(eeprom);
    ScriptedControls& controls = *desktop.controlsOf(eeprom);
    EXPECT_EQ(controls.text("VendorIDEdit"), "10E8");
    // A reference value is read back as a hex number: any other text is not saved.
    controls.type("InterruptPinEdit", "1,5");
    EXPECT_FALSE(eeprom.onSave());
    controls.type("InterruptPinEdit", "1FF");
    EXPECT_FALSE(eeprom.onSave());
    EXPECT_EQ(readText(profile()),
              "; Prüfplatz 3\n[PCIEEPROM]\nVendorID=10E8\n; Ende\n[Init]\nKarte=1\n");
    // Nor is an emptied one: the check would find the reference missing.
    controls.type("InterruptPinEdit", "01 ");
    controls.type("VendorIDEdit", " ");
    EXPECT_FALSE(eeprom.onSave());
    EXPECT_EQ(readText(profile()),
              "; Prüfplatz 3\n[PCIEEPROM]\nVendorID=10E8\n; Ende\n[Init]\nKarte=1\n");
    // Refused before the question is asked.
    const std::string refused = "PCI Local Configuration Vorgaben: Ungültiger Wert in ";
    EXPECT_EQ(desktop.messageLines(),
              (std::vector<std::string>{
                  "PCI Configuration Vorgaben: Ungültiger Wert in \"RevisionID\": erlaubt sind "
                  "Hexadezimalzahlen von 00 bis FF.",
                  refused + "\"InterruptPin\": erlaubt sind Hexadezimalzahlen von 00 bis FF.",
                  refused + "\"InterruptPin\": erlaubt sind Hexadezimalzahlen von 00 bis FF.",
                  refused + "\"VendorID\": erlaubt sind Hexadezimalzahlen von 0000 bis FFFF."}));
    controls.type("VendorIDEdit", "10E8");
    controls.type("InterruptPinEdit", "01 ");
    desktop.answerMessages({Answer::No});
    EXPECT_FALSE(eeprom.onSave());
    EXPECT_EQ(readText(profile()),
              "; Prüfplatz 3\n[PCIEEPROM]\nVendorID=10E8\n; Ende\n[Init]\nKarte=1\n");
    EXPECT_TRUE(eeprom.onSave());
    const std::string saved = readText(profile());
    EXPECT_EQ(saved.find("; Prüfplatz 3\n[PCIEEPROM]\nVendorID=10E8\n"), 0u);
    EXPECT_NE(saved.find("InterruptPin=01 \n"), std::string::npos);  // unchanged
    // References the window showed empty are not invented.
    EXPECT_EQ(saved.find("MaximumLatency"), std::string::npos);
    EXPECT_LT(saved.find("InterruptPin=01 \n"), saved.find("; Ende\n[Init]\nKarte=1\n"));
    EXPECT_EQ(desktop.messageLines().back(),
              "PCI Local Configuration Vorgaben: Wollen Sie wirklich sichern?");
}

TEST_F(PciWindows, OperationRegistersShowAWrittenMailboxAfterTheReread) {
    start();
    PCIoperationRegisterDlg window(desktop, card);
    std::string text;
    EXPECT_TRUE(window.automaticCheck(text));
    EXPECT_EQ(text, "OK");
    desktop.showModeless(window);
    ScriptedControls& controls = *desktop.controlsOf(window);
    controls.type("outMailbox1Edit", "12345678");
    window.onWrite();
    EXPECT_EQ(controls.text("outMailbox1Edit"), "12345678");
    EXPECT_EQ(KARVO7ReadRegister(card, 0x00), 0x12345678u);
}

// The operation registers against a recording driver: exactly which offsets are written.
TEST(PciOperationRegisters, IncomingMailboxesAndStatusAreNeverWritten) {
    k7test::RecordingDriver driver;
    k7test::ScopedDriver installed(driver);
    ScriptedDesktop desktop;
    KARVO7HANDLE card = KARVO7Open(1);
    {
        PCIoperationRegisterDlg window(desktop, card);
        std::string text;
        EXPECT_FALSE(window.automaticCheck(text));  // every register reads 0
        EXPECT_EQ(text, "PCI Operation Register nicht lesbar");
        driver.handle(k7proto::req::kReadRegister,
                      [](const uint8_t*, uint32_t, uint8_t* out, uint32_t, uint32_t* n) {
                          k7proto::putLe32(out + 4, 0xFFFFFFFFu);
                          *n = 8;
                          return K7_ERROR_SUCCESS;
                      });
        EXPECT_FALSE(window.automaticCheck(text));
        EXPECT_EQ(text, "PCI Operation Register nicht lesbar");

        desktop.showModeless(window);
        ScriptedControls& controls = *desktop.controlsOf(window);
        EXPECT_FALSE(controls.isEnabled("inMailbox1Edit"));
        for (const char* edit : {"inMailbox1Edit", "inMailbox4Edit", "mailboxStatusEdit"}) {
            controls.type(edit, "DEADBEEF");
        }
        controls.type("writeCountEdit", "nix");
        driver.clearRecords();
        desktop.answerMessages({Answer::No});
        EXPECT_TRUE(window.onWrite().empty());
        EXPECT_TRUE(driver.requests().empty());
        EXPECT_EQ(controls.text("writeCountEdit"), "nix");  // the edits are kept
        // One written register the card cannot hold as typed: none is written.
        desktop.answerMessages({Answer::Yes});
        EXPECT_TRUE(window.onWrite().empty());
        EXPECT_TRUE(driver.requests().empty());
        EXPECT_EQ(desktop.messageLines().back(),
                  "PCI Local Configuration Register: Ungültiger Wert in \"Write Count\": "
                  "erlaubt sind Hexadezimalzahlen von 00000000 bis FFFFFFFF.");
        // The registers the window only shows are never checked nor written.
        controls.type("writeCountEdit", "10");
        std::vector<uint32_t> offsets;
        for (const auto& [offset, value] : window.onWrite()) {
            offsets.push_back(offset);
        }
        EXPECT_EQ(offsets, (std::vector<uint32_t>{0x00, 0x04, 0x08, 0x0C, 0x24, 0x28, 0x2C, 0x30,
                                                  0x38, 0x3C}));
        int writes = 0;
        for (const auto& request : driver.requests()) {
            writes += request.code == k7proto::req::kWriteRegister ? 1 : 0;
        }
        EXPECT_EQ(writes, 10);
    }
    KARVO7Close(card);
}

// "Check All" without a window, as a test station runs it, with the shipped parameter file and
// the checks of the PCI bridge and the control LCA.
class HeadlessPciChecks : public ::testing::Test {
  protected:
    HeadlessPciChecks() {
        writeText(dir.file("KARVO7Check.INI"), readText(exampleFile("KARVO7Check.INI")));
        registerPciWindows(registry);
        registerRegisterWindows(registry);
    }
    int run(k7sim::Config config, std::vector<k7sim::Fault> faults = {}) {
        k7sim::Simulator simulator(config);
        EXPECT_TRUE(simulator.install());
        for (const auto& fault : faults) {
            simulator.addFault(1, fault);
        }
        out.str("");
        const int code = runHeadlessCheckAll(
            {dir.file("KARVO7Check"), dir.file("report.xml"), &registry}, out, err);
        keepEeprom();
        simulator.uninstall();
        return code;
    }
    static k7sim::Fault fault(k7sim::Fault::Kind kind, uint32_t code = 0) {
        k7sim::Fault f;
        f.kind = kind;
        f.code = code;
        f.word = 0xE0001234u;
        return f;
    }

    // The bridge EEPROM of card 1 as the run left it.
    void keepEeprom() {
        KARVO7HANDLE card = KARVO7Open(1);
        ASSERT_NE(card, nullptr);
        eepromAfterRun.clear();
        for (uint32_t a = 0; a < 0x80; ++a) {
            eepromAfterRun.push_back(KARVO7ReadPCIEEPROMbyte(card, a));
        }
        KARVO7Close(card);
    }

    k7test::VirtualClock clock;  // EEPROM writes pause in virtual time
    TempDir dir;
    CheckRegistry registry;
    std::vector<uint8_t> eepromAfterRun;
    std::ostringstream out;
    std::ostringstream err;
};

TEST_F(HeadlessPciChecks, DefaultCardsPassEveryLine) {
    EXPECT_EQ(run(simtest::testConfig(2)), kHeadlessPassed);
    EXPECT_EQ(out.str(),
              "PCI Configuration: OK\nPCI EEPROM: OK\nPCI Operation: OK\nLCA-Register: OK\n");
    const std::string report = readText(dir.file("report.xml"));
    EXPECT_NE(report.find("tests=\"4\" failures=\"0\""), std::string::npos) << report;
}

TEST_F(HeadlessPciChecks, DeviatingInterruptPinIsRepairedUnlessTheEepromIsProtected) {
    k7sim::Config config = simtest::testConfig(2);
    config.cards[0].pci.interruptPin = 2;
    // The configuration space shows the pin the EEPROM held at power-up: that line fails.
    EXPECT_EQ(run(config), kHeadlessCheckFailed);
    EXPECT_NE(out.str().find("PCI Configuration: InterruptPin Soll: 01 Ist: 02\n"
                             "PCI EEPROM: nach Schreiben OK\n"),
              std::string::npos)
        << out.str();

    EXPECT_EQ(run(config, {fault(k7sim::Fault::Kind::EepromProtected)}), kHeadlessCheckFailed);
    EXPECT_NE(out.str().find("PCI EEPROM: InterruptPin Soll: 01 Ist: 02\n"), std::string::npos)
        << out.str();
}

TEST_F(HeadlessPciChecks, WithoutEepromReferencesTheStationFailsAndTheCardKeepsItsIdentity) {
    // The shipped file without its section "PCIEEPROM".
    std::string ini = readText(exampleFile("KARVO7Check.INI"));
    const size_t from = ini.find("[PCIEEPROM]");
    ini.erase(from, ini.find("[Selbstest]") - from);
    writeText(dir.file("KARVO7Check.INI"), ini);
    k7sim::Config config = simtest::testConfig(1);
    config.cards[0].pci.interruptPin = 2;
    EXPECT_EQ(run(config), kHeadlessCheckFailed);
    EXPECT_NE(out.str().find("PCI EEPROM: Vorgabe fehlt: [PCIEEPROM] Signature\n"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(eepromAfterRun[0x40], 0xE8);  // vendor 10E8 as the card came
    EXPECT_EQ(eepromAfterRun[0x41], 0x10);
    EXPECT_EQ(eepromAfterRun[0x7D], 0x02);  // the deviating pin is not repaired either
    const std::string report = readText(dir.file("report.xml"));
    EXPECT_NE(report.find("<failure message=\"PCI EEPROM: Vorgabe fehlt: [PCIEEPROM] "
                          "Signature\"/>"),
              std::string::npos)
        << report;
}

TEST_F(HeadlessPciChecks, ASignalDuringTheEepromRepairLetsItFinishAndEndsTheRun) {
#if defined(_WIN32)
    GTEST_SKIP() << "no signals on Windows: the console's events stand for them";
#endif
    // References the card does not hold in three double words: a repair of 12 bytes, 1.2 s on
    // a real card.
    IniFile ini = IniFile::load(dir.file("KARVO7Check.INI"));
    ini.set("PCIEEPROM", "Baseaddress2", "0000E001");
    ini.set("PCIEEPROM", "Baseaddress3", "0000E101");
    ini.set("PCIEEPROM", "Baseaddress4", "0000E201");
    ASSERT_TRUE(ini.save(dir.file("KARVO7Check.INI")));
    // SIGTERM as the first EEPROM byte is written.
    bool raised = false;
    clock.onSleep([&raised](uint32_t ms) {
        if (ms == k7proto::eeprom::kByteWriteMs && !raised) {
            raised = true;
            std::raise(SIGTERM);
        }
    });
    EXPECT_EQ(run(simtest::testConfig(1)), kHeadlessInterrupted + SIGTERM);
    EXPECT_TRUE(raised);
    // The repair is whole; the checks after it did not start.
    EXPECT_EQ(out.str(), "PCI Configuration: OK\nPCI EEPROM: nach Schreiben OK\n");
    namespace e = k7proto::eeprom;
    for (const auto& [at, value] :
         {std::pair{e::kBaseAddress2.address, 0xE0u}, std::pair{e::kBaseAddress3.address, 0xE1u},
          std::pair{e::kBaseAddress4.address, 0xE2u}}) {
        EXPECT_EQ(eepromAfterRun[at], 0x01) << at;
        EXPECT_EQ(eepromAfterRun[at + 1], value) << at;
    }
    EXPECT_NE(err.str().find("PCI EEPROM: PCI EEPROM wird repariert ...\n"), std::string::npos);
    EXPECT_NE(err.str().find("Check All: SIGTERM während \"PCI EEPROM\" auf Karte 1: "
                             "abgebrochen\n"),
              std::string::npos)
        << err.str();
    // The report: the interrupted check an error, the one before it passed.
    const std::string report = readText(dir.file("report.xml"));
    EXPECT_NE(report.find("tests=\"2\" failures=\"0\" errors=\"1\""), std::string::npos) << report;
    const size_t eeprom = report.find("<testcase classname=\"Karte1.PCI EEPROM\"");
    ASSERT_NE(eeprom, std::string::npos) << report;
    EXPECT_NE(report.find("<error message=\"Abgebrochen (SIGTERM)\"/>\n"
                          "      <system-out>PCI EEPROM: nach Schreiben OK</system-out>",
                          eeprom),
              std::string::npos)
        << report;
}

TEST_F(HeadlessPciChecks, UnreadableConfigurationFailsTheRun) {
    EXPECT_EQ(run(simtest::testConfig(2),
                  {fault(k7sim::Fault::Kind::Request, k7proto::req::kReadPciConfig)}),
              kHeadlessCheckFailed);
    EXPECT_EQ(out.str().substr(0, out.str().find('\n')),
              "PCI Configuration: PCI-Konfiguration nicht lesbar");
}

}  // namespace
