// The font of every list whose lines are columns (data list, depth compensation, gate values,
// bus occupancy): one whose characters all take the same advance, so the columns line up.
//
// A font's own claim to be fixed-pitch is not trusted (some monospace fonts do not make it, and
// a desktop's "fixed" font may be any font): the candidates are measured. The program ships
// with DejaVu Sans Mono (Debian fonts-dejavu-core) and asks for it first.
#pragma once

#include <QFont>
#include <QString>

namespace k7qt {

// Every character the lists show: printable ASCII, the micro sign, German umlauts and the
// degree sign.
QString columnCharacters();

// Whether every character of columnCharacters() has the same advance in `font`.
bool hasEqualAdvances(const QFont& font);

// The first font of equal advances among DejaVu Sans Mono, other common monospace families and
// the desktop's fixed font, in the point size of `base`; the desktop's fixed font when none
// measures equal. Decided once per program.
QFont monospaceFont(const QFont& base);

// Gives every widget below `root` that carries the dynamic property "monospace" the monospace
// font.
void applyMonospaceFonts(QWidget& root);

}  // namespace k7qt
