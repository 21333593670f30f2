// Simulated cards inside the test's own process, on the test's clock: no worker thread, their
// lock folder in the test's folder, nothing kept on disk unless a test says so.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "KARVO7Sim.h"
#include "TestClock.h"
#include "ToolProcess.h"

namespace tooltest {

class InProcessCards : public ::testing::Test {
  protected:
    // `cards` cards of an instance named after `name` and this process.
    k7sim::Config config(const std::string& name, unsigned cards = 1) const {
        k7sim::Config c = k7sim::Config::defaults(cards);
        c.worker = false;
        c.persist = false;
        c.lockDir = folder.path();
        c.instance = name + std::to_string(::getpid());
        return c;
    }
    void install(const k7sim::Config& c) {
        sim = std::make_unique<k7sim::Simulator>(c);
        ASSERT_TRUE(sim->install());
    }

    k7test::VirtualClock clock{1000};
    TempFolder folder;
    std::unique_ptr<k7sim::Simulator> sim;
};

}  // namespace tooltest
