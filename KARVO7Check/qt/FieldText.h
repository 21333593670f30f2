// What number edits accept while typing. Reading a text into a field is the binder's work
// (truncation to the field's width, a text without a number told apart from 0).
#pragma once

#include <QLineEdit>

namespace k7qt {

// Lets the edit take unsigned (digits only) or signed decimal numbers.
void acceptUnsigned(QLineEdit& edit);
void acceptSigned(QLineEdit& edit);

}  // namespace k7qt
