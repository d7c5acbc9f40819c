// Win32 services: the ANSI file API (names as ZANames.h states), drive queries and the OEM
// code page.
#include "archive/ZAUtils.h"
#include "archive/ZANames.h"

#include <windows.h>
#include <shellapi.h>

#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

// The platform interface names its operations as the system does; windows.h would turn
// them into its own ANSI macros.
#undef DeleteFile
#undef OemToAnsi
#undef AnsiToOem

namespace quill::archive {

namespace {

class TWinFile final : public TZAFile {
public:
    explicit TWinFile(tk::TFileHandle h) : FHandle(std::move(h)) {}

    bool Seek(int64_t offset) override {
        LARGE_INTEGER to;
        to.QuadPart = offset;
        return offset >= 0 && ::SetFilePointerEx(FHandle.Get(), to, nullptr, FILE_BEGIN);
    }
    int64_t SeekFromEnd(int64_t offset) override {
        LARGE_INTEGER to, now;
        to.QuadPart = -offset;
        if (!::SetFilePointerEx(FHandle.Get(), to, &now, FILE_END)) return -1;
        return now.QuadPart;
    }
    int64_t Position() override {
        LARGE_INTEGER zero{}, now;
        if (!::SetFilePointerEx(FHandle.Get(), zero, &now, FILE_CURRENT)) return -1;
        return now.QuadPart;
    }
    uint32_t Read(void* buffer, uint32_t count) override {
        DWORD done = 0;
        if (!::ReadFile(FHandle.Get(), buffer, count, &done, nullptr)) return 0;
        return done;
    }
    uint32_t Write(const void* buffer, uint32_t count) override {
        DWORD done = 0;
        if (!::WriteFile(FHandle.Get(), buffer, count, &done, nullptr)) return 0;
        return done;
    }
    uint64_t FileTime() override {
        FILETIME written{};
        if (!::GetFileTime(FHandle.Get(), nullptr, nullptr, &written)) return 0;
        return (uint64_t(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    }
    void SetFileTime(uint64_t time) override {
        FILETIME written{DWORD(time), DWORD(time >> 32)};
        ::SetFileTime(FHandle.Get(), nullptr, nullptr, &written);
    }

private:
    tk::TFileHandle FHandle;
};

// Keeps "insert a disk" boxes of the system away while a drive is probed.
class TNoCriticalErrorBoxes {
public:
    TNoCriticalErrorBoxes() : old_(::SetErrorMode(SEM_FAILCRITICALERRORS)) {}
    ~TNoCriticalErrorBoxes() { ::SetErrorMode(old_); }

private:
    UINT old_;
};

class TWin32Platform final : public TZAPlatform {
public:
    std::unique_ptr<TZAFile> OpenRead(const std::string& p) override {
        tk::TFileHandle h = tk::OpenFileForReading(p);
        if (!h) return nullptr;
        return std::make_unique<TWinFile>(std::move(h));
    }
    std::unique_ptr<TZAFile> Create(const std::string& p) override {
        tk::TFileHandle h = tk::CreateFileForWriting(p, true);
        if (!h) return nullptr;
        return std::make_unique<TWinFile>(std::move(h));
    }
    bool FileExists(const std::string& p) override { return tk::FileExists(p); }
    bool DeleteFile(const std::string& p, bool allowUndo) override {
        // The shell wants a double-terminated list of names.
        std::string from = ExpandFileName(p);
        from.push_back('\0');
        SHFILEOPSTRUCTA op{};
        op.wFunc = FO_DELETE;
        op.pFrom = from.c_str();
        op.fFlags = FOF_NOCONFIRMATION | FOF_SILENT | FOF_NOERRORUI;
        if (allowUndo) op.fFlags |= FOF_ALLOWUNDO;
        if (::SHFileOperationA(&op) == 0 && !FileExists(p)) return true;
        return ::DeleteFileA(p.c_str()) != 0;
    }
    std::vector<std::string> FindFiles(const std::string& folder,
                                       const std::string& pattern) override {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        const tk::TFindHandle find(::FindFirstFileA((folder + pattern).c_str(), &data));
        if (!find) return names;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                names.push_back(data.cFileName);
        } while (::FindNextFileA(find.Get(), &data));
        return names;
    }
    std::string TempFileName(const std::string& folder, const std::string& prefix) override {
        char name[MAX_PATH + 16];
        if (!::GetTempFileNameA(folder.c_str(), prefix.c_str(), 0, name)) return {};
        return name;
    }
    std::string TempFolder() override { return ZANames::TempFolder(); }
    bool DirectoryExists(const std::string& p) override {
        const DWORD attr = ::GetFileAttributesA(p.c_str());
        return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
    }
    bool ForceDirectories(const std::string& p) override {
        std::string path = p;
        while (!path.empty() && (path.back() == '\\' || path.back() == '/')) path.pop_back();
        if (path.empty() || DirectoryExists(path)) return !path.empty();
        const size_t parent = path.find_last_of("\\/");
        // A drive ("C:") or share root that is missing cannot be made.
        if (parent == std::string::npos || path.back() == ':') return false;
        if (parent > 0 && !ForceDirectories(path.substr(0, parent))) return false;
        return ::CreateDirectoryA(path.c_str(), nullptr) || DirectoryExists(path);
    }
    std::string ExpandFileName(const std::string& p) override {
        char full[MAX_PATH * 2];
        const DWORD n = ::GetFullPathNameA(p.c_str(), sizeof full, full, nullptr);
        if (n == 0 || n >= sizeof full) return p;
        return std::string(full, n);
    }
    std::string DriveRootOf(const std::string& expanded) override {
        if (expanded.size() >= 2 && expanded[1] == ':') return expanded.substr(0, 2) + "\\";
        // A share: "\\server\share\".
        if (expanded.rfind("\\\\", 0) == 0) {
            size_t end = expanded.find('\\', 2);
            if (end != std::string::npos) end = expanded.find('\\', end + 1);
            return end == std::string::npos ? expanded + "\\" : expanded.substr(0, end + 1);
        }
        return "\\";
    }
    TZADriveKind DriveType(const std::string& root) override {
        switch (::GetDriveTypeA(root.c_str())) {
            case DRIVE_NO_ROOT_DIR:
                return TZADriveKind::NoRoot;
            case DRIVE_REMOVABLE:
                return TZADriveKind::Removable;
            case DRIVE_FIXED:
                return TZADriveKind::Fixed;
            case DRIVE_REMOTE:
                return TZADriveKind::Remote;
            case DRIVE_CDROM:
                return TZADriveKind::CdRom;
            case DRIVE_RAMDISK:
                return TZADriveKind::RamDisk;
            default:
                return TZADriveKind::Unknown;
        }
    }
    uint32_t LogicalDrives() override { return ::GetLogicalDrives(); }
    bool VolumeInformation(const std::string& root, TZAVolumeInfo& info) override {
        TNoCriticalErrorBoxes quiet;
        char label[MAX_PATH + 1] = {};
        DWORD serial = 0, maxLength = 0, flags = 0;
        if (!::GetVolumeInformationA(root.c_str(), label, sizeof label, &serial, &maxLength, &flags,
                                     nullptr, 0))
            return false;
        info.Label = label;
        ULARGE_INTEGER freeToCaller{}, total{}, totalFree{};
        if (::GetDiskFreeSpaceExA(root.c_str(), &freeToCaller, &total, &totalFree)) {
            info.TotalBytes = int64_t(total.QuadPart);
            info.FreeBytes = int64_t(freeToCaller.QuadPart);
        } else {
            DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
            if (::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector,
                                    &freeClusters, &clusters)) {
                const int64_t cluster = int64_t(sectorsPerCluster) * bytesPerSector;
                info.TotalBytes = cluster * clusters;
                info.FreeBytes = cluster * freeClusters;
            }
        }
        return true;
    }
    std::string OemToAnsi(const std::string& text) override {
        // Room for twice the input plus a terminator, as multi-byte results may need.
        std::string out(text.size() * 2 + 1, '\0');
        ::OemToCharBuffA(text.c_str(), out.data(), DWORD(text.size()));
        out.resize(text.size());
        return out;
    }
    std::string AnsiToOem(const std::string& text) override {
        std::string out(text.size() * 2 + 1, '\0');
        ::CharToOemBuffA(text.c_str(), out.data(), DWORD(text.size()));
        out.resize(text.size());
        return out;
    }
    bool IsLeadByte(uint8_t byte) override { return ::IsDBCSLeadByte(byte) != 0; }
};

}  // namespace

TZAPlatform& SystemPlatform() {
    static TWin32Platform platform;
    return platform;
}

}  // namespace quill::archive
