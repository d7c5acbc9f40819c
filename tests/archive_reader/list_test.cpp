// Reading the directory of archives made by real tools and of hand-made damaged ones.
#include <zlib.h>

#include <filesystem>

#include "reader_fixture.h"

using namespace readertest;

namespace {
std::string Plain() {
    return ReadFile(DataFile("plain.zip"));
}
}  // namespace

TEST_F(ReaderTest, WellFormedArchiveIsReadWithOneEndRecordAndNoBox) {
    worker->SetZipFileName(DataFile("plain.zip"));

    EXPECT_EQ(Names(), (std::vector<std::string>{"d\\a.txt", "d\\sub\\b.txt"}));
    EXPECT_EQ(worker->EntryCount(), 2);
    EXPECT_EQ(Dir().DroppedDirEntries, 1);
    EXPECT_FALSE(Dir().OffsetMismatch);
    EXPECT_TRUE(ui->Boxes.empty());
    EXPECT_EQ(worker->LastErrorCode(), 0);
    EXPECT_EQ(Dir().EndRecordPos, Plain().size() - 22);
    EXPECT_EQ(Dir().DataStart, 0u);
    EXPECT_EQ(Dir().LastDiskNumber, 0);
    EXPECT_FALSE(Dir().MultiPart);
    // Info-ZIP on Unix: host 3, version 3.0.
    EXPECT_EQ(Dir().NameHost, 3);
    EXPECT_EQ(Dir().NameVersion, 30);
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_EQ(totals, (std::vector<std::pair<int64_t, int32_t>>{{0, 101}}));
    // The busy cursor was shown once and put back.
    EXPECT_EQ(ui->BusyMax, 1);
    EXPECT_EQ(ui->BusyDepth, 0);

    const ZipDirEntry& b = *Dir().EntryList[1];
    EXPECT_EQ(uint32_t(b.UncompressedSize), 12u);
    EXPECT_EQ(uint32_t(b.NameLength), 11u);
    EXPECT_EQ(uint32_t(b.LocalHeaderOffset), 99u);
    EXPECT_EQ(uint32_t(b.Crc32),
              uint32_t(crc32(0, reinterpret_cast<const Bytef*>("second file\n"), 12)));
    EXPECT_FALSE(b.IsEncrypted);
    EXPECT_EQ(uint32_t(b.ExtraLength), b.ExtraField.size());
}

TEST_F(ReaderTest, CommentIsFoundByTheTailSearch) {
    const std::string bytes = ReadFile(DataFile("comment.zip"));
    worker->SetZipFileName(DataFile("comment.zip"));

    EXPECT_EQ(Dir().ArchiveComment, "Quillora archive comment");
    EXPECT_EQ(Dir().EndRecordPos, bytes.size() - 22 - 24);
    EXPECT_EQ(Dir().ZipEnd, bytes.size());
    EXPECT_EQ(Names(), (std::vector<std::string>{"a.txt"}));
    EXPECT_TRUE(ui->Boxes.empty());
}

TEST_F(ReaderTest, DroppedDirectoryEntriesKeepTheirSequenceNumbers) {
    std::vector<int> seqNos;
    worker->OnNewName.Assign(
        [&](TZASender, int32_t seqNo, const ZipDirEntry&) { seqNos.push_back(seqNo); });
    worker->SetZipFileName(DataFile("dirs.zip"));
    EXPECT_EQ(seqNos, (std::vector<int>{2, 4}));
    EXPECT_EQ(Dir().DroppedDirEntries, 2);
    EXPECT_EQ(Names(), (std::vector<std::string>{"d\\a.txt", "d\\sub\\b.txt"}));

    seqNos.clear();
    Change([](TZAOperationSettings& s) { s.UseDirOnlyEntries = true; });
    worker->List();
    EXPECT_EQ(seqNos, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(Dir().DroppedDirEntries, 0);
    EXPECT_EQ(Names()[0], "d\\");
}

TEST_F(ReaderTest, EncryptedStoredAndDescriptorEntriesAreListedAlike) {
    worker->SetZipFileName(DataFile("encrypted.zip"));
    ASSERT_EQ(worker->EntryCount(), 2);
    for (const auto& entry : Dir().EntryList) {
        EXPECT_TRUE(entry->IsEncrypted);
        EXPECT_EQ(uint32_t(entry->Flags) & 1, 1u);
    }
    EXPECT_TRUE(ui->Boxes.empty());  // no password is asked for

    worker->SetZipFileName(DataFile("stored.zip"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt", "two\\three.txt"}));
    EXPECT_EQ(uint32_t(Dir().EntryList[0]->Method), 0u);
    EXPECT_EQ(uint32_t(Dir().EntryList[0]->CompressedSize), 11u);
    EXPECT_EQ(uint32_t(Dir().EntryList[1]->LocalHeaderOffset), 48u);

    worker->SetZipFileName(DataFile("stream.zip"));
    ASSERT_EQ(worker->EntryCount(), 1);
    EXPECT_EQ(uint32_t(Dir().EntryList[0]->Flags) & FlagDataDescriptor,
              uint32_t(FlagDataDescriptor));
    EXPECT_EQ(uint32_t(Dir().EntryList[0]->UncompressedSize), 170u);
    EXPECT_TRUE(ui->Boxes.empty());
}

TEST_F(ReaderTest, ArchiveZippedFromStandardInputIsListedSilently) {
    // A Zip64 end record stands between the directory and the end record.
    worker->SetZipFileName(DataFile("stdin.zip"));
    ASSERT_EQ(worker->EntryCount(), 1);
    EXPECT_FALSE(Dir().OffsetMismatch);
    EXPECT_EQ(uint32_t(Dir().EntryList[0]->UncompressedSize), 170u);
    EXPECT_TRUE(Dir().EntryList[0]->IsEncrypted);
    EXPECT_TRUE(ui->Boxes.empty());

    // Bytes in that place that are no Zip64 end record are still a wrong directory start.
    TScratch dir("stdin_damaged");
    std::string bytes = ReadFile(DataFile("stdin.zip"));
    bytes[bytes.size() - 22 - 20 - 56] = 'X';
    dir.Write("stdin.zip", bytes);
    worker->SetZipFileName(dir.Path("stdin.zip"));
    EXPECT_EQ(worker->EntryCount(), 0);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Text(ZS::ZipStructError), Text(ZS::CEHWrongSig)}));
}

TEST_F(ReaderTest, TrailingBytesBelowTheLimitPassSilently) {
    TScratch dir("trailing");
    dir.Write("z511.zip", Plain() + std::string(511, '\0'));
    dir.Write("z512.zip", Plain() + std::string(512, '\0'));
    dir.Write("zA.zip", Plain() + "A");

    worker->SetZipFileName(dir.Path("z511.zip"));
    EXPECT_TRUE(ui->Boxes.empty());
    EXPECT_EQ(worker->EntryCount(), 2);
    EXPECT_EQ(Dir().ZipEnd, Plain().size());

    EXPECT_EQ(worker->List(), 0);
    worker->SetZipFileName(dir.Path("z512.zip"));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Text(ZS::GarbageAtEnd)}));
    EXPECT_EQ(ui->Boxes[0].Context, ZipDlgContext::Message);
    EXPECT_EQ(worker->EntryCount(), 2);
    EXPECT_EQ(worker->LastErrorCode(), ZS::GarbageAtEnd);

    worker->SetZipFileName(dir.Path("zA.zip"));
    EXPECT_EQ(ui->Boxes.size(), 2u);
    EXPECT_EQ(worker->EntryCount(), 2);
}

TEST_F(ReaderTest, PrefixBeforeTheArchiveGivesDataStart) {
    TScratch dir("prefix");
    dir.Write("prefixed.zip", std::string(1000, 'x') + Plain());
    EXPECT_EQ(worker->List(), 0);  // no name yet: nothing to open
    worker->SetZipFileName(dir.Path("prefixed.zip"));

    EXPECT_EQ(Boxes(), (std::vector<std::string>{Text(ZS::ZipStructError)}));
    EXPECT_TRUE(Dir().OffsetMismatch);
    EXPECT_EQ(worker->EntryCount(), 2);
    EXPECT_EQ(Dir().DataStart, 1000u);
    const std::string plain = Plain();
    const uint32_t stored =
        zipengine::decodeEndRecord(
            std::span(reinterpret_cast<const uint8_t*>(plain.data()), plain.size()).last(22))
            ->directoryOffset;
    EXPECT_EQ(Dir().CentralStart, stored + 1000);
}

TEST_F(ReaderTest, ProgramStubSendsTheReaderToTheZipSibling) {
    TScratch dir("stub");
    dir.Write("setup.exe", "MZ" + std::string(998, '\x90') + Plain());
    dir.Write("setup.zip", ReadFile(DataFile("stored.zip")));
    EXPECT_EQ(worker->ProbeArchive(dir.Path("setup.exe")), 0x91);

    worker->SetZipFileName(dir.Path("setup.exe"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"one.txt", "two\\three.txt"}));
    EXPECT_EQ(Dir().OpenedName, dir.Path("setup.zip"));
    EXPECT_EQ(worker->ZipFileName(), dir.Path("setup.exe"));
    EXPECT_TRUE(ui->Boxes.empty());

    // A stub whose archive offsets were adjusted is read itself.
    const std::string stub = "MZ" + std::string(62, '\0');
    dir.Write("adjusted.exe", stub + BuildZip({{"inside.txt", "data"}}, {}, uint32_t(stub.size())));
    EXPECT_EQ(worker->ProbeArchive(dir.Path("adjusted.exe")), 0xF1);
    worker->SetZipFileName(dir.Path("adjusted.exe"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"inside.txt"}));
    EXPECT_EQ(Dir().OpenedName, dir.Path("adjusted.exe"));
    EXPECT_EQ(Dir().DataStart, 64u);
    EXPECT_TRUE(ui->Boxes.empty());
}

TEST_F(ReaderTest, EndRecordAloneIsAnEmptyArchive) {
    TScratch dir("empty");
    dir.Write("empty.zip", BuildZip({}));
    ASSERT_EQ(dir.Read("empty.zip").size(), 22u);
    worker->SetZipFileName(dir.Path("empty.zip"));
    EXPECT_EQ(worker->LastErrorCode(), 0);
    EXPECT_EQ(worker->EntryCount(), 0);
    EXPECT_EQ(Dir().DataStart, 0u);
    EXPECT_EQ(worker->ZipFileName(), dir.Path("empty.zip"));
    EXPECT_TRUE(ui->Boxes.empty());
    EXPECT_EQ(totals.size(), 1u);
}

TEST_F(ReaderTest, TextFileNamedZipIsNotAValidArchive) {
    worker->SetZipFileName(DataFile("notes.zip"));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Text(ZS::NoValidZip)}));
    EXPECT_EQ(ui->Boxes[0].Context, ZipDlgContext::Exception);
    EXPECT_EQ(worker->EntryCount(), 0);
    EXPECT_EQ(worker->ZipFileName(), DataFile("notes.zip"));
    EXPECT_EQ(worker->LastErrorCode(), ZS::NoValidZip);
    EXPECT_EQ(dirUpdates, 1);
    EXPECT_TRUE(totals.empty());  // the archive was never opened: no end of batch
    EXPECT_EQ(worker->List(), 0);
    EXPECT_EQ(ui->Boxes.size(), 2u);  // reported again by the next run
}

TEST_F(ReaderTest, MissingFileIsSilent) {
    TScratch dir("missing");
    for (const char* name : {"absent.zip", "absent.dat"}) {
        worker->SetZipFileName(dir.Path(name));
        EXPECT_TRUE(ui->Boxes.empty()) << name;
        EXPECT_EQ(worker->LastErrorCode(), 0);
        EXPECT_EQ(worker->ZipFileName(), dir.Path(name));
        EXPECT_EQ(worker->EntryCount(), 0);
    }
    EXPECT_EQ(dirUpdates, 2);
}

TEST_F(ReaderTest, BrokenDirectoryClearsTheName) {
    TScratch dir("broken");
    dir.Write("long.zip", BuildZip({{"ok.txt", "1"}, {std::string(260, 'n'), "2"}}));
    std::string wrongSig = BuildZip({{"a.txt", "1"}, {"b.txt", "2"}});
    wrongSig[wrongSig.find("PK\x01\x02") + 3] = 9;
    dir.Write("sig.zip", wrongSig);
    std::string shortEnd = BuildZip({{"a.txt", "1"}});
    shortEnd[shortEnd.size() - 22 + 10] = 2;  // claims two entries, has one
    dir.Write("count.zip", shortEnd);

    worker->SetZipFileName(dir.Path("long.zip"));
    EXPECT_EQ(Boxes(), (std::vector<std::string>{Text(ZS::CENameLen)}));
    EXPECT_EQ(worker->ZipFileName(), "");
    EXPECT_EQ(worker->EntryCount(), 0);
    EXPECT_EQ(Dir().DataStart, 0u);
    EXPECT_EQ(totals.back(), (std::pair<int64_t, int32_t>{0, 101}));

    worker->SetZipFileName(dir.Path("sig.zip"));
    EXPECT_EQ(Boxes().back(), Text(ZS::CEHWrongSig));
    EXPECT_EQ(worker->EntryCount(), 0);

    worker->SetZipFileName(dir.Path("count.zip"));
    // The second header would run into the end of the file.
    EXPECT_EQ(Boxes().back(), Text(ZS::CEHBadRead));
    EXPECT_EQ(worker->LastErrorCode(), ZS::CEHBadRead);
    EXPECT_EQ(ui->BusyDepth, 0);
}

TEST_F(ReaderTest, NamesOfDosHostsAreConvertedFromOem) {
    platform.FakeOem = true;
    TScratch dir("oem");
    TestEntry dos{"caf\x82.txt", "1"};
    dos.Host = 0;
    dos.MadeBy = 20;
    TestEntry unix{"caf\x82.dat", "2"};
    dos.Comment = "r\x82sum\x82";
    dir.Write("oem.zip", BuildZip({dos, unix}, "\x82t\x82"));

    worker->SetZipFileName(dir.Path("oem.zip"));
    EXPECT_EQ(Names(), (std::vector<std::string>{"caf\xE9.txt", "caf\x82.dat"}));
    EXPECT_EQ(Dir().EntryList[0]->FileComment, "r\xE9sum\xE9");
    // The archive comment follows the last entry's host: Unix, not converted.
    EXPECT_EQ(Dir().NameHost, 3);
    EXPECT_EQ(Dir().ArchiveComment, "\x82t\x82");

    Change([](TZAOperationSettings& s) { s.CodePage = cpNone; });
    worker->List();
    EXPECT_EQ(Names()[0], "caf\x82.txt");
    Change([](TZAOperationSettings& s) { s.CodePage = cpOEM; });
    worker->List();
    EXPECT_EQ(Names()[1], "caf\xE9.dat");
}

TEST_F(ReaderTest, CodePageRuleForHpfsAndNtfsHosts) {
    using A = TZAWorkerTestAccess;
    platform.FakeOem = true;
    Change([](TZAOperationSettings& s) { s.CodePage = cpNone; });
    A::SetNameHost(*worker, 6, 20);
    EXPECT_EQ(worker->ConvertNameText("\x82", false), "\xE9");
    A::SetNameHost(*worker, 11, 50);
    EXPECT_EQ(worker->ConvertNameText("\x82", false), "\xE9");
    EXPECT_EQ(worker->ConvertNameText("\xE9", true), "\x82");
    A::SetNameHost(*worker, 11, 20);
    EXPECT_EQ(worker->ConvertNameText("\x82", false), "\x82");
    A::SetNameHost(*worker, 0, 20);
    EXPECT_EQ(worker->ConvertNameText("\x82", false), "\x82");  // cpNone
    Change([](TZAOperationSettings& s) { s.CodePage = cpAuto; });
    EXPECT_EQ(worker->ConvertNameText("\x82", false), "\xE9");
}

TEST_F(ReaderTest, DeferredListRunsWhenActivated) {
    worker->Deactivate();
    worker->SetZipFileName(DataFile("plain.zip"));
    EXPECT_TRUE(worker->ListPending());
    EXPECT_EQ(worker->EntryCount(), 0);
    EXPECT_EQ(dirUpdates, 0);

    worker->Activate();
    EXPECT_FALSE(worker->ListPending());
    EXPECT_EQ(worker->EntryCount(), 2);
    EXPECT_EQ(dirUpdates, 1);
}

TEST_F(ReaderTest, CancelEndsTheListWithoutABox) {
    worker->OnNewName.Assign(
        [&](TZASender, int32_t, const ZipDirEntry&) { worker->SetCancel(true); });
    worker->SetZipFileName(DataFile("stored.zip"));
    EXPECT_TRUE(ui->Boxes.empty());
    EXPECT_EQ(worker->LastErrorCode(), ZS::Canceled);
    EXPECT_EQ(worker->ZipFileName(), "");
    EXPECT_EQ(worker->EntryCount(), 0);
}

TEST_F(ReaderTest, ProbeClassifiesFiles) {
    TScratch dir("probe");
    dir.Write("tiny.bin", "PK");
    EXPECT_EQ(worker->ProbeArchive(DataFile("plain.zip")), 0xF2);
    // The comment ends the file, so "nothing after the comment" holds too.
    EXPECT_EQ(worker->ProbeArchive(DataFile("comment.zip")), 0xF2);
    dir.Write("tail.zip", ReadFile(DataFile("comment.zip")) + "X");
    EXPECT_EQ(worker->ProbeArchive(dir.Path("tail.zip")), 0xE2);
    EXPECT_EQ(worker->ProbeArchive(DataFile("notes.zip")), 0);
    EXPECT_EQ(worker->ProbeArchive(DataFile("split.z01")), TZAWorker::ProbeStartsMultiPart);
    EXPECT_EQ(worker->ProbeArchive(dir.Path("tiny.bin")), 0);
    EXPECT_EQ(worker->ProbeArchive(dir.Path("nothing.zip")), -7);
}

TEST_F(ReaderTest, SplitArchiveIsListedFromItsLastPart) {
    worker->SetZipFileName(DataFile("split.zip"));
    EXPECT_TRUE(Dir().MultiPart);
    EXPECT_EQ(Dir().LastDiskNumber, 2);
    EXPECT_EQ(worker->EntryCount(), 3);
    EXPECT_TRUE(ui->Boxes.empty());
}

#if !defined(_WIN32)
TEST_F(ReaderTest, FilesOfFourGibibytesAreRefused) {
    TScratch dir("huge");
    dir.Write("huge.zip", "");
    std::filesystem::resize_file(dir.Path("huge.zip"), uint64_t(1) << 32);
    Change([](TZAOperationSettings& s) { s.Verbose = true; });
    worker->SetZipFileName(dir.Path("huge.zip"));
    ASSERT_EQ(ui->Boxes.size(), 1u);
    EXPECT_NE(ui->Boxes[0].Text.find(Text(ZS::NoValidZip)), std::string::npos);
    ASSERT_FALSE(messages.empty());
    EXPECT_EQ(messages[0],
              (std::pair<int32_t, std::string>{0, "Opening EOC seek/size error 4096Mb"}));
}
#endif
