#include "reader_test_support.h"

#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <sstream>

namespace readertest {

namespace {

void Put16(std::string& s, uint16_t v) {
    s.push_back(char(v & 0xFF));
    s.push_back(char(v >> 8));
}
void Put32(std::string& s, uint32_t v) {
    for (int i = 0; i < 4; ++i) s.push_back(char((v >> (8 * i)) & 0xFF));
}

uint32_t Crc(const std::string& data) {
    return uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data.data()), uInt(data.size())));
}

std::string LocalHeader(const TestEntry& e) {
    const std::string& name = e.LocalName.empty() ? e.Name : e.LocalName;
    std::string h;
    Put32(h, LocalHeaderSig);
    Put16(h, 10);
    Put16(h, e.Descriptor ? FlagDataDescriptor : 0);
    Put16(h, 0);
    Put32(h, 0x58A16000);  // some fixed DOS time and date
    Put32(h, e.Descriptor ? 0 : Crc(e.Data));
    Put32(h, e.Descriptor ? 0 : uint32_t(e.Data.size()));
    Put32(h, e.Descriptor ? 0 : uint32_t(e.Data.size()));
    Put16(h, uint16_t(name.size()));
    Put16(h, uint16_t(e.Extra.size()));
    return h + name + e.Extra;
}

std::string Descriptor(const TestEntry& e) {
    std::string d;
    Put32(d, ExtLocalSig);
    Put32(d, Crc(e.Data));
    Put32(d, uint32_t(e.Data.size()));
    Put32(d, uint32_t(e.Data.size()));
    return d;
}

std::string CentralHeader(const TestEntry& e, uint16_t disk, uint32_t offset) {
    std::string h;
    Put32(h, CentralHeaderSig);
    h.push_back(char(e.MadeBy));
    h.push_back(char(e.Host));
    Put16(h, 10);
    Put16(h, e.Descriptor ? FlagDataDescriptor : 0);
    Put16(h, 0);
    Put32(h, 0x58A16000);
    Put32(h, Crc(e.Data));
    Put32(h, uint32_t(e.Data.size()));
    Put32(h, uint32_t(e.Data.size()));
    Put16(h, uint16_t(e.Name.size()));
    Put16(h, uint16_t(e.Extra.size()));
    Put16(h, uint16_t(e.Comment.size()));
    Put16(h, disk);
    Put16(h, 0);
    Put32(h, 0);
    Put32(h, offset);
    return h + e.Name + e.Extra + e.Comment;
}

std::string EndRecord(uint16_t thisDisk, uint16_t centralDisk, uint16_t onDisk, uint16_t total,
                      uint32_t size, uint32_t offset, const std::string& comment) {
    std::string r;
    Put32(r, EndOfCentralSig);
    Put16(r, thisDisk);
    Put16(r, centralDisk);
    Put16(r, onDisk);
    Put16(r, total);
    Put32(r, size);
    Put32(r, offset);
    Put16(r, uint16_t(comment.size()));
    return r + comment;
}

}  // namespace

std::string BuildZip(const std::vector<TestEntry>& entries, const std::string& comment,
                     uint32_t shift) {
    std::string out, central;
    for (const TestEntry& e : entries) {
        const uint32_t offset = uint32_t(out.size()) + shift;
        out += LocalHeader(e) + e.Data;
        if (e.Descriptor) out += Descriptor(e);
        central += CentralHeader(e, 0, offset);
    }
    const uint32_t centralOffset = uint32_t(out.size()) + shift;
    out += central;
    out += EndRecord(0, 0, uint16_t(entries.size()), uint16_t(entries.size()),
                     uint32_t(central.size()), centralOffset, comment);
    return out;
}

std::vector<std::string> BuildSplitZip(const std::vector<TestEntry>& entries, size_t partSize,
                                       const std::string& comment) {
    std::vector<std::string> parts(1);
    auto room = [&](size_t n) {
        if (!parts.back().empty() && parts.back().size() + n > partSize) parts.emplace_back();
    };
    auto flow = [&](const std::string& bytes) {
        size_t at = 0;
        while (at < bytes.size()) {
            if (parts.back().size() >= partSize) parts.emplace_back();
            const size_t n = std::min(bytes.size() - at, partSize - parts.back().size());
            parts.back() += bytes.substr(at, n);
            at += n;
        }
    };
    std::string marker;
    Put32(marker, ExtLocalSig);
    parts.back() += marker;

    std::vector<std::pair<uint16_t, uint32_t>> where;
    for (const TestEntry& e : entries) {
        const std::string header = LocalHeader(e);
        room(header.size());
        where.emplace_back(uint16_t(parts.size() - 1), uint32_t(parts.back().size()));
        parts.back() += header;
        flow(e.Data);
        if (e.Descriptor) flow(Descriptor(e));
    }
    uint16_t centralDisk = 0;
    uint32_t centralOffset = 0, centralSize = 0;
    std::vector<uint16_t> headerDisk;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string header = CentralHeader(entries[i], where[i].first, where[i].second);
        room(header.size());
        if (i == 0) {
            centralDisk = uint16_t(parts.size() - 1);
            centralOffset = uint32_t(parts.back().size());
        }
        headerDisk.push_back(uint16_t(parts.size() - 1));
        parts.back() += header;
        centralSize += uint32_t(header.size());
    }
    room(22 + comment.size());
    const uint16_t lastDisk = uint16_t(parts.size() - 1);
    const uint16_t onLastDisk =
        uint16_t(std::count(headerDisk.begin(), headerDisk.end(), lastDisk));
    parts.back() += EndRecord(lastDisk, centralDisk, onLastDisk, uint16_t(entries.size()),
                              centralSize, centralOffset, comment);
    return parts;
}

// ---------------------------------------------------------------------------------------------

namespace {
class TRecordingUI final : public TZACoreUI {
public:
    explicit TRecordingUI(std::shared_ptr<TUiLog> log) : log_(std::move(log)) {}
    bool IsGuiThread() const override { return true; }
    void ProcessMessages() override {}
    std::string ApplicationTitle() const override { return "Reader test"; }
    void ShowBusyCursor() override { log_->BusyMax = std::max(log_->BusyMax, ++log_->BusyDepth); }
    void RestoreCursor() override { --log_->BusyDepth; }
    int ShowZipDialogBox(const std::string&, std::string& text, TMsgDlgButtons,
                         uint32_t context) override {
        log_->Boxes.push_back({context, text});
        return log_->Answer;
    }

private:
    std::shared_ptr<TUiLog> log_;
};
}  // namespace

std::unique_ptr<TZACoreUI> MakeRecordingUI(std::shared_ptr<TUiLog> log) {
    return std::make_unique<TRecordingUI>(std::move(log));
}

// ---------------------------------------------------------------------------------------------

namespace {
TZAPlatform& Sys() {
    return SystemPlatform();
}
}  // namespace

std::unique_ptr<TZAFile> TTestPlatform::OpenRead(const std::string& p) {
    return Sys().OpenRead(MapPath ? MapPath(p) : p);
}
std::unique_ptr<TZAFile> TTestPlatform::Create(const std::string& p) {
    return Sys().Create(p);
}
bool TTestPlatform::FileExists(const std::string& p) {
    return Sys().FileExists(MapPath ? MapPath(p) : p);
}
bool TTestPlatform::DeleteFile(const std::string& p, bool undo) {
    return Sys().DeleteFile(p, undo);
}
std::vector<std::string> TTestPlatform::FindFiles(const std::string& f, const std::string& pat) {
    return Sys().FindFiles(f, pat);
}
std::string TTestPlatform::TempFileName(const std::string& f, const std::string& prefix) {
    return Sys().TempFileName(f, prefix);
}
std::string TTestPlatform::TempFolder() {
    return Sys().TempFolder();
}
bool TTestPlatform::DirectoryExists(const std::string& p) {
    return Sys().DirectoryExists(p);
}
bool TTestPlatform::ForceDirectories(const std::string& p) {
    return Sys().ForceDirectories(p);
}
std::string TTestPlatform::ExpandFileName(const std::string& p) {
    return Sys().ExpandFileName(p);
}
std::string TTestPlatform::DriveRootOf(const std::string& p) {
    return Root.empty() ? Sys().DriveRootOf(p) : Root;
}
TZADriveKind TTestPlatform::DriveType(const std::string&) {
    return Kind;
}
uint32_t TTestPlatform::LogicalDrives() {
    return Drives;
}
bool TTestPlatform::VolumeInformation(const std::string&, TZAVolumeInfo& info) {
    info.Label = Label;
    info.TotalBytes = 1 << 20;
    info.FreeBytes = 0;
    return true;
}
std::string TTestPlatform::OemToAnsi(const std::string& text) {
    ++OemConversions;
    if (!FakeOem) return Sys().OemToAnsi(text);
    std::string out = text;
    std::replace(out.begin(), out.end(), char(0x82), char(0xE9));
    return out;
}
std::string TTestPlatform::AnsiToOem(const std::string& text) {
    if (!FakeOem) return Sys().AnsiToOem(text);
    std::string out = text;
    std::replace(out.begin(), out.end(), char(0xE9), char(0x82));
    return out;
}
bool TTestPlatform::IsLeadByte(uint8_t byte) {
    return Sys().IsLeadByte(byte);
}

// ---------------------------------------------------------------------------------------------

TScratch::TScratch(const std::string& name) {
    dir_ = std::filesystem::current_path() / ("scratch_" + name);
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
}
TScratch::~TScratch() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
}
std::string TScratch::Path(const std::string& name) const {
    return (dir_ / name).string();
}
std::string TScratch::Folder() const {
    return (dir_ / "").string();
}
void TScratch::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
}
std::string TScratch::Read(const std::string& name) const {
    return ReadFile(Path(name));
}
std::vector<std::string> TScratch::Files() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir_))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string DataFile(const std::string& name) {
    return (std::filesystem::current_path() / "data" / name).string();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace readertest
