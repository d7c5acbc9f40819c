// Probing a file before it is listed: its first bytes, its end record and the directory
// that record leads to. Calls nothing else of the worker.
#include <algorithm>

#include "archive/ZAWrkr.h"

namespace quill::archive {

namespace {

// The central and local checks of a probe: the stored directory offset leads to a central
// header (0x40) whose local header offset leads to a local header (0x20).
int ProbeDirectory(TZAFile& file, const ZipEndOfCentral& record) {
    int bits = 0;
    uint8_t bytes[CentralHeaderSize];
    if (!file.Seek(record.directoryOffset) || file.Read(bytes, sizeof bytes) != sizeof bytes)
        return bits;
    const auto header = zipengine::decodeCentralHeader(bytes);
    if (!header) return bits;
    bits |= TZAWorker::ProbeCentralFound;
    if (header->diskStart != record.thisDisk) return bits;
    uint8_t sig[4];
    if (file.Seek(header->localHeaderOffset) && file.Read(sig, 4) == 4 &&
        zipengine::signatureOf(sig) == LocalHeaderSig)
        bits |= TZAWorker::ProbeLocalFound;
    return bits;
}

}  // namespace

int TZAWorker::ProbeArchive(const std::string& path) {
    try {
        std::unique_ptr<TZAFile> file = FPlatform.OpenRead(path);
        if (!file) return ProbeCannotOpen;

        uint8_t head[4];
        if (file->Read(head, 4) < 4) return 0;
        int bits = 0;
        if (head[0] == 'M' && head[1] == 'Z') {
            bits = ProbeStartsMZ;
        } else {
            switch (zipengine::signatureOf(head)) {
                case LocalHeaderSig:
                    bits = ProbeStartsLocal;
                    break;
                case CentralHeaderSig:
                    bits = ProbeStartsCentral;
                    break;
                case ExtLocalSig:
                    bits = ProbeStartsMultiPart;
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
        const auto atEnd = file->Read(rec, EndOfCentralSize) == EndOfCentralSize
                               ? zipengine::decodeEndRecord(rec)
                               : std::nullopt;
        if (atEnd) {
            foundAtEnd = true;
            bits |= ProbeEndFound;
            const ZipEndOfCentral& record = *atEnd;
            if (record.commentLength == 0) bits |= ProbeNoComment;
            if (record.thisDisk == record.directoryDisk)
                return bits | ProbeDirectory(*file, record);
            bits &= 0x1F;
        }

        const uint32_t n = uint32_t(std::min<int64_t>(MaxTailSearch, length));
        std::vector<uint8_t> tail(n);
        if (n >= EndOfCentralSize + 1 && file->SeekFromEnd(n) >= 0 &&
            file->Read(tail.data(), n) == n) {
            std::optional<size_t> hit = n - EndOfCentralSize - 1;
            while ((hit = zipengine::findSignatureBackwards(tail, EndOfCentralSig, *hit))) {
                bits |= ProbeEndFound;
                const ZipEndOfCentral record =
                    *zipengine::decodeEndRecord(std::span(tail).subspan(*hit));
                if (*hit + EndOfCentralSize + record.commentLength == n) bits |= ProbeNoComment;
                if (record.thisDisk == record.directoryDisk) {
                    bits |= ProbeDirectory(*file, record);
                    break;
                }
                bits &= 0x1F;
                if (*hit == 0) break;
                --*hit;
            }
        }
        if (foundAtEnd && !(bits & ProbeEndFound)) bits |= ProbeEndFound;
        return bits;
    } catch (...) {
        return ProbeFailed;
    }
}

}  // namespace quill::archive
