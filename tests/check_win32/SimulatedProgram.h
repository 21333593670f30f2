// The check program on two simulated cards with its Win32 desktop, as a technician starts it:
// the shipped files beside the program (a folder of the test's own), the program's
// views registered, the cards' time virtual (pauses give the simulated cards their turn).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "KARVO7Sim.h"
#include "ScratchFolder.h"
#include "SimFixture.h"
#include "TestClock.h"
#include "ViewRegistry.h"
#include "Win32TestSupport.h"
#include "app/Session.h"

namespace k7w32test {

// The shipped parameter file (examples/KARVO7Check.INI), read.
std::string shippedParameterFile();

// The desktop whose pauses give the simulated cards their turn.
class SimulatedDesktop : public TestDesktop {
  public:
    using TestDesktop::TestDesktop;
    void sleep(uint32_t milliseconds) override {
        TestDesktop::sleep(milliseconds);
        if (simulator != nullptr) {
            simulator->service();
        }
    }
    k7sim::Simulator* simulator = nullptr;
};

class SimulatedProgram : public ::testing::Test {
  protected:
    SimulatedProgram();
    ~SimulatedProgram() override;

    // A session started up on the cards (for windows opened on their own).
    k7check::Session& session();
    std::string profile() const { return folder + "/KARVO7Check.INI"; }
    // The two cards' configuration, and other cards in their place (before any window opens).
    static k7sim::Config cardsConfig();
    void useCards(const k7sim::Config& config);

    k7test::VirtualClock clock;
    std::string folder;
    std::unique_ptr<k7sim::Simulator> simulator;
    SimulatedDesktop desktop;
    std::unique_ptr<k7check::Session> session_;
};

}  // namespace k7w32test
