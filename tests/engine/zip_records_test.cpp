// The zip records shared by the engine and the archive component: archives that other readers
// read (a stub before a Zip64 archive, Windows time fields) and archives they refuse
// (overlapping entries, sizes that overflow or exceed the disk).
#include <chrono>
#include <cstdlib>
#include <ctime>

#include "engine/ZipDirectory.h"
#include "engine/ZipRecords.h"
#include "engine_test_support.h"

namespace {

using namespace enginetest;
using namespace zipengine_abi;

// The extracted file's modification time in 100-ns ticks since 1970 (UTC).
std::int64_t modifiedTicks(const fs::path& file) {
    auto since = std::chrono::file_clock::to_sys(fs::last_write_time(file)).time_since_epoch();
    return std::chrono::duration_cast<std::chrono::duration<std::int64_t, std::ratio<1, 10000000>>>(
               since)
        .count();
}

// Extraction refused before anything was written, with a message holding `reason`.
void expectRefused(const std::string& archive, const std::string& reason) {
    SCOPED_TRACE(archive);
    ScratchFolder base;
    RecordingHost host;
    EXPECT_EQ(extract(requestFor(archive, base.path()), host), ZE_Aborting);
    EXPECT_TRUE(snapshot(base.path()).empty());
    EXPECT_TRUE(host.only("item").empty());
    bool told = false;
    for (const Event& message : host.only("message"))
        told = told || message.text.find(reason) != std::string::npos;
    EXPECT_TRUE(told) << "no message saying \"" << reason << "\"";
}

TEST(ZipRecordsTest, StubBeforeAZip64ArchiveIsSkipped) {
    // Info-ZIP from standard input, a 713-byte script in front: the locator points into it.
    zipengine::FileByteSource source(archivePath("stubbed-zip64.zip"));
    zipengine::ZipDirectory directory = zipengine::readZipDirectory(source);
    ASSERT_EQ(directory.entries.size(), 1u);
    EXPECT_EQ(directory.entries[0].localHeaderOffset, 713u);

    ScratchFolder base;
    RecordingHost host;
    ASSERT_EQ(extract(requestFor("stubbed-zip64.zip", base.path()), host), 1);
    EXPECT_EQ(readFile(base.path() / "-"), readFile(sourcePath("../src-faults/payload.txt")));
}

TEST(ZipRecordsTest, OverlappingOrMisnamedEntriesAreRefused) {
    expectRefused("overlap-full.zip", "overlap");
    expectRefused("overlap-quoted.zip", "overlap");
    expectRefused("name-mismatch.zip", "names another file");
}

TEST(ZipRecordsTest, TimesFromWindowsAndOldUnixFieldsInOrderOfPrecision) {
    // Far from UTC, so that a DOS time taken as local time would be hours off.
    const char* savedZone = std::getenv("TZ");
    const std::string saved = savedZone ? savedZone : "";
    setenv("TZ", "Asia/Tokyo", 1);
    tzset();
    ScratchFolder base;
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("ntfs-time.zip", base.path()), host), 1);
    EXPECT_EQ(extract(requestFor("old-unix-time.zip", base.path()), host), 1);
    if (savedZone)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    // 7-Zip's NTFS field keeps the half second; the old Unix field holds whole seconds.
    EXPECT_EQ(modifiedTicks(base.path() / "stamped.txt"), 16000000005000000);
    EXPECT_EQ(modifiedTicks(base.path() / "old.txt"), 15000000000000000);

    // Byte by byte: NTFS before the extended timestamp before the old Unix field.
    const std::uint8_t ntfs[] = {
        0x0A, 0,    32,   0,    0, 0, 0, 0, 1, 0, 24, 0, 0x80, 0x16, 0xD7, 0xD5,
        0xDE, 0xB1, 0x9D, 0x01,  // 1970 + 1 s
        0,    0,    0,    0,    0, 0, 0, 0, 0, 0, 0,  0, 0,    0,    0,    0};
    const std::uint8_t extended[] = {0x55, 0x54, 5, 0, 1, 100, 0, 0, 0};
    const std::uint8_t oldUnix[] = {0x55, 0x58, 8, 0, 1, 0, 0, 0, 200, 0, 0, 0};
    std::vector<std::uint8_t> all;
    for (auto field :
         {std::span<const std::uint8_t>(oldUnix), std::span<const std::uint8_t>(extended),
          std::span<const std::uint8_t>(ntfs)})
        all.insert(all.end(), field.begin(), field.end());
    auto ntfsTicks = zipengine::modifiedFromExtra(all);
    ASSERT_TRUE(ntfsTicks);
    EXPECT_EQ(*ntfsTicks, 10000000);
    EXPECT_EQ(zipengine::modifiedFromExtra(std::span(all).first(sizeof oldUnix + sizeof extended)),
              100 * 10000000);
    EXPECT_EQ(zipengine::modifiedFromExtra(oldUnix), 200 * 10000000);
    EXPECT_EQ(zipengine::modifiedFromExtra({}), std::nullopt);
}

TEST(ZipRecordsTest, SizesThatOverflowOrExceedTheDiskAreRefused) {
    // Two entries of 2^63-1 bytes each: their sum fits no signed 64-bit count.
    expectRefused("sizes-overflow.zip", "add up");
    // One PiB declared: the message says how much room the extraction needs.
    expectRefused("sizes-huge.zip", "1073741824 MiB needed");
    EXPECT_EQ(zipengine::checkedAdd(~0ull, 1), std::nullopt);
    EXPECT_EQ(zipengine::checkedAdd(~0ull - 1, 1), ~0ull);
}

}  // namespace
