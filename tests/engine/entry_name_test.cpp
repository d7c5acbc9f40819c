// Which entry names may reach the disk, and which file specs select which entries.
#include <zlib.h>

#include "engine_test_support.h"
#include "engine/EntryName.h"

using zipengine::decodeEntryName;
using zipengine::fileSpecMatches;
using zipengine::safeEntrySegments;
using zipengine::StoredName;

namespace {

constexpr std::uint16_t kMadeOnDos = 0x0014, kMadeOnUnix = 0x031E, kUtf8Flag = 0x0800;
const std::string kStiri852 =
    "\xAD"
    "tiri.txt";  // "ştiri.txt" in code page 852

// Extra field 0x7075's data: version 1, the CRC-32 of `stored`, the UTF-8 name.
std::vector<std::uint8_t> unicodePath(const std::string& stored, const std::string& name) {
    std::uint32_t crc = crc32(0, reinterpret_cast<const Bytef*>(stored.data()), stored.size());
    std::vector<std::uint8_t> field{1, std::uint8_t(crc), std::uint8_t(crc >> 8),
                                    std::uint8_t(crc >> 16), std::uint8_t(crc >> 24)};
    field.insert(field.end(), name.begin(), name.end());
    return field;
}

std::string decoded(const std::string& stored, std::uint16_t flags, std::uint16_t madeBy,
                    const std::vector<std::uint8_t>& unicode = {}) {
    return decodeEntryName(StoredName{stored, flags, madeBy, unicode}, enginetest::utf8FromCp852);
}

}  // namespace

TEST(EntryNameTest, NamesAreDecodedAsTheirWritersMeantThem) {
    EXPECT_EQ(decoded("bilanț.xls", kUtf8Flag, kMadeOnDos), "bilanț.xls");
    EXPECT_EQ(decoded(kStiri852, 0, kMadeOnDos), "ştiri.txt");
    EXPECT_EQ(decoded("\xD7ndrumar.pdf", 0, kMadeOnDos), "Îndrumar.pdf");
    // Info-ZIP on Linux: UTF-8 without the flag. Bytes that are no UTF-8 are the OEM's.
    EXPECT_EQ(decoded("Știință/bilanț.xls", 0, kMadeOnUnix), "Știință/bilanț.xls");
    EXPECT_EQ(decoded(kStiri852, 0, kMadeOnUnix), "ştiri.txt");
    // A DOS name is OEM even where its bytes happen to form UTF-8 ("Ă" is "\xC3\x82").
    EXPECT_EQ(decoded("\xC3\x82.txt", 0, kMadeOnDos), "├é.txt");
    // A flag on bytes that are no UTF-8 is not believed.
    EXPECT_EQ(decoded(kStiri852, kUtf8Flag, kMadeOnDos), "ştiri.txt");
}

TEST(EntryNameTest, UnicodePathFieldCountsOnlyWhileItsCrcMatchesTheStoredName) {
    EXPECT_EQ(decoded(kStiri852, 0, kMadeOnDos, unicodePath(kStiri852, "știri.txt")), "știri.txt");
    EXPECT_EQ(decoded("renamed.txt", 0, kMadeOnUnix, unicodePath("old.txt", "vechi.txt")),
              "renamed.txt");
    EXPECT_EQ(decoded(kStiri852, 0, kMadeOnDos, unicodePath("other", "știri.txt")), "ştiri.txt");
    auto version2 = unicodePath(kStiri852, "știri.txt");
    version2[0] = 2;
    EXPECT_EQ(decoded(kStiri852, 0, kMadeOnDos, version2), "ştiri.txt");
    EXPECT_EQ(decoded(kStiri852, 0, kMadeOnDos, {1, 2, 3}), "ştiri.txt") << "truncated field";
    EXPECT_EQ(decodeEntryName(StoredName{kStiri852, 0, kMadeOnDos, {}}, {}), "\u00ADtiri.txt")
        << "without an OEM decoder: ISO 8859-1";
}

TEST(EntryNameTest, PlainNamesSplitIntoSegmentsWithEitherSeparator) {
    EXPECT_EQ(safeEntrySegments("dir/sub/file.txt"),
              (std::vector<std::string>{"dir", "sub", "file.txt"}));
    EXPECT_EQ(safeEntrySegments("dir\\file.txt"), (std::vector<std::string>{"dir", "file.txt"}));
    EXPECT_EQ(safeEntrySegments("./a//b/"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(safeEntrySegments("..name/x..y"), (std::vector<std::string>{"..name", "x..y"}));
}

TEST(EntryNameTest, NamesThatCouldLeaveTheBaseFolderAreRefused) {
    for (const char* name :
         {"../x", "a/../../x", "a\\..\\x", "..", "/etc/passwd", "\\x", "\\\\server\\share\\x",
          "//server/share/x", "C:x", "c:/x", "a/b:stream", "", "./", "a/./../b"})
        EXPECT_FALSE(safeEntrySegments(name)) << name;
}

TEST(EntryNameTest, DeviceNamesAndNamesWindowsWouldAlterAreRefused) {
    for (const char* name : {"CON", "con.txt", "dir/NUL", "aux .log", "COM1", "lpt9.dat", "prn",
                             "CONOUT$", "a/trailing.", "a/trailing ", "tab\there", "q?.txt",
                             "star*.txt", "pipe|.txt", "lt<.txt", "quote\".txt"})
        EXPECT_FALSE(safeEntrySegments(name)) << name;
    for (const char* name : {"console.txt", "COM10", "lpt", "nul2.txt", "auxiliary/file"})
        EXPECT_TRUE(safeEntrySegments(name)) << name;
}

TEST(EntryNameTest, WildcardsMatchWholeNamesCaseInsensitively) {
    EXPECT_TRUE(fileSpecMatches("*.txt", "dir/a.TXT"));
    EXPECT_TRUE(fileSpecMatches("dir\\*", "dir/sub/b.bin"));
    EXPECT_TRUE(fileSpecMatches("d?r/a.txt", "dir/a.txt"));
    EXPECT_FALSE(fileSpecMatches("dir/*.bin", "dir/a.txt"));
    EXPECT_FALSE(fileSpecMatches("?", "ab"));
    EXPECT_FALSE(fileSpecMatches("a*b*c", "aXbXd"));
    EXPECT_TRUE(fileSpecMatches("a*b*c", "aXbXbXc"));
}

TEST(EntryNameTest, WildcardsCountLettersAndFoldRomanianCase) {
    EXPECT_TRUE(fileSpecMatches("bilan?.xls", "bilanț.xls"));
    EXPECT_TRUE(fileSpecMatches("ȘTIINȚĂ/*", "știință/a.txt"));
    EXPECT_FALSE(fileSpecMatches("bilan??.xls", "bilanț.xls"));
}

TEST(EntryNameTest, SpecWithoutFolderAlsoMatchesTheLastSegment) {
    EXPECT_TRUE(fileSpecMatches("b.bin", "dir/sub/b.bin"));
    EXPECT_TRUE(fileSpecMatches("sub", "dir/sub/"));
    EXPECT_FALSE(fileSpecMatches("sub/b.bin", "dir/sub/b.bin"));
    EXPECT_FALSE(fileSpecMatches("b.bin", "dir/sub/b.bin2"));
}
