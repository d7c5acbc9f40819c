// Native services: every drive is fixed, volumes have no label, OEM text is left as it is.
#include "archive/ZAUtils.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace quill::archive {

namespace {

class TNativeFile final : public TZAFile {
public:
    explicit TNativeFile(int fd) : fd_(fd) {}
    ~TNativeFile() override { ::close(fd_); }
    TNativeFile(const TNativeFile&) = delete;
    TNativeFile& operator=(const TNativeFile&) = delete;

    bool Seek(int64_t offset) override {
        return offset >= 0 && ::lseek(fd_, off_t(offset), SEEK_SET) == off_t(offset);
    }
    int64_t SeekFromEnd(int64_t offset) override {
        const off_t size = ::lseek(fd_, 0, SEEK_END);
        if (size < 0 || offset > size) return -1;
        return ::lseek(fd_, size - off_t(offset), SEEK_SET);
    }
    int64_t Position() override { return ::lseek(fd_, 0, SEEK_CUR); }
    uint32_t Read(void* buffer, uint32_t count) override {
        uint32_t done = 0;
        while (done < count) {
            const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, count - done);
            if (n <= 0) break;
            done += uint32_t(n);
        }
        return done;
    }
    uint32_t Write(const void* buffer, uint32_t count) override {
        uint32_t done = 0;
        while (done < count) {
            const ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, count - done);
            if (n <= 0) break;
            done += uint32_t(n);
        }
        return done;
    }
    uint64_t FileTime() override {
        struct stat st {};
        if (::fstat(fd_, &st) != 0) return 0;
        return uint64_t(st.st_mtim.tv_sec) * 1000000000u + uint64_t(st.st_mtim.tv_nsec);
    }
    void SetFileTime(uint64_t time) override {
        const timespec when{time_t(time / 1000000000u), long(time % 1000000000u)};
        const timespec times[2] = {when, when};
        ::futimens(fd_, times);
    }

private:
    int fd_;
};

class TNativePlatform final : public TZAPlatform {
public:
    std::unique_ptr<TZAFile> OpenRead(const std::string& p) override {
        const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            ::close(fd);
            return nullptr;
        }
        return std::make_unique<TNativeFile>(fd);
    }
    std::unique_ptr<TZAFile> Create(const std::string& p) override {
        const int fd = ::open(p.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return nullptr;
        return std::make_unique<TNativeFile>(fd);
    }
    bool FileExists(const std::string& p) override {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    }
    bool DeleteFile(const std::string& p, bool) override { return ::unlink(p.c_str()) == 0; }
    std::vector<std::string> FindFiles(const std::string& folder,
                                       const std::string& pattern) override {
        std::vector<std::string> names;
        DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
        if (!dir) return names;
        while (const dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (WildcardMatch(pattern, name) && FileExists(folder + name)) names.push_back(name);
        }
        ::closedir(dir);
        return names;
    }
    std::string TempFileName(const std::string& folder, const std::string& prefix) override {
        std::string templ = folder + prefix + "XXXXXX";
        const int fd = ::mkstemp(templ.data());
        if (fd < 0) return {};
        ::close(fd);
        return templ;
    }
    std::string TempFolder() override {
        std::error_code ec;
        std::string dir = std::filesystem::temp_directory_path(ec).string();
        if (ec || dir.empty()) dir = "/tmp";
        if (dir.back() != '/') dir += '/';
        return dir;
    }
    bool DirectoryExists(const std::string& p) override {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    bool ForceDirectories(const std::string& p) override {
        std::error_code ec;
        std::filesystem::create_directories(p, ec);
        return DirectoryExists(p);
    }
    std::string ExpandFileName(const std::string& p) override {
        std::error_code ec;
        const auto full = std::filesystem::absolute(p, ec);
        return ec ? p : full.lexically_normal().string();
    }
    std::string DriveRootOf(const std::string&) override { return "\\"; }
    TZADriveKind DriveType(const std::string&) override { return TZADriveKind::Fixed; }
    uint32_t LogicalDrives() override { return 0; }
    bool VolumeInformation(const std::string&, TZAVolumeInfo& info) override {
        struct statvfs vfs {};
        if (::statvfs("/", &vfs) != 0) return false;
        info.Label.clear();
        info.TotalBytes = int64_t(vfs.f_blocks) * int64_t(vfs.f_frsize);
        info.FreeBytes = int64_t(vfs.f_bavail) * int64_t(vfs.f_frsize);
        return true;
    }
    std::string OemToAnsi(const std::string& text) override { return text; }
    std::string AnsiToOem(const std::string& text) override { return text; }
    bool IsLeadByte(uint8_t) override { return false; }
};

}  // namespace

TZAPlatform& SystemPlatform() {
    static TNativePlatform platform;
    return platform;
}

}  // namespace quill::archive
