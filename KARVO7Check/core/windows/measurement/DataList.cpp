#include "windows/measurement/DataList.h"

#include <cstdio>

#include "Format.h"
#include "KARVO7Protocol.h"
#include "k7base/Files.h"
#include "stream/DisplayReaders.h"

namespace k7check {

DataList::DataList(const DataListInputs& inputs) {
    period_ = stream::samplePeriodUs(inputs.samplingRate);
    const stream::Bytes buffer(inputs.data, inputs.data != nullptr ? inputs.length : 0);
    if (inputs.recordLayout) {
        layout_ = Layout::Record;
        stream::ListRecord r = stream::decodeListRecord(buffer);
        if (r.prefixed) {
            head_.push_back(formatText("Zeitpunkt %u:", r.zeit));
        }
        if (r.headerRead) {
            head_.push_back(formatText("%u Bytes", r.header.length));
            head_.push_back(formatText("Datentyp 0x%X", static_cast<unsigned>(r.header.type)));
            head_.push_back(formatText(
                "Kennung %u", static_cast<unsigned>(static_cast<uint16_t>(r.header.kennung))));
        } else {
            // Too short for a header: only what there is.
            head_.push_back(formatText("%u Bytes", inputs.length));
        }
        if (r.controlWord) {
            const stream::ControlWord kind = stream::classifyControlWord(*r.controlWord);
            head_.push_back(kind == stream::ControlWord::Unknown ? ", Unbekanntes Steuerzeichen"
                                                                 : stream::controlWordName(kind));
        }
        samples_ = std::move(r.samples);
        return;
    }
    head_.push_back(formatText("%u Bytes", inputs.length));
    if (inputs.eightBit) {
        layout_ = Layout::Native8;
        samples_.resize(buffer.size());
        for (std::size_t i = 0; i < buffer.size(); ++i) {
            samples_[i] = static_cast<int8_t>(buffer[i]);
        }
    } else {
        layout_ = Layout::Native16;
        samples_.resize(buffer.size() / 2);
        for (std::size_t i = 0; i < samples_.size(); ++i) {
            samples_[i] = static_cast<int16_t>(k7proto::le16(&buffer[2 * i]));
        }
    }
}

double DataList::percentOf(int16_t s) const {
    return layout_ == Layout::Native8 ? stream::percent8(s) : stream::percent16(s);
}

std::string DataList::line(std::size_t i) const {
    if (i < head_.size()) {
        return head_[i];
    }
    i -= head_.size();
    if (i >= samples_.size()) {
        return {};
    }
    const int16_t s = samples_[i];
    const double time = static_cast<double>(i) * period_;
    const int index = static_cast<int>(i);
    switch (layout_) {
        case Layout::Record:
            return formatText("%8.3fµs  %6.1f%% | %4i %6d (%4d) 0x%04X", time, percentOf(s), index,
                              stream::adcValue(s), stream::adcValueCoarse(s),
                              static_cast<unsigned>(static_cast<uint16_t>(s)));
        case Layout::Native16:
            return formatText("%8.3fµs  %6.1f%% | %4i %6d (%4d) 0x%04X", time, percentOf(s), index,
                              static_cast<int>(s), stream::adcValueCoarse(s),
                              static_cast<unsigned>(static_cast<uint16_t>(s)));
        case Layout::Native8:
            return formatText("%8.3fµs  %6.1f%% | %4i %6d 0x%04X", time, percentOf(s), index,
                              static_cast<int>(s), static_cast<unsigned>(static_cast<int>(s)));
    }
    return {};
}

std::string DataList::copyText(const std::vector<std::size_t>& indexes) const {
    std::string out;
    for (std::size_t i : indexes) {
        out += line(i);
        out += '\n';
    }
    return out;
}

std::string DataList::csv() const {
    std::string out;
    out.reserve(samples_.size() * 32);
    char row[96];
    for (std::size_t i = 0; i < samples_.size(); ++i) {
        const int16_t s = samples_[i];
        const int size =
            std::snprintf(row, sizeof row, "%.5f,%.3f,%zu,%d\n", static_cast<double>(i) * period_,
                          percentOf(s), i, static_cast<int>(s));
        out.append(row, static_cast<std::size_t>(size));
    }
    return out;
}

bool DataList::saveCsv(const std::string& path, std::string* error) const {
    return k7base::writeFileAtomically(path, csv(), error);
}

}  // namespace k7check
