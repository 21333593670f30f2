// The card's life: power-up state, its clock, hardware reset, persistence, open and close.
#include "Card.h"

#include <algorithm>
#include <cmath>

#include "KARVO7Os.h"
#include "Kennung.h"

namespace k7sim {

namespace {
uint32_t maxRepetitionHz(const Kennung& record) {
    return record.maxSapFolge != 0 ? 1000u * record.maxSapFolge : 20000u;
}
Kennung identification(const CardConfig& config) {
    return config.kennungText.empty() ? defaultKennung() : parseKennungText(config.kennungText);
}
}  // namespace

Card::Card(const CardConfig& config, const CardSettings& settings, Bus& bus)
    : config_(config),
      settings_(settings),
      bus_(bus),
      state_(settings.stateDirectory, config.number),
      firmware_(config.version3, config.lcaId, config.dataLcaId),
      port_(settings.dataTimeOutS),
      measurement_(
          {nowUs_, settings_.seed, config.number, settings.singleShotsWait, firmware_, port_},
          config.specimen, settings.fifoBytes, settings.resultsBytes, config.externalTriggerHz,
          maxRepetitionHz(identification(config))) {
    for (const auto& f : config.faults) {
        faults_.add(f);
    }
    eeprom_.setDefaults(config.pci, identification(config));
    loadPersistent();
    pci_.powerUp(eeprom_, config.pci);
    std::array<uint8_t, 256> image{};
    if (state_.loadExact("pci", image)) {
        pci_.restoreWritable(image);
    }
    powerUpState();
}

void Card::loadPersistent() {
    std::array<uint8_t, Eeprom::kSize> stored{};
    if (state_.loadExact("eeprom", stored)) {
        eeprom_.bytes() = stored;
    }
    std::vector<uint8_t> image;
    if (state_.load("firmware", image)) {
        image_ = std::move(image);
    }
}

bool Card::saveEeprom() const {
    return state_.save("eeprom", eeprom_.bytes().data(), eeprom_.bytes().size());
}

bool Card::savePci() const {
    return state_.save("pci", pci_.bytes().data(), pci_.bytes().size());
}

// The state the firmware starts with after power-up or a hardware reset.
void Card::powerUpState() {
    firmware_.powerUp();
    measurement_.powerUp();
    port_.clear();
    bridge_.reset();
    bridge_.neverEmpty = false;
    bridge_.setIncoming(3, image_.empty() ? 0u : crc16(image_.data(), image_.size()));
}

void Card::hardwareReset() {
    powerUpState();
    const bool atOnce = faults_.has(Fault::Kind::ResetAtOnce);
    resetting_ = !atOnce;
    resetDoneUs_ = faults_.has(Fault::Kind::ResetNever)
                       ? UINT64_MAX
                       : nowUs_ + uint64_t{config_.resetMs} * 1000u;
}

// Follows the library clock; the card's time only moves forward.
// A host waiting for a block of the FIFO, or for an A-scan that a card served in time would
// have answered with the set's next shot (the host then reads the FIFO on), would have taken the
// shots of a late round in time.
uint64_t Card::hostWaitingSince() const {
    const auto& pending = port_.pending();
    const bool waitingForShots = pending && (port_.source() == ReadPort::Source::Fifo ||
                                             port_.source() == ReadPort::Source::Reply);
    return waitingForShots ? pending->postedUs : UINT64_MAX;
}

void Card::advance(uint64_t hostWaitingSinceUs) {
    if (hostWaitingSinceUs == UINT64_MAX && settings_.workerServes) {
        // A request found the card behind the worker's rounds: it catches up as they would have.
        hostWaitingSinceUs = hostWaitingSince();
    }
    const uint32_t tick = K7OsGetTickCount();
    if (!clockStarted_) {
        clockStarted_ = true;
        lastTick_ = tick;
    }
    nowUs_ += uint64_t{static_cast<uint32_t>(tick - lastTick_)} * 1000u;
    lastTick_ = tick;
    if (resetting_ && nowUs_ >= resetDoneUs_) {
        resetting_ = false;
    }
    measurement_.advance(hostWaitingSinceUs);
}

uint32_t Card::fail(uint32_t status, uint32_t word) {
    lastError_ = word;
    return status;
}

uint32_t Card::open() {
    std::lock_guard lock(mutex_);
    if (opened_) {
        return K7_ERROR_SHARING_VIOLATION;
    }
    opened_ = true;
    // Another program may have changed what the card keeps while it was closed here.
    if (state_.enabled()) {
        loadPersistent();
    }
    port_.setDataTimeOut(settings_.dataTimeOutS);
    advance();
    return K7_ERROR_SUCCESS;
}

void Card::close(Completions& done) {
    std::lock_guard lock(mutex_);
    if (auto& pending = port_.pending()) {
        done.push_back({pending->irp, K7_ERROR_OPERATION_ABORTED, 0});
        pending.reset();
    }
    opened_ = false;
}

void Card::cancel(Completions& done) {
    std::lock_guard lock(mutex_);
    if (auto& pending = port_.pending()) {
        done.push_back({pending->irp, K7_ERROR_OPERATION_ABORTED, 0});
        pending.reset();
    }
}

void Card::service(Completions& done, bool late) {
    std::lock_guard lock(mutex_);
    if (!opened_) {
        return;
    }
    advance(late ? hostWaitingSince() : UINT64_MAX);
    completePending(done);
}

void Card::addFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    faults_.add(fault);
}

void Card::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
    bridge_.neverEmpty = false;
}

void Card::setSeed(uint64_t seed) {
    std::lock_guard lock(mutex_);
    settings_.seed = seed;
}

uint32_t Card::fifoBytes() {
    std::lock_guard lock(mutex_);
    advance();
    return static_cast<uint32_t>(measurement_.fifo().bytes());
}

uint64_t Card::droppedShots() {
    std::lock_guard lock(mutex_);
    advance();
    return measurement_.dropped();
}

uint64_t Card::readsWaiting() {
    std::lock_guard lock(mutex_);
    return hostWaitingSince() != UINT64_MAX ? 1u : 0u;
}

uint64_t Card::shotsTaken() {
    std::lock_guard lock(mutex_);
    advance();
    return measurement_.shots();
}

}  // namespace k7sim
