#include "MonospaceFont.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QWidget>
#include <cmath>
#include <optional>

namespace k7qt {

namespace {

// Families in the order they are tried; the first is the one the program depends on.
constexpr const char* kFamilies[] = {"DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono",
                                     "Noto Mono",        "Courier New",    "FreeMono"};

// The family's own font, not a substitute the font system would give for a missing name.
std::optional<QFont> installedFont(const QString& family) {
    if (!QFontDatabase::hasFamily(family)) {
        return std::nullopt;
    }
    QFont font(family);
    font.setStyleHint(QFont::TypeWriter);
    if (QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0) {
        return std::nullopt;
    }
    return font;
}

QFont chooseFamily() {
    for (const char* family : kFamilies) {
        if (const auto font = installedFont(QString::fromLatin1(family));
            font && hasEqualAdvances(*font)) {
            return *font;
        }
    }
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (hasEqualAdvances(fixed)) {
        return fixed;
    }
    QFont hinted(QStringLiteral("monospace"));
    hinted.setStyleHint(QFont::TypeWriter);
    return hasEqualAdvances(hinted) ? hinted : fixed;
}

}  // namespace

QString columnCharacters() {
    QString characters;
    for (char16_t c = 0x20; c < 0x7F; ++c) {
        characters += QChar(c);
    }
    characters += QString::fromUtf8("µäöüÄÖÜß°");
    return characters;
}

bool hasEqualAdvances(const QFont& font) {
    const QFontMetricsF metrics(font);
    const QString characters = columnCharacters();
    const qreal advance = metrics.horizontalAdvance(characters.front());
    if (advance <= 0) {
        return false;
    }
    for (const QChar c : characters) {
        if (metrics.horizontalAdvance(c) != advance) {
            return false;
        }
    }
    // Whole lines too: no kerning between the characters.
    return std::abs(metrics.horizontalAdvance(characters) -
                    advance * static_cast<qreal>(characters.size())) < 0.5;
}

QFont monospaceFont(const QFont& base) {
    static const QFont chosen = chooseFamily();
    QFont font = chosen;
    if (base.pixelSize() > 0) {
        font.setPixelSize(base.pixelSize());
    } else {
        font.setPointSizeF(base.pointSizeF());
    }
    return font;
}

void applyMonospaceFonts(QWidget& root) {
    for (QWidget* widget : root.findChildren<QWidget*>()) {
        if (widget->property("monospace").toBool()) {
            widget->setFont(monospaceFont(widget->font()));
        }
    }
}

}  // namespace k7qt
