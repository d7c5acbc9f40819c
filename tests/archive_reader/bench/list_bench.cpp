// Lists one archive a number of times and prints the median time of List in milliseconds.
//   bench_za_reader_list ARCHIVE [RUNS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "archive/ZAWrkr.h"

using namespace quill::archive;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s ARCHIVE [RUNS]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;
    // The build's own UI: without a GUI nothing pumps and no dialog shows.
    TZAWorker worker(nullptr);
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        worker.SetZipFileName(argv[1]);
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (worker.LastErrorCode() != 0 || worker.EntryCount() == 0) {
            std::fprintf(stderr, "List failed: %d %s\n", worker.LastErrorCode(),
                         worker.LastErrorText().c_str());
            return 1;
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("entries %d, List median %.2f ms over %d runs\n", worker.EntryCount(),
                ms[ms.size() / 2], runs);
    return 0;
}
