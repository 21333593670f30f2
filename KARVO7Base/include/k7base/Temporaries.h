// The names of the temporary files a file is written through, and the clean-up of those a
// killed writer left behind. A temporary file of `<folder>/<name>` is called
// `<folder>/<name>.k7tmp-<pid>-<tag>`, with the process id of its writer, so that every program
// writing through these functions (the check program, karvo7, the Python package through the C
// interface) cleans up after the others.
#pragma once

#include <string>
#include <string_view>

namespace k7base {

// The start of every temporary file's name for `target`: "<target>.k7tmp-".
std::string temporaryPrefix(const std::string& target);

// The writer's process id in the rest "<pid>-<tag>" of a temporary name after its prefix, or 0
// when the rest is not one.
long writerOfTemporary(std::string_view rest);

// "<target>.k7tmp-<this process>-": a temporary name of this process is this and a tag.
std::string temporaryPrefixOfThisProcess(const std::string& target);

// Removes the temporary files of `target` whose writer no longer runs: regular files of the
// caller, named as above with the id of a process that does not exist. A live writer's file,
// another user's file and any other name are left alone. The number removed.
int removeStaleTemporaries(const std::string& target);

}  // namespace k7base
