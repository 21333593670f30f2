// The window "Daten-LCA-Register": the data LCA's registers 1536 to 1566 and the gate 0 results
// in 1072 and 1074, decoded into named bits and fields. The gate pairs are written as start and
// end and read back as the gate's maximum and time: the edits "Anfang n" and "Ende n" are never
// filled by reading, and a gate's pair is written only when one of its two edits was edited
// since the window was opened or last written (writing all four every time would set the
// selected set's gates to 0 whenever only "Average" was changed).
// "Daten-LCA" has no automatic check and writes no result line.
#pragma once

#include "windows/registers/RegisterWindow.h"

namespace k7check {

const RegisterTable& dataLcaTable();

class DataLCADlg : public RegisterWindow {
  public:
    static constexpr const char* kWindowClass = "DataLCADlg";
    static constexpr const char* kTitle = "Daten-LCA-Register";

    DataLCADlg(Desktop& desktop, KARVO7HANDLE card);
};

}  // namespace k7check
