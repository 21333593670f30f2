// The Win32 views of the measured-data window "Anzeige Meßdaten" (painted through the window,
// "Bild speichern..." in its context menu) and of the data list "Data" (one owner-drawn list
// that formats each line when it is drawn, so that 65536 samples open at once; "Kopieren" and
// "Speichern unter..." in its context menu).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Win32DialogView.h"
#include "windows/measurement/AnzeigeDlg.h"
#include "windows/measurement/DataListDlg.h"

namespace k7w32 {

// The client area a measured-data window opens with; the technician may resize it.
constexpr SIZE kMeasuredDataClient{800, 600};

std::unique_ptr<Win32DialogView> makeAnzeigeView(k7check::AnzeigeDlg& window,
                                                 const Metrics& metrics);
std::unique_ptr<Win32DialogView> makeDataListView(k7check::DataListDlg& window,
                                                  const Metrics& metrics);

// The picture of a painted view at its client size, 0x00RRGGBB row by row.
std::vector<uint32_t> pictureOf(Win32DialogView& view, SIZE& size);
// The data list view's selected lines as "Kopieren" puts them on the clipboard.
std::string selectedLines(Win32DialogView& view, const k7check::DataListDlg& window);

}  // namespace k7w32
