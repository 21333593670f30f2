// Numbers in the program's texts and files carry a decimal point whatever the desktop's language
// ("%4.2f" readouts, the parameter and identification files, the data list). A QApplication sets
// the C library's locale from the desktop's language when it is created; this puts the number
// format back. Call it right after creating the QApplication.
#pragma once

namespace k7qt {

void keepDecimalPoint();

}  // namespace k7qt
