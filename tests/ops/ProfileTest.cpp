// The parameter file through the C interface: edits that keep every other byte, refusals that
// change nothing, a set written as the check program writes one and read back, the file saved
// whole or not at all, and the callers' buffers.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "KARVO7Ops.h"
#include "ProfileFiles.h"
#include "ScratchFolder.h"

namespace {

struct Free {
    void operator()(K7OpsProfile* profile) const { K7OpsProfileFree(profile); }
};
using Profile = std::unique_ptr<K7OpsProfile, Free>;

Profile parse(const std::string& bytes) {
    uint32_t error = 1;
    Profile profile(K7OpsProfileParse(bytes.data(), bytes.size(), &error));
    EXPECT_NE(profile, nullptr);
    EXPECT_EQ(error, 0u);
    return profile;
}

std::string bytesOf(const K7OpsProfile* profile) {
    uint64_t size = 0;
    uint32_t error = 0;
    const int asked = K7OpsProfileBytes(profile, nullptr, 0, &size, &error);
    EXPECT_EQ(asked, size == 0 ? 1 : 0);
    EXPECT_EQ(error, size == 0 ? 0u : K7OPS_ERROR_BUFFER);
    std::string bytes(size, '\0');
    EXPECT_EQ(K7OpsProfileBytes(profile, bytes.data(), bytes.size(), &size, &error), 1);
    EXPECT_EQ(error, 0u);
    return bytes;
}

// The value, or "<missing>".
std::string valueOf(const K7OpsProfile* profile, const char* section, const char* key) {
    char value[256] = "unchanged";
    uint64_t length = 99;
    int32_t found = -1;
    uint32_t error = 1;
    EXPECT_EQ(
        K7OpsProfileValue(profile, section, key, value, sizeof value, &length, &found, &error), 1);
    EXPECT_EQ(error, 0u);
    if (found == 0) {
        EXPECT_EQ(length, 0u);
        return "<missing>";
    }
    EXPECT_EQ(length, std::string(value).size());
    return value;
}

uint32_t setValue(K7OpsProfile* profile, const char* section, const char* key,
                  const std::string& value) {
    uint32_t error = 1;
    const int set = K7OpsProfileSetValue(profile, section, key, value.data(), value.size(), &error);
    EXPECT_EQ(set, error == 0 ? 1 : 0);
    return error;
}

TEST(ProfileTest, EditsChangeOnlyTheirLineAndReadBack) {
    const std::string source =
        "\xEF\xBB\xBF; Kommentar\r\n[Init]\r\n  TimeOut = 10 \r\n; keep\r\n\r\n[Karte1-Satz0]\r\n"
        "IFF=\"77\"\r\nFilter=2";
    const Profile profile = parse(source);
    EXPECT_EQ(bytesOf(profile.get()), source);
    EXPECT_EQ(valueOf(profile.get(), " init", "TIMEOUT"), "10");
    EXPECT_EQ(valueOf(profile.get(), "Karte1-Satz0", "IFF"), "77");  // quotes dropped
    EXPECT_EQ(valueOf(profile.get(), "Karte1-Satz0", "Average"), "<missing>");

    // An existing key: only its value changes, blanks before it and the line ending stay.
    EXPECT_EQ(setValue(profile.get(), "INIT", "timeout", "25"), 0u);
    // A new key goes behind the section's last key, not behind its comments; a file that
    // ended without a line break still does.
    EXPECT_EQ(setValue(profile.get(), "Init", "Karte", "1"), 0u);
    EXPECT_EQ(setValue(profile.get(), "Karte1-Satz0", "Average", "3"), 0u);
    // A new section at the end, in the file's line ending.
    EXPECT_EQ(setValue(profile.get(), "Neu", "x", "a b"), 0u);
    EXPECT_EQ(bytesOf(profile.get()),
              "\xEF\xBB\xBF; Kommentar\r\n[Init]\r\n  TimeOut = 25\r\nKarte=1\r\n; keep\r\n\r\n"
              "[Karte1-Satz0]\r\nIFF=\"77\"\r\nFilter=2\r\nAverage=3\r\n[Neu]\r\nx=a b\r\n");
    EXPECT_EQ(valueOf(profile.get(), "Init", "TimeOut"), "25");
    EXPECT_EQ(valueOf(profile.get(), "neu", "X"), "a b");
    // What an edit leaves parses to the same values.
    const Profile again = parse(bytesOf(profile.get()));
    for (const char* key : {"TimeOut", "Karte"}) {
        EXPECT_EQ(valueOf(again.get(), "Init", key), valueOf(profile.get(), "Init", key));
    }
}

TEST(ProfileTest, NamesAndValuesTheFileCannotHoldAreRefusedAndChangeNothing) {
    const std::string source = "[Init]\nKarte=1\n";
    const Profile profile = parse(source);
    const struct {
        const char* section;
        const char* key;
        std::string value;
    } refused[] = {{"A]B", "key", "1"},   {"Init", "a=b", "1"},  {"Init", ";c", "1"},
                   {"Init", "[k", "1"},   {" ", "key", "1"},     {"Init", "\t", "1"},
                   {"Init", "k", "a\nb"}, {"Init", "k", "a\rb"}, {"a\nb", "k", "1"},
                   {"Init", "k\rx", "1"}, {"", "Karte", "2"}};
    for (const auto& r : refused) {
        EXPECT_EQ(setValue(profile.get(), r.section, r.key, r.value), K7OPS_ERROR_ARGUMENT)
            << r.section << " " << r.key;
    }
    EXPECT_EQ(bytesOf(profile.get()), source);
    // A value may hold any other byte, a NUL too.
    EXPECT_EQ(setValue(profile.get(), "Init", "k", std::string("a\0b", 3)), 0u);
    EXPECT_EQ(bytesOf(profile.get()), source + std::string("k=a\0b\n", 6));
}

TEST(ProfileTest, NullPointersAndShortBuffers) {
    uint32_t error = 0;
    EXPECT_EQ(K7OpsProfileParse(nullptr, 3, &error), nullptr);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    const Profile empty(K7OpsProfileParse(nullptr, 0, &error));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(bytesOf(empty.get()), "");
    K7OpsProfileFree(nullptr);

    const Profile profile = parse("[S]\nk=Straße\n");
    char value[6] = "xxxxx";
    uint64_t length = 0;
    int32_t found = 0;
    // Cut before the character that does not fit whole, NUL-terminated; the whole length.
    EXPECT_EQ(
        K7OpsProfileValue(profile.get(), "S", "k", value, sizeof value, &length, &found, &error),
        1);
    EXPECT_EQ(std::string(value), "Stra");
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(K7OpsProfileValue(profile.get(), "S", "k", nullptr, 0, &length, &found, &error), 1);
    EXPECT_EQ(length, 7u);
    EXPECT_EQ(K7OpsProfileValue(profile.get(), nullptr, "k", value, sizeof value, &length, &found,
                                &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    EXPECT_EQ(K7OpsProfileValue(nullptr, "S", "k", value, sizeof value, &length, &found, &error),
              0);
    EXPECT_EQ(
        K7OpsProfileValue(profile.get(), "S", "k", value, sizeof value, &length, nullptr, &error),
        0);

    // Bytes: a buffer too small is refused whole, the size told.
    char bytes[8];
    std::fill(std::begin(bytes), std::end(bytes), '#');
    uint64_t size = 0;
    EXPECT_EQ(K7OpsProfileBytes(profile.get(), bytes, sizeof bytes, &size, &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_BUFFER);
    EXPECT_EQ(size, 14u);
    EXPECT_EQ(std::string(bytes, 8), std::string(8, '#'));
    EXPECT_EQ(K7OpsProfileBytes(profile.get(), nullptr, 8, &size, &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);

    EXPECT_EQ(K7OpsProfileSetValue(nullptr, "S", "k", "v", 1, &error), 0);
    EXPECT_EQ(K7OpsProfileSetValue(profile.get(), "S", "k", nullptr, 1, &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    EXPECT_EQ(K7OpsProfileSave(profile.get(), nullptr, nullptr, 0, &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    EXPECT_EQ(K7OpsProfileLoad(nullptr, nullptr, 0, &error), nullptr);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    EXPECT_EQ(bytesOf(profile.get()), "[S]\nk=Straße\n");
}

// A set's values as K7OpsParseSet hands them out.
struct ParsedSet {
    std::vector<int64_t> values;
    std::vector<uint16_t> table;
    int32_t active = -1;
};

ParsedSet parsedSet(const std::string& bytes, const char* section) {
    ParsedSet set;
    set.values.assign(K7OpsSetFieldCount(), 0);
    uint16_t table[K7OPS_TA_ENTRIES]{};
    uint32_t points = 0;
    uint32_t error = 1;
    EXPECT_EQ(K7OpsParseSet(bytes.data(), bytes.size(), section, set.values.data(),
                            K7OpsSetFieldCount(), table, &points, &set.active, &error),
              1);
    set.table.assign(table, table + points);
    return set;
}

uint32_t fieldIndex(const std::string& key) {
    for (uint32_t i = 0; i < K7OpsSetFieldCount(); ++i) {
        char name[64];
        K7OpsSetFieldKey(i, name, sizeof name);
        if (key == name) {
            return i;
        }
    }
    ADD_FAILURE() << "no field " << key;
    return 0;
}

TEST(ProfileTest, ASetWrittenReadsBackThroughTheSetParser) {
    const std::string source = "; Stationsdatei\n[Init]\nKarte=1\n";
    const Profile profile = parse(source);
    ParsedSet written = parsedSet("", "Karte1-Satz1");
    written.values[fieldIndex("IFF")] = 5000;
    written.values[fieldIndex("8Bit")] = 1;
    written.values[fieldIndex("Aufnahmedelay")] = -5;
    written.values[fieldIndex("Triggerdelay")] = -7;
    written.values[fieldIndex("B2-Schwelle")] = 4095;
    written.values[fieldIndex("SAP-Delay")] = 65535;
    written.values[fieldIndex("Verstaerkung")] = 203;
    written.table = {100, 200, 65535};
    written.active = 1;
    uint32_t error = 1;
    ASSERT_EQ(K7OpsProfileWriteSet(profile.get(), "Karte1-Satz1", written.values.data(),
                                   K7OpsSetFieldCount(), written.table.data(),
                                   static_cast<uint32_t>(written.table.size()), 1, &error),
              1);
    EXPECT_EQ(error, 0u);
    const std::string bytes = bytesOf(profile.get());
    EXPECT_EQ(bytes.rfind(source + "[Karte1-Satz1]\nActive=yes\nIFF=5000\n8Bit=yes\n", 0), 0u)
        << bytes;
    EXPECT_NE(bytes.find("\nTA-Enable=yes\nTA-Stuetzstellen=2\nTA-Tabelle=100 200 65535\n"),
              std::string::npos)
        << bytes;
    const ParsedSet read = parsedSet(bytes, "Karte1-Satz1");
    EXPECT_EQ(read.values, written.values);
    EXPECT_EQ(read.table, written.table);
    EXPECT_EQ(read.active, 1);

    // Turned off, the set keeps the file's table and .ta file for when it is turned on again.
    const Profile withTable = parse(
        "[Karte1-Satz1]\nTA-Enable=yes\nTA-Stuetzstellen=2\nTA-Tabelle=5 6 7 8\n"
        "TA-Datei=probe.ta\n");
    ASSERT_EQ(K7OpsProfileWriteSet(withTable.get(), "Karte1-Satz1", written.values.data(),
                                   K7OpsSetFieldCount(), nullptr, 0, 0, &error),
              1);
    const std::string off = bytesOf(withTable.get());
    EXPECT_EQ(off.rfind("[Karte1-Satz1]\nTA-Enable=no\nTA-Stuetzstellen=2\nTA-Tabelle=5 6 7 8\n"
                        "TA-Datei=probe.ta\nActive=no\nIFF=5000\n",
                        0),
              0u)
        << off;
    EXPECT_TRUE(parsedSet(off, "Karte1-Satz1").table.empty());
    // A section that never had a depth compensation is written without its keys.
    const Profile without = parse("[Karte1-Satz0]\nFilter=5\n");
    ASSERT_EQ(K7OpsProfileWriteSet(without.get(), "karte1-satz0", written.values.data(),
                                   K7OpsSetFieldCount(), nullptr, 0, 0, &error),
              1);
    for (const char* key : {"TA-Enable", "TA-Stuetzstellen", "TA-Tabelle", "TA-Datei"}) {
        EXPECT_EQ(bytesOf(without.get()).find(key), std::string::npos) << key;
    }
    EXPECT_EQ(parsedSet(bytesOf(without.get()), "Karte1-Satz0").values, written.values);
}

TEST(ProfileTest, ASetThatCannotBeWrittenIsRefusedWhole) {
    const std::string source = "[Karte1-Satz1]\nIFF=1\n";
    const Profile profile = parse(source);
    std::vector<int64_t> values(K7OpsSetFieldCount() + 1, 0);
    const uint16_t table[2] = {1, 2};
    uint32_t error = 0;
    const uint32_t count = K7OpsSetFieldCount();
    EXPECT_EQ(
        K7OpsProfileWriteSet(profile.get(), "A]B", values.data(), count, nullptr, 0, 0, &error), 0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    error = 0;
    EXPECT_EQ(K7OpsProfileWriteSet(profile.get(), "Karte1-Satz1", values.data(), count - 1, nullptr,
                                   0, 0, &error),
              0);
    EXPECT_EQ(error, K7OPS_ERROR_ARGUMENT);
    EXPECT_EQ(K7OpsProfileWriteSet(profile.get(), "Karte1-Satz1", values.data(), count, nullptr, 2,
                                   0, &error),
              0);
    EXPECT_EQ(K7OpsProfileWriteSet(profile.get(), "Karte1-Satz1", values.data(), count, table,
                                   K7OPS_TA_ENTRIES + 1, 0, &error),
              0);
    EXPECT_EQ(
        K7OpsProfileWriteSet(profile.get(), "Karte1-Satz1", nullptr, count, nullptr, 0, 0, &error),
        0);
    EXPECT_EQ(bytesOf(profile.get()), source);
}

class ProfileFileTest : public ::testing::Test {
  protected:
    void TearDown() override {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(folder);
    }

    std::string write(const std::string& name, const std::string& text) {
        return opstest::writeFileIn(folder, name, text);
    }

    static std::string read(const std::string& path) { return opstest::readFile(path); }

    std::vector<std::string> names() const { return opstest::namesIn(folder); }

    Profile load(const std::string& path) {
        char message[256] = "unchanged";
        uint32_t error = 1;
        Profile profile(K7OpsProfileLoad(path.c_str(), message, sizeof message, &error));
        EXPECT_NE(profile, nullptr) << message;
        EXPECT_EQ(error, 0u);
        EXPECT_STREQ(message, "");
        return profile;
    }

    // Saves `profile` to `path`; the error word, with the message in `message`.
    static uint32_t save(const K7OpsProfile* profile, const std::string& path,
                         std::string& message) {
        char text[512] = "unchanged";
        uint32_t error = 1;
        const int saved = K7OpsProfileSave(profile, path.c_str(), text, sizeof text, &error);
        EXPECT_EQ(saved, error == 0 ? 1 : 0);
        message = text;
        return error;
    }

    std::string folder = k7test::makeScratchFolder("ops-profile");
};

TEST_F(ProfileFileTest, LoadReadsAFileAndAMissingOneAsEmpty) {
    const std::string path = write("p.ini", "[Init]\r\nKarte=2\r\n");
    EXPECT_EQ(valueOf(load(path).get(), "Init", "Karte"), "2");
    EXPECT_EQ(bytesOf(load(folder + "/missing.ini").get()), "");
    // A folder is no parameter file: refused, and named.
    char message[256] = "";
    uint32_t error = 0;
    EXPECT_EQ(K7OpsProfileLoad(folder.c_str(), message, sizeof message, &error), nullptr);
    EXPECT_EQ(error, K7OPS_ERROR_FILE);
    EXPECT_EQ(std::string(message).rfind(folder + ": ", 0), 0u) << message;
}

TEST_F(ProfileFileTest, SaveReplacesTheFileWholeAndLeavesNothingBeside) {
    const std::string path = write("p.ini", "[Init]\nKarte=1\n; Kommentar\n");
    const Profile profile = load(path);
    setValue(profile.get(), "Init", "Karte", "2");
    std::string message;
    EXPECT_EQ(save(profile.get(), path, message), 0u) << message;
    EXPECT_EQ(read(path), "[Init]\nKarte=2\n; Kommentar\n");
    EXPECT_EQ(names(), std::vector<std::string>{"p.ini"});
    // A new file in a folder that exists; none where the folder is missing.
    EXPECT_EQ(save(profile.get(), folder + "/neu.ini", message), 0u) << message;
    EXPECT_EQ(read(folder + "/neu.ini"), read(path));
    EXPECT_EQ(save(profile.get(), folder + "/no/such.ini", message), K7OPS_ERROR_FILE);
    EXPECT_NE(message.find(folder + "/no/"), std::string::npos) << message;
    EXPECT_EQ(names(), (std::vector<std::string>{"neu.ini", "p.ini"}));
}

TEST_F(ProfileFileTest, AReadOnlyFileOrAFolderIsNotReplaced) {
    const std::string path = write("p.ini", "[Init]\nKarte=1\n");
    const Profile profile = parse("[Init]\nKarte=9\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read |
                                           std::filesystem::perms::group_read |
                                           std::filesystem::perms::others_read);
    std::string message;
    EXPECT_EQ(save(profile.get(), path, message), K7OPS_ERROR_PROTECTED);
    EXPECT_EQ(message, path + ": schreibgeschützt");
    EXPECT_EQ(read(path), "[Init]\nKarte=1\n");
    std::filesystem::create_directory(folder + "/sub");
    EXPECT_EQ(save(profile.get(), folder + "/sub", message), K7OPS_ERROR_PROTECTED);
    EXPECT_EQ(message, folder + "/sub: keine Datei");
    EXPECT_EQ(names(), (std::vector<std::string>{"p.ini", "sub"}));
    // Writable again, so that the folder can go (Windows removes no read-only file).
    std::filesystem::permissions(path, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
}

}  // namespace
