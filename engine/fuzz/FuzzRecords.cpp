// libFuzzer entry point of the zip records: any bytes as an archive in memory, its directory
// read and every entry's data located. No files, so it runs thousands of inputs a second.
#include <cstddef>
#include <cstdint>
#include <span>

#include "engine/EngineError.h"
#include "engine/ZipDirectory.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zipengine::MemoryByteSource archive(std::span(data, size));
    try {
        zipengine::ZipDirectory directory = zipengine::readZipDirectory(archive);
        for (const zipengine::ZipEntry& entry : directory.entries) {
            try {
                std::uint64_t start = zipengine::locateEntryData(archive, directory, entry);
                if (start + entry.compressedSize > directory.centralDirectoryStart)
                    __builtin_trap();
            } catch (const zipengine::EngineError&) {
            }
        }
    } catch (const zipengine::EngineError&) {
    }
    return 0;
}
