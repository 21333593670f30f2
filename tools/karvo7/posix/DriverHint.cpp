#include "DriverHint.h"

namespace karvo7 {

std::string noDriverHint() {
    return "no simulated cards are set up (KARVO7_SIM=2 gives two) and no driver module is named "
           "(KARVO7_DRIVER=/path/to/module.so)";
}

}  // namespace karvo7
