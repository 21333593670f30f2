// An INI profile with the semantics of the Windows profile functions, so that a parameter file
// edited by hand or by the program reads the same everywhere:
//  - section and key names compare case-insensitively (ASCII), whitespace around names and
//    values is ignored, the first matching section and the first matching key win;
//  - a line whose first non-blank character is ';' is a comment; there are no inline
//    comments ("k=v ; c" reads "v ; c");
//  - a value enclosed in a matching pair of single or double quotes loses that pair on read;
//  - a default text given for a missing key loses its trailing blanks;
//  - an integer is an optional sign and the leading digits, up to the first non-digit; an
//    empty value reads as the default;
//  - a write changes only the line it concerns (a new key goes after the last key of the first
//    matching section, a new section at the end) and keeps every other byte, comment, order
//    and line ending; a file is replaced whole or not at all.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace k7check {

class IniFile {
  public:
    IniFile() = default;
    // Parses any bytes; whatever they hold, nothing beyond them is read.
    static IniFile parse(std::string_view bytes);
    // Reads a file; a missing or unreadable file, or anything but a regular file, gives an
    // empty profile.
    static IniFile load(const std::string& path);
    // How many times load() has read a file, in this process.
    static uint64_t loadCount();

    // Whether a section of that name has a header line.
    bool hasSection(std::string_view section) const;
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    std::string getString(std::string_view section, std::string_view key,
                          std::string_view fallback) const;
    int32_t getInt(std::string_view section, std::string_view key, int32_t fallback) const;

    // Sets a value; false (nothing changed) for a name the file cannot hold: an empty section
    // or key, a section with ']', a key with '=' or starting with '[' or ';', or any name or
    // value with a line break.
    bool set(std::string_view section, std::string_view key, std::string_view value);
    // Whether set() takes these names and this value.
    static bool canHold(std::string_view section, std::string_view key, std::string_view value);

    // The file's bytes as they are now.
    std::string bytes() const;
    // Writes the bytes to `path` through a temporary file in the same folder and a rename, so
    // that `path` holds either the old or the new contents whatever happens. A read-only file is
    // not replaced (false).
    bool save(const std::string& path) const;

  private:
    enum class Kind { Other, Section, Key };
    struct Line {
        std::string text;    // without its line ending
        std::string ending;  // "\r\n", "\n" or "" (last line)
        Kind kind = Kind::Other;
        std::string name;       // section or key name, trimmed and in lower case
        size_t valueStart = 0;  // where a key's value starts in `text`
        std::string_view value() const;
    };
    static Line makeLine(std::string text, std::string ending, bool first);
    void insertLine(size_t at, Line line);
    // The header line of the first section named `lowerName`, or lines_.size().
    size_t findSection(const std::string& lowerName) const;
    // The first key `lowerKey` of the section whose header is at `header`, or lines_.size().
    size_t findKey(size_t header, const std::string& lowerKey) const;
    std::string lineEnding() const;

    std::vector<Line> lines_;
    std::unordered_map<std::string, size_t> sections_;  // first header line of each name
};

// Integer of a profile value: optional sign and leading digits (wrapping at 32 bits).
int32_t profileIntOf(std::string_view value);

// The desktop's profile services on files. A read parses the file only when it is not the file
// the last read parsed, unchanged since (same inode, size and modification time), so reading
// the keys of one file one by one reads it once; a write reads the file anew and replaces it.
// The file as the profile reads see it (parsed once while it stays unchanged).
std::shared_ptr<const IniFile> readProfile(const std::string& path);
std::string readProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& fallback);
int32_t readProfileInt(const std::string& path, const std::string& section, const std::string& key,
                       int32_t fallback);
bool writeProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value);

}  // namespace k7check
