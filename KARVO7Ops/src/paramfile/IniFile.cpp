#include "paramfile/IniFile.h"

#include <atomic>
#include <memory>
#include <mutex>

#include "k7base/FileStamp.h"
#include "k7base/Files.h"
#include "k7base/RegularFile.h"

namespace k7check {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front())) {
        s.remove_prefix(1);
    }
    while (!s.empty() && isBlank(s.back())) {
        s.remove_suffix(1);
    }
    return s;
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = lower(c);
    }
    return out;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        return value.substr(1, value.size() - 2);
    }
    return value;
}

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

std::atomic<uint64_t> fileLoads{0};

// The file the profile functions read last, parsed: a window that reads a dozen keys one by one
// reads the file once. The profile functions are called from the program's thread and from the
// worker of a long operation, hence the lock.
class ProfileCache {
  public:
    std::shared_ptr<const IniFile> get(const std::string& path) {
        const std::lock_guard<std::mutex> lock(mutex_);
        const auto before = k7base::stampOf(path);
        if (before && file_ != nullptr && path == path_ && *before == stamp_) {
            return file_;
        }
        auto file = std::make_shared<const IniFile>(IniFile::load(path));
        // A file that changed while it was read is not kept, nor one changed in the last
        // seconds: a file system keeps modification times in coarse ticks, so another change
        // within the same tick could leave size and time as they are.
        if (before && k7base::settled(*before) && k7base::stampOf(path) == before) {
            path_ = path;
            stamp_ = *before;
            file_ = file;
        } else {
            file_.reset();
        }
        return file;
    }
    void forget() {
        const std::lock_guard<std::mutex> lock(mutex_);
        file_.reset();
    }

  private:
    std::mutex mutex_;
    std::string path_;
    k7base::FileStamp stamp_;
    std::shared_ptr<const IniFile> file_;
};

ProfileCache& profileCache() {
    static ProfileCache cache;
    return cache;
}

}  // namespace

IniFile::Line IniFile::makeLine(std::string text, std::string ending, bool first) {
    Line line;
    line.text = std::move(text);
    line.ending = std::move(ending);
    std::string_view view = line.text;
    size_t offset = 0;
    if (first && view.substr(0, kBom.size()) == kBom) {
        offset = kBom.size();
    }
    while (offset < view.size() && isBlank(view[offset])) {
        ++offset;
    }
    if (offset == view.size() || view[offset] == ';') {
        return line;
    }
    if (view[offset] == '[') {
        const std::string_view rest = view.substr(offset + 1);
        line.kind = Kind::Section;
        line.name = lowered(trim(rest.substr(0, rest.find(']'))));
        return line;
    }
    const size_t equals = view.find('=', offset);
    if (equals == std::string_view::npos) {
        return line;
    }
    const std::string_view name = trim(view.substr(offset, equals - offset));
    if (name.empty()) {
        return line;
    }
    line.kind = Kind::Key;
    line.name = lowered(name);
    size_t start = equals + 1;
    while (start < view.size() && isBlank(view[start])) {
        ++start;
    }
    line.valueStart = start;
    return line;
}

std::string_view IniFile::Line::value() const {
    return trim(std::string_view(text).substr(valueStart));
}

IniFile IniFile::parse(std::string_view bytes) {
    IniFile file;
    while (!bytes.empty()) {
        const size_t newline = bytes.find('\n');
        std::string text;
        std::string ending;
        if (newline == std::string_view::npos) {
            text = std::string(bytes);
            bytes = {};
        } else {
            size_t end = newline;
            if (end > 0 && bytes[end - 1] == '\r') {
                --end;
            }
            text = std::string(bytes.substr(0, end));
            ending = std::string(bytes.substr(end, newline + 1 - end));
            bytes.remove_prefix(newline + 1);
        }
        file.lines_.push_back(makeLine(std::move(text), std::move(ending), file.lines_.empty()));
        const Line& line = file.lines_.back();
        if (line.kind == Kind::Section) {
            file.sections_.try_emplace(line.name, file.lines_.size() - 1);
        }
    }
    return file;
}

uint64_t IniFile::loadCount() {
    return fileLoads.load();
}

IniFile IniFile::load(const std::string& path) {
    ++fileLoads;
    // Only a regular file is a profile: a folder, a FIFO, a device or a missing name reads as
    // empty, without waiting for a writer.
    std::string bytes;
    if (!k7base::readRegularFile(path, bytes)) {
        return IniFile{};
    }
    return parse(bytes);
}

size_t IniFile::findSection(const std::string& lowerName) const {
    const auto found = sections_.find(lowerName);
    return found == sections_.end() ? lines_.size() : found->second;
}

size_t IniFile::findKey(size_t header, const std::string& lowerKey) const {
    for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
        if (lines_[i].kind == Kind::Key && lines_[i].name == lowerKey) {
            return i;
        }
    }
    return lines_.size();
}

void IniFile::insertLine(size_t at, Line line) {
    for (auto& entry : sections_) {
        if (entry.second >= at) {
            ++entry.second;
        }
    }
    if (line.kind == Kind::Section) {
        sections_.try_emplace(line.name, at);
    }
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

bool IniFile::hasSection(std::string_view section) const {
    return findSection(lowered(trim(section))) != lines_.size();
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    const size_t header = findSection(lowered(trim(section)));
    if (header == lines_.size()) {
        return std::nullopt;
    }
    const size_t line = findKey(header, lowered(trim(key)));
    if (line == lines_.size()) {
        return std::nullopt;
    }
    return std::string(unquote(lines_[line].value()));
}

std::string IniFile::getString(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
    const auto found = value(section, key);
    if (found) {
        return *found;
    }
    // The default loses its trailing blanks as a stored value does ("Filename= " reads "").
    while (!fallback.empty() && (fallback.back() == ' ' || fallback.back() == '\t')) {
        fallback.remove_suffix(1);
    }
    return std::string(fallback);
}

int32_t IniFile::getInt(std::string_view section, std::string_view key, int32_t fallback) const {
    // An empty value ("Zyklen=", "Zyklen=\"\"") is no number: the default stands.
    const auto found = value(section, key);
    return found && !trim(*found).empty() ? profileIntOf(*found) : fallback;
}

std::string IniFile::lineEnding() const {
    for (const Line& line : lines_) {
        if (!line.ending.empty()) {
            return line.ending;
        }
    }
    return "\n";
}

bool IniFile::canHold(std::string_view section, std::string_view key, std::string_view value) {
    section = trim(section);
    key = trim(key);
    return !section.empty() && !key.empty() && section.find(']') == std::string_view::npos &&
           key.find('=') == std::string_view::npos && key.front() != '[' && key.front() != ';' &&
           !hasLineBreak(section) && !hasLineBreak(key) && !hasLineBreak(value);
}

bool IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
    if (!canHold(section, key, value)) {
        return false;
    }
    section = trim(section);
    key = trim(key);
    const size_t header = findSection(lowered(section));
    const std::string eol = lineEnding();
    const std::string newKey = std::string(key) + "=" + std::string(value);

    if (header != lines_.size()) {
        const size_t existing = findKey(header, lowered(key));
        if (existing != lines_.size()) {
            Line& line = lines_[existing];
            line.text = line.text.substr(0, line.valueStart) + std::string(value);
            return true;
        }
        // Behind the section's last key (or its header), not behind trailing comments.
        size_t after = header;
        for (size_t i = header + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
            if (lines_[i].kind == Kind::Key) {
                after = i;
            }
        }
        std::string ending = eol;
        if (lines_[after].ending.empty()) {
            // The file ended without a line break; it still does.
            lines_[after].ending = eol;
            ending.clear();
        }
        insertLine(after + 1, makeLine(newKey, ending, false));
        return true;
    }
    if (!lines_.empty() && lines_.back().ending.empty()) {
        lines_.back().ending = eol;
    }
    insertLine(lines_.size(), makeLine("[" + std::string(section) + "]", eol, lines_.empty()));
    insertLine(lines_.size(), makeLine(newKey, eol, false));
    return true;
}

std::string IniFile::bytes() const {
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.ending;
    }
    return out;
}

bool IniFile::save(const std::string& path) const {
    return k7base::writeFileAtomically(path, bytes());
}

int32_t profileIntOf(std::string_view value) {
    value = trim(value);
    bool negative = false;
    if (!value.empty() && (value.front() == '-' || value.front() == '+')) {
        negative = value.front() == '-';
        value.remove_prefix(1);
    }
    uint32_t number = 0;
    for (const char c : value) {
        if (c < '0' || c > '9') {
            break;
        }
        number = number * 10u + static_cast<uint32_t>(c - '0');
    }
    if (negative) {
        number = 0u - number;
    }
    return static_cast<int32_t>(number);
}

std::shared_ptr<const IniFile> readProfile(const std::string& path) {
    return profileCache().get(path);
}

std::string readProfileString(const std::string& path, const std::string& section,
                              const std::string& key, const std::string& fallback) {
    return profileCache().get(path)->getString(section, key, fallback);
}

int32_t readProfileInt(const std::string& path, const std::string& section, const std::string& key,
                       int32_t fallback) {
    return profileCache().get(path)->getInt(section, key, fallback);
}

bool writeProfileString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) {
    // Written from the file as it is now, never from what was read before.
    profileCache().forget();
    IniFile file = IniFile::load(path);
    const bool written = file.set(section, key, value) && file.save(path);
    profileCache().forget();
    return written;
}

}  // namespace k7check
