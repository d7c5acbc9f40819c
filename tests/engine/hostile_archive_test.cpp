// Hostile and damaged archives: nothing is ever written outside the base folder, and a failed
// run leaves the whole tree byte for byte as it was, without temporary files.
#include <sys/resource.h>

#include <csignal>

#include "engine/ByteSource.h"
#include "engine_test_support.h"

using namespace enginetest;
using namespace zipengine_abi;

namespace {

// A sandbox with the base folder inside, existing files in and beside it, for comparing the
// whole tree before and after.
struct Sandbox {
    ScratchFolder scratch;
    fs::path base = scratch.path() / "base";
    Sandbox() {
        writeFile(scratch.path() / "beside.txt", "outside the base");
        writeFile(base / "top.txt", "old top");
        writeFile(base / "dir/a.txt", "old a");
        writeFile(base / "keep/me.txt", "untouched");
    }
};

std::string archiveBytes(const std::string& name) {
    return readFile(archivePath(name));
}

std::int32_t extractBytes(const std::string& bytes, const zipengine::ExtractRequest& request,
                          RecordingHost& host) {
    zipengine::MemoryByteSource source(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    return zipengine::Extractor(request, host).run(source);
}

std::size_t offsetOf(const std::string& bytes, const std::string& what) {
    auto found = bytes.find(what);
    EXPECT_NE(found, std::string::npos) << what;
    return found;
}

}  // namespace

TEST(HostileArchiveTest, ZipSlipAndDeviceNamesAreSkippedAndNothingLeavesTheBase) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("hostile.zip", box.base), host), 2);

    auto expected = before;
    expected["base/ok.txt"] = "fine";
    expected["base/dot"] = "<folder>";
    expected["base/dot/fine.txt"] = "fine too";
    EXPECT_EQ(snapshot(box.scratch.path()), expected);
    EXPECT_FALSE(fs::exists("/abs.txt"));
    for (const char* name :
         {"../evil.txt", "/abs.txt", "C:/drive.txt", "\\\\server\\share\\unc.txt",
          "dir/../../up.txt", "dir\\..\\..\\back.txt", "CON", "sub/aux.txt", "stream.txt:hidden",
          "trail. "})
        EXPECT_TRUE(host.skippedWith(name, ZE_SkipUnsafeName)) << name;
}

TEST(HostileArchiveTest, AskedToRefuseUnsafeNamesTheRunInstallsNothingAndSaysSo) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    RecordingHost host;
    auto request = requestFor("hostile.zip", box.base);
    request.refuseUnsafeNames = true;
    EXPECT_EQ(extract(request, host), ZE_Aborting);
    EXPECT_EQ(snapshot(box.scratch.path()), before);
    EXPECT_TRUE(host.skippedWith("../evil.txt", ZE_SkipUnsafeName));
    ASSERT_FALSE(host.only("message").empty());
    EXPECT_EQ(host.only("message").back().value, ZE_ErrUnsafeName);
    EXPECT_TRUE(host.only("item").empty()) << "refused before the first entry is written";
}

TEST(HostileArchiveTest, UnsafeNamesAreRefusedWithoutFolderNamesToo) {
    Sandbox box;
    RecordingHost host;
    auto request = requestFor("hostile.zip", box.base);
    request.directoryNames = false;
    EXPECT_EQ(extract(request, host), 2);
    EXPECT_EQ(readFile(box.base / "fine.txt"), "fine too");
    EXPECT_FALSE(fs::exists(box.base / "evil.txt"));
    EXPECT_FALSE(fs::exists(box.base / "up.txt"));
}

TEST(HostileArchiveTest, LinkInsideTheBaseCannotLeadEntriesOut) {
    Sandbox box;
    fs::create_directories(box.scratch.path() / "elsewhere");
    fs::create_directory_symlink(box.scratch.path() / "elsewhere", box.base / "dir2");
    fs::remove_all(box.base / "dir");
    fs::create_directory_symlink(box.scratch.path() / "elsewhere", box.base / "dir");
    auto before = snapshot(box.scratch.path());
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("infozip.zip", box.base), host), ZE_Aborting);
    EXPECT_TRUE(fs::is_empty(box.scratch.path() / "elsewhere"));
    EXPECT_EQ(snapshot(box.scratch.path()), before);
}

TEST(HostileArchiveTest, TruncatedArchiveChangesNothing) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    std::string bytes = archiveBytes("infozip.zip");
    for (std::size_t keep :
         {bytes.size() - 10, bytes.size() / 2, std::size_t{100}, std::size_t{0}}) {
        RecordingHost host;
        EXPECT_EQ(extractBytes(bytes.substr(0, keep), requestFor("infozip.zip", box.base), host),
                  ZE_Aborting)
            << keep;
        EXPECT_FALSE(host.only("message").empty());
        EXPECT_EQ(host.only("end").size(), 1u);
        EXPECT_EQ(snapshot(box.scratch.path()), before) << keep;
    }
}

TEST(HostileArchiveTest, CorruptedCompressedByteFailsTheWholeBatch) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    std::string bytes = archiveBytes("infozip.zip");
    // Inside dir/a.txt's data, the last entry written: top.txt and b.bin were already staged.
    std::size_t data = offsetOf(bytes, "dir/a.txtUT") + 40;
    bytes[data] = static_cast<char>(bytes[data] ^ 0x55);
    RecordingHost host;
    EXPECT_EQ(extractBytes(bytes, requestFor("infozip.zip", box.base), host), ZE_Aborting);
    EXPECT_EQ(snapshot(box.scratch.path()), before);
    EXPECT_FALSE(host.only("skipped").empty());
}

TEST(HostileArchiveTest, CrcMismatchIsAskedAboutAndRefusedByDefault) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    std::string bytes = archiveBytes("stored.zip");
    std::size_t data = offsetOf(bytes, "read me\n");
    bytes[data] = 'R';
    RecordingHost host;
    auto request = requestFor("stored.zip", box.base);
    EXPECT_EQ(extractBytes(bytes, request, host), ZE_Aborting);
    EXPECT_EQ(snapshot(box.scratch.path()), before);
    ASSERT_EQ(host.only("crc").size(), 1u);
    EXPECT_TRUE(host.skippedWith("readme.txt", ZE_SkipCrcError));

    // Told to keep it anyway, the damaged content is what the caller asked for.
    RecordingHost keeping;
    keeping.crcAnswer = true;
    EXPECT_EQ(extractBytes(bytes, request, keeping), 4);
    EXPECT_EQ(readFile(box.base / "readme.txt"), "Read me\n");
}

TEST(HostileArchiveTest, WrongPasswordChangesNothingEvenAfterEarlierEntries) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    RecordingHost host;
    auto request = requestFor("infozip.zip", box.base);
    request.password = "wrong";
    request.passwordRequests = 1;
    EXPECT_EQ(extract(request, host), ZE_Aborting);
    EXPECT_EQ(snapshot(box.scratch.path()), before);
}

TEST(HostileArchiveTest, FullDiskChangesNothingAndLeavesNoTemporaryFile) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    // A file size limit makes writes fail as on a full disk.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = saved;
    limited.rlim_cur = 100000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    RecordingHost host;
    std::int32_t result = extract(requestFor("infozip.zip", box.base), host);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(result, ZE_Aborting);
    EXPECT_TRUE(host.skippedWith("dir/sub/b.bin", ZE_SkipWriteError));
    EXPECT_EQ(snapshot(box.scratch.path()), before);
}

TEST(HostileArchiveTest, TargetThatCannotBeReplacedRollsBackEveryPlacedFile) {
    Sandbox box;
    // A folder in the way of a file makes the first placement stand and the second fail.
    fs::remove(box.base / "dir/a.txt");
    writeFile(box.base / "dir/a.txt/blocker", "x");
    auto before = snapshot(box.scratch.path());
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("infozip.zip", box.base), host), ZE_Aborting);
    EXPECT_EQ(snapshot(box.scratch.path()), before);
}

TEST(HostileArchiveTest, GarbageAndBogusDirectoriesAreRefused) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    std::string stored = archiveBytes("stored.zip");
    std::string bogusCount = stored;
    std::size_t end = bogusCount.rfind("PK\x05\x06");
    bogusCount[end + 10] = '\xff';  // total entries far beyond the directory's size
    bogusCount[end + 8] = '\xff';
    std::string bogusOffset = stored;
    bogusOffset[end + 16] = '\x7f';
    for (const std::string& bytes :
         {std::string("not a zip at all"), std::string(5000, 'P'), bogusCount, bogusOffset}) {
        RecordingHost host;
        EXPECT_EQ(extractBytes(bytes, requestFor("stored.zip", box.base), host), ZE_Aborting);
        EXPECT_EQ(host.only("message").size(), 1u);
    }
    EXPECT_EQ(snapshot(box.scratch.path()), before);
}

TEST(HostileArchiveTest, DataInFrontOfTheArchiveIsAllowedFor) {
    Sandbox box;
    std::string bytes = std::string(777, 'S') + archiveBytes("stored.zip");
    RecordingHost host;
    EXPECT_EQ(extractBytes(bytes, requestFor("stored.zip", box.base), host), 4);
    EXPECT_EQ(readFile(box.base / "readme.txt"), "read me\n");
}

TEST(HostileArchiveTest, MissingArchiveIsReported) {
    Sandbox box;
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("no-such.zip", box.base), host), ZE_Aborting);
    ASSERT_EQ(host.only("message").size(), 1u);
    EXPECT_EQ(host.only("message")[0].value, ZE_ErrArchiveOpen);
}

TEST(HostileArchiveTest, UnicodePathFieldsAreCheckedLikeAnyName) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("hostile-unicode.zip", box.base), host), 1);
    auto expected = before;
    expected["base/Știință"] = "<folder>";
    expected["base/Știință/bun.txt"] = "from d.txt";
    EXPECT_EQ(snapshot(box.scratch.path()), expected);
    for (const char* name : {"../evil.txt", "CON", "x/y:z"})
        EXPECT_TRUE(host.skippedWith(name, ZE_SkipUnsafeName)) << name;
}

TEST(HostileArchiveTest, StreamedArchiveWithDamagedZip64RecordOrDataIsRefused) {
    Sandbox box;
    auto before = snapshot(box.scratch.path());
    const std::string intact = archiveBytes("streamed.zip");
    std::size_t zip64End = offsetOf(intact, "PK\x06\x06");
    std::size_t data = offsetOf(intact, "-\x01") + 20 + 100;  // name, Zip64 field, into the data
    for (std::size_t damage : {zip64End, data}) {
        std::string bytes = intact;
        bytes[damage] = static_cast<char>(bytes[damage] ^ 0x55);
        RecordingHost host;
        EXPECT_EQ(extractBytes(bytes, requestFor("streamed.zip", box.base), host), ZE_Aborting)
            << damage;
        EXPECT_EQ(snapshot(box.scratch.path()), before) << damage;
    }
}
