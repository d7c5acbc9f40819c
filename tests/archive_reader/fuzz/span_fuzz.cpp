// ReadSpan on arbitrary parts: the input is cut into up to four parts named as Info-ZIP names
// them (".z01"... and ".zip" for the last); a joined result must list again without a crash,
// and a failed join must leave nothing behind.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace fuzzreader;
    if (size < 1) return 0;
    ResetWorkFolder();
    const bool joining = data[0] & 0x80;
    const size_t partCount = 1 + (data[0] & 3);
    ++data;
    --size;
    // Cut points: the next bytes, two per cut, as 16-bit offsets into what remains.
    std::vector<size_t> cuts;
    for (size_t i = 1; i < partCount && size >= 2; ++i) {
        cuts.push_back(size_t(data[0] | (data[1] << 8)));
        data += 2;
        size -= 2;
    }
    std::vector<size_t> bounds{0};
    for (size_t cut : cuts) bounds.push_back(std::min(size, std::max(bounds.back(), cut)));
    bounds.push_back(size);
    for (size_t i = 0; i + 1 < bounds.size(); ++i) {
        const bool last = i + 2 == bounds.size();
        const std::string name = last ? "set.zip" : "set.z0" + std::to_string(i + 1);
        WriteInput(name, data + bounds[i], bounds[i + 1] - bounds[i]);
    }

    TZAWorker worker(nullptr, std::make_unique<TSilentUI>());
    std::string destination = (WorkFolder() / "out" / "").string();
    std::filesystem::create_directory(WorkFolder() / "out");
    const int result = worker.ReadSpan((WorkFolder() / "set.zip").string(), destination, joining);
    const bool wroteSomething = !std::filesystem::is_empty(WorkFolder() / "out");
    if (result != 0 && (wroteSomething || !destination.empty())) std::abort();
    if (result == 0) {
        if (!wroteSomething) std::abort();
        worker.SetZipFileName(destination);
    }
    return 0;
}
