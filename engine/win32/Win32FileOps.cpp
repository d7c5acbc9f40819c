// The file operations on Windows, with the wide calls so that every name works. A replacement
// is one MoveFileExW with write-through: the target always names a whole file, and the move is
// on the disk when the call returns.
#include <windows.h>

#include <memory>
#include <type_traits>

#include "engine/FileOps.h"

namespace zipengine {

namespace fs = std::filesystem;

namespace {

struct HandleCloser {
    void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

FileHandle openHandle(const fs::path& path, DWORD access, DWORD share, DWORD disposition) {
    HANDLE handle = CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

FileStatus statusOf(DWORD error) {
    switch (error) {
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileStatus::InUse;
        case ERROR_ACCESS_DENIED:
            return FileStatus::Denied;
        default:
            return FileStatus::Failed;
    }
}

FileStatus lastStatus(BOOL ok) {
    return ok ? FileStatus::Ok : statusOf(GetLastError());
}

bool writeAll(HANDLE handle, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes = bytes.subspan(written);
    }
    return true;
}

class Win32File final : public WritableFile {
public:
    explicit Win32File(FileHandle handle) : handle_(std::move(handle)) {}
    bool write(std::span<const std::uint8_t> bytes) override {
        return writeAll(handle_.get(), bytes);
    }
    bool flush() override { return FlushFileBuffers(handle_.get()) != 0; }
    bool close() override { return CloseHandle(handle_.release()) != 0; }

private:
    FileHandle handle_;
};

bool copyFlushed(const fs::path& from, const fs::path& to) {
    FileHandle in =
        openHandle(from, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, OPEN_EXISTING);
    if (!in) return false;
    FileHandle out = openHandle(to, GENERIC_WRITE, 0, CREATE_NEW);
    if (!out) return false;
    std::uint8_t buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(in.get(), buffer, sizeof buffer, &got, nullptr)) return false;
        if (got == 0) break;
        if (!writeAll(out.get(), std::span(buffer, got))) return false;
    }
    return FlushFileBuffers(out.get()) != 0;
}

class Win32FileOps final : public FileOps {
public:
    std::unique_ptr<WritableFile> create(const fs::path& path) override {
        FileHandle handle = openHandle(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW);
        if (!handle) return nullptr;
        return std::make_unique<Win32File>(std::move(handle));
    }
    FileStatus replace(const fs::path& from, const fs::path& to) override {
        return lastStatus(MoveFileExW(from.c_str(), to.c_str(),
                                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    }
    FileStatus keepCopy(const fs::path& existing, const fs::path& copy) override {
        if (CreateHardLinkW(copy.c_str(), existing.c_str(), nullptr)) return FileStatus::Ok;
        if (copyFlushed(existing, copy)) return FileStatus::Ok;
        DeleteFileW(copy.c_str());
        return FileStatus::Failed;
    }
    FileStatus remove(const fs::path& path) override {
        // Windows refuses to delete a read-only file; a file the engine deletes is its own.
        DWORD attributes = GetFileAttributesW(path.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) return FileStatus::Ok;
        if (attributes & FILE_ATTRIBUTE_READONLY)
            SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
        if (DeleteFileW(path.c_str())) return FileStatus::Ok;
        FileStatus status = statusOf(GetLastError());
        if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes);
        return status;
    }
    FileStatus makeFolder(const fs::path& path) override {
        return lastStatus(CreateDirectoryW(path.c_str(), nullptr));
    }
    FileStatus removeFolder(const fs::path& path) override {
        return lastStatus(RemoveDirectoryW(path.c_str()));
    }
    FileStatus probeReplace(const fs::path& path) override {
        // What a replacement needs: delete access, shared with whoever shares it.
        FileHandle handle = openHandle(
            path, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
        return handle ? FileStatus::Ok : statusOf(GetLastError());
    }
};

}  // namespace

FileOps& platformFileOps() {
    static Win32FileOps ops;
    return ops;
}

}  // namespace zipengine
