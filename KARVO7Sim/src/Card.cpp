// The card's life: power-up state, its clock, hardware reset, persistence, open and close.
#include "Card.h"

#include <algorithm>
#include <cmath>

#include "KARVO7Os.h"
#include "Kennung.h"

namespace k7sim {

Card::Card(const CardConfig& config, const CardSettings& settings, Bus& bus)
    : config_(config),
      settings_(settings),
      bus_(bus),
      signal_(config.specimen),
      state_(settings.stateDirectory, config.number),
      fifo_(settings.fifoBytes),
      results_(settings.resultsBytes),
      dataTimeOutS_(settings.dataTimeOutS) {
    for (const auto& f : config.faults) {
        faults_.add(f);
    }
    if (config.externalTriggerHz > 0.0) {
        const double period = std::round(1e6 / std::min(config.externalTriggerHz, 1e6));
        triggerPeriodUs_ = static_cast<uint64_t>(std::max(1.0, period));
    }
    const Kennung record =
        config.kennungText.empty() ? defaultKennung() : parseKennungText(config.kennungText);
    if (record.maxSapFolge != 0) {
        maxRepetitionHz_ = 1000u * record.maxSapFolge;
    }
    eeprom_.setDefaults(config.pci, record);
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
        firmware_ = std::move(image);
    }
}

void Card::saveEeprom() const {
    state_.save("eeprom", eeprom_.bytes().data(), eeprom_.bytes().size());
}

void Card::savePci() const {
    state_.save("pci", pci_.bytes().data(), pci_.bytes().size());
}

// The state the firmware starts with after power-up or a hardware reset.
void Card::powerUpState() {
    sets_.assign(setCount(), ParameterSet{});
    versions_.assign(setCount(), 0);
    cache_.assign(setCount(), BaseCache{});
    lastGates_.assign(setCount(), std::nullopt);
    selected_ = 0;
    active_ = 0;
    externalClock_ = false;
    powered_ = true;
    offsetAdjusted_ = false;
    run_ = Run{};
    fifo_.clear();
    results_.restart();
    source_ = Source::Fifo;
    reply_.clear();
    replyPosition_ = 0;
    ascanWanted_ = -1;
    fifoOverflow_ = false;
    resultsOverflow_ = false;
    busyUntilUs_ = 0;
    armed_.clear();
    bridge_.reset();
    bridge_.neverEmpty = false;
    lca_.reset(config_.lcaId, config_.dataLcaId);
    lca_.setPower(powered_);
    lca_.load(sets_[0], externalClock_);
    bridge_.setIncoming(3, firmware_.empty() ? 0u : crc16(firmware_.data(), firmware_.size()));
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
void Card::advance() {
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
    fireArmed();
    runShots();
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
    dataTimeOutS_ = settings_.dataTimeOutS;
    advance();
    return K7_ERROR_SUCCESS;
}

void Card::close(Completions& done) {
    std::lock_guard lock(mutex_);
    if (pending_) {
        done.push_back({pending_->irp, K7_ERROR_OPERATION_ABORTED, 0});
        pending_.reset();
    }
    opened_ = false;
}

void Card::cancel(Completions& done) {
    std::lock_guard lock(mutex_);
    if (pending_) {
        done.push_back({pending_->irp, K7_ERROR_OPERATION_ABORTED, 0});
        pending_.reset();
    }
}

void Card::service(Completions& done) {
    std::lock_guard lock(mutex_);
    if (!opened_) {
        return;
    }
    advance();
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
    return static_cast<uint32_t>(fifo_.bytes());
}

uint64_t Card::droppedShots() {
    std::lock_guard lock(mutex_);
    advance();
    return dropped_;
}

}  // namespace k7sim
