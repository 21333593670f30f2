// Number fields shown in edits: what an edit accepts while typing, and how its text becomes the
// field. A text that is not a number (empty, a lone sign) leaves the field as it was; a number
// beyond the field's range is held at the range's end.
#pragma once

#include <QLineEdit>
#include <cstdint>

namespace k7qt {

// Lets the edit take unsigned (digits only) or signed decimal numbers.
void acceptUnsigned(QLineEdit& edit);
void acceptSigned(QLineEdit& edit);

void readNumber(const QLineEdit& edit, uint32_t& field);
void readNumber(const QLineEdit& edit, int32_t& field);

template <typename T>
void writeNumber(QLineEdit& edit, T value) {
    const QString text = QString::number(value);
    if (edit.text() != text) {
        edit.setText(text);
    }
}

}  // namespace k7qt
