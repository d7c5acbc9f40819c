// The read-ahead buffer and the path helpers under the reader.
#include "reader_fixture.h"

using namespace readertest;

TEST(ZAUtilsTest, BufferedReaderAgreesWithTheFile) {
    TScratch dir("buffered");
    std::string bytes(200000, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(i * 7 + (i >> 9));
    dir.Write("f.bin", bytes);
    auto file = BufferedReader(SystemPlatform().OpenRead(dir.Path("f.bin")));
    ASSERT_TRUE(file);
    std::string got(100, '\0');
    // Small reads across the buffer's end, a seek back inside it, a large direct read.
    ASSERT_TRUE(file->Seek(65500));
    EXPECT_EQ(file->Read(got.data(), 100), 100u);
    EXPECT_EQ(got, bytes.substr(65500, 100));
    ASSERT_TRUE(file->Seek(65450));
    EXPECT_EQ(file->Read(got.data(), 100), 100u);
    EXPECT_EQ(got, bytes.substr(65450, 100));
    EXPECT_EQ(file->Position(), 65550);
    std::string big(100000, '\0');
    EXPECT_EQ(file->Read(big.data(), 100000), 100000u);
    EXPECT_EQ(big, bytes.substr(65550, 100000));
    EXPECT_EQ(file->SeekFromEnd(10), int64_t(bytes.size()) - 10);
    EXPECT_EQ(file->Read(got.data(), 100), 10u);  // short at the end
    EXPECT_EQ(got.substr(0, 10), bytes.substr(bytes.size() - 10));
    EXPECT_EQ(file->SeekFromEnd(int64_t(bytes.size()) + 1), -1);
    EXPECT_EQ(BufferedReader(nullptr), nullptr);
}

TEST(ZAUtilsTest, PathHelpers) {
    EXPECT_EQ(ExtensionOf("C:\\a.b\\name"), "");
    EXPECT_EQ(ExtensionOf("dir/set.Z01"), ".Z01");
    EXPECT_EQ(ChangeExtension("C:\\x\\set.z01", ".zip"), "C:\\x\\set.zip");
    EXPECT_EQ(FolderOf("A:name.zip"), "A:");
    EXPECT_EQ(NumberOrZero("007"), 7);
    EXPECT_EQ(NumberOrZero("0x1"), 0);
    EXPECT_EQ(NumberOrZero(""), 0);
    EXPECT_TRUE(WildcardMatch("set???.zip", "SET001.ZIP"));
    EXPECT_FALSE(WildcardMatch("set???.zip", "set01.zip"));
    EXPECT_TRUE(WildcardMatch("set.z??*", "set.zip"));
    EXPECT_TRUE(WildcardMatch("set.z??*", "set.z123"));
    EXPECT_FALSE(WildcardMatch("set.z??*", "set.z1"));
}
