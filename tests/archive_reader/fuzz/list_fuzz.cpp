// List and ProbeArchive on arbitrary bytes: no crash, no leak, no read outside a buffer, and
// the directory state stays consistent with what was reported.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzzreader;
    ResetWorkFolder();
    const std::string path = WriteInput("input.zip", data, size);

    TZAWorker worker(nullptr, std::make_unique<TSilentUI>());
    int named = 0;
    worker.OnNewName.Assign([&](TZASender, int32_t seqNo, const ZipDirEntry& entry) {
        ++named;
        if (seqNo < 1 || entry.FileName.size() != entry.NameLength) std::abort();
    });
    worker.ProbeArchive(path);
    worker.SetZipFileName(path);
    if (worker.EntryCount() != 0 && worker.EntryCount() != named) std::abort();
    for (const auto& entry : worker.Directory().EntryList)
        if (entry->ExtraField.size() != entry->ExtraLength) std::abort();
    return 0;
}
