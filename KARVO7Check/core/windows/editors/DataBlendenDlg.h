// The gate value list "Blendenwerte": lists the result data the gates window fetched, entry by
// entry - gate results records with their control words in the record layout, compact gate
// entries by active set in the native layout. The window owns the buffer of its one "Results"
// press and releases it when it closes.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "card/ParameterSet.h"
#include "desktop/Dialog.h"
#include "windows/measurement/DataList.h"

namespace k7check {

// The lines of the list for `length` bytes of result data.
std::vector<std::string> gateValueLines(const uint8_t* data, uint32_t length,
                                        const std::array<bool, kSetsPerCard>& active,
                                        bool recordLayout);

class DataBlendenDlg : public Dialog {
  public:
    static constexpr const char* kWindowClass = "DataBlendenDlg";
    static constexpr const char* kTitle = "Blendenwerte";

    DataBlendenDlg(std::vector<uint8_t> buffer, uint32_t length,
                   const std::array<bool, kSetsPerCard>& active, bool recordLayout);

    bool onInit() override;
    void onCancel() override;
    void bindFields(FieldBinder& binder) override;

    std::vector<std::string> lines;
    int selection = -1;

  private:
    std::vector<uint8_t> buffer_;
    uint32_t length_;
    std::array<bool, kSetsPerCard> active_;
    bool recordLayout_;
};

// The data list "Data" as the gates window opens it: one list, the lines of the data list of
// the measured-data display; a record-layout buffer too short for a header lists only its
// length.
class BlendenDataList : public Dialog {
  public:
    static constexpr const char* kWindowClass = "BlendenDataList";
    static constexpr const char* kTitle = "Data";

    explicit BlendenDataList(const DataListInputs& inputs);

    bool onInit() override;
    void onCancel() override;
    void bindFields(FieldBinder& binder) override;

    std::vector<std::string> lines;
    int selection = -1;
};

}  // namespace k7check
