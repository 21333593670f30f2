// karvo7 shot N --set S: single shots of one set, as the check program's single measurement
// takes them (the set handed to the card, then start and read), written as CSV, raw bytes or
// JSON.
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <nlohmann/json.hpp>

#include "Commands.h"
#include "Interrupt.h"
#include "OutputFile.h"
#include "SetToCard.h"
#include "ShotSamples.h"
#include "StreamReaders.h"
#include "Tool.h"

namespace karvo7 {

namespace {

ShotFormat formatOf(const ShotOptions& options) {
    if (options.format) {
        return *options.format;
    }
    const std::string& o = options.output;
    auto endsWith = [&](const char* end) {
        const std::string e(end);
        return o.size() >= e.size() && o.compare(o.size() - e.size(), e.size(), e) == 0;
    };
    if (endsWith(".json")) {
        return ShotFormat::Json;
    }
    if (endsWith(".bin") || endsWith(".raw")) {
        return ShotFormat::Raw;
    }
    return ShotFormat::Csv;
}

std::string shotsJson(const ShotOptions& options, const ShotLayout& layout,
                      const std::vector<std::vector<uint8_t>>& shots) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& shot : shots) {
        list.push_back(shotSamples(layout, shot));
    }
    nlohmann::ordered_json j = {
        {"card", options.card},
        {"set", options.set},
        {"layout", layout.layout == Layout::Record ? "record" : "native"},
        {"sample_period_us", k7check::stream::samplePeriodUs(layout.samplingRate)},
        {"shots", list}};
    return j.dump() + '\n';
}

}  // namespace

int runShot(const ShotOptions& options, std::ostream& out, std::ostream& err) {
    if (options.count == 0) {
        complain(err, "-n must be at least 1");
        return kExitUsage;
    }
    k7check::ParameterSet set;
    if (!buildSet(options.overrides, options.card == 0 ? 1 : std::min(options.card, 16u),
                  options.set, set, err)) {
        return kExitUsage;
    }
    int exitCode = kExitDone;
    CardHandle card = openCard(options.card, err, exitCode);
    if (card == nullptr) {
        return exitCode;
    }
    const bool version3 = KARVO7IsVersion3(card.get()) != 0;
    if (!version3 && options.set != 0) {
        complain(err, "card " + std::to_string(options.card) + " holds set 0 only");
        return kExitUsage;
    }
    if (!warmUp(card.get(), options.card, err)) {
        return kExitFailed;
    }
    uint32_t error = 0;
    ShotLayout layout{version3 ? options.overrides.layout : Layout::Native, set.bit8,
                      set.samplerate};
    if (version3 && KARVO7SetVIRMA4(card.get(), options.set,
                                    layoutIdentification(layout.layout, options.card, options.set),
                                    &error) == 0) {
        complain(err, "setting the data layout failed, error " + hexWord(error));
        return kExitFailed;
    }
    if (!k7check::handSetToCard(card.get(), options.set, set, error)) {
        complain(err, "the card refused the set, error " + hexWord(error));
        return kExitFailed;
    }
    KARVO7SetMode(card.get(), 1, &error);
    std::vector<std::vector<uint8_t>> shots;
    for (uint32_t k = 0; k < options.count; ++k) {
        if (KARVO7Start(card.get(), &error) == 0) {
            complain(err, "start failed, error " + hexWord(error));
            return kExitFailed;
        }
        std::vector<uint8_t> buffer(kLargestShotBytes);
        uint32_t length = static_cast<uint32_t>(buffer.size());
        if (KARVO7GetData(card.get(), &length, buffer.data(), &error) == 0) {
            complain(err,
                     "shot " + std::to_string(k + 1) + ": reading failed, error " + hexWord(error));
            return kExitFailed;
        }
        buffer.resize(length);
        shots.push_back(std::move(buffer));
    }
    std::string data;
    switch (formatOf(options)) {
        case ShotFormat::Csv:
            data = shotsCsv(layout, shots);
            break;
        case ShotFormat::Json:
            data = shotsJson(options, layout, shots);
            break;
        case ShotFormat::Raw:
            for (const auto& shot : shots) {
                data.append(shot.begin(), shot.end());
            }
            break;
    }
    if (options.output == "-") {
        out.write(data.data(), static_cast<std::streamsize>(data.size()));
        out.flush();
        if (!out) {
            complain(err, "standard output: " + writeErrorText(errno));
            return kExitFailed;
        }
        return kExitDone;
    }
    OutputFile file;
    std::string why;
    if (!file.open(options.output, STDOUT_FILENO, why) ||
        !file.write(data.data(), data.size(), why) || !file.commit(why)) {
        complain(err, why);
        return kExitFailed;
    }
    return kExitDone;
}

}  // namespace karvo7
