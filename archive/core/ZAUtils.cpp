#include "archive/ZAUtils.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

namespace quill::archive {

namespace {
bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}
}  // namespace

size_t FileNameStart(const std::string& p) {
    for (size_t i = p.size(); i > 0; --i) {
        const char c = p[i - 1];
        if (IsSeparator(c) || c == ':') return i;
    }
    return 0;
}

std::string FolderOf(const std::string& p) {
    return p.substr(0, FileNameStart(p));
}

std::string FileNameOf(const std::string& p) {
    return p.substr(FileNameStart(p));
}

std::string ExtensionOf(const std::string& p) {
    const size_t start = FileNameStart(p);
    const size_t dot = p.rfind('.');
    if (dot == std::string::npos || dot < start) return {};
    return p.substr(dot);
}

std::string ChangeExtension(const std::string& p, const std::string& ext) {
    return p.substr(0, p.size() - ExtensionOf(p).size()) + ext;
}

std::string UpperCase(std::string s) {
    for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int NumberOrZero(const std::string& s) {
    if (s.empty() || s.size() > 9) return 0;
    int value = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string ThreeDigits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    auto same = [](char a, char b) {
        return std::toupper(static_cast<unsigned char>(a)) ==
               std::toupper(static_cast<unsigned char>(b));
    };
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

namespace {

class TBufferedReader final : public TZAFile {
public:
    explicit TBufferedReader(std::unique_ptr<TZAFile> file)
        : file_(std::move(file)), pos_(file_->Position()), bufStart_(pos_) {}

    bool Seek(int64_t offset) override {
        if (offset < 0) return false;
        if (offset >= bufStart_ && offset <= bufStart_ + bufLen_) {
            pos_ = offset;
            return true;
        }
        if (!file_->Seek(offset)) return false;
        Restart(offset);
        return true;
    }
    int64_t SeekFromEnd(int64_t offset) override {
        const int64_t at = file_->SeekFromEnd(offset);
        if (at >= 0) Restart(at);
        return at;
    }
    int64_t Position() override { return pos_; }
    uint32_t Read(void* buffer, uint32_t count) override {
        auto* out = static_cast<uint8_t*>(buffer);
        uint32_t done = 0;
        while (done < count) {
            const int64_t available = bufStart_ + bufLen_ - pos_;
            if (available > 0) {
                const uint32_t n = uint32_t(std::min<int64_t>(available, count - done));
                std::memcpy(out + done, buf_.data() + (pos_ - bufStart_), n);
                pos_ += n;
                done += n;
                continue;
            }
            if (!file_->Seek(pos_)) break;
            if (count - done >= buf_.size()) {
                const uint32_t n = file_->Read(out + done, count - done);
                Restart(pos_ + n);
                done += n;
                break;
            }
            bufStart_ = pos_;
            bufLen_ = file_->Read(buf_.data(), uint32_t(buf_.size()));
            if (bufLen_ == 0) break;
        }
        return done;
    }
    uint32_t Write(const void* buffer, uint32_t count) override {
        if (!file_->Seek(pos_)) return 0;
        const uint32_t n = file_->Write(buffer, count);
        Restart(pos_ + n);
        return n;
    }
    uint64_t FileTime() override { return file_->FileTime(); }
    void SetFileTime(uint64_t time) override { file_->SetFileTime(time); }

private:
    void Restart(int64_t at) {
        pos_ = bufStart_ = at;
        bufLen_ = 0;
    }

    std::unique_ptr<TZAFile> file_;
    std::vector<uint8_t> buf_ = std::vector<uint8_t>(65536);
    int64_t pos_;
    int64_t bufStart_;
    int64_t bufLen_ = 0;
};

}  // namespace

std::unique_ptr<TZAFile> BufferedReader(std::unique_ptr<TZAFile> file) {
    if (!file) return nullptr;
    return std::make_unique<TBufferedReader>(std::move(file));
}

}  // namespace quill::archive
