// A single shot and the preparation of a stream through the C interface: the one sequence the
// check program's single measurement, karvo7 and the Python package send, with the shot's
// layout taken from the set and the shot decoded by the decoder library.
#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "CallerText.h"
#include "KARVO7Ops.h"
#include "KARVO7Os.h"
#include "KARVO7Stream.h"
#include "card/OpsRecord.h"
#include "card/ParameterSet.h"
#include "card/SetToCard.h"
#include "card/ShotSize.h"

namespace {

using k7ops::fail;

// The start codes a single shot and a continuous measurement prepare their sets with.
constexpr uint8_t kSingleStart = 1;
constexpr uint8_t kContinuousStart = 3;
// K7OpsStreamLayout.sampleRate where the sets differ.
constexpr uint32_t kMixedRates = 0xFFFFFFFFu;

int done(uint32_t* error) {
    *error = 0;
    return 1;
}

bool version3(KARVO7HANDLE card) {
    return KARVO7IsVersion3(card) != 0;
}

// The card's record of `record`, prepared with start code `start` whatever the caller's holds.
k7check::CardRecord startedWith(const K7OpsSet& record, uint8_t start) {
    k7check::CardRecord r = k7check::cardRecordOf(record);
    r.measure.Start = start;
    return r;
}

// The layout a shot of `record` has; false for a shot larger than a read can take.
bool layoutOf(uint32_t set, const K7OpsSet& record, uint32_t layout, K7OpsShotLayout& shot) {
    const MeasureParams& m = record.measure;
    const bool recordLayout = layout == K7OPS_LAYOUT_RECORD;
    const uint64_t bytes = k7check::shotBytes(m, recordLayout);
    if (bytes > UINT32_MAX) {
        return false;
    }
    std::memset(&shot, 0, sizeof shot);
    shot.set = set;
    shot.layout = layout;
    shot.shotBytes = static_cast<uint32_t>(bytes);
    shot.readBytes = std::max(shot.shotBytes, K7OPS_SHOT_READ_BYTES);
    shot.samples = static_cast<uint32_t>(k7check::shotSamples(m));
    // The native layout delivers 8-bit samples as they are; records carry 16 or 12 bits a
    // sample, decoded to 16.
    shot.sampleBits = m.Bit8 != 0 && !recordLayout ? 8 : 16;
    shot.sampleRate = m.Samplerate;
    shot.externalTrigger = m.ExternerTrigger != 0 ? 1 : 0;
    return true;
}

bool sameLayout(const K7OpsShotLayout& a, const K7OpsShotLayout& b) {
    return a.set == b.set && a.layout == b.layout && a.shotBytes == b.shotBytes &&
           a.readBytes == b.readBytes && a.samples == b.samples && a.sampleBits == b.sampleBits &&
           a.sampleRate == b.sampleRate && a.externalTrigger == b.externalTrigger;
}

// Whether the card, of its version, takes set `set` in `layout`: a card that is not a
// version-3 card holds set 0 only and knows no record layout.
bool cardTakes(KARVO7HANDLE card, uint32_t set, uint32_t layout) {
    return set < k7check::kSetsPerCard && layout <= K7OPS_LAYOUT_RECORD &&
           (version3(card) || (set == 0 && layout == K7OPS_LAYOUT_NATIVE));
}

// Whether the failed read ended at the driver's data time-out.
bool timedOut(uint32_t word) {
    return word == K7_ERROR_SEM_TIMEOUT || K7OsGetLastError() == K7_ERROR_SEM_TIMEOUT;
}

// The decoder's options for one shot of `layout`.
KARVO7StreamOptions decoderOptions(const K7OpsShotLayout& layout) {
    KARVO7StreamOptions options{};
    options.struct_size = sizeof options;
    options.layout = layout.layout == K7OPS_LAYOUT_RECORD ? KARVO7STREAM_LAYOUT_RECORD
                                                          : KARVO7STREAM_LAYOUT_NATIVE;
    options.sample_bits = layout.sampleBits;
    options.prefix = KARVO7STREAM_PREFIX_AUTO;
    options.native_content = KARVO7STREAM_NATIVE_SAMPLES;
    options.samples_per_shot = layout.layout == K7OPS_LAYOUT_RECORD ? 0 : layout.samples;
    return options;
}

void copyGates(const K7OpsShot& shot, K7OpsDecodedShot& decoded) {
    decoded.gates = shot.gatesRead != 0 ? 1 : 0;
    if (decoded.gates == 0) {
        return;
    }
    for (uint32_t g = 0; g < K7OPS_GATES; ++g) {
        decoded.gateTime[g] = shot.gates.Gate[g].Time;
        decoded.gateAmplitude[g] = shot.gates.Gate[g].Maximum;
        decoded.gateMarker[g] = shot.gates.Gate[g].Marke != 0 ? 1 : 0;
    }
    decoded.esDelay = shot.gates.ESDelay;
    decoded.esAmplitude = shot.gates.ESMaximum;
}

}  // namespace

extern "C" {

KARVO7OPS_API int K7OpsShotLayoutOf(uint32_t set, const K7OpsSet* record, uint32_t layout,
                                    K7OpsShotLayout* shot, uint32_t* error) {
    if (record == nullptr || shot == nullptr || error == nullptr || set >= k7check::kSetsPerCard ||
        layout > K7OPS_LAYOUT_RECORD) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    if (!layoutOf(set, *record, layout, *shot)) {
        return fail(error, K7OPS_ERROR_SHOT_SIZE);
    }
    return done(error);
}

KARVO7OPS_API int K7OpsPrepareShot(KARVO7HANDLE card, uint32_t set, const K7OpsSet* record,
                                   uint32_t layout, uint32_t dma, K7OpsShotLayout* shot,
                                   uint32_t* step, uint32_t* error) {
    if (card == nullptr || record == nullptr || shot == nullptr || step == nullptr ||
        error == nullptr || dma > 1 || !cardTakes(card, set, layout)) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    K7OpsShotLayout wanted;
    if (!layoutOf(set, *record, layout, wanted)) {
        return fail(error, K7OPS_ERROR_SHOT_SIZE);
    }
    const k7check::HandOver handed =
        k7check::handSetToCard(card, set, startedWith(*record, kSingleStart));
    *step = static_cast<uint32_t>(handed.failed);
    if (!handed.ok()) {
        return fail(error, handed.error);
    }
    // The mode byte is the driver's; a driver that does not take it still reads.
    uint32_t ignored = 0;
    KARVO7SetMode(card, static_cast<uint8_t>(dma), &ignored);
    *shot = wanted;
    return done(error);
}

KARVO7OPS_API int K7OpsTakeShot(KARVO7HANDLE card, uint32_t set, const K7OpsSet* record,
                                const K7OpsShotLayout* layout, void* buffer, uint32_t capacity,
                                K7OpsShot* shot, uint32_t* error) {
    if (card == nullptr || record == nullptr || layout == nullptr || buffer == nullptr ||
        shot == nullptr || error == nullptr || set >= k7check::kSetsPerCard ||
        layout->layout > K7OPS_LAYOUT_RECORD) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    K7OpsShotLayout given;
    if (!layoutOf(set, *record, layout->layout, given) || !sameLayout(given, *layout)) {
        return fail(error, K7OPS_ERROR_SHOT_SIZE);
    }
    if (capacity < layout->readBytes) {
        return fail(error, K7OPS_ERROR_BUFFER);
    }
    std::memset(shot, 0, sizeof *shot);
    uint32_t word = 0;
    // The shot comes into an empty FIFO, so that nothing before it is taken for it.
    if (KARVO7ClearFIFO(card, &word) == 0) {
        shot->step = K7OPS_SHOT_STEP_CLEAR;
        return fail(error, word);
    }
    if (KARVO7Start(card, &word) == 0) {
        shot->step = K7OPS_SHOT_STEP_START;
        return fail(error, word);
    }
    uint32_t length = layout->readBytes;
    if (KARVO7GetData(card, &length, buffer, &word) == 0) {
        shot->step = K7OPS_SHOT_STEP_READ;
        shot->readError = word;
        return fail(error, timedOut(word) ? K7OPS_ERROR_TIMEOUT : word);
    }
    shot->bytes = length;
    uint32_t failure = 0;
    if (length != layout->shotBytes) {
        shot->step = K7OPS_SHOT_STEP_LENGTH;
        failure = K7OPS_ERROR_SHOT_SIZE;
    }
    if (version3(card)) {
        if (KARVO7GetGates(card, &shot->gates, &word) != 0) {
            shot->gatesRead = 1;
        } else {
            shot->gatesError = word;
            if (failure == 0) {
                shot->step = K7OPS_SHOT_STEP_GATES;
                failure = word;
            }
        }
    }
    // Nothing of the shot is left for the next measurement.
    KARVO7ClearFIFO(card, &word);
    if (shot->step != K7OPS_SHOT_STEP_NONE) {
        return fail(error, failure);
    }
    return done(error);
}

KARVO7OPS_API int K7OpsDecodeShot(const void* data, const K7OpsShot* shot,
                                  const K7OpsShotLayout* layout, int16_t* samples,
                                  uint32_t capacity, K7OpsDecodedShot* decoded, uint32_t* error) {
    if (data == nullptr || shot == nullptr || layout == nullptr || samples == nullptr ||
        decoded == nullptr || error == nullptr || layout->layout > K7OPS_LAYOUT_RECORD ||
        (layout->sampleBits != 8 && layout->sampleBits != 16)) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    // A sample takes a byte of the shot at least (8-bit, packed 12-bit or 16-bit): a count the
    // shot's bytes cannot carry is refused before room for it is taken.
    if (shot->bytes != layout->shotBytes || layout->samples > shot->bytes) {
        return fail(error, K7OPS_ERROR_SHOT_SIZE);
    }
    if (capacity < layout->samples) {
        return fail(error, K7OPS_ERROR_BUFFER);
    }
    const KARVO7StreamOptions options = decoderOptions(*layout);
    KARVO7StreamWalker walker{};
    if (KARVO7StreamBegin(&walker, data, shot->bytes, &options) != KARVO7STREAM_OK) {
        return fail(error, K7OPS_ERROR_SHOT_SIZE);
    }
    // The shot is one item of the set's samples, filling the bytes the card delivered.
    std::vector<int16_t> decodedSamples(layout->samples);
    KARVO7StreamItem item{};
    item.struct_size = sizeof item;
    const bool one =
        KARVO7StreamNext(&walker, &item, decodedSamples.data(), layout->samples) ==
            KARVO7STREAM_OK &&
        (item.kind == KARVO7STREAM_ITEM_RECORD || item.kind == KARVO7STREAM_ITEM_NATIVE_SAMPLES) &&
        item.sample_count == layout->samples && item.samples_written == layout->samples &&
        item.offset == 0 && item.size == shot->bytes;
    if (!one) {
        return fail(error, K7OPS_ERROR_SHOT_SIZE);
    }
    std::memset(decoded, 0, sizeof *decoded);
    std::copy(decodedSamples.begin(), decodedSamples.end(), samples);
    decoded->samples = layout->samples;
    if (item.kind == KARVO7STREAM_ITEM_RECORD) {
        decoded->type = item.type;
        decoded->identification = item.kennung;
        decoded->stamped = (item.flags & KARVO7STREAM_ITEM_PREFIXED) != 0 ? 1 : 0;
        decoded->timeStamp = item.zeit;
    }
    copyGates(*shot, *decoded);
    return done(error);
}

KARVO7OPS_API int K7OpsPrepareStream(KARVO7HANDLE card, const K7OpsSet* records,
                                     uint32_t activeSets, uint32_t layout, uint32_t dma,
                                     K7OpsStreamLayout* stream, uint32_t* failedSet, uint32_t* step,
                                     uint32_t* error) {
    if (card == nullptr || records == nullptr || stream == nullptr || failedSet == nullptr ||
        step == nullptr || error == nullptr || dma > 1 || activeSets == 0 ||
        activeSets >= (1u << k7check::kSetsPerCard) || layout > K7OPS_LAYOUT_RECORD) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    const bool v3 = version3(card);
    if (!v3 && (activeSets != 1u || layout != K7OPS_LAYOUT_NATIVE)) {
        return fail(error, K7OPS_ERROR_ARGUMENT);
    }
    // What the engine is given, from the sets alone.
    K7OpsStreamLayout wanted{};
    wanted.activeSets = activeSets;
    wanted.layout = layout;
    wanted.startSet = K7OPS_START_PLAIN;
    std::vector<uint32_t> sets;
    std::vector<uint32_t> iffs;
    std::array<bool, k7check::kSetsPerCard> active{};
    for (uint32_t s = 0; s < k7check::kSetsPerCard; ++s) {
        if ((activeSets & (1u << s)) == 0) {
            continue;
        }
        K7OpsShotLayout shot;
        if (!layoutOf(s, records[s], layout, shot)) {
            return fail(error, K7OPS_ERROR_SHOT_SIZE);
        }
        // Every read takes the largest block a shot of the sets delivers: the record layout's
        // is never the smaller.
        wanted.shotBytes = std::max(
            wanted.shotBytes, static_cast<uint32_t>(k7check::shotBytes(records[s].measure, true)));
        if (sets.empty()) {
            wanted.sampleBits = shot.sampleBits;
            wanted.samplesPerShot = shot.samples;
            wanted.sampleRate = shot.sampleRate;
        } else {
            if (shot.sampleBits != wanted.sampleBits || shot.samples != wanted.samplesPerShot) {
                wanted.sampleBits = 0;
                wanted.samplesPerShot = 0;
            }
            if (shot.sampleRate != wanted.sampleRate) {
                wanted.sampleRate = kMixedRates;
            }
        }
        sets.push_back(s);
        iffs.push_back(records[s].measure.IFF);
        active[s] = true;
    }
    wanted.shotsPerSecond = k7check::cycleRateOf(iffs);
    *failedSet = 0;
    for (const uint32_t s : sets) {
        const k7check::HandOver handed =
            k7check::handSetToCard(card, s, startedWith(records[s], kContinuousStart));
        if (!handed.ok()) {
            *failedSet = s;
            *step = static_cast<uint32_t>(handed.failed);
            return fail(error, handed.error);
        }
    }
    uint32_t word = 0;
    if (v3 && !k7check::activateSets(card, active, word)) {
        *step = K7OPS_STEP_ACTIVE_SETS;
        return fail(error, word);
    }
    uint32_t ignored = 0;
    KARVO7SetMode(card, static_cast<uint8_t>(dma), &ignored);
    if (KARVO7SetParam(card, sets.front(), &word) == 0) {
        *failedSet = sets.front();
        *step = K7OPS_STEP_SELECT_SET;
        return fail(error, word);
    }
    // The engine reads only the stream's shots: nothing left over, no overflow pending. It
    // empties the FIFO again at its start.
    k7check::stopAndEmpty(card, ignored);
    *step = K7OPS_STEP_NONE;
    *stream = wanted;
    return done(error);
}

}  // extern "C"
