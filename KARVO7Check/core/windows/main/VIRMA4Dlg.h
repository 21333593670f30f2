// The window "VIRMA4": enters the sibling-card identification of one card and set. The main
// window keeps identifications negated; the window shows and takes the number the technician
// knows (a stored -21 shows as 21).
#pragma once

#include <cstdint>

#include "desktop/Desktop.h"
#include "desktop/Dialog.h"

namespace k7check {

class VIRMA4Dlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "VIRMA4Dlg";
    static constexpr const char* kTitle = "VIRMA4";
    static constexpr int kIdKennung = 1255;

    // `stored` is changed only when the window ends with OK.
    VIRMA4Dlg(Desktop& desktop, int16_t& stored);

    // The edit "Kennung": a signed 16-bit number as typed (wider, so that the window can
    // refuse a number outside -32768..32767 instead of cutting it).
    int32_t kennung = 0;

    bool onInit() override;  // shows the negative of the stored identification
    void onOk() override;    // stores the negative of the entered number
    void onCancel() override;
    void bindFields(FieldBinder& binder) override;

  private:
    Desktop& desktop_;
    int16_t& stored_;
};

}  // namespace k7check
