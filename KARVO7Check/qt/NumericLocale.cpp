#include "NumericLocale.h"

#include <clocale>

namespace k7qt {

void keepDecimalPoint() {
    std::setlocale(LC_NUMERIC, "C");
}

}  // namespace k7qt
