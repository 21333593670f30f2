// What the simulated cards take from the operating system: the user's folders for their state
// and lock files, the files themselves (read whole, replaced whole, held locked while a card
// is open), and the worker thread's priority. One implementation per system (posix/, win32/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace k7sim {

// The user's folder for kept card state (without the instance); empty when there is none.
std::string userStateFolder();
// The user's folder for lock files when none is configured; `state` is the instance's state
// folder (may be empty).
std::string userLockFolder(const std::string& state);
// True when `folder` (made 0700 when missing) is the caller's own: a folder, no link, and no
// one else may write into it.
bool privateFolder(const std::string& folder);

// Creates a folder and its parents (new ones with `mode` where the system has modes); true
// when it exists afterwards.
bool makeDirectories(const std::string& path, unsigned mode = 0755);
// The bytes of a regular file; false when it is missing, not a regular file or unreadable.
bool readRegularFile(const std::string& path, std::vector<uint8_t>& bytes);
// Replaces `target` in `folder` whole: written to a temporary name, flushed to the disk, then
// renamed over it. False (the old file unchanged) when that failed.
bool replaceFile(const std::string& folder, const std::string& target, const uint8_t* data,
                 std::size_t size);

// A lock file held exclusively while a card is open: a handle, or -1 when the file cannot be
// made or another process holds it.
intptr_t lockFile(const std::string& path);
void unlockFile(intptr_t handle);

// Real-time priority for the thread that moves the cards' time, where the system grants it.
void takeRealTimePriority();

// True while the process is ending and its other threads are already gone (Windows ends them
// before the modules' statics go, wherever they stood, a lock held too); false elsewhere.
bool processEnding();

}  // namespace k7sim
