// The file operations on POSIX systems: the engine's native builds and tests. A rename is made
// durable by syncing the folder that holds the new name.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "engine/FileOps.h"

namespace zipengine {

namespace fs = std::filesystem;

namespace {

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

bool syncFolderOf(const fs::path& path) {
    fs::path folder = path.parent_path();
    Descriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY));
    return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(written));
    }
    return true;
}

class PosixFile final : public WritableFile {
public:
    PosixFile(int fd, fs::path path) : fd_(fd), path_(std::move(path)) {}
    bool write(std::span<const std::uint8_t> bytes) override { return writeAll(fd_.get(), bytes); }
    // The first flush also puts the file's name on the disk: a new file is only as durable as
    // the folder entry that names it.
    bool flush() override {
        if (::fsync(fd_.get()) != 0) return false;
        if (!named_) named_ = syncFolderOf(path_);
        return named_;
    }
    bool close() override { return ::close(fd_.release()) == 0; }

private:
    Descriptor fd_;
    fs::path path_;
    bool named_ = false;
};

FileStatus statusOf(int error) {
    return error == EACCES || error == EPERM ? FileStatus::Denied : FileStatus::Failed;
}

bool copyFlushed(const fs::path& from, const fs::path& to) {
    Descriptor in(::open(from.c_str(), O_RDONLY));
    if (in.get() < 0) return false;
    Descriptor out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644));
    if (out.get() < 0) return false;
    std::uint8_t buffer[65536];
    for (;;) {
        ssize_t got = ::read(in.get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) break;
        if (!writeAll(out.get(), std::span(buffer, static_cast<std::size_t>(got)))) return false;
    }
    return ::fsync(out.get()) == 0;
}

class PosixFileOps final : public FileOps {
public:
    std::unique_ptr<WritableFile> create(const fs::path& path) override {
        int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd < 0) return nullptr;
        return std::make_unique<PosixFile>(fd, path);
    }
    FileStatus replace(const fs::path& from, const fs::path& to) override {
        if (::rename(from.c_str(), to.c_str()) != 0) return statusOf(errno);
        return syncFolderOf(to) ? FileStatus::Ok : FileStatus::Failed;
    }
    FileStatus keepCopy(const fs::path& existing, const fs::path& copy) override {
        if (::link(existing.c_str(), copy.c_str()) != 0 && !copyFlushed(existing, copy)) {
            ::unlink(copy.c_str());
            return FileStatus::Failed;
        }
        return syncFolderOf(copy) ? FileStatus::Ok : FileStatus::Failed;
    }
    FileStatus remove(const fs::path& path) override {
        return ::unlink(path.c_str()) == 0 || errno == ENOENT ? FileStatus::Ok : statusOf(errno);
    }
    FileStatus makeFolder(const fs::path& path) override {
        return ::mkdir(path.c_str(), 0755) == 0 ? FileStatus::Ok : statusOf(errno);
    }
    FileStatus removeFolder(const fs::path& path) override {
        return ::rmdir(path.c_str()) == 0 ? FileStatus::Ok : statusOf(errno);
    }
    FileStatus probeReplace(const fs::path&) override {
        return FileStatus::Ok;  // no mandatory locks here
    }
};

}  // namespace

FileOps& platformFileOps() {
    static PosixFileOps ops;
    return ops;
}

}  // namespace zipengine
