// The core on archives made by Info-ZIP, 7-Zip and python: contents, reports, and every
// option of the command record.
#include <set>

#include "engine_test_support.h"

using namespace enginetest;
using namespace zipengine_abi;

namespace {

void expectSourceTreeExtracted(const fs::path& base) {
    EXPECT_EQ(readFile(base / "top.txt"), readFile(sourcePath("top.txt")));
    EXPECT_EQ(readFile(base / "dir/a.txt"), readFile(sourcePath("dir/a.txt")));
    EXPECT_EQ(readFile(base / "dir/sub/b.bin"), readFile(sourcePath("dir/sub/b.bin")));
}

// Nothing but the extracted files: no temporary or replaced files left beside them.
void expectNoEngineFiles(const fs::path& root) {
    for (const auto& item : fs::recursive_directory_iterator(root))
        EXPECT_FALSE(item.path().filename().string().starts_with(".ze")) << item.path();
}

}  // namespace

TEST(ExtractorTest, InfoZipEncryptedArchiveWithDataDescriptorsAndFolders) {
    ScratchFolder scratch;
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("infozip.zip", scratch.path()), host), 6);
    expectSourceTreeExtracted(scratch.path());
    EXPECT_TRUE(fs::is_directory(scratch.path() / "emptydir"));
    EXPECT_TRUE(host.only("password").empty());
    expectNoEngineFiles(scratch.path());
}

TEST(ExtractorTest, SevenZipZipCryptoArchive) {
    ScratchFolder scratch;
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("sevenzip.zip", scratch.path()), host), 5);
    expectSourceTreeExtracted(scratch.path());
}

TEST(ExtractorTest, PythonStoredAndZip64Entries) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("stored.zip", scratch.path());
    request.password.clear();
    EXPECT_EQ(extract(request, host), 4);
    EXPECT_EQ(readFile(scratch.path() / "readme.txt"), "read me\n");
    EXPECT_EQ(fs::file_size(scratch.path() / "bin/tool.dat"), 5000u);
    EXPECT_EQ(fs::file_size(scratch.path() / "docs/guide.txt"), 3000u);

    request.archivePath = archivePath("zip64.zip").string();
    EXPECT_EQ(extract(request, host), 1);
    EXPECT_EQ(fs::file_size(scratch.path() / "big/part.txt"), 20000u);
}

TEST(ExtractorTest, ExtractedFilesCarryTheEntryTime) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("stored.zip", scratch.path());
    ASSERT_EQ(extract(request, host), 4);
    std::tm local{};
    local.tm_year = 120, local.tm_mon = 5, local.tm_mday = 15, local.tm_hour = 12;
    local.tm_isdst = -1;
    auto expected = std::chrono::file_clock::from_sys(
        std::chrono::system_clock::from_time_t(std::mktime(&local)));
    EXPECT_EQ(fs::last_write_time(scratch.path() / "readme.txt"), expected);
}

TEST(ExtractorTest, ReportsCountTotalItemsProgressAndOneEndOfBatch) {
    ScratchFolder scratch;
    RecordingHost host;
    ASSERT_EQ(extract(requestFor("large.zip", scratch.path()), host), 2);
    ASSERT_EQ(host.only("count").size(), 1u);
    EXPECT_EQ(host.only("count")[0].value, 2);
    ASSERT_EQ(host.only("total").size(), 1u);
    const std::int64_t total = 4 * 1024 * 1024 + 100;
    EXPECT_EQ(host.only("total")[0].value, total);
    EXPECT_EQ(host.sum("progress"), total);
    EXPECT_GE(host.only("progress").size(), 8u) << "a large entry must move the bar in steps";
    auto items = host.only("item");
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].text, "big.txt");
    EXPECT_EQ(items[0].value, 4 * 1024 * 1024);
    EXPECT_EQ(host.only("end").size(), 1u);
    EXPECT_EQ(host.events.back().kind, "end");
}

TEST(ExtractorTest, MissingPasswordIsAskedForAndRemembered) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path());
    request.password.clear();
    request.passwordRequests = 3;
    host.passwordAnswers = {{ZE_ReplyYes, "wrong", 3}, {ZE_ReplyYes, "secret", 2}};
    EXPECT_EQ(extract(request, host), 6);
    expectSourceTreeExtracted(scratch.path());
    // Asked twice for the first entry only; the good password served every later entry.
    EXPECT_EQ(host.passwordRepeatCounts, (std::vector<std::int32_t>{3, 2}));
}

TEST(ExtractorTest, RepeatCountHandedBackRaisesTheLimitUpToFifteen) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path());
    request.password.clear();
    request.passwordRequests = 1;
    host.passwordAnswers = {{ZE_ReplyYes, "wrong", 100}};
    for (int i = 0; i < 20; ++i) host.passwordAnswers.push_back({ZE_ReplyYes, "wrong", kEcho});
    EXPECT_EQ(extract(request, host), ZE_Aborting);
    std::vector<std::int32_t> expected{1};
    for (int left = 14; left >= 1; --left) expected.push_back(left);
    EXPECT_EQ(host.passwordRepeatCounts, expected);
}

TEST(ExtractorTest, NoToAllEndsThePasswordQuestions) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path());
    request.password.clear();
    request.passwordRequests = 5;
    host.passwordAnswers = {{ZE_ReplyNoToAll, "", 5}, {ZE_ReplyYes, "secret", 5}};
    EXPECT_EQ(extract(request, host), ZE_Aborting);
    EXPECT_EQ(host.only("password").size(), 1u);
    EXPECT_TRUE(fs::is_empty(scratch.path()));
}

TEST(ExtractorTest, PasswordRequestsStopAtTheRequestCount) {
    ScratchFolder scratch;
    fs::create_directories(scratch.path() / "base");
    auto before = snapshot(scratch.path());
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path() / "base");
    request.password = "nope";
    request.passwordRequests = 2;
    for (int i = 0; i < 4; ++i) host.passwordAnswers.push_back({ZE_ReplyYes, "still wrong", kEcho});
    EXPECT_EQ(extract(request, host), ZE_Aborting);
    EXPECT_EQ(host.passwordRepeatCounts, (std::vector<std::int32_t>{2, 1}));
    EXPECT_TRUE(host.skippedWith("top.txt", ZE_SkipBadPassword));
    EXPECT_EQ(snapshot(scratch.path()), before);
}

TEST(ExtractorTest, NoPasswordRequestsMeansNoQuestion) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path());
    request.password.clear();
    EXPECT_EQ(extract(request, host), ZE_Aborting);
    EXPECT_TRUE(host.only("password").empty());
    EXPECT_TRUE(host.skippedWith("top.txt", ZE_SkipNoPassword));
}

TEST(ExtractorTest, FileSpecsSelectEntries) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path());
    request.fileSpecs = {"*.bin", "top.txt"};
    EXPECT_EQ(extract(request, host), 2);
    EXPECT_TRUE(fs::exists(scratch.path() / "dir/sub/b.bin"));
    EXPECT_TRUE(fs::exists(scratch.path() / "top.txt"));
    EXPECT_FALSE(fs::exists(scratch.path() / "dir/a.txt"));
    EXPECT_FALSE(fs::exists(scratch.path() / "emptydir"));
}

TEST(ExtractorTest, WithoutDirectoryNamesEverythingLandsInTheBaseFolder) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path());
    request.directoryNames = false;
    EXPECT_EQ(extract(request, host), 3);
    EXPECT_EQ(readFile(scratch.path() / "b.bin"), readFile(sourcePath("dir/sub/b.bin")));
    EXPECT_EQ(readFile(scratch.path() / "a.txt"), readFile(sourcePath("dir/a.txt")));
    EXPECT_FALSE(fs::exists(scratch.path() / "dir"));
    EXPECT_FALSE(fs::exists(scratch.path() / "emptydir"));
}

TEST(ExtractorTest, SameTargetFromTwoEntriesKeepsTheLaterOne) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("samename.zip", scratch.path());
    request.directoryNames = false;
    EXPECT_EQ(extract(request, host), 1);
    EXPECT_EQ(readFile(scratch.path() / "x.txt"), "second");
    EXPECT_TRUE(host.skippedWith("a/x.txt", ZE_SkipSuperseded));
}

TEST(ExtractorTest, WithoutOverwriteExistingFilesAreAskedAbout) {
    ScratchFolder scratch;
    writeFile(scratch.path() / "readme.txt", "mine");
    RecordingHost host;
    auto request = requestFor("stored.zip", scratch.path());
    request.overwrite = false;
    EXPECT_EQ(extract(request, host), 3);
    EXPECT_EQ(readFile(scratch.path() / "readme.txt"), "mine");
    ASSERT_EQ(host.only("overwrite").size(), 1u);
    EXPECT_EQ(host.only("overwrite")[0].text, "readme.txt");
    EXPECT_EQ(host.only("overwrite")[0].value, 0) << "the file was written now: not older";
    EXPECT_TRUE(host.skippedWith("readme.txt", ZE_SkipOverwriteDeclined));

    host.overwriteAnswer = true;
    EXPECT_EQ(extract(request, host), 4);
    EXPECT_EQ(readFile(scratch.path() / "readme.txt"), "read me\n");
}

TEST(ExtractorTest, OverwriteReplacesWithoutAsking) {
    ScratchFolder scratch;
    writeFile(scratch.path() / "readme.txt", "mine");
    RecordingHost host;
    EXPECT_EQ(extract(requestFor("stored.zip", scratch.path()), host), 4);
    EXPECT_EQ(readFile(scratch.path() / "readme.txt"), "read me\n");
    EXPECT_TRUE(host.only("overwrite").empty());
    expectNoEngineFiles(scratch.path());
}

TEST(ExtractorTest, FreshenReplacesOnlyOlderExistingFiles) {
    ScratchFolder scratch;
    const auto old = std::chrono::file_clock::now() - std::chrono::hours(24 * 365 * 10);
    writeFile(scratch.path() / "readme.txt", "old");
    fs::last_write_time(scratch.path() / "readme.txt", old);
    writeFile(scratch.path() / "docs/guide.txt", "newer than the archive");
    RecordingHost host;
    auto request = requestFor("stored.zip", scratch.path());
    request.freshen = true;
    request.overwrite = false;
    EXPECT_EQ(extract(request, host), 1);
    EXPECT_EQ(readFile(scratch.path() / "readme.txt"), "read me\n");
    EXPECT_EQ(readFile(scratch.path() / "docs/guide.txt"), "newer than the archive");
    EXPECT_FALSE(fs::exists(scratch.path() / "bin"));
    EXPECT_TRUE(host.skippedWith("bin/tool.dat", ZE_SkipFreshen));
    EXPECT_TRUE(host.only("overwrite").empty());
}

TEST(ExtractorTest, UpdateAddsNewFilesAndReplacesOnlyOlderOnes) {
    ScratchFolder scratch;
    writeFile(scratch.path() / "docs/guide.txt", "newer than the archive");
    RecordingHost host;
    auto request = requestFor("stored.zip", scratch.path());
    request.update = true;
    request.overwrite = false;
    EXPECT_EQ(extract(request, host), 3);
    EXPECT_EQ(readFile(scratch.path() / "docs/guide.txt"), "newer than the archive");
    EXPECT_EQ(readFile(scratch.path() / "readme.txt"), "read me\n");
    EXPECT_TRUE(host.skippedWith("docs/guide.txt", ZE_SkipUpdate));
}

TEST(ExtractorTest, TestModeVerifiesEverythingAndWritesNothing) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("infozip.zip", scratch.path() / "never");
    request.testOnly = true;
    request.verbose = true;
    EXPECT_EQ(extract(request, host), 3);
    EXPECT_FALSE(fs::exists(scratch.path() / "never"));
    EXPECT_EQ(host.sum("progress"), 351000);
    int testedMessages = 0;
    for (const Event& event : host.only("message"))
        testedMessages += event.text.starts_with("Tested OK: ");
    EXPECT_EQ(testedMessages, 3);
}

TEST(ExtractorTest, VerboseAndTraceAddMessages) {
    ScratchFolder scratch;
    RecordingHost quiet, verbose, traced;
    auto request = requestFor("stored.zip", scratch.path());
    extract(request, quiet);
    request.verbose = true;
    extract(request, verbose);
    request.trace = true;
    extract(request, traced);
    EXPECT_TRUE(quiet.only("message").empty());
    EXPECT_EQ(verbose.only("message").size(), 4u);
    EXPECT_GT(traced.only("message").size(), verbose.only("message").size());
}

TEST(ExtractorTest, StopFromACallbackEndsAtTheEntryBoundaryAndChangesNothing) {
    ScratchFolder scratch;
    writeFile(scratch.path() / "top.txt", "keep me");
    auto before = snapshot(scratch.path());
    RecordingHost host;
    host.stopWhen = [](const Event& event) { return event.kind == "item" && event.text == "dir/"; };
    EXPECT_EQ(extract(requestFor("infozip.zip", scratch.path()), host), ZE_UserCancelled);
    EXPECT_EQ(snapshot(scratch.path()), before);
    // The entry that was running when the stop came finished; no further one began.
    EXPECT_EQ(host.only("item").size(), 2u);
    EXPECT_EQ(host.events.back().kind, "end");
}

TEST(ExtractorTest, AbortFromAnotherThreadStopsTheRun) {
    ScratchFolder scratch;
    RecordingHost host;
    zipengine::Extractor extractor(requestFor("large.zip", scratch.path()), host);
    host.stopWhen = [&](const Event& event) {
        if (event.kind == "progress") extractor.abort();  // as ZE_Abort would, mid-entry
        return false;
    };
    EXPECT_EQ(extractor.run(), ZE_UserCancelled);
    EXPECT_TRUE(fs::is_empty(scratch.path()));
    EXPECT_EQ(host.only("item").size(), 1u);
}

TEST(ExtractorTest, RomanianNamesFromInfoZipAnd7ZipLandUnderTheirNames) {
    for (const char* archive : {"names-infozip.zip", "names-7zip.zip"}) {
        SCOPED_TRACE(archive);
        ScratchFolder scratch;
        RecordingHost host;
        ASSERT_EQ(extract(requestFor(archive, scratch.path()), host), 5);
        EXPECT_EQ(snapshot(scratch.path()), snapshot(archivePath("src-names")));
        std::set<std::string> items;
        for (const Event& item : host.only("item")) items.insert(item.text);
        EXPECT_TRUE(items.contains("Contabilitate Firmă/bilanț.xls"));
        EXPECT_TRUE(items.contains("Știință/ştiri.txt"));
    }
}

TEST(ExtractorTest, DosNamesAreReadInTheOemCodePage) {
    ScratchFolder scratch;
    RecordingHost host;
    auto request = requestFor("names-dos852.zip", scratch.path());
    request.oemNames = utf8FromCp852;
    ASSERT_EQ(extract(request, host), 3);
    EXPECT_EQ(snapshot(scratch.path()), snapshot(archivePath("src-dos852")));
}

TEST(ExtractorTest, InfoZipArchiveStreamedFromStandardInput) {
    // Local header sizes 0xFFFFFFFF with a Zip64 field, a Zip64 data descriptor.
    ScratchFolder scratch;
    RecordingHost host;
    ASSERT_EQ(extract(requestFor("streamed.zip", scratch.path()), host), 1);
    EXPECT_EQ(snapshot(scratch.path()), snapshot(archivePath("src-streamed")));
}

TEST(ExtractorTest, OldCopiesThatNoJournalNamesAreNeverTaken) {
    // Such a copy may be the only one left of a file the archive does not hold.
    ScratchFolder scratch;
    const fs::path base = scratch.path() / "base";
    for (const char* name : {".ze0123abcd.old", "dir/sub/.ze89abcdef.old", ".ze01234567.tmp"})
        writeFile(base / name, "not this run's");
    RecordingHost host;
    ASSERT_EQ(extract(requestFor("infozip.zip", base), host), 6);
    for (const char* name : {".ze0123abcd.old", "dir/sub/.ze89abcdef.old", ".ze01234567.tmp"})
        EXPECT_EQ(readFile(base / name), "not this run's") << name;
}
