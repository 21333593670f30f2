#include "app/Session.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "Format.h"
#include "card/SetToCard.h"
#include "k7base/Files.h"
#include "k7base/Paths.h"
#include "paramfile/IniFile.h"
#include "paramfile/ParameterKeys.h"
#include "profile/ParameterFile.h"
#include "profile/ParameterFileCheck.h"
#include "profile/UserProfile.h"
#include "runs/RandomSet.h"

namespace k7check {

namespace {

// The parameter file's default name: the executable's base name with the extension "INI".
std::string defaultProfileName(const std::string& executablePath) {
    const size_t slash = k7base::lastSeparator(executablePath);
    std::string base =
        slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        base.resize(dot);
    }
    return base + ".INI";
}

// Why a device that exists did not open.
std::string openFailureReason(uint32_t error) {
    if (error == K7_ERROR_SHARING_VIOLATION) {
        return "in Benutzung";
    }
    return formatText("Fehler %u beim Öffnen", error);
}

// The card designation of a configuration record; a full 20-character text has no zero.
std::string designationOf(const KonfigRecord& record) {
    return std::string(record.Karte, strnlen(record.Karte, sizeof record.Karte));
}

}  // namespace

std::string missingCardText(const MissingCard& card) {
    return formatText("Karte %u: ", card.number) + missingCardReason(card);
}

std::string missingCardReason(const MissingCard& card) {
    if (card.channel == 0) {
        return formatText("Device %u %s", card.device, card.reason.c_str());
    }
    return formatText("Kanal %u (Bus %u Slot %u) %s", card.channel, card.bus, card.slot,
                      card.reason.c_str());
}

Session::Session(Desktop& desktop) : desktop_(desktop) {}

Session::~Session() {
    closeAllSilently();
}

void Session::closeAllSilently() {
    for (KARVO7HANDLE& handle : cards_) {
        if (handle != nullptr) {
            KARVO7Close(handle);
            handle = nullptr;
        }
    }
    cardCount_ = 0;
    dataBuffer_.clear();
    dataBuffer_.shrink_to_fit();
    dataLength_ = 0;
}

void Session::closeAll() {
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        KARVO7HANDLE& handle = cards_[k - 1];
        if (handle == nullptr) {
            continue;
        }
        // The library releases the handle whatever the card answers.
        if (KARVO7Close(handle) == 0) {
            desktop_.messageBox("Close", formatText("Karte %u Close Error", k));
        }
        handle = nullptr;
    }
}

void Session::appendResult(const std::string& line) {
    appendTestResult("", line);
}

void Session::appendTestResult(const std::string& test, const std::string& line) {
    // Lines name no card: where the selected card changed since the line above, a heading
    // says whose lines follow.
    if (!resultOrigins_.empty() && resultOrigins_.back().card != fields_.karte) {
        fields_.resultLines.push_back(formatText("Karte %u:", fields_.karte));
        resultOrigins_.push_back({desktop_.tickCount(), fields_.karte, "", "", true});
    }
    fields_.resultLines.push_back(line);
    resultOrigins_.push_back({desktop_.tickCount(), fields_.karte, currentCheck_, test});
    fields_.resultSelection = static_cast<int>(fields_.resultLines.size()) - 1;
    if (resultsChanged_) {
        resultsChanged_();
    }
}

void Session::clearResults() {
    fields_.resultLines.clear();
    resultOrigins_.clear();
    fields_.resultSelection = -1;
    if (resultsChanged_) {
        resultsChanged_();
    }
}

const MissingCard* Session::missingCard(uint32_t number) const {
    for (const MissingCard& card : missing_) {
        if (card.number == number) {
            return &card;
        }
    }
    return nullptr;
}

KARVO7HANDLE Session::card(uint32_t number) const {
    if (number < 1 || number > cardCount_) {
        return nullptr;
    }
    return cards_[number - 1];
}

KARVO7HANDLE Session::reclaimCard(uint32_t number) {
    KARVO7HANDLE handle = card(number);
    const auto missing = std::find_if(missing_.begin(), missing_.end(),
                                      [&](const MissingCard& m) { return m.number == number; });
    if (handle != nullptr || missing == missing_.end() || missing->device == 0) {
        return handle;
    }
    handle = KARVO7Open(missing->device);
    if (handle == nullptr) {
        const uint32_t error = K7OsGetLastError();
        missing->reason =
            error == K7_ERROR_FILE_NOT_FOUND ? "nicht gefunden" : openFailureReason(error);
        return nullptr;
    }
    // The device was told to the channel by order: it takes the channel's place only when it
    // sits at the channel's position.
    uint32_t bus = 0;
    uint32_t slot = 0;
    uint32_t error = 0;
    if (KARVO7GetCardPosition(handle, &bus, &slot, &error) == 0 || bus != missing->bus ||
        slot != missing->slot) {
        KARVO7Close(handle);
        return nullptr;
    }
    KonfigRecord record{};
    KARVO7GetKonfig(handle, &record, &error);
    channels_[missing->channel - 1].konfig = designationOf(record);
    cards_[number - 1] = handle;
    missing_.erase(missing);
    if (KARVO7WarmUp(handle, &error) == 0) {
        desktop_.messageBox("Init", formatText("WarmUp Karte %u Error %X", number, error));
    }
    const bool version3 = KARVO7IsVersion3(handle) != 0;
    for (uint32_t s = 0; s < kSetsPerCard && version3; ++s) {
        uint32_t ignored = 0;
        KARVO7SetVIRMA4(handle, s, virma4Mode_ ? virma4Ids_[number - 1][s] : int16_t{0}, &ignored);
    }
    return handle;
}

namespace {

bool inTable(uint32_t card, uint32_t set) {
    return card >= 1 && card <= kMaxCards && set < kSetsPerCard;
}

}  // namespace

// ---- parameter sets --------------------------------------------------------------------

ParameterSet* Session::editableSet(uint32_t card, uint32_t set) {
    return inTable(card, set) ? &sets_.set(card, set) : nullptr;
}

bool Session::setActive(uint32_t card, uint32_t set, bool active) {
    if (!inTable(card, set)) {
        return false;
    }
    sets_.active(card, set) = active;
    return true;
}

bool Session::setActiveFlags(uint32_t card, const std::array<bool, kSetsPerCard>& flags) {
    if (!inTable(card, 0)) {
        return false;
    }
    sets_.activeFlags(card) = flags;
    return true;
}

void Session::drawRandomSet(ParameterSet& set) {
    k7check::drawRandomSet(set, randomLimits_, random_);
}

// ---- VIRMA4 ----------------------------------------------------------------------------

int16_t Session::virma4Id(uint32_t card, uint32_t set) const {
    return inTable(card, set) ? virma4Ids_[card - 1][set] : int16_t{0};
}

bool Session::setVirma4Id(uint32_t card, uint32_t set, int16_t id) {
    if (!inTable(card, set)) {
        return false;
    }
    virma4Ids_[card - 1][set] = id;
    return true;
}

Session::Virma4Entry Session::enterVirma4Id(uint32_t card, uint32_t set, int16_t value) {
    if (!inTable(card, set)) {
        return Virma4Entry::Refused;
    }
    uint32_t ignored = 0;
    if (value == 0) {
        virma4Mode_ = false;
        virma4Ids_[card - 1][set] = 0;
        for (uint32_t c = 1; c <= card; ++c) {
            KARVO7SetVIRMA4(this->card(c), 0, 0, &ignored);
        }
        return Virma4Entry::Off;
    }
    if (value < -999) {
        // Every card and set gets the hundreds of the value and its own -(10 k + s). The
        // lowest identifications must still be 16-bit numbers.
        const int32_t base = value / 100 * 100;
        const int32_t lowest = base - static_cast<int32_t>(10 * cardCount_ + kSetsPerCard - 1);
        if (lowest < INT16_MIN) {
            return Virma4Entry::TooLarge;
        }
        virma4Mode_ = true;
        for (uint32_t c = 1; c <= cardCount_; ++c) {
            for (uint32_t s = 0; s < kSetsPerCard; ++s) {
                const auto id = static_cast<int16_t>(base - static_cast<int32_t>(10 * c + s));
                virma4Ids_[c - 1][s] = id;
                KARVO7SetVIRMA4(this->card(c), s, id, &ignored);
            }
        }
        return Virma4Entry::Renumbered;
    }
    virma4Mode_ = true;
    virma4Ids_[card - 1][set] = value;
    KARVO7SetVIRMA4(this->card(card), set, value, &ignored);
    return Virma4Entry::Stored;
}

// ---- data buffer -----------------------------------------------------------------------

void Session::zeroData() {
    dataBuffer_.assign(kDataBufferSize, 0);
    dataLength_ = std::min<uint32_t>(dataLength_, kDataBufferSize);
}

void Session::setDataLength(uint32_t length) {
    dataLength_ = static_cast<uint32_t>(std::min<size_t>(length, dataBuffer_.size()));
}

bool Session::readData(KARVO7HANDLE card, uint32_t& error) {
    uint32_t length = static_cast<uint32_t>(dataBuffer_.size());
    if (KARVO7GetData(card, &length, dataBuffer_.data(), &error) == 0) {
        dataLength_ = 0;
        return false;
    }
    setDataLength(length);
    return true;
}

// ---- main window -----------------------------------------------------------------------

// ---- start-up --------------------------------------------------------------------------

bool Session::startUp() {
    startUpFailures_ = 0;
    missing_.clear();
    std::vector<KARVO7HANDLE> opened;
    std::vector<uint32_t> positions;
    std::vector<FailedOpen> failed;
    uint32_t highestDevice = 0;
    openCards(opened, positions, failed, highestDevice);
    const auto count = static_cast<uint32_t>(opened.size());
    // Until they are ordered the cards sit in enumeration order, so that whatever happens from
    // here on the destructor finds and closes every one of them.
    std::copy(opened.begin(), opened.end(), cards_.begin());
    cardCount_ = count;
    if (count != highestDevice) {
        desktop_.messageBox("KARVO7Open",
                            formatText("%u Karten -> %u Devices", count, highestDevice));
    }
    // Cards that exist but did not open are named below, by the channel that expects them.
    if (count == 0 && failed.empty()) {
        desktop_.messageBox("Program Cancel", "Treiber KARVO7.sys ist nicht aktiv!");
        return false;
    }

    profileFile_ =
        requestedProfile_.empty()
            ? chooseProfileFile(
                  k7base::matchFileName(k7base::resolveProfilePath(
                      defaultProfileName(desktop_.executablePath()), desktop_.executablePath())),
                  desktop_.executablePath(), userConfigFolder())
            : requestedProfile_;
    fields_.parameterFiles = {profileFile_};
    fields_.parameterFileSelection = 0;

    dataBuffer_.assign(kDataBufferSize, 0);
    dataLength_ = 0;
    operatingVoltage_ = true;

    // One reading of the file for every key, which the windows' own profile reads share.
    readParameterFile(*readProfile(profileFile_));
    Ordering ordering = orderCards(opened, positions);
    keepMissingCards(ordering, failed);
    const auto kept = static_cast<uint32_t>(
        std::count_if(missingReasons_.begin(), missingReasons_.end(),
                      [](const std::string& reason) { return !reason.empty(); }));
    cardCount_ = count - static_cast<uint32_t>(ordering.unplaced.size()) + kept;
    closeGaps();
    for (KARVO7HANDLE handle : ordering.unplaced) {
        if (cardCount_ < kMaxCards) {
            cards_[cardCount_++] = handle;
        } else {
            KARVO7Close(handle);  // the missing cards hold the last numbers: no number is left
        }
    }
    reportMissingCards();
    if (cardCount_ == 0) {
        return false;
    }

    fields_.karteLabel = formatText("von %u Karten", cardCount_);
    if (fields_.karte > cardCount_) {
        fields_.karte = cardCount_;
    }
    warmUpCards();
    identifyCards();

    fields_.hotPlugLabel = "Betriebsspannung ist EIN";
    for (const CheckButton& button : checkButtons()) {
        fields_.checkLabels[index(button.id)] = button.label;
    }
    return true;
}

void Session::openCards(std::vector<KARVO7HANDLE>& opened, std::vector<uint32_t>& positions,
                        std::vector<FailedOpen>& failed, uint32_t& highestDevice) {
    opened.reserve(kMaxCards);
    uint32_t answering = 0;
    for (uint32_t device = 1; device <= kMaxCards; ++device) {
        KARVO7HANDLE handle = KARVO7Open(device);
        if (handle != nullptr) {
            opened.push_back(handle);
            positions.push_back(answering++);
            highestDevice = device;
        } else if (const uint32_t error = K7OsGetLastError(); error != K7_ERROR_FILE_NOT_FOUND) {
            failed.push_back({device, error, answering++});
        }
    }
}

// Places every opened card in the card list: a card whose PCI position is the position of a
// channel goes to that channel's entry, any other card to its enumeration position (counting
// the devices that answered but did not open, so that a busy card does not hand its number to
// the next one). Returns the
// cards that cannot go where they belong: their position is unreadable, their enumeration
// position is taken, or a matching card claims the entry. They are appended behind the
// numbered cards, so that every opened card keeps a number and is closed at the end.
Session::Ordering Session::orderCards(const std::vector<KARVO7HANDLE>& opened,
                                      const std::vector<uint32_t>& positions) {
    for (Channel& channel : channels_) {
        channel.card = 0;
    }
    std::array<KARVO7HANDLE, kMaxCards> placedCards{};
    Ordering ordering;
    std::array<bool, kMaxCards>& matched = ordering.matched;
    std::vector<KARVO7HANDLE>& unplaced = ordering.unplaced;
    unplaced.reserve(opened.size());

    size_t i = 0;
    for (; i < opened.size(); ++i) {
        KARVO7HANDLE handle = opened[i];
        uint32_t bus = 0;
        uint32_t slot = 0;
        uint32_t error = 0;
        if (KARVO7GetCardPosition(handle, &bus, &slot, &error) == 0) {
            desktop_.messageBox("Init", formatText("GetCardPosition %zu Error %X", i + 1, error));
            ++startUpFailures_;
            ordering.complete = false;
            break;
        }
        KonfigRecord record{};
        bool placed = false;
        for (uint32_t n = 1; n <= kMaxCards && !placed; ++n) {
            uint32_t ignored = 0;
            KARVO7GetKonfig(handle, &record, &ignored);
            Channel& channel = channels_[n - 1];
            if (channel.bus != bus || channel.slot != slot) {
                continue;
            }
            placed = true;
            KARVO7HANDLE& entry = placedCards[n - 1];
            if (entry != nullptr && matched[n - 1]) {
                unplaced.push_back(handle);  // two cards on one position: keep the first
                break;
            }
            if (entry != nullptr) {
                unplaced.push_back(entry);  // an unmatched card yields to its channel's card
            }
            entry = handle;
            matched[n - 1] = true;
            channel.konfig = designationOf(record);
        }
        if (placed) {
            continue;
        }
        const uint32_t at = positions[i];
        if (placedCards[at] != nullptr) {
            unplaced.push_back(handle);
            continue;
        }
        placedCards[at] = handle;
        channels_[at].konfig = designationOf(record);
    }
    for (; i < opened.size(); ++i) {
        unplaced.push_back(opened[i]);
    }
    cards_ = placedCards;
    return ordering;
}

// A channel of the table whose card was not found keeps its entry, so that the cards after it
// keep their numbers; a card that took the entry by its enumeration position yields it. The
// devices that exist but did not open are told, in device order, to these channels in channel
// order (which of them is on which position cannot be read from a card that does not open);
// the channels left over are "nicht gefunden". A device left over keeps its enumeration
// position as a missing card when no card and no channel holds that entry; otherwise it is
// named and counts as a card that failed at start-up. When ordering stopped at an unreadable
// position, nothing is known of the channels and none is kept.
void Session::keepMissingCards(Ordering& ordering, const std::vector<FailedOpen>& failed) {
    missingReasons_.fill("");
    missingDevices_.fill(0);
    size_t next = 0;
    for (uint32_t n = 0; n < kMaxCards && ordering.complete; ++n) {
        const Channel& channel = channels_[n];
        if ((channel.bus == 0 && channel.slot == 0) || ordering.matched[n]) {
            continue;
        }
        if (cards_[n] != nullptr) {
            ordering.unplaced.push_back(cards_[n]);
            cards_[n] = nullptr;
        }
        if (next < failed.size()) {
            missingDevices_[n] = failed[next].device;
            missingReasons_[n] = openFailureReason(failed[next++].error);
        } else {
            missingReasons_[n] = "nicht gefunden";
        }
    }
    for (; next < failed.size(); ++next) {
        const FailedOpen& device = failed[next];
        const Channel& channel = channels_[device.position];
        if (ordering.complete && cards_[device.position] == nullptr &&
            missingReasons_[device.position].empty() && channel.bus == 0 && channel.slot == 0) {
            missingReasons_[device.position] = openFailureReason(device.error);
            missingDevices_[device.position] = device.device;
            continue;
        }
        desktop_.messageBox("KARVO7Open", formatText("Device %u %s", device.device,
                                                     openFailureReason(device.error).c_str()));
        ++startUpFailures_;
    }
}

void Session::reportMissingCards() {
    for (const MissingCard& card : missing_) {
        desktop_.messageBox("Init", missingCardText(card));
    }
}

// Numbers the cards in channel order: card k is the k-th entry that holds a card or a missing
// card.
void Session::closeGaps() {
    uint32_t j = 0;
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        while (j < kMaxCards && cards_[j] == nullptr && missingReasons_[j].empty()) {
            ++j;
        }
        if (j == kMaxCards) {
            cardCount_ = k - 1;
            break;
        }
        channels_[j].card = k;
        if (!missingReasons_[j].empty()) {
            const Channel& channel = channels_[j];
            if (missingDevices_[j] != 0 && channel.bus == 0 && channel.slot == 0) {
                // No channel table expects the device: it is named by its device number.
                missing_.push_back({k, 0, 0, 0, missingReasons_[j], missingDevices_[j]});
            } else {
                missing_.push_back(
                    {k, j + 1, channel.bus, channel.slot, missingReasons_[j], missingDevices_[j]});
            }
        }
        if (j != k - 1) {
            cards_[k - 1] = cards_[j];
            cards_[j] = nullptr;
        }
        ++j;
    }
}

void Session::warmUpCards() {
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        KARVO7HANDLE handle = cards_[k - 1];
        if (handle == nullptr) {
            continue;  // a missing card
        }
        if (KARVO7IsVersion3(handle) == 0) {
            fields_.parametersatz = 0;
            virma4Mode_ = false;
        }
        uint32_t error = 0;
        if (KARVO7WarmUp(handle, &error) == 0) {
            desktop_.messageBox("Init", formatText("WarmUp Karte %u Error %X", k, error));
            ++startUpFailures_;
        }
    }
}

void Session::identifyCards() {
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        KARVO7HANDLE handle = cards_[k - 1];
        const bool version3 = handle != nullptr && KARVO7IsVersion3(handle) != 0;
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            const auto id = static_cast<int16_t>(-static_cast<int32_t>(10 * k + s));
            virma4Ids_[k - 1][s] = id;
            if (version3) {
                uint32_t ignored = 0;
                KARVO7SetVIRMA4(handle, s, virma4Mode_ ? id : int16_t{0}, &ignored);
            }
        }
    }
}

void Session::resendVirma4Identifications(uint32_t number) {
    KARVO7HANDLE handle = card(number);
    if (!virma4Mode_ || handle == nullptr || KARVO7IsVersion3(handle) == 0) {
        return;
    }
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        uint32_t ignored = 0;
        KARVO7SetVIRMA4(handle, s, virma4Ids_[number - 1][s], &ignored);
    }
}

void Session::readParameterFile(const IniFile& file) {
    readChannels(file, channels_);
    readSettings(file, fields_, virma4Mode_);
    readSets(file, sets_, cardCount_);
    randomLimits_ = defaultRandomLimits();
    readRandomLimits(file, randomLimits_);
}

std::vector<std::string> Session::loadParameterFile(const std::string& path) {
    const std::shared_ptr<const IniFile> file = readProfile(path);
    std::vector<std::string> faults = parameterFileFaults(*file, cardCount_);
    if (!faults.empty()) {
        return faults;
    }
    profileFile_ = path;
    fields_.parameterFiles = {path};
    fields_.parameterFileSelection = 0;
    readParameterFile(*file);
    return faults;
}

bool Session::saveParameterFile() {
    IniFile file = IniFile::load(profileFile_);
    writeSettings(file, fields_, virma4Mode_);
    writeSets(file, sets_, cardCount_);
    writeRandomLimits(file, randomLimits_);
    return file.save(profileFile_);
}

// ---- guards ----------------------------------------------------------------------------

KARVO7HANDLE Session::selectedCard(const char* caption) {
    KARVO7HANDLE handle = reclaimCard(fields_.karte);
    if (const MissingCard* missing = missingCard(fields_.karte)) {
        desktop_.messageBox(caption, missingCardText(*missing));
    } else if (handle == nullptr) {
        desktop_.messageBox(caption, formatText("Ungültige Kartennummer %u (1 bis %u)!",
                                                fields_.karte, cardCount_));
    }
    return handle;
}

ParameterSet* Session::selectedSet(const char* caption) {
    if (selectedCard(caption) == nullptr) {
        return nullptr;
    }
    if (fields_.parametersatz >= kSetsPerCard) {
        desktop_.messageBox(
            caption, formatText("Ungültiger Parametersatz %u (0 bis 7)!", fields_.parametersatz));
        return nullptr;
    }
    return &sets_.set(fields_.karte, fields_.parametersatz);
}

}  // namespace k7check
