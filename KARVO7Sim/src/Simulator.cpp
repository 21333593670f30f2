// The test interface of the simulated cards.
#include <cstdio>

#include "Driver.h"
#include "KARVO7Sim.h"

namespace k7sim {

Simulator::Simulator(const Config& config) : driver_(std::make_unique<Driver>(config)) {}

Simulator::~Simulator() {
    uninstall();
}

K7DrvDriver Simulator::driver() {
    return driver_->table();
}

bool Simulator::install() {
    const K7DrvDriver table = driver_->table();
    installed_ = K7DrvInstall(&table) != 0;
    return installed_;
}

void Simulator::uninstall() {
    if (installed_ && K7DrvInstall(nullptr) == 0) {
        std::fprintf(stderr, "KARVO7Sim: removed while a card is still open\n");
    }
    installed_ = false;
}

void Simulator::addFault(uint32_t number, const Fault& fault) {
    if (Card* c = driver_->card(number)) {
        c->addFault(fault);
    }
}

void Simulator::clearFaults(uint32_t number) {
    if (Card* c = driver_->card(number)) {
        c->clearFaults();
    }
}

void Simulator::setSeed(uint64_t seed) {
    for (const auto& c : driver_->config().cards) {
        driver_->card(c.number)->setSeed(seed);
    }
}

void Simulator::service() {
    driver_->service();
}

void Simulator::workerRound() {
    driver_->service(true);
}

uint32_t Simulator::fifoBytes(uint32_t number) {
    Card* c = driver_->card(number);
    return c == nullptr ? 0 : c->fifoBytes();
}

uint64_t Simulator::droppedShots(uint32_t number) {
    Card* c = driver_->card(number);
    return c == nullptr ? 0 : c->droppedShots();
}

const Config& Simulator::config() const {
    return driver_->config();
}

}  // namespace k7sim
