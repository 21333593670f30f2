// What to tell a user when no driver answered the scan: where this system's cards come from.
#pragma once

#include <string>

namespace karvo7 {

// Why no driver answered and what sets one up, for "no driver answered: ...": on Linux the
// simulated cards (KARVO7_SIM) or a driver module (KARVO7_DRIVER), on Windows the card family's
// kernel driver.
std::string noDriverHint();

}  // namespace karvo7
