#include "FieldText.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>
#include <limits>

namespace k7qt {

void acceptUnsigned(QLineEdit& edit) {
    edit.setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), &edit));
}

void acceptSigned(QLineEdit& edit) {
    edit.setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]{0,10}")), &edit));
}

void readNumber(const QLineEdit& edit, uint32_t& field) {
    bool ok = false;
    const qulonglong value = edit.text().trimmed().toULongLong(&ok);
    if (ok) {
        field = static_cast<uint32_t>(
            std::min<qulonglong>(value, std::numeric_limits<uint32_t>::max()));
    }
}

void readNumber(const QLineEdit& edit, int32_t& field) {
    bool ok = false;
    const qlonglong value = edit.text().trimmed().toLongLong(&ok);
    if (ok) {
        field = static_cast<int32_t>(std::clamp<qlonglong>(
            value, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
    }
}

}  // namespace k7qt
