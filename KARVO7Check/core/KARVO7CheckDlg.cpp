#include "KARVO7CheckDlg.h"

#include <algorithm>
#include <cstring>

#include "Format.h"
#include "IniFile.h"
#include "ParameterFile.h"
#include "VIRMA4Dlg.h"

namespace k7check {

namespace {

// The parameter file's default name: the executable's base name with the extension "INI".
std::string defaultProfileName(const std::string& executablePath) {
    const size_t slash = executablePath.rfind('/');
    std::string base =
        slash == std::string::npos ? executablePath : executablePath.substr(slash + 1);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) {
        base.resize(dot);
    }
    return base + ".INI";
}

// The card designation of a configuration record; a full 20-character text has no zero.
std::string designationOf(const KonfigRecord& record) {
    return std::string(record.Karte, strnlen(record.Karte, sizeof record.Karte));
}

}  // namespace

KARVO7CheckDlg::KARVO7CheckDlg(Desktop& desktop, const CheckRegistry& registry)
    : Dialog(kWindowClass, kTitle), desktop_(desktop), registry_(registry) {}

KARVO7CheckDlg::~KARVO7CheckDlg() {
    closeAllSilently();
}

void KARVO7CheckDlg::closeAllSilently() {
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

KARVO7HANDLE KARVO7CheckDlg::card(uint32_t number) const {
    if (number < 1 || number > cardCount_) {
        return nullptr;
    }
    return cards_[number - 1];
}

int16_t& KARVO7CheckDlg::virma4Id(uint32_t card, uint32_t set) {
    return virma4Ids_.at(card - 1).at(set);
}

// ---- start-up --------------------------------------------------------------------------

bool KARVO7CheckDlg::onInit() {
    std::vector<KARVO7HANDLE> opened;
    uint32_t highestDevice = 0;
    openCards(opened, highestDevice);
    const auto count = static_cast<uint32_t>(opened.size());
    // Until they are ordered the cards sit in enumeration order, so that whatever happens from
    // here on the destructor finds and closes every one of them.
    std::copy(opened.begin(), opened.end(), cards_.begin());
    cardCount_ = count;
    if (count != highestDevice) {
        desktop_.messageBox("KARVO7Open",
                            formatText("%u Karten -> %u Devices", count, highestDevice));
    }
    if (count == 0) {
        desktop_.messageBox("Program Cancel", "Treiber KARVO7.sys ist nicht aktiv!");
        endDialog(0);
        return false;
    }

    profileFile_ = resolveProfilePath(defaultProfileName(desktop_.executablePath()),
                                      desktop_.executablePath());
    fields.parameterFiles = {profileFile_};
    fields.parameterFileSelection = 0;

    dataBuffer_.assign(kDataBufferSize, 0);
    dataLength_ = 0;
    operatingVoltage_ = true;

    loadParameterFile();
    randomLimits_ = defaultRandomLimits();
    const std::vector<KARVO7HANDLE> unplaced = orderCards(opened);
    cardCount_ = count - static_cast<uint32_t>(unplaced.size());
    closeGaps();
    for (KARVO7HANDLE handle : unplaced) {
        cards_[cardCount_++] = handle;  // at most 16 cards were opened
    }

    fields.karteLabel = formatText("von %u Karten", cardCount_);
    fields.timeOut = kDefaultTimeOut;
    if (fields.karte > cardCount_) {
        fields.karte = cardCount_;
    }
    warmUpCards();
    identifyCards();

    fields.hotPlugLabel = "Betriebsspannung ist EIN";
    for (const CheckButton& button : checkButtons()) {
        fields.checkLabels[index(button.id)] = button.label;
    }
    writeFieldsToControls();
    return true;
}

void KARVO7CheckDlg::openCards(std::vector<KARVO7HANDLE>& opened, uint32_t& highestDevice) {
    opened.reserve(kMaxCards);
    for (uint32_t device = 1; device <= kMaxCards; ++device) {
        KARVO7HANDLE handle = KARVO7Open(device);
        if (handle != nullptr) {
            opened.push_back(handle);
            highestDevice = device;
        }
    }
}

// Places every opened card in the card list: a card whose PCI position is the position of a
// channel goes to that channel's entry, any other card to its enumeration position. Returns the
// cards that cannot go where they belong: their position is unreadable, their enumeration
// position is taken, or a matching card claims the entry. They are appended behind the
// numbered cards, so that every opened card keeps a number and is closed at the end.
std::vector<KARVO7HANDLE> KARVO7CheckDlg::orderCards(const std::vector<KARVO7HANDLE>& opened) {
    for (Channel& channel : channels_) {
        channel.card = 0;
    }
    std::array<KARVO7HANDLE, kMaxCards> placedCards{};
    std::array<bool, kMaxCards> matched{};
    std::vector<KARVO7HANDLE> unplaced;
    unplaced.reserve(opened.size());

    size_t i = 0;
    for (; i < opened.size(); ++i) {
        KARVO7HANDLE handle = opened[i];
        uint32_t bus = 0;
        uint32_t slot = 0;
        uint32_t error = 0;
        if (KARVO7GetCardPosition(handle, &bus, &slot, &error) == 0) {
            desktop_.messageBox("Init", formatText("GetCardPosition %zu Error %X", i + 1, error));
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
        if (placedCards[i] != nullptr) {
            unplaced.push_back(handle);
            continue;
        }
        placedCards[i] = handle;
        channels_[i].konfig = designationOf(record);
    }
    for (; i < opened.size(); ++i) {
        unplaced.push_back(opened[i]);
    }
    cards_ = placedCards;
    return unplaced;
}

// Numbers the cards in channel order: card k is the k-th non-empty entry.
void KARVO7CheckDlg::closeGaps() {
    uint32_t j = 0;
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        while (j < kMaxCards && cards_[j] == nullptr) {
            ++j;
        }
        if (j == kMaxCards) {
            cardCount_ = k - 1;
            break;
        }
        channels_[j].card = k;
        if (j != k - 1) {
            cards_[k - 1] = cards_[j];
            cards_[j] = nullptr;
        }
        ++j;
    }
}

void KARVO7CheckDlg::warmUpCards() {
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        KARVO7HANDLE handle = cards_[k - 1];
        if (KARVO7IsVersion3(handle) == 0) {
            fields.parametersatz = 0;
            virma4Mode_ = false;
        }
        uint32_t error = 0;
        if (KARVO7WarmUp(handle, &error) == 0) {
            desktop_.messageBox("Init", formatText("WarmUp Karte %u Error %X", k, error));
        }
    }
}

void KARVO7CheckDlg::identifyCards() {
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        KARVO7HANDLE handle = cards_[k - 1];
        const bool version3 = KARVO7IsVersion3(handle) != 0;
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

void KARVO7CheckDlg::resendVirma4Identifications() {
    if (!virma4Mode_) {
        return;
    }
    for (uint32_t k = 1; k <= cardCount_; ++k) {
        for (uint32_t s = 0; s < kSetsPerCard; ++s) {
            uint32_t ignored = 0;
            KARVO7SetVIRMA4(cards_[k - 1], s, virma4Ids_[k - 1][s], &ignored);
        }
    }
}

void KARVO7CheckDlg::loadParameterFile() {
    const IniFile file = IniFile::load(profileFile_);
    readChannels(file, channels_);
    readSettings(file, fields, virma4Mode_);
    readSets(file, sets_, cardCount_);
}

// ---- guards ----------------------------------------------------------------------------

KARVO7HANDLE KARVO7CheckDlg::selectedCard(const char* caption) {
    KARVO7HANDLE handle = card(fields.karte);
    if (handle == nullptr) {
        desktop_.messageBox(
            caption, formatText("Ungültige Kartennummer %u (1 bis %u)!", fields.karte, cardCount_));
    }
    return handle;
}

ParameterSet* KARVO7CheckDlg::selectedSet(const char* caption) {
    if (selectedCard(caption) == nullptr) {
        return nullptr;
    }
    if (fields.parametersatz >= kSetsPerCard) {
        desktop_.messageBox(
            caption, formatText("Ungültiger Parametersatz %u (0 bis 7)!", fields.parametersatz));
        return nullptr;
    }
    return &sets_.set(fields.karte, fields.parametersatz);
}

// ---- actions ---------------------------------------------------------------------------

void KARVO7CheckDlg::onOk() {
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
    endDialog(kIdOk);
}

void KARVO7CheckDlg::onCancel() {
    endDialog(kIdCancel);
}

void KARVO7CheckDlg::onKarteKillFocus() {
    readFieldsFromControls();
    if (fields.karte == 0) {
        fields.karte = 1;
    }
    if (fields.karte > cardCount_) {
        fields.karte = cardCount_;
    }
    writeFieldsToControls();
}

void KARVO7CheckDlg::onTimeOutChange() {
    readFieldsFromControls();
    if (selectedCard("Time Out") == nullptr) {
        return;
    }
    for (uint32_t k = 1; k <= fields.karte; ++k) {
        uint32_t ignored = 0;
        KARVO7SetDataTimeOut(cards_[k - 1], static_cast<uint32_t>(fields.timeOut), &ignored);
    }
}

void KARVO7CheckDlg::onHotPlug() {
    readFieldsFromControls();
    operatingVoltage_ = !operatingVoltage_;
    writeFieldsToControls();
    desktop_.repaint(*this);
}

void KARVO7CheckDlg::onVirma4() {
    readFieldsFromControls();
    KARVO7HANDLE handle = selectedCard("VIRMA4");
    if (handle == nullptr) {
        return;
    }
    if (KARVO7IsVersion3(handle) == 0) {
        desktop_.messageBox("VIRMA4", "Keine KARVO7F!");
        return;
    }
    if (selectedSet("VIRMA4") == nullptr) {
        return;
    }
    const uint32_t k = fields.karte;
    const uint32_t s = fields.parametersatz;
    int16_t value = virma4Ids_[k - 1][s];
    VIRMA4Dlg dialog(desktop_, value);
    if (desktop_.runModal(dialog) != kIdOk) {
        return;
    }
    uint32_t ignored = 0;
    if (value == 0) {
        virma4Mode_ = false;
        virma4Ids_[k - 1][s] = 0;
        for (uint32_t c = 1; c <= k; ++c) {
            KARVO7SetVIRMA4(cards_[c - 1], 0, 0, &ignored);
        }
    } else if (value < -999) {
        // Every card and set gets the hundreds of the value and its own -(10 k + s). The
        // lowest identifications must still be 16-bit numbers.
        const int32_t base = value / 100 * 100;
        const int32_t lowest = base - static_cast<int32_t>(10 * cardCount_ + kSetsPerCard - 1);
        if (lowest < INT16_MIN) {
            desktop_.messageBox(
                "VIRMA4", formatText("Kennung %d ist zu groß für %u Karten!", -value, cardCount_));
            return;
        }
        virma4Mode_ = true;
        for (uint32_t c = 1; c <= cardCount_; ++c) {
            for (uint32_t set = 0; set < kSetsPerCard; ++set) {
                const auto id = static_cast<int16_t>(base - static_cast<int32_t>(10 * c + set));
                virma4Ids_[c - 1][set] = id;
                KARVO7SetVIRMA4(cards_[c - 1], set, id, &ignored);
            }
        }
    } else {
        virma4Mode_ = true;
        virma4Ids_[k - 1][s] = value;
        KARVO7SetVIRMA4(handle, s, value, &ignored);
    }
    writeFieldsToControls();
}

void KARVO7CheckDlg::onSave() {
    if (desktop_.messageBox("Check", "Wollen Sie wirklich sichern?", Buttons::YesNo) !=
        Answer::Yes) {
        return;
    }
    readFieldsFromControls();
    IniFile file = IniFile::load(profileFile_);
    writeSettings(file, fields, virma4Mode_);
    writeSets(file, sets_, cardCount_);
    if (!file.save(profileFile_)) {
        desktop_.messageBox("Check", formatText("Parameterdatei %s konnte nicht gesichert werden!",
                                                profileFile_.c_str()));
    }
}

void KARVO7CheckDlg::onChooseParameterFile() {
    const auto chosen = desktop_.openFileDialog("*.ini", "*.ini");
    if (!chosen) {
        return;
    }
    fields.parameterFiles = {*chosen};
    fields.parameterFileSelection = 0;
    const std::string first = fields.parameterFiles.front();
    if (first.empty()) {
        return;
    }
    profileFile_ = first;
    loadParameterFile();
    writeFieldsToControls();
}

void KARVO7CheckDlg::onClearList() {
    fields.resultLines.clear();
    fields.resultSelection = -1;
    writeFieldsToControls();
}

void KARVO7CheckDlg::appendResult(const std::string& line) {
    fields.resultLines.push_back(line);
    fields.resultSelection = static_cast<int>(fields.resultLines.size()) - 1;
    writeFieldsToControls();
}

// ---- check buttons ---------------------------------------------------------------------

bool KARVO7CheckDlg::onCheckButton(CheckId id) {
    readFieldsFromControls();
    return pressCheck(checkButton(id));
}

bool KARVO7CheckDlg::onCheckAll() {
    readFieldsFromControls();
    if (selectedCard("Check All") == nullptr) {
        return false;
    }
    bool passed = true;
    for (const CheckButton& button : checkButtons()) {
        if (registry_.available(button.id) && fields.automatic[index(button.id)]) {
            passed = pressCheck(button) && passed;
        }
    }
    return passed;
}

bool KARVO7CheckDlg::pressCheck(const CheckButton& button) {
    KARVO7HANDLE handle = selectedCard(button.caption);
    if (handle == nullptr || !registry_.available(button.id)) {
        return false;
    }
    if (button.needsKarvo7F && KARVO7IsVersion3(handle) == 0) {
        desktop_.messageBox(button.caption, "Keine KARVO7F!");
        return false;
    }
    operatingVoltage_ = true;
    const bool automatic = fields.automatic[index(button.id)];

    if (const CheckPress& press = registry_.press(button.id)) {
        const bool passed = press(*this, automatic);
        writeFieldsToControls();
        return passed;
    }
    if (automatic && !button.writesLine) {
        return true;
    }
    std::unique_ptr<CheckDialog> dialog = registry_.factory(button.id)(*this);
    if (dialog == nullptr) {
        return false;  // the window refused (and said why)
    }
    if (!automatic) {
        desktop_.runModal(*dialog);
        dialog->afterModal(*this);
        writeFieldsToControls();
        return true;
    }
    return dialog->runAutomatic(button.prefix, resultText_, *this);
}

}  // namespace k7check
