// Joining multi-part archives into one archive file.
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "reader_fixture.h"

using namespace readertest;

namespace {

void WriteParts(const TScratch& dir, const std::string& base,
                const std::vector<std::string>& parts) {
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::string ext = (i < 9 ? ".z0" : ".z") + std::to_string(i + 1);
        dir.Write(base + ext, parts[i]);
    }
    dir.Write(base + ".zip", parts.back());
}

std::vector<TestEntry> MixedEntries() {
    TestEntry streamed{"dir/streamed.bin", std::string(3000, 's')};
    streamed.Descriptor = true;  // local sizes 0: the central sizes are used
    TestEntry commented{"Commented.TXT", "commented data"};
    commented.Comment = "entry comment";
    commented.Extra = std::string(
        "\x99\x99\x04\x00"
        "abcd",
        8);
    return {{"first.txt", std::string(700, 'f')}, streamed, commented, {"empty.txt", ""}};
}

#if !defined(_WIN32)
// Info-ZIP's own test of every entry's data and CRC.
int UnzipTest(const std::string& path) {
    return std::system(("unzip -tqq '" + path + "' >/dev/null 2>&1").c_str());
}
#endif

}  // namespace

TEST_F(ReaderTest, InfoZipSplitArchiveIsJoined) {
    TScratch dir("join_infozip");
    for (const char* part : {"split.z01", "split.z02", "split.zip"})
        dir.Write(part, ReadFile(DataFile(part)));

    std::string destination = dir.Folder();
    ASSERT_EQ(worker->ReadSpan(dir.Path("split.zip"), destination, true), 0);
    EXPECT_TRUE(ui->Boxes.empty());
    ASSERT_FALSE(destination.empty());
    EXPECT_EQ(ExtensionOf(destination), ".zip");
    EXPECT_EQ(FolderOf(destination), dir.Folder());
    EXPECT_EQ(dir.Files().size(), 4u);  // the three parts and the joined file, nothing else

    const std::string joined = ReadFile(destination);
    const auto end = zipengine::decodeEndRecord(
        std::span(reinterpret_cast<const uint8_t*>(joined.data()), joined.size()).last(22));
    ASSERT_TRUE(end);
    EXPECT_EQ(end->thisDisk, 0);
    EXPECT_EQ(end->directoryDisk, 0);
    EXPECT_EQ(end->entriesHere, end->totalEntries);

    worker->SetZipFileName(destination);
    EXPECT_EQ(Dir().LastDiskNumber, 0);
    EXPECT_FALSE(Dir().OffsetMismatch);
    // Info-ZIP's order: the subfolder first.
    EXPECT_EQ(Names(), (std::vector<std::string>{"d\\sub\\b.txt", "d\\a.txt", "d\\big.bin"}));
    for (const auto& entry : Dir().EntryList) {
        EXPECT_EQ(uint32_t(entry->DiskStart), 0u);
        EXPECT_EQ(joined.compare(uint32_t(entry->LocalHeaderOffset), 4, "PK\x03\x04"), 0);
    }
#if !defined(_WIN32)
    EXPECT_EQ(UnzipTest(destination), 0);
#endif
}

TEST_F(ReaderTest, SplitArchiveZippedFromStandardInputIsJoined) {
    // Local sizes 0xFFFFFFFF with a Zip64 field, Zip64 data descriptors.
    TScratch dir("join_stdin");
    for (const char* part : {"stdinsplit.z01", "stdinsplit.z02", "stdinsplit.zip"})
        dir.Write(part, ReadFile(DataFile(part)));
    std::string destination = dir.Folder();
    ASSERT_EQ(worker->ReadSpan(dir.Path("stdinsplit.zip"), destination, true), 0);
    EXPECT_TRUE(ui->Boxes.empty());
    worker->SetZipFileName(destination);
    ASSERT_EQ(worker->EntryCount(), 1);
    EXPECT_EQ(uint32_t(Dir().EntryList[0]->UncompressedSize), 150000u);
    EXPECT_TRUE(ui->Boxes.empty());
#if !defined(_WIN32)
    EXPECT_EQ(UnzipTest(destination), 0);
#endif

    // Without the Zip64 field the 0xFFFFFFFF sizes are damage: nothing is left behind.
    std::string first = ReadFile(DataFile("stdinsplit.z01"));
    const size_t extra = 4 + 30 + uint8_t(first[4 + 26]);
    ASSERT_EQ(first.compare(extra, 2, std::string("\x01\x00", 2)), 0);
    first[extra] = '\x99';
    dir.Write("stdinsplit.z01", first);
    destination = dir.Folder() + "damaged.zip";
    EXPECT_NE(worker->ReadSpan(dir.Path("stdinsplit.zip"), destination, true), 0);
    EXPECT_EQ(Boxes().back(), Text(ZS::LOHBadRead));
    EXPECT_FALSE(std::filesystem::exists(dir.Folder() + "damaged.zip"));
}

TEST_F(ReaderTest, JoinedFileIsTheSinglePartArchive) {
    TScratch dir("join_mixed");
    const auto entries = MixedEntries();
    const auto parts = BuildSplitZip(entries, 1024, "set comment");
    ASSERT_GE(parts.size(), 4u);
    WriteParts(dir, "mixed", parts);

    std::string destination = dir.Path("joined.out");
    dir.Write("joined.out", "an older file of that name");
    std::vector<std::string> copied;
    worker->OnMessage.Assign([&](TZASender, int32_t code, const std::string& text) {
        if (code == 0) copied.push_back(text);
    });
    ASSERT_EQ(worker->ReadSpan(dir.Path("mixed.zip"), destination, false), 0);
    EXPECT_EQ(destination, dir.Path("joined.zip"));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("joined.out")));
    EXPECT_EQ(ReadFile(destination), BuildZip(entries, "set comment"));
    EXPECT_EQ(copied.front(), Text(ZS::Copying) + "first.txt");
    EXPECT_EQ(copied[1], Text(ZS::Copying) + "dir\\streamed.bin");

    // Progress counted every byte written against the announced total, then the end.
    ASSERT_GE(totals.size(), 2u);
    EXPECT_EQ(totals[totals.size() - 2].second, 100);
    EXPECT_EQ(totals.back(), (std::pair<int64_t, int32_t>{0, 101}));
#if !defined(_WIN32)
    EXPECT_EQ(UnzipTest(destination), 0);
#endif
}

TEST_F(ReaderTest, NumberedPartsAreFoundFromTheBaseName) {
    TScratch dir("numbered");
    const auto entries = MixedEntries();
    const auto parts = BuildSplitZip(entries, 2048);
    ASSERT_EQ(parts.size(), 3u);
    for (size_t i = 0; i < parts.size(); ++i)
        dir.Write("set" + ThreeDigits(int(i + 1)) + ".zip", parts[i]);

    worker->SetZipFileName(dir.Path("set.zip"));
    EXPECT_EQ(Dir().OpenedName, dir.Path("set003.zip"));
    EXPECT_EQ(worker->EntryCount(), 4);
    EXPECT_TRUE(ui->Boxes.empty());

    std::string destination = dir.Folder();
    ASSERT_EQ(worker->ReadSpan(dir.Path("set.zip"), destination, true), 0);
    EXPECT_EQ(worker->PartStyle(), TZAPartStyle::Numbered);
    EXPECT_EQ(ReadFile(destination), BuildZip(entries));
}

TEST_F(ReaderTest, UnknownLocalHeaderLeavesNoOutput) {
    TScratch dir("join_unknown");
    auto entries = MixedEntries();
    entries[2].LocalName = "stranger.txt";
    WriteParts(dir, "bad", BuildSplitZip(entries, 1024));
    const auto before = dir.Files();

    std::string destination = dir.Folder();
    EXPECT_EQ(worker->ReadSpan(dir.Path("bad.zip"), destination, true), -7);
    EXPECT_EQ(Boxes(),
              (std::vector<std::string>{"A local header not found in internal structure"}));
    EXPECT_EQ(ui->Boxes[0].Context, ZipDlgContext::Exception);
    EXPECT_EQ(destination, "");
    EXPECT_EQ(dir.Files(), before);
    EXPECT_EQ(ui->BusyDepth, 0);
}

TEST_F(ReaderTest, FailedJoinsReportAndWriteNothing) {
    TScratch dir("join_fail");
    auto parts = BuildSplitZip(MixedEntries(), 1024);
    auto noMarker = parts;
    noMarker[0][0] = 'X';
    WriteParts(dir, "nomark", noMarker);
    const auto before = dir.Files();

    std::string destination = dir.Folder();
    EXPECT_EQ(worker->ReadSpan(dir.Path("nomark.zip"), destination, true), -7);
    EXPECT_EQ(Boxes().back(), Text(ZS::ExtLocalSig));
    EXPECT_EQ(dir.Files(), before);

    destination = dir.Folder();
    EXPECT_EQ(worker->ReadSpan(dir.Path("absent.zip"), destination, true), -9);
    EXPECT_EQ(Boxes().back(), Text(ZS::FileOpen));
    EXPECT_EQ(destination, "");
    EXPECT_EQ(dir.Files(), before);

    // A missing middle part on a fixed drive.
    WriteParts(dir, "gap", parts);
    std::filesystem::remove(dir.Path("gap.z02"));
    destination = dir.Folder();
    EXPECT_EQ(worker->ReadSpan(dir.Path("gap.zip"), destination, true), -7);
    EXPECT_EQ(destination, "");

    // Cancelled from a progress handler: no box, no output.
    WriteParts(dir, "cancel", parts);
    const auto withCancel = dir.Files();
    worker->OnTotalProgress.Clear();
    worker->OnItemProgress.Assign(
        [&](TZASender, const std::string&, uint32_t, int32_t) { worker->SetCancel(true); });
    const size_t boxes = ui->Boxes.size();
    destination = dir.Folder();
    EXPECT_EQ(worker->ReadSpan(dir.Path("cancel.zip"), destination, true), -7);
    EXPECT_EQ(worker->LastErrorCode(), ZS::Canceled);
    EXPECT_EQ(ui->Boxes.size(), boxes);
    EXPECT_EQ(dir.Files(), withCancel);
}

TEST(TZADataListTest, IndexAndNameLookup) {
    TZADataList list(2);
    EXPECT_EQ(list.Count(), 2u);
    EXPECT_EQ(list.Items(1).NameLength, 0);
    EXPECT_EQ(list.Items(1).NewOffset, 0);
    try {
        list.Items(2);
        FAIL() << "no range error";
    } catch (const std::out_of_range& e) {
        EXPECT_STREQ(e.what(), "Index out of range");
    }
    std::memcpy(list.Items(0).Name, "Dir/File.TXT", 12);
    list.Items(0).NameLength = 12;
    EXPECT_EQ(&list.FindName("dir/file.txt", 12), &list.Items(0));
    try {
        list.FindName("dir/file.tx", 11);
        FAIL() << "found a shorter name";
    } catch (const EZipArchiver& e) {
        EXPECT_EQ(e.Message, "A local header not found in internal structure");
        EXPECT_TRUE(e.Displayed);
        EXPECT_EQ(e.MessageId, 0);
    }
    // A placed item is not handed out again for a second header of the same name.
    list.Items(0).Placed = true;
    EXPECT_THROW(list.FindName("DIR/FILE.TXT", 12), EZipArchiver);
}
