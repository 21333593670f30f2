#include "windows/editors/BusbelegungDlg.h"

#include "Format.h"

namespace k7check {

BusbelegungDlg::BusbelegungDlg(const std::array<Channel, kMaxCards>& channels,
                               const std::vector<LooseCard>& loose)
    : Dialog(kWindowClass, kTitle), lines(linesOf(channels, loose)) {}

std::vector<std::string> BusbelegungDlg::linesOf(const std::array<Channel, kMaxCards>& channels,
                                                 const std::vector<LooseCard>& loose) {
    std::vector<std::string> out;
    for (std::size_t n = 0; n < channels.size(); ++n) {
        const Channel& c = channels[n];
        // PCI bus 0 is common: only bus and slot both 0 mark a channel without assignment.
        if (c.bus == 0 && c.slot == 0) {
            break;
        }
        const int channel = static_cast<int>(n + 1);
        if (c.card != 0) {
            out.push_back(formatText("Kanal %2d  (Bus %d  Slot %d)  Karte %d   ", channel,
                                     static_cast<int>(c.bus), static_cast<int>(c.slot),
                                     static_cast<int>(c.card)) +
                          c.konfig);
        } else {
            out.push_back(formatText("Kanal %2d  (Bus %d  Slot %d)", channel,
                                     static_cast<int>(c.bus), static_cast<int>(c.slot)));
        }
    }
    for (const LooseCard& c : loose) {
        out.push_back(formatText("ohne Kanal (Bus %u  Slot %u)  Karte %u", c.bus, c.slot, c.card));
    }
    return out;
}

bool BusbelegungDlg::onInit() {
    writeFieldsToControls();
    return true;
}

void BusbelegungDlg::onCancel() {
    endDialog(kIdCancel);
}

void BusbelegungDlg::bindFields(FieldBinder& binder) {
    binder.list("busList", lines, selection);
}

}  // namespace k7check
