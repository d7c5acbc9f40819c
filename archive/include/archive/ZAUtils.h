// File, drive and text-conversion services the archive worker needs from the system.
//
// The worker talks to the system only through TZAPlatform, so the directory reader and the
// joiner run unchanged on Windows and natively (where every drive is fixed, volumes have
// no label and OEM text is left as it is). Tests substitute their own implementation to
// play removable drives and code pages.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quill::archive {

// An open file. Closing is the destructor's job.
class TZAFile {
public:
    virtual ~TZAFile() = default;
    // Moves to an absolute offset; returns false when the system refuses.
    virtual bool Seek(int64_t offset) = 0;
    // Moves to offset bytes before the end; returns the new position, or -1.
    virtual int64_t SeekFromEnd(int64_t offset) = 0;
    virtual int64_t Position() = 0;
    // Returns the number of bytes read (0 at the end or on failure).
    virtual uint32_t Read(void* buffer, uint32_t count) = 0;
    virtual uint32_t Write(const void* buffer, uint32_t count) = 0;
    // Last-write time in the system's own units; only handed back to SetFileTime.
    virtual uint64_t FileTime() = 0;
    virtual void SetFileTime(uint64_t time) = 0;
};

// Wraps a file opened for reading so that the many small record reads of a directory are
// served from one read-ahead buffer; nullptr stays nullptr.
std::unique_ptr<TZAFile> BufferedReader(std::unique_ptr<TZAFile> file);

enum class TZADriveKind { Unknown, NoRoot, Removable, Fixed, Remote, CdRom, RamDisk };

struct TZAVolumeInfo {
    std::string Label;
    int64_t TotalBytes = -1;  // -1: unknown
    int64_t FreeBytes = -1;
};

class TZAPlatform {
public:
    virtual ~TZAPlatform() = default;

    // Opens for reading with write access denied to others; nullptr when it cannot.
    virtual std::unique_ptr<TZAFile> OpenRead(const std::string& path) = 0;
    // Creates (or truncates) for writing; nullptr when it cannot.
    virtual std::unique_ptr<TZAFile> Create(const std::string& path) = 0;
    virtual bool FileExists(const std::string& path) = 0;
    // Deletes without confirmation; to the recycle bin when allowUndo and the system has one.
    virtual bool DeleteFile(const std::string& path, bool allowUndo) = 0;
    // Names of the files in folder matching a pattern with "?" and "*", in listing order.
    virtual std::vector<std::string> FindFiles(const std::string& folder,
                                               const std::string& pattern) = 0;
    // A new, unique file name in folder starting with prefix (the file is created empty);
    // empty when none can be made.
    virtual std::string TempFileName(const std::string& folder, const std::string& prefix) = 0;
    // The system's temporary folder, with a trailing separator; empty when it has no name
    // the system's narrow functions accept.
    virtual std::string TempFolder() = 0;
    virtual bool DirectoryExists(const std::string& path) = 0;
    // Creates the folder and every missing parent; true when it exists afterwards.
    virtual bool ForceDirectories(const std::string& path) = 0;

    virtual std::string ExpandFileName(const std::string& path) = 0;
    // The drive part of an expanded path followed by "\"; a path without a drive letter
    // (network share, native file system) yields a root that begins with "\".
    virtual std::string DriveRootOf(const std::string& expandedPath) = 0;
    virtual TZADriveKind DriveType(const std::string& root) = 0;
    // Bit n set: drive letter 'A' + n exists.
    virtual uint32_t LogicalDrives() = 0;
    // Volume label and sizes, with critical-error boxes suppressed; false when unreadable.
    virtual bool VolumeInformation(const std::string& root, TZAVolumeInfo& info) = 0;

    virtual std::string OemToAnsi(const std::string& text) = 0;
    virtual std::string AnsiToOem(const std::string& text) = 0;
    // True for the first byte of a two-byte character in the ANSI code page.
    virtual bool IsLeadByte(uint8_t byte) = 0;
};

// "?" matches one character and "*" any run, ignoring case as the Windows file system does.
bool WildcardMatch(const std::string& pattern, const std::string& name);

// The implementation for the build's system (Win32 or native); lives for the whole program.
TZAPlatform& SystemPlatform();

// Path helpers that accept "\" and "/" as separators (and ":" after a drive letter).
// Index just past the last separator (or drive colon); 0 when there is none.
size_t FileNameStart(const std::string& p);
std::string FolderOf(const std::string& p);  // with its trailing separator, or ""
std::string FileNameOf(const std::string& p);
// The extension with its dot ("" when the name part has none).
std::string ExtensionOf(const std::string& p);
std::string ChangeExtension(const std::string& p, const std::string& ext);
std::string UpperCase(std::string s);
// The decimal number the text forms; 0 when it is empty or not all digits.
int NumberOrZero(const std::string& s);
std::string ThreeDigits(int n);

}  // namespace quill::archive
