// The measured-data window "Anzeige Meßdaten" without a toolkit: it takes one A-scan buffer with
// the shot's gate values and the set's gates, checks the record header once when the data is
// handed over, and paints the curve over a percent grid into a canvas.
//
// The caller owns the buffer. setInputs() decodes it into the window's own samples, so painting
// never reads the caller's buffer; call setInputs() again whenever the buffer changes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "KARVO7DLL.h"
#include "desktop/Canvas.h"
#include "windows/measurement/DataList.h"

namespace k7check {

// What the caller hands the window before opening it or before a repaint during a run.
struct MeasuredDataInputs {
    bool eightBit = false;      // the set's "8Bit" (native layout only)
    bool recordLayout = false;  // the VIRMA4 mode flag
    const uint8_t* data = nullptr;
    uint32_t length = 0;                     // bytes in `data`
    uint32_t number = 0;                     // running number at the head of the status line
    uint8_t samplingRate = 0;                // the set's "Samplerate", passed on to the data list
    std::optional<GateResults> gateResults;  // the shot's gate values
    std::optional<GateParams> gateParams;    // the set's gates B0 to B4 and their enables
    uint32_t offset = 0;  // the set's "Aufnahmedelay", subtracted from gate positions
};

// How the curve reaches the canvas. Both give the same pixels with a one-pixel pen.
enum class CurveDrawing {
    Envelope,      // per pixel column: one vertical line, and the join to the next column
    FullPolyline,  // one point per sample
};

class MeasuredDataDisplay {
  public:
    static constexpr const char* kTitle = "Anzeige Meßdaten";
    static constexpr const char* kMessageCaption = "Anzeige";

    // Takes new inputs and runs the header check (record layout). Returns the message to show in
    // a message box captioned "Anzeige" when the check fails; the window then holds no data and
    // paints nothing (the window's own ground shows) until the next call.
    std::optional<std::string> setInputs(const MeasuredDataInputs& inputs);
    // Drops the data (nothing is drawn until new inputs come).
    void clear();

    // Paints the window into a client area of `client` pixels: with data the white ground and
    // everything on it, without data nothing at all.
    void paint(Canvas& canvas, Size client) const;

    void setCurveDrawing(CurveDrawing drawing) { drawing_ = drawing; }

    // What a double click hands the data list window: the same buffer, length, layout flags and
    // sampling-rate index; empty while the window holds no data.
    std::optional<DataListInputs> dataListInputs() const;

    bool hasData() const { return hasData_; }
    const MeasuredDataInputs& inputs() const { return inputs_; }
    // The samples the curve shows (16-bit, or 8-bit values for native 8-bit data).
    const std::vector<int16_t>& samples() const { return samples_; }
    // The status line and the time line ("" when none).
    const std::string& statusLine() const { return status_; }
    const std::string& timeLine() const { return timeLine_; }

  private:
    void paintCurve(Canvas& canvas, int x0, int ym, int w, int h) const;

    MeasuredDataInputs inputs_;
    bool hasData_ = false;
    std::vector<int16_t> samples_;
    bool eightBitScale_ = false;
    std::string status_;
    std::string timeLine_;
    CurveDrawing drawing_ = CurveDrawing::Envelope;
};

// The step between sample-index ticks for n samples.
uint32_t tickStep(uint32_t n);

}  // namespace k7check
