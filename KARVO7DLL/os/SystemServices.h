// What the device layer takes from the operating system beside the devices: the real clock,
// the heap, and the loading of a driver module. One implementation per system (posix/,
// win32/); everything above them is the same everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace k7::os {

// The real clock: milliseconds since some start (wrapping at 2^32), and a pause.
uint32_t systemTick(void* context);
void systemSleep(void* context, uint32_t milliseconds);

// The system heap.
void* systemAllocate(void* context, std::size_t size);
void systemRelease(void* context, void* block);

// The simulated cards' module, loaded when KARVO7_SIM is set.
const char* simulatedCardsModule();
// Where the module's name ends in KARVO7_DRIVER's "module:parameter": after a drive letter's
// colon on systems that have them.
std::size_t moduleNameEnd(const std::string& text);

// A driver module, looked for beside this library first (see openModule); nullptr with
// `why` set when it cannot be loaded.
void* openModule(const std::string& name, std::string& why);
void* moduleSymbol(void* module, const char* name);
void closeModule(void* module);

}  // namespace k7::os
