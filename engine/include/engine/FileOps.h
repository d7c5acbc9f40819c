// Every change the engine makes on disk goes through this one narrow interface: the platform's
// implementation in production (wide Win32 calls, or POSIX natively), a faulty one in tests that
// fails or stops the process at a chosen call. Reads do not: they change nothing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <system_error>

namespace zipengine {

enum class FileStatus {
    Ok,
    InUse,   // someone holds the file open against it: waiting may help
    Denied,  // a running image or a read-only file: it can still be moved aside
    Failed,
};

class WritableFile {
public:
    virtual ~WritableFile() = default;  // closes without flushing
    virtual bool write(std::span<const std::uint8_t> bytes) = 0;
    // On the disk when it returns (FlushFileBuffers, fsync): a power cut keeps what it flushed.
    virtual bool flush() = 0;
    virtual bool close() = 0;
};

class FileOps {
public:
    virtual ~FileOps() = default;

    // A new file for writing; null when the name exists or it cannot be made.
    virtual std::unique_ptr<WritableFile> create(const std::filesystem::path& path) = 0;
    // `from` takes the name `to` in one step, replacing a file of that name; no moment exists
    // with no file under `to`. Durable (the folder's entry too) when it returns Ok.
    virtual FileStatus replace(const std::filesystem::path& from,
                               const std::filesystem::path& to) = 0;
    // A second name `copy` for `existing`: a hard link, or a flushed copy where the file system
    // has no links.
    virtual FileStatus keepCopy(const std::filesystem::path& existing,
                                const std::filesystem::path& copy) = 0;
    // Deletes a file, read-only or not.
    virtual FileStatus remove(const std::filesystem::path& path) = 0;
    virtual FileStatus makeFolder(const std::filesystem::path& path) = 0;
    virtual FileStatus removeFolder(const std::filesystem::path& path) = 0;  // only when empty
    // Whether `path` could be replaced now (InUse: someone holds it open against deleting).
    // Changes nothing.
    virtual FileStatus probeReplace(const std::filesystem::path& path) = 0;
    // The standard library's way serves every platform; a seam may still stand in for it.
    virtual FileStatus setModified(const std::filesystem::path& path,
                                   std::filesystem::file_time_type time) {
        std::error_code error;
        std::filesystem::last_write_time(path, time, error);
        return error ? FileStatus::Failed : FileStatus::Ok;
    }
};

// The platform's implementation: POSIX natively, the wide Win32 calls on Windows (the static
// library zipengine_files_win32, linked with the core there).
FileOps& platformFileOps();

}  // namespace zipengine
