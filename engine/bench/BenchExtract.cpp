// Extracts one archive repeatedly with our core and with `unzip -P`, each into a fresh folder,
// and prints the median wall time of each and their ratio.
//   zipengine_bench <archive> <password> <scratch folder> [runs]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "engine/Extractor.h"

namespace fs = std::filesystem;

namespace {

using Extraction = std::function<bool(const fs::path&)>;

// One timed extraction into an empty folder. Dirty pages of the previous run are written out
// first, so neither side pays for the other's writes.
double timedRun(const fs::path& folder, const Extraction& extract) {
    fs::remove_all(folder);
    fs::create_directories(folder);
    if (std::system("sync") != 0) std::fprintf(stderr, "sync failed\n");
    auto start = std::chrono::steady_clock::now();
    if (!extract(folder)) {
        std::fprintf(stderr, "extraction failed\n");
        std::exit(1);
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    fs::remove_all(folder);
    return seconds;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <archive> <password> <scratch folder> [runs]\n", argv[0]);
        return 2;
    }
    const std::string archive = argv[1];
    const std::string password = argv[2];
    const fs::path scratch = argv[3];
    const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 5;

    zipengine::ExtractHost quietHost;
    Extraction ours = [&](const fs::path& folder) {
        zipengine::ExtractRequest request;
        request.archivePath = archive;
        request.baseFolder = folder.string();
        request.password = password;
        request.directoryNames = true;
        request.overwrite = true;
        return zipengine::Extractor(request, quietHost).run() > 0;
    };
    Extraction unzip = [&](const fs::path& folder) {
        std::string command = "unzip -qq -o -P " + quoted(password) + " " + quoted(archive) +
                              " -d " + quoted(folder.string());
        return std::system(command.c_str()) == 0;
    };
    // Interleaved, so that a change in the machine's load hits both sides alike.
    std::vector<double> oursTimes, unzipTimes;
    for (int i = 0; i < runs; ++i) {
        oursTimes.push_back(timedRun(scratch / "ours", ours));
        unzipTimes.push_back(timedRun(scratch / "unzip", unzip));
    }
    std::printf("archive: %s (%.1f MB)\n", archive.c_str(), fs::file_size(archive) / 1e6);
    std::printf("runs: %d each\n", runs);
    double oursMedian = median(oursTimes), unzipMedian = median(unzipTimes);
    std::printf("zipengine core: median %.3f s\n", oursMedian);
    std::printf("unzip -P:       median %.3f s\n", unzipMedian);
    std::printf("ratio core/unzip: %.2f (below 1: the core is faster)\n", oursMedian / unzipMedian);
    return 0;
}
