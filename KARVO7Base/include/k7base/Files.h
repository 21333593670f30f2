// Writing files whole or not at all, and finding the files the program reads: the parameter
// file, the identification file, the data list's CSV and the display's picture are all written
// through writeFileAtomically.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace k7base {

// Writes `bytes` to `path` through a temporary file in the same folder, flushed to the disk and
// renamed over `path`, so that `path` holds either the old or the new contents whatever happens;
// the folder is synced after the rename so that the rename itself survives a power failure.
//  - The temporary file has no name while it is written (O_TMPFILE) where the file system and
//    /proc allow it: a writer killed then leaves nothing behind. Elsewhere it is named as
//    Temporaries.h says, and the temporaries of dead writers of `path` are removed when `path`
//    is written next.
//  - A symbolic link is followed: the file it points to is replaced, the link stays a link;
//    but in a sticky, world-writable folder (/tmp) only a link of the caller or of the folder's
//    owner is followed (as the kernel's protected_symlinks does), so that a link planted by
//    another user does not turn the write onto a file of the caller's choosing. That holds for
//    every link on the way: a planted link to a folder ("/tmp/x" for "/tmp/x/report.xml") is
//    refused as a planted link to a file is, and the error names the planted link.
//  - An existing file keeps its permissions; a new one gets rw-r--r--.
//  - A read-only file, or anything but a regular file, is not replaced, also for a user the
//    system would let replace it.
// On Windows the temporary file is always named, flushed and moved over `path` with write-through
// (MoveFileExW); the read-only attribute makes a file read-only, and links are the system's to
// follow. The implementations are in posix/ and win32/.
// False on any failure, with `*error` (when given) saying what failed and why
// ("<file>: schreibgeschützt", "<file>: No such file or directory", "<file>: fremder
// symbolischer Link"); the temporary file is removed and `path` is unchanged then.
bool writeFileAtomically(const std::string& path, std::string_view bytes,
                         std::string* error = nullptr);

// The same, for contents written piece by piece (a measurement stream into a file): open()
// makes the temporary file beside the target by the rules above, write() appends (false with
// errno set on failure), commit() flushes, renames and syncs the folder; discard(), or the
// destructor before a commit, removes the temporary file and leaves `path` unchanged.
class AtomicFile {
  public:
    // How the temporary file is made: without a name where possible, or always named (the way
    // taken where O_TMPFILE is missing; chosen by tests of that way).
    enum class Temporary { UnnamedWherePossible, Named };

    AtomicFile() = default;
    explicit AtomicFile(Temporary kind) : kind_(kind) {}
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    bool open(const std::string& path, std::string* error = nullptr);
    bool write(std::string_view bytes);
    // The bytes the temporary file holds (also after a write that failed part way, the disk
    // full); -1 when none is open.
    std::int64_t size() const;
    // Keeps the first `bytes` of what was written, so that the next write or commit follows
    // them; false with errno set on failure.
    bool keepFirst(std::uint64_t bytes);
    bool commit(std::string* error = nullptr);
    void discard();

    // The named temporary file while one is open (empty otherwise, also for an unnamed one),
    // for a signal handler to remove.
    const std::string& temporaryPath() const { return temporary_; }
    // Why the last open() or commit() failed, without the file's name.
    const std::string& reason() const { return reason_; }

  private:
    bool fail(std::string* error, std::string why, const std::string& file);
    bool resolveTarget(const std::string& path, std::string* error);
    bool openUnnamed();
    bool openNamed(std::string* error);
    bool nameUnnamed();

    Temporary kind_ = Temporary::UnnamedWherePossible;
    bool unnamed_ = false;
    int fd_ = -1;
    unsigned mode_ = 0644;
    std::string target_;
    std::string temporary_;
    std::string reason_;
};

// Why a link is not followed (see linkMayBeFollowed), and why a read-only file is not replaced.
inline constexpr const char* kForeignLink = "fremder symbolischer Link";
inline constexpr const char* kReadOnly = "schreibgeschützt";

// False when `path`, one of the folders on its way or a link on the way a link's target takes
// is a symbolic link that is not to be followed: in a sticky, world-writable folder, owned by
// neither the caller nor the folder's owner (or links within links beyond the system's depth);
// `*refused` (when given) then names that link as the way to it runs, links on the way
// followed. True for anything else.
bool linkMayBeFollowed(const std::string& path, std::string* refused = nullptr);

// A profile name as the profile functions use it: an absolute name ("/...") unchanged, a
// relative one in the folder of the running executable.
std::string resolveProfilePath(const std::string& file, const std::string& executablePath);

// `path` when it names an existing file; otherwise the one file in its folder whose name equals
// the last component without regard to case (a parameter file copied from a station that does
// not tell case apart); `path` again when there is none or more than one.
std::string matchFileName(const std::string& path);

}  // namespace k7base
