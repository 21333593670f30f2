// Support code of the check program's tests: a scratch folder that plays the executable's folder, a
// recording driver whose cards carry a designation in their configuration record, and readers
// of what the cards were sent.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "KARVO7Protocol.h"
#include "RecordingDriver.h"
#include "ScratchFolder.h"
#include "app/KARVO7CheckDlg.h"
#include "desktop/scripted/ScriptedDesktop.h"

namespace k7checktest {

constexpr uint32_t kCommandCode = k7proto::req::kCommand;
constexpr uint32_t kTimeOutCode = k7proto::req::kDataTimeOut;
constexpr uint16_t kSelectSet = k7proto::cmd::kSelectSet;
constexpr uint16_t kIdentification = k7proto::cmd::kIdentification;
constexpr uint16_t kCloseCommand = k7proto::cmd::kPowerDown;

// A folder removed with everything in it at the end of the test.
class TempDir : public k7test::ScratchDir {
  public:
    TempDir() : ScratchDir("k7check") {}
};

void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);
std::vector<std::string> filesIn(const std::string& folder);
// Takes every write permission from `path` (on Windows: sets its read-only attribute).
void makeReadOnly(const std::string& path);

// Answers the card-status and configuration-area requests so that every card's configuration
// record carries `designation` followed by its device number ("Karte-1", ...).
void answerDesignations(k7test::RecordingDriver& driver, const std::string& designation = "Karte-");

// Commands sent to one device, in order.
std::vector<k7test::Command> commandsTo(const k7test::RecordingDriver& driver, uint32_t device);
// The (set, identification) pairs sent with KARVO7SetVIRMA4 to one device.
std::vector<std::pair<uint32_t, int16_t>> identificationsTo(const k7test::RecordingDriver& driver,
                                                            uint32_t device);
// How often the closing command reached one device.
int closesOf(const k7test::RecordingDriver& driver, uint32_t device);
// The device a handle belongs to, by its PCI slot as the tests place them (slot = 10 + device).
uint32_t deviceOf(KARVO7HANDLE handle);

// A main window on a recording driver and a scripted desktop, with the executable and its
// parameter file in a scratch folder. Cards sit at bus 1, slot 10 + device unless moved.
class MainWindowFixture {
  public:
    MainWindowFixture();
    ~MainWindowFixture();

    // Cards present: device number -> version-3 flag.
    void cards(std::map<uint32_t, bool> devices);
    void parameterFile(const std::string& text) { writeText(profile(), text); }
    std::string profile() const { return dir.file("KARVO7Check.INI"); }

    // Creates the window on `registry` and starts it up; returns onInit's result.
    bool start(const k7check::CheckRegistry& registry = k7check::CheckRegistry::standard());
    // Destroys the window (closing whatever it still holds).
    void destroy() { window.reset(); }

    TempDir dir;
    k7test::RecordingDriver driver;
    std::unique_ptr<k7test::ScopedDriver> installed;
    k7check::ScriptedDesktop desktop;
    std::unique_ptr<k7check::KARVO7CheckDlg> window;
};

}  // namespace k7checktest
