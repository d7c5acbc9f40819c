// Probing a file before it is listed: its first bytes, its end record and the directory
// that record leads to. Calls nothing else of the worker.
#include <algorithm>

#include "archive/ZAWrkr.h"

namespace {

// The central and local checks of a probe: the stored directory offset leads to a central
// header (0x40) whose local header offset leads to a local header (0x20).
int ProbeDirectory(TZAFile& file, const ZipEndOfCentral& record) {
    int bits = 0;
    uint8_t header[CentralHeaderSize];
    if (!file.Seek(record.CentralOffset) || file.Read(header, sizeof header) != sizeof header ||
        GetLE32(header) != CentralHeaderSig)
        return bits;
    bits |= ZAProbe::CentralFound;
    if (GetLE16(header + ZipCentral::DiskStart) != record.ThisDisk) return bits;
    uint8_t sig[4];
    if (file.Seek(GetLE32(header + ZipCentral::LocalHeaderOffset)) && file.Read(sig, 4) == 4 &&
        GetLE32(sig) == LocalHeaderSig)
        bits |= ZAProbe::LocalFound;
    return bits;
}

}  // namespace

int TZAWorker::ProbeArchive(const std::string& path) {
    try {
        std::unique_ptr<TZAFile> file = FPlatform.OpenRead(path);
        if (!file) return ZAProbe::CannotOpen;

        uint8_t head[4];
        if (file->Read(head, 4) < 4) return 0;
        int bits = 0;
        if (head[0] == 'M' && head[1] == 'Z') {
            bits = ZAProbe::StartsMZ;
        } else {
            switch (GetLE32(head)) {
                case LocalHeaderSig:
                    bits = ZAProbe::StartsLocal;
                    break;
                case CentralHeaderSig:
                    bits = ZAProbe::StartsCentral;
                    break;
                case ExtLocalSig:
                    bits = ZAProbe::StartsMultiPart;
                    break;
                default:
                    break;
            }
        }

        const int64_t endPos = file->SeekFromEnd(EndOfCentralSize);
        if (endPos < 0) return bits;
        const int64_t length = endPos + EndOfCentralSize;
        bool foundAtEnd = false;
        uint8_t rec[EndOfCentralSize];
        if (file->Read(rec, EndOfCentralSize) == EndOfCentralSize &&
            GetLE32(rec) == EndOfCentralSig) {
            foundAtEnd = true;
            bits |= ZAProbe::EndFound;
            const ZipEndOfCentral record = ZipEndOfCentral::Decode(rec);
            if (record.CommentLength == 0) bits |= ZAProbe::NoComment;
            if (record.ThisDisk == record.CentralDisk) return bits | ProbeDirectory(*file, record);
            bits &= 0x1F;
        }

        const uint32_t n = uint32_t(std::min<int64_t>(MaxTailSearch, length));
        std::vector<uint8_t> tail(n);
        if (n >= EndOfCentralSize + 1 && file->SeekFromEnd(n) >= 0 &&
            file->Read(tail.data(), n) == n) {
            for (int64_t i = int64_t(n) - 23; i >= 0; --i) {
                const uint8_t* at = tail.data() + i;
                if (GetLE32(at) != EndOfCentralSig) continue;
                bits |= ZAProbe::EndFound;
                const ZipEndOfCentral record = ZipEndOfCentral::Decode(at);
                if (i + EndOfCentralSize + record.CommentLength == n) bits |= ZAProbe::NoComment;
                if (record.ThisDisk == record.CentralDisk) {
                    bits |= ProbeDirectory(*file, record);
                    break;
                }
                bits &= 0x1F;
            }
        }
        if (foundAtEnd && !(bits & ZAProbe::EndFound)) bits |= ZAProbe::EndFound;
        return bits;
    } catch (...) {
        return ZAProbe::Failed;
    }
}
