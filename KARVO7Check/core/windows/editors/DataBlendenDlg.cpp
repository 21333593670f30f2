#include "windows/editors/DataBlendenDlg.h"

#include <algorithm>

#include "Format.h"
#include "stream/ResultWalkers.h"
#include "windows/measurement/DataList.h"

namespace k7check {

namespace {

void recordLines(stream::Bytes data, std::vector<std::string>& lines) {
    stream::RecordResultWalker walker(data);
    stream::ResultItem item;
    while (walker.next(item)) {
        if (item.kind == stream::ResultItem::Kind::Control) {
            lines.push_back(stream::controlWordListing(item));
            continue;
        }
        const stream::GateRecord& r = item.record;
        if (item.prefixed) {
            lines.push_back(formatText("%d Bytes, Datentyp 0x%X, Kennung %d Zeit %d",
                                       static_cast<int>(r.length), static_cast<unsigned>(r.type),
                                       static_cast<int>(r.kennung), static_cast<int>(item.zeit)));
        } else {
            lines.push_back(formatText("%d Bytes, Datentyp 0x%X, Kennung %d",
                                       static_cast<int>(r.length), static_cast<unsigned>(r.type),
                                       static_cast<int>(r.kennung)));
        }
        std::string line;
        for (const stream::GateSlot& slot : r.slots) {
            if (!slot.present()) {
                line += "             | ";
                continue;
            }
            line += formatText("t=%4d v=%3d ", static_cast<int>(slot.time),
                               static_cast<int>(slot.amplitude >> 2));
            line += slot.marker() ? "^| " : " | ";
        }
        lines.push_back(line);
    }
}

void nativeLines(stream::Bytes data, const std::array<bool, kSetsPerCard>& active,
                 std::vector<std::string>& lines) {
    stream::NativeResultWalker walker(data, active);
    stream::NativeItem item;
    int number = 0;
    while (walker.next(item)) {
        lines.push_back(formatText("Parametersatz %d", static_cast<int>(item.set)));
        std::string line = formatText("%4i: ", ++number);
        line += formatText("d=%4d ", static_cast<int>(item.entry.d));
        line += "| ";
        for (const stream::CompactGate& gate : item.entry.gates) {
            if (gate.present) {
                line +=
                    formatText("t=%4d v=%3d ", static_cast<int>(gate.t), static_cast<int>(gate.v));
                line += gate.marker ? "^" : " ";
            } else {
                line += std::string(14, ' ');
            }
            line += "| ";
        }
        lines.push_back(line);
    }
}

}  // namespace

std::vector<std::string> gateValueLines(const uint8_t* data, uint32_t length,
                                        const std::array<bool, kSetsPerCard>& active,
                                        bool recordLayout) {
    std::vector<std::string> lines{formatText("%d Bytes", static_cast<int>(length))};
    const stream::Bytes bytes(data, data != nullptr ? length : 0);
    if (recordLayout) {
        recordLines(bytes, lines);
    } else {
        nativeLines(bytes, active, lines);
    }
    return lines;
}

DataBlendenDlg::DataBlendenDlg(std::vector<uint8_t> buffer, uint32_t length,
                               const std::array<bool, kSetsPerCard>& active, bool recordLayout)
    : Dialog(kWindowClass, kTitle),
      buffer_(std::move(buffer)),
      length_(std::min<uint32_t>(length, static_cast<uint32_t>(buffer_.size()))),
      active_(active),
      recordLayout_(recordLayout) {}

bool DataBlendenDlg::onInit() {
    lines = gateValueLines(buffer_.data(), length_, active_, recordLayout_);
    writeFieldsToControls();
    return true;
}

void DataBlendenDlg::onCancel() {
    endDialog(kIdCancel);
}

void DataBlendenDlg::bindFields(FieldBinder& binder) {
    binder.list("valueList", lines, selection);
}

BlendenDataList::BlendenDataList(const DataListInputs& inputs) : Dialog(kWindowClass, kTitle) {
    const stream::Bytes bytes(inputs.data, inputs.data != nullptr ? inputs.length : 0);
    if (inputs.recordLayout && !stream::readHeader(bytes)) {
        lines.push_back(formatText("%d Bytes", static_cast<int>(inputs.length)));
        return;
    }
    const DataList list(inputs);
    lines.reserve(list.lineCount());
    for (std::size_t i = 0; i < list.lineCount(); ++i) {
        lines.push_back(list.line(i));
    }
}

bool BlendenDataList::onInit() {
    writeFieldsToControls();
    return true;
}

void BlendenDataList::onCancel() {
    endDialog(kIdCancel);
}

void BlendenDataList::bindFields(FieldBinder& binder) {
    binder.list("dataList", lines, selection);
}

}  // namespace k7check
