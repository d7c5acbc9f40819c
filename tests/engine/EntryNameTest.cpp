// Which entry names may reach the disk, and which file specs select which entries.
#include <gtest/gtest.h>

#include "EntryName.h"

using zipengine::fileSpecMatches;
using zipengine::safeEntrySegments;

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

TEST(EntryNameTest, SpecWithoutFolderAlsoMatchesTheLastSegment) {
    EXPECT_TRUE(fileSpecMatches("b.bin", "dir/sub/b.bin"));
    EXPECT_TRUE(fileSpecMatches("sub", "dir/sub/"));
    EXPECT_FALSE(fileSpecMatches("sub/b.bin", "dir/sub/b.bin"));
    EXPECT_FALSE(fileSpecMatches("b.bin", "dir/sub/b.bin2"));
}
