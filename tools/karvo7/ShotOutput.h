// The shots of `karvo7 shot` written as they come, so that the memory the command holds does not
// grow with the number of shots:
//  - raw: each shot's bytes as the card delivered them;
//  - JSON: one object, its "shots" array written shot by shot;
//  - CSV: one row per sample number and one column per shot. A row needs every shot, so the
//    samples wait in an unnamed temporary file (gone with the process, whatever ends it) and
//    the rows are written at the end, a block of rows at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Commands.h"
#include "ShotSamples.h"

namespace karvo7 {

// Takes the output's text or bytes; false when they could not be written (the sink keeps why).
using ShotSink = std::function<bool(std::string_view)>;

class ShotOutput {
  public:
    virtual ~ShotOutput() = default;
    // False when the shot could not be written or kept; error() says why.
    virtual bool add(const std::vector<uint8_t>& shot) = 0;
    // Writes what is still to come (the closing text, the CSV rows). False as add().
    virtual bool finish() = 0;
    // Why the temporary file failed; empty when the sink did.
    const std::string& error() const { return error_; }

  protected:
    std::string error_;
};

struct ShotSource {
    uint32_t card = 0;
    uint32_t set = 0;
    K7OpsShotLayout layout{};
};

std::unique_ptr<ShotOutput> makeShotOutput(ShotFormat format, const ShotSource& source,
                                           ShotSink sink);

}  // namespace karvo7
