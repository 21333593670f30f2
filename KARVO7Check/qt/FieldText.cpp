#include "FieldText.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

namespace k7qt {

void acceptUnsigned(QLineEdit& edit) {
    edit.setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,10}")), &edit));
}

void acceptSigned(QLineEdit& edit) {
    edit.setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("-?[0-9]{0,10}")), &edit));
}

}  // namespace k7qt
