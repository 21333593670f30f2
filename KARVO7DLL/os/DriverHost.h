// The installed driver: one per process, like the kernel driver behind the device names.
#pragma once

#include <optional>

#include "KARVO7Driver.h"

namespace k7::os {

// The driver installed now (loading one named by the environment on first use), if any.
std::optional<K7DrvDriver> installedDriver();

// Bookkeeping of open devices: a driver is not replaced while one is open.
void deviceOpened();
void deviceClosed();

}  // namespace k7::os
