#include "DataRateCommon.h"

#include <algorithm>

#include "Format.h"
#include "StreamReaders.h"

namespace k7check {

namespace {
// A FIFO of 131072 bytes holds at most this many shots of the smallest size.
constexpr int kMaxDrainReads = 4096;
}  // namespace

bool dataRateFieldsUsable(Session& session, const char* caption) {
    if (session.fields.anzeigefaktor < 1) {
        session.desktop().messageBox(caption, "Anzeigefaktor muss mindestens 1 sein!");
        return false;
    }
    if (session.fields.zyklen < 1) {
        session.desktop().messageBox(caption, "Zyklen muss mindestens 1 sein!");
        return false;
    }
    return true;
}

std::vector<Rect> tileWindows(const Rect& area, std::size_t count) {
    const int side = count <= 4 ? 2 : count <= 9 ? 3 : 4;
    const int width = area.width() / side;
    const int height = area.height() / side;
    std::vector<Rect> tiles;
    for (std::size_t i = 0; i < count; ++i) {
        const int column = static_cast<int>(i) % side;
        const int row = (static_cast<int>(i) / side) % side;
        const int left = area.left + column * width;
        const int top = area.top + row * height;
        tiles.push_back({left, top, left + width, top + height});
    }
    return tiles;
}

std::string rateText(uint32_t samples, uint64_t cycles, uint32_t elapsedMs) {
    const double milliseconds = elapsedMs == 0 ? 1.0 : static_cast<double>(elapsedMs);
    const double rate = static_cast<double>(cycles) / milliseconds * 1000.0;
    return formatText("%u Samples -> %6.2f Hz  ", samples, rate);
}

void RunDisplays::open(const std::vector<std::string>& titles) {
    for (const std::string& title : titles) {
        windows_list_.push_back(windows_.openDisplay(session_, title));
        lastUpdate_.push_back(session_.desktop().tickCount() - throttleMs_ - 1);
        // Room for the largest shot, so that handing one over never allocates.
        auto box = std::make_unique<Mailbox>();
        box->spare.reserve(kDataBufferSize);
        box->shown.reserve(kDataBufferSize);
        boxes_.push_back(std::move(box));
    }
    if (windows_list_.size() > 1) {
        const std::vector<Rect> tiles =
            tileWindows(session_.desktop().workArea(), windows_list_.size());
        for (std::size_t i = 0; i < windows_list_.size(); ++i) {
            if (windows_list_[i] != nullptr) {
                windows_list_[i]->place(tiles[i]);
            }
        }
    }
}

bool RunDisplays::due(std::size_t i) {
    return i < windows_list_.size() && windows_list_[i] != nullptr &&
           session_.desktop().tickCount() - lastUpdate_[i] > throttleMs_;
}

void RunDisplays::update(std::size_t i, const MeasuredDataInputs& inputs) {
    if (!due(i)) {
        return;
    }
    lastUpdate_[i] = session_.desktop().tickCount();
    windows_list_[i]->show(inputs);
}

bool RunDisplays::wants(std::size_t i) const {
    return i < boxes_.size() && windows_list_[i] != nullptr &&
           boxes_[i]->wanted.load(std::memory_order_relaxed);
}

void RunDisplays::offer(std::size_t i, const MeasuredDataInputs& inputs) {
    if (!wants(i)) {
        return;
    }
    Mailbox& box = *boxes_[i];
    const uint32_t length = std::min<uint32_t>(inputs.length, kDataBufferSize);
    std::lock_guard lock(box.mutex);
    box.spare.assign(inputs.data, inputs.data + (inputs.data != nullptr ? length : 0));
    box.inputs = inputs;
    box.inputs.length = static_cast<uint32_t>(box.spare.size());
    box.fresh = true;
    box.wanted.store(false, std::memory_order_relaxed);
}

void RunDisplays::serve() {
    const uint32_t now = session_.desktop().tickCount();
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
        Mailbox& box = *boxes_[i];
        if (windows_list_[i] == nullptr) {
            continue;
        }
        std::optional<MeasuredDataInputs> inputs;
        {
            std::lock_guard lock(box.mutex);
            if (box.fresh) {
                box.spare.swap(box.shown);
                inputs = box.inputs;
                box.fresh = false;
            }
        }
        if (inputs) {
            inputs->data = box.shown.empty() ? nullptr : box.shown.data();
            lastUpdate_[i] = now;
            windows_list_[i]->show(*inputs);
        } else if (!box.wanted.load(std::memory_order_relaxed) &&
                   now - lastUpdate_[i] > throttleMs_) {
            box.wanted.store(true, std::memory_order_relaxed);
        }
    }
}

void RunDisplays::close(std::size_t i) {
    if (i < windows_list_.size()) {
        windows_list_[i].reset();
    }
}

MeasuredDataInputs rateInputs(Session& session, const ParameterSet& set, const uint8_t* data,
                              uint32_t length, uint64_t number) {
    MeasuredDataInputs inputs;
    inputs.eightBit = set.bit8;
    inputs.recordLayout = session.virma4Mode();
    inputs.data = data;
    inputs.length = length;
    inputs.number = static_cast<uint32_t>(number);
    inputs.samplingRate = set.samplerate;
    inputs.offset = static_cast<uint32_t>(set.aufnahmedelay);
    return inputs;
}

std::optional<int16_t> recordKennung(const uint8_t* data, uint32_t length) {
    if (data == nullptr) {
        return std::nullopt;
    }
    const std::optional<stream::Header> header = stream::readHeader({data, length});
    if (!header) {
        return std::nullopt;
    }
    return header->kennung;
}

std::optional<uint32_t> setOfKennung(Session& session, uint32_t cardNumber, int16_t kennung) {
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        if (session.virma4Id(cardNumber, s) == kennung) {
            return s;
        }
    }
    return std::nullopt;
}

void stopAndClear(KARVO7HANDLE card) {
    uint32_t error = 0;
    // A card that is not running refuses the stop; the FIFO is cleared either way.
    KARVO7Stop(card, &error);
    KARVO7ClearFIFO(card, &error);
}

bool prepareSetZero(Session& session, uint32_t cardNumber, KARVO7HANDLE card, uint32_t& error) {
    return prepareSet(card, 0, cardRecordOf(session.parameterSets().set(cardNumber, 0)), error);
}

std::string dataRateHead(const Session& session) {
    std::string head = formatText("Kanal %u: Datenrate ", session.fields.karte);
    if (session.fields.dma) {
        head += "DMA ";
    }
    if (session.fields.prepAll) {
        head += "+ PrepAll ";
    }
    return head;
}

void drainFifo(Session& session, KARVO7HANDLE card) {
    uint32_t error = 0;
    uint32_t flag = 0;
    for (int i = 0; i < kMaxDrainReads && KARVO7IsDataInFIFO(card, &flag, &error) != 0 && flag != 0;
         ++i) {
        uint32_t count = kDataBufferSize;
        if (KARVO7GetData(card, &count, session.dataBuffer().data(), &error) == 0 || count == 0) {
            return;
        }
    }
}

}  // namespace k7check
