// Shared pieces of the reader tests: a small zip writer for what no tool produces, a
// recording UI in place of the archive dialog box, a platform that can play removable
// drives and an OEM code page, and a scratch folder per test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ZAWrkr.h"

using namespace quill::archive;

namespace readertest {

struct TestEntry {
    TestEntry(std::string name, std::string data) : Name(std::move(name)), Data(std::move(data)) {}

    std::string Name;
    std::string Data;  // stored (method 0)
    uint8_t Host = 3;
    uint8_t MadeBy = 30;
    bool Descriptor = false;  // flag bit 3, local sizes 0, 16-byte descriptor after the data
    std::string Extra;
    std::string Comment;
    std::string LocalName;  // when not empty, the local header carries this name instead
};

// One archive image; shift is added to every stored offset (for a prefix the caller adds).
std::string BuildZip(const std::vector<TestEntry>& entries, const std::string& comment = {},
                     uint32_t shift = 0);

// A multi-part archive: the marker, then records that never straddle parts (data and
// descriptors may), every part at most partSize bytes; offsets are per part.
std::vector<std::string> BuildSplitZip(const std::vector<TestEntry>& entries, size_t partSize,
                                       const std::string& comment = {});

// Boxes shown instead of the archive dialog box.
struct TShownBox {
    uint32_t Context;
    std::string Text;
};
struct TUiLog {
    std::vector<TShownBox> Boxes;
    int Answer = mr::OK;
    int BusyDepth = 0;
    int BusyMax = 0;
};
std::unique_ptr<TZACoreUI> MakeRecordingUI(std::shared_ptr<TUiLog> log);

// The system's services, with a drive and a code page that tests can change.
class TTestPlatform : public TZAPlatform {
public:
    std::unique_ptr<TZAFile> OpenRead(const std::string& path) override;
    std::unique_ptr<TZAFile> Create(const std::string& path) override;
    bool FileExists(const std::string& path) override;
    bool DeleteFile(const std::string& path, bool allowUndo) override;
    std::vector<std::string> FindFiles(const std::string& folder,
                                       const std::string& pattern) override;
    std::string TempFileName(const std::string& folder, const std::string& prefix) override;
    std::string TempFolder() override;
    bool DirectoryExists(const std::string& path) override;
    bool ForceDirectories(const std::string& path) override;
    std::string ExpandFileName(const std::string& path) override;
    std::string DriveRootOf(const std::string& expandedPath) override;
    TZADriveKind DriveType(const std::string& root) override;
    uint32_t LogicalDrives() override;
    bool VolumeInformation(const std::string& root, TZAVolumeInfo& info) override;
    std::string OemToAnsi(const std::string& text) override;
    std::string AnsiToOem(const std::string& text) override;
    bool IsLeadByte(uint8_t byte) override;

    // Empty: the system's answers.
    std::string Root;
    TZADriveKind Kind = TZADriveKind::Fixed;
    uint32_t Drives = 0xFFFFFFFF;
    std::string Label;
    // Maps a path to the file that is "in the drive" now (removable media).
    std::function<std::string(const std::string&)> MapPath;
    // Code page 437 to 1252 for the one byte the tests use (0x82, e acute).
    bool FakeOem = false;
    int OemConversions = 0;
};

// A fresh folder for one test, removed afterwards; paths with the system's separators.
class TScratch {
public:
    explicit TScratch(const std::string& name);
    ~TScratch();
    std::string Path(const std::string& name) const;
    std::string Folder() const;  // with a trailing separator
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;
    std::vector<std::string> Files() const;

private:
    std::filesystem::path dir_;
};

// The folder of archives made by real tools at build time.
std::string DataFile(const std::string& name);
std::string ReadFile(const std::string& path);

}  // namespace readertest
