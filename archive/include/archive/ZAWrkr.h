// The archive worker: reads a zip archive's directory (TZADirectory), finds the parts of a
// multi-part archive and joins them into one archive file.
//
// Everything here runs on the thread of the owner's operation. The system is reached only
// through TZAPlatform, so the same code runs natively and on Windows.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ZAEngine.h"
#include "archive/ZAStructs.h"
#include "archive/ZAUtils.h"

// The tests' window into the class (defined by a test, outside the folder's namespace).
class TZAWorkerTestAccess;

namespace quill::archive {

using TNewNameEvent =
    tk::TEvent<void(TZASender Sender, int32_t SeqNo, const ZipDirEntry& ZipEntry)>;
using TDirUpdateEvent = tk::TEvent<void(TZASender Sender)>;
using TGetNextDiskEvent = tk::TEvent<void(TZASender Sender, int32_t DiskSeqNo, int32_t DiskTotal,
                                          const std::string& Drive, bool& AbortAction)>;

// How the parts of a multi-part archive are named.
enum class TZAPartStyle : uint8_t {
    Unknown = 0,
    SameNameOnEachDisk = 1,
    Numbered = 2,   // base + "001" + ".zip"
    Extension = 3,  // ".z01", ".z02", ..., ".zip" for the last
};

// What List read: the directory of the archive and where it was found.
struct TZADirectory {
    std::vector<std::unique_ptr<ZipDirEntry>> EntryList;
    std::string OpenedName;  // the file read (the last part of a set)
    uint32_t FileLength = 0;
    uint32_t ZipEnd = 0;
    uint32_t EndRecordPos = 0;
    uint32_t CentralStart = 0;
    uint32_t DataStart = 0;
    int LastDiskNumber = 0;
    bool MultiPart = false;
    bool OffsetMismatch = false;
    std::string RawComment;
    std::string ArchiveComment;
    int NameHost = 0;
    int NameVersion = 20;
    int DroppedDirEntries = 0;
};

class TZAWorker : public TZADynamicBind {
public:
    explicit TZAWorker(TZASender owner, std::unique_ptr<TZACoreUI> ui = MakeDefaultZACoreUI(),
                       TZAPlatform& platform = SystemPlatform(),
                       TZALibraryLoader& loader = SystemLibraryLoader());
    ~TZAWorker() override;

    // Stores the archive path and reads its directory (deferred while inactive).
    void SetZipFileName(const std::string& name);
    const std::string& ZipFileName() const { return FZipFileName; }

    // Reads the directory of ZipFileName into Directory(). Returns the last error code when
    // the archive was opened, otherwise 0.
    int List();
    int EntryCount() const { return FZipFileName.empty() ? 0 : int(FDir.EntryList.size()); }

    // Joins a multi-part archive into one archive file. destination is a file path or a
    // folder; on return it names the file written ("" after a failure). Returns 0,
    // SpanArchiveError after an archive error, SpanOutOfMemory when memory ran out, SpanFailed
    // otherwise or when nothing was located.
    int ReadSpan(const std::string& source, std::string& destination, bool joining);
    static constexpr int SpanArchiveError = -7, SpanOutOfMemory = -8, SpanFailed = -9;

    // Classifies a file by its first bytes and its end record: the Probe bits below, or
    // ProbeCannotOpen or ProbeFailed.
    int ProbeArchive(const std::string& path);
    static constexpr int ProbeStartsMZ = 0x01, ProbeStartsLocal = 0x02, ProbeStartsMultiPart = 0x04,
                         ProbeStartsCentral = 0x08, ProbeNoComment = 0x10, ProbeLocalFound = 0x20,
                         ProbeCentralFound = 0x40, ProbeEndFound = 0x80;
    static constexpr int ProbeCannotOpen = -7, ProbeFailed = -9;

    // Converts a stored name or comment between the OEM and the ANSI code page when the
    // code-page rule asks for it.
    std::string ConvertNameText(const std::string& text, bool toOem);

    // Extracts ZipFileName into ExtrBaseDir through the engine. Archive errors are
    // presented and end the run; SuccessCount holds the engine's result.
    void ExtractOperation();

    // Whether an extraction is running, and how many files the last one extracted.
    bool InOperation() const { return FInOperation; }
    int32_t SuccessCount() const { return FSuccessCount; }

    // The owner (re)activates the worker when it can run operations; a deferred List runs.
    void Activate();
    void Deactivate();
    bool Active() const { return FActive; }

    void SetCancel(bool value) override;
    void Clear() override;

    TNewNameEvent OnNewName;
    TDirUpdateEvent OnDirUpdate;
    TGetNextDiskEvent OnGetNextDisk;

    // What the last List read (valid after it).
    const TZADirectory& Directory() const { return FDir; }
    // A List waits for the next activation.
    bool ListPending() const { return FListPending; }
    TZAPartStyle PartStyle() const { return FPartStyle; }

protected:
    // Opens the archive (or the last part) and reads its end record: TLocateResult::Opened,
    // NothingFound while silent, Failed after a failure (presented unless silent).
    enum class TLocateResult : int8_t { Opened, NothingFound, Failed };
    TLocateResult LocateArchive(const std::string& name, ZipEndOfCentral& record, bool silent);
    bool ReadEndRecord(ZipEndOfCentral& record, bool raise);
    void ReadExact(void* buffer, uint32_t count, int id);
    // Reads one whole record; a short read opens the next part and reads it again from the
    // start of that part, and raises id when no part is left.
    void ReadRecord(uint8_t* buffer, uint32_t count, int id);

    // True when the volume of DriveRoot can be used (a network root, or its size is known).
    bool CheckVolume();
    void WaitForDisk(bool freshDisk);
    bool FindPartFile();
    std::string PartFileName(const std::string& name, bool stripDigits, bool extensionStyle) const;
    void GetNewDisk(int disk);

    void CloseArchive() { FArchiveHandle.reset(); }
    TZAPlatform& Platform() { return FPlatform; }

    std::unique_ptr<TZAFile> FArchiveHandle;

private:
    // LocateArchive's search for the last part of a set whose named file does not exist.
    bool FindLastPart(const std::string& name, std::string& found, int& k);
    bool SearchFolderForPart(std::string& found);
    void RaiseWhichPartOfSet();
    void ReadDirectory(const ZipEndOfCentral& record);
    // The length of a Zip64 end record and locator right before the end record, or 0.
    uint32_t Zip64EndLength();
    void AddEntry(int seqNo, const zipengine::CentralHeader& header);
    std::string CentralName(const zipengine::CentralHeader& header);
    void PromptForDisk();
    bool IsNetworkRoot() const { return !FDriveRoot.empty() && FDriveRoot[0] == '\\'; }

    // The joiner's state for one ReadSpan run.
    struct TSpanRun;
    void JoinParts(TSpanRun& run, const ZipEndOfCentral& record);
    // Copies count bytes from the archive, across parts, to the output; id names both a
    // short read at the end of the last part and a short write.
    void CopyBytes(TSpanRun& run, uint32_t count, int id);
    // Reads count bytes from the archive, across parts, into buffer; id names a short read.
    void ReadAcross(uint8_t* buffer, uint32_t count, int id);
    // Copies the data descriptor after an entry's data, checked against its central header.
    void CopyDataDescriptor(TSpanRun& run, const TZADataItem& item, bool zip64);
    void WriteOut(TSpanRun& run, const void* data, uint32_t count, int id);

    TZAPlatform& FPlatform;
    std::string FZipFileName;
    TZADirectory FDir;
    // The part being read: its drive, its number and how the parts of its set are named.
    std::string FDriveRoot;
    bool FFixedDrive = true;
    std::string FVolumeLabel;
    int FCurrentDisk = 0;
    TZAPartStyle FPartStyle = TZAPartStyle::Unknown;
    std::string FLocateFolder;
    std::string FLocateExt;  // upper-cased, with its dot
    bool FFirstPart = false;
    bool FFoundNumbered = false;  // the last part was found by its three-digit number
    int FRememberedHost = 0;
    int FRememberedVersion = 20;
    bool FListPending = false;
    bool FInOperation = false;
    int32_t FSuccessCount = 0;

    friend class ::TZAWorkerTestAccess;
};

}  // namespace quill::archive
