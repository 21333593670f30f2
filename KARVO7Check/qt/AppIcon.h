// The check program's icon: a card outline with an echo trace, drawn at run time so the program
// carries no image files.
#pragma once

#include <QIcon>

namespace k7qt {

QIcon appIcon();

}  // namespace k7qt
