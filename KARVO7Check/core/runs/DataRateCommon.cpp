#include "runs/DataRateCommon.h"

#include "Format.h"
#include "card/ShotSize.h"
#include "runs/ReadFailure.h"
#include "runs/ReadLoop.h"
#include "stream/DisplayReaders.h"

namespace k7check {

bool dataRateFieldsUsable(RunContext& run) {
    if (run.fields().anzeigefaktor < 1) {
        run.desktop().messageBox(run.caption(), "Anzeigefaktor muss mindestens 1 sein!");
        return false;
    }
    if (run.fields().zyklen < 1) {
        run.desktop().messageBox(run.caption(), "Zyklen muss mindestens 1 sein!");
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

bool shotsFitTheBuffer(RunContext& run, const char* runName, uint32_t cardNumber,
                       uint32_t setNumber) {
    const ParameterSet& set = run.set(cardNumber, setNumber);
    const uint64_t bytes = shotBytes(set, run.virma4Mode());
    if (bytes <= kDataBufferSize) {
        return true;
    }
    run.line().fail(runCardText(
        runName, cardNumber,
        formatText("Satz %u Aufnahme %u zu lang: Schuss %llu Bytes, Datenpuffer %u Bytes",
                   setNumber, set.aufnahmelaenge, static_cast<unsigned long long>(bytes),
                   kDataBufferSize)));
    return false;
}

MeasuredDataInputs rateInputs(RunContext& run, const ParameterSet& set, const uint8_t* data,
                              uint32_t length, uint64_t number) {
    MeasuredDataInputs inputs;
    inputs.eightBit = set.bit8;
    inputs.recordLayout = run.virma4Mode();
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

std::optional<uint32_t> setOfKennung(RunContext& run, uint32_t cardNumber, int16_t kennung) {
    for (uint32_t s = 0; s < kSetsPerCard; ++s) {
        if (run.virma4Id(cardNumber, s) == kennung) {
            return s;
        }
    }
    return std::nullopt;
}

bool prepareSetZero(RunContext& run, uint32_t cardNumber, KARVO7HANDLE card, uint32_t& error) {
    return prepareSet(card, 0, cardRecordOf(run.set(cardNumber, 0)), error);
}

std::string dataRateHead(const RunContext& run) {
    std::string head = formatText("Kanal %u: Datenrate ", run.fields().karte);
    if (run.fields().dma) {
        head += "DMA ";
    }
    if (run.fields().prepAll) {
        head += "+ PrepAll ";
    }
    return head;
}

void runLive(RunContext& run, uint32_t cardNumber, KARVO7HANDLE card, const char* liveCaption,
             const std::function<bool(RunPace&)>& prepare,
             const std::function<void(RunPace&)>& measure) {
    {
        RunPace pace(run.desktop(), liveCaption);
        uint32_t error = 0;
        if (!prepareSetZero(run, cardNumber, card, error)) {
            run.line().fail(formatText("Parametersatz 0 Error %X ", error));
        } else if (prepare(pace)) {
            measure(pace);
        } else {
            stopAndEmpty(card, error);
        }
    }
    run.displays().closeAll();
}

std::optional<uint32_t> readShots(RunContext& run, RunPace& pace, KARVO7HANDLE card, uint64_t count,
                                  const ReadLoopShot& shot) {
    const uint32_t begin = run.desktop().tickCount();
    const ReadLoopEnd end = runReadLoop(run.desktop(), pace, run.displays(), count, shot);
    if (end.stopped) {
        run.stopByOperator();
    }
    if (end.failed || end.stopped) {
        uint32_t error = 0;
        stopAndEmpty(card, error);
        run.showReadingFailure();
        return std::nullopt;
    }
    return end.endTick - begin;
}

}  // namespace k7check
