// Parts on removable media, part names, and the drive checks.
#include "reader_fixture.h"

using namespace readertest;

TEST_F(ReaderTest, PartNamesInBothStyles) {
    using A = TZAWorkerTestAccess;
    EXPECT_EQ(A::PartFileName(*worker, 0, 3, "x\\set.zip", false, true), "x\\set.z01");
    EXPECT_EQ(A::PartFileName(*worker, 8, 12, "set.zip", false, true), "set.z09");
    EXPECT_EQ(A::PartFileName(*worker, 9, 12, "set.zip", false, true), "set.z10");
    EXPECT_EQ(A::PartFileName(*worker, 12, 12, "set.z10", false, true), "set.zip");
    EXPECT_EQ(A::PartFileName(*worker, 0, 3, "x\\set.zip", false, false), "x\\set001.zip");
    EXPECT_EQ(A::PartFileName(*worker, 1, 3, "x\\set001.zip", true, false), "x\\set002.zip");
}

TEST_F(ReaderTest, MissingEndRecordNamesThePartOfTheSet) {
    using A = TZAWorkerTestAccess;
    auto textOf = [&](const std::string& name) {
        try {
            A::ReadEndRecordRaising(*worker, name);
        } catch (const EZipArchiver& e) {
            return e.Message;
        }
        return std::string("no exception");
    };
    EXPECT_EQ(textOf(DataFile("split.z01")), Text(ZS::FirstInSet));
    EXPECT_EQ(textOf(DataFile("split.z02")), LoadZipTextFmt(ZS::NotLastInSet, {int64_t(2)}));
    EXPECT_EQ(textOf(DataFile("notes.zip")), Text(ZS::NoValidZip));
}

namespace {

// Three disks in drive A:, each holding a part under the same name, labelled as backup
// tools label them.
struct TDiskSet {
    TScratch dir{"disks"};
    int inserted = 2;
    std::vector<std::tuple<int, int, std::string>> prompts;
};

}  // namespace

TEST_F(ReaderTest, SameNameOnEveryDiskIsJoinedByVolumeLabel) {
    TDiskSet disks;
    const std::vector<TestEntry> entries{{"one.txt", std::string(1500, '1')},
                                         {"two.txt", std::string(900, '2')}};
    const auto parts = BuildSplitZip(entries, 1200);
    ASSERT_EQ(parts.size(), 3u);
    for (size_t i = 0; i < parts.size(); ++i) disks.dir.Write("disk" + std::to_string(i), parts[i]);

    platform.Root = "A:\\";
    platform.Kind = TZADriveKind::Removable;
    platform.Label = "PKBACK# 003";
    platform.MapPath = [&](const std::string& p) {
        return p.ends_with("backup.zip") ? disks.dir.Path("disk" + std::to_string(disks.inserted))
                                         : p;
    };
    worker->OnGetNextDisk.Assign(
        [&](TZASender, int32_t seqNo, int32_t total, const std::string& drive, bool&) {
            disks.prompts.emplace_back(seqNo, total, drive);
            disks.inserted = seqNo - 1;
            platform.Label = "PKBACK# " + ThreeDigits(seqNo);
        });

    TScratch out("disks_out");
    std::string destination = out.Folder();
    ASSERT_EQ(worker->ReadSpan("A:\\backup.zip", destination, true), 0);
    EXPECT_EQ(ReadFile(destination), BuildZip(entries));
    EXPECT_EQ(worker->PartStyle(), TZAPartStyle::SameNameOnEachDisk);
    ASSERT_GE(disks.prompts.size(), 3u);
    EXPECT_EQ(disks.prompts[0], std::make_tuple(1, 3, std::string("A")));
    EXPECT_EQ(disks.prompts[1], std::make_tuple(2, 3, std::string("A")));
    EXPECT_EQ(disks.prompts[2], std::make_tuple(3, 3, std::string("A")));
    EXPECT_TRUE(ui->Boxes.empty());
}

TEST_F(ReaderTest, DiskPromptsCanBeRefused) {
    TDiskSet disks;
    const auto parts = BuildSplitZip({{"one.txt", std::string(1500, '1')}}, 1200);
    for (size_t i = 0; i < parts.size(); ++i) disks.dir.Write("disk" + std::to_string(i), parts[i]);
    disks.inserted = int(parts.size()) - 1;
    platform.Root = "A:\\";
    platform.Kind = TZADriveKind::Removable;
    platform.MapPath = [&](const std::string& p) {
        return p.ends_with("backup.zip") ? disks.dir.Path("disk" + std::to_string(disks.inserted))
                                         : p;
    };
    TScratch out("refused_out");

    // The box of the first part's prompt, answered with Cancel.
    ui->Answer = mr::Cancel;
    std::string destination = out.Folder();
    EXPECT_EQ(worker->ReadSpan("A:\\backup.zip", destination, true), -7);
    ASSERT_EQ(ui->Boxes.size(), 1u);
    EXPECT_EQ(ui->Boxes[0].Context, ZipDlgContext::DiskPrompt);
    EXPECT_EQ(ui->Boxes[0].Text, LoadZipTextFmt(ZS::InsertVolume, {int64_t(1), int64_t(2)}) +
                                     LoadZipTextFmt(ZS::InDrive, {std::string("A:\\")}));
    EXPECT_EQ(worker->LastErrorCode(), ZS::Canceled);
    EXPECT_TRUE(out.Files().empty());

    // An abort from the handler, and no prompt at all when unattended.
    worker->OnGetNextDisk.Assign(
        [](TZASender, int32_t, int32_t, const std::string&, bool& abort) { abort = true; });
    destination = out.Folder();
    EXPECT_EQ(worker->ReadSpan("A:\\backup.zip", destination, true), -7);
    EXPECT_EQ(worker->LastErrorCode(), ZS::Canceled);

    Change([](TZAOperationSettings& s) { s.Unattended = true; });
    destination = out.Folder();
    EXPECT_EQ(worker->ReadSpan("A:\\backup.zip", destination, true), -7);
    EXPECT_EQ(worker->LastErrorCode(), ZS::NoUnattSpan);
    EXPECT_EQ(ui->Boxes.size(), 1u);
    EXPECT_TRUE(out.Files().empty());
}

TEST_F(ReaderTest, DriveChecks) {
    TScratch out("drive_out");
    platform.Root = "1:\\";
    worker->SetZipFileName("1:\\x.zip");
    EXPECT_TRUE(ui->Boxes.empty());  // the listing is silent about drives

    std::string destination = out.Folder();
    EXPECT_EQ(worker->ReadSpan("1:\\x.zip", destination, true), -9);
    EXPECT_EQ(Boxes(), (std::vector<std::string>{"Not a valid drive: 1:\\"}));

    platform.Root = "Q:\\";
    platform.Drives = 0;
    destination = out.Folder();
    EXPECT_EQ(worker->ReadSpan("Q:\\x.zip", destination, true), -9);
    EXPECT_EQ(Boxes().back(), "Drive Q:\\ is NOT defined");
    EXPECT_TRUE(out.Files().empty());
}
