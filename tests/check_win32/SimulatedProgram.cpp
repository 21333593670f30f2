#include "SimulatedProgram.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace k7w32test {

std::string shippedParameterFile() {
    std::ifstream in(K7_EXAMPLES_DIR "/KARVO7Check.INI", std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

SimulatedProgram::SimulatedProgram()
    : folder(k7test::makeScratchFolder("check_win32")), desktop(folder + "/KARVO7Check.exe") {
    useCards(cardsConfig());
    // The shipped files beside the program: parameter file, identification reference file, DSP
    // image, depth-compensation list.
    for (const char* name :
         {"KARVO7Check.INI", "KARVO7DSP.hex", "KARVO7Kennung.txt", "KARVO7Tiefenausgleich.ta"}) {
        std::filesystem::copy_file(std::string(K7_EXAMPLES_DIR) + "/" + name, folder + "/" + name);
    }
    k7w32::registerProgramViews(desktop.views(), desktop);
}

k7sim::Config SimulatedProgram::cardsConfig() {
    k7sim::Config config = simtest::testConfig(2);
    config.instance = "check_win32";
    return config;
}

void SimulatedProgram::useCards(const k7sim::Config& config) {
    if (simulator != nullptr) {
        simulator->uninstall();
    }
    simulator = std::make_unique<k7sim::Simulator>(config);
    EXPECT_TRUE(simulator->install());
    desktop.simulator = simulator.get();
}

SimulatedProgram::~SimulatedProgram() {
    session_.reset();
    simulator->uninstall();
}

k7check::Session& SimulatedProgram::session() {
    if (session_ == nullptr) {
        session_ = std::make_unique<k7check::Session>(desktop);
        EXPECT_TRUE(session_->startUp());
    }
    return *session_;
}

}  // namespace k7w32test
