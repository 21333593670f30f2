#include "DriverHint.h"

namespace karvo7 {

std::string noDriverHint() {
    return "the KARVO7 cards' driver (KARVO7.sys) is not running, and no simulated cards are set "
           "up (KARVO7_SIM=2 gives two)";
}

}  // namespace karvo7
