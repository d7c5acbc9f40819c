// Throughput of the grabber against plain WinInet loops (with the grabber's 1025-byte reads,
// the floor its design allows, and with 64 KiB reads), and the grabber's peak memory, for one
// URL (run_benchmark.sh serves a 64 MiB archive). The grabber's events are served by this
// thread, a GUI thread without a form. Grabber and 1025-byte loop alternate for `rounds`
// rounds; medians are printed.
//
//   download_benchmark <http url> [rounds] [--plain-only] [--extract <archive> <password> <folder>]
//
// With --extract it also times one extraction of <archive> into <folder> by the zip engine
// library (ZipEng179.dll beside this program or in the current folder), the other half of
// the update's floor. With --plain-only it runs the 1025-byte loop once and nothing else of
// the download (for a server that paces the body, where a run lasts as long as the pace
// makes it). Processor times (user + kernel of this process) are printed beside the times.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "download/UrlGrabbers.h"
#include "engine/ZipEngineAbi.h"
#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

using namespace quill::download;
using Clock = std::chrono::steady_clock;

namespace {

constexpr DWORD kGrabberReadSize = 1025;

// User plus kernel time of this process so far, in seconds.
double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
    const auto seconds = [](const FILETIME& t) {
        return (static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

struct Run {
    std::int64_t bytes = 0;
    double seconds = 0;
    double cpu = 0;
    double MiBps() const { return seconds > 0 ? bytes / 1048576.0 / seconds : 0; }
};

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters;
}

Run ThroughGrabber(const std::string& url, std::string& error, std::int64_t& progressEvents) {
    THttpUrlGrabber grabber(nullptr);
    grabber.OutputMode = omStream;
    grabber.SetUrl(url);
    Run run;
    bool closed = false;
    progressEvents = 0;
    grabber.OnProgress.Assign([&progressEvents](tk::TObject*, std::int64_t, std::int64_t,
                                                const std::string&, bool&) { ++progressEvents; });
    grabber.OnDoneStream.Assign([&run](tk::TObject*, TMemoryStream* stream, std::int32_t size,
                                       const std::string&) { run.bytes = stream->Size(); });
    grabber.OnError.Assign([&error](tk::TObject*, const std::string& text) { error = text; });
    grabber.OnConnectionClosed.Assign([&closed](tk::TObject*) { closed = true; });

    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    grabber.Start();
    while (!closed) tk::Application.HandleMessage();
    run.seconds = Seconds(start);
    run.cpu = CpuSeconds() - cpuStart;
    return run;
}

// The same request as the grabber's, read in a plain loop; with `yieldAfterRead` each read
// is followed by the zero-length alertable sleep that the grabber takes after each read.
Run ThroughPlainLoop(const std::string& url, DWORD readSize, std::string& error,
                     bool yieldAfterRead = false) {
    UrlParts parts = SplitUrl(url, THttpUrlGrabber::Marker);
    Run run;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    tk::TInternetHandle session(
        InternetOpenA("UrlGrabber", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    tk::TInternetHandle connection(InternetConnectA(session.Get(), parts.Host.c_str(),
                                                    static_cast<INTERNET_PORT>(parts.Port), nullptr,
                                                    nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    tk::TInternetHandle request(
        HttpOpenRequestA(connection.Get(), "GET", parts.Path.c_str(), "HTTP/1.0", "", nullptr,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE, 0));
    if (!request || !HttpSendRequestA(request.Get(), nullptr, 0, nullptr, 0)) {
        error = "plain request failed: " + tk::SystemErrorText(GetLastError());
        return run;
    }
    std::vector<char> buffer(readSize);
    DWORD count = 0;
    while (InternetReadFile(request.Get(), buffer.data(), readSize, &count) && count > 0) {
        run.bytes += count;
        if (yieldAfterRead) SleepEx(0, TRUE);
    }
    run.seconds = Seconds(start);
    run.cpu = CpuSeconds() - cpuStart;
    return run;
}

std::int32_t ZE_CALL IgnoreEngineCalls(void*, zipengine_abi::ZE_CallbackRecord*) {
    return 0;
}

// One extraction by the engine library, all entries, overwriting; seconds and processor
// seconds, or -1 for both.
Run TimeExtraction(const std::string& archive, const std::string& password, std::string folder) {
    using namespace zipengine_abi;
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    const Run failed{0, -1, -1};
    tk::TModule engine(LoadLibraryA(kEngineFileName));
    if (!engine) return failed;
    auto exec = reinterpret_cast<ZE_UnzExecFunc>(
        reinterpret_cast<void*>(GetProcAddress(engine.Get(), "ZE_UnzExec")));
    if (!exec) return failed;
    ZE_CommandRecord record{};
    record.version = kEngineVersion;
    record.callback = &IgnoreEngineCalls;
    record.password = password.c_str();
    record.overwrite = kTrue;
    record.directoryNames = kTrue;
    record.archive = archive.c_str();
    record.passwordRequests = 1;
    record.baseFolder = folder.c_str();
    record.reserved44 = -1;
    record.checkValue = kCheckValue;
    const auto start = Clock::now();
    const double cpuStart = CpuSeconds();
    const std::int32_t result = exec(&record);
    const Run run{0, Seconds(start), CpuSeconds() - cpuStart};
    return result >= 0 ? run : failed;
}

}  // namespace

// One extraction, printed; false when the engine failed.
bool PrintExtraction(const std::string& archive, const std::string& password,
                     const std::string& folder) {
    const Run extraction = TimeExtraction(archive, password, folder);
    if (extraction.seconds < 0) {
        std::fprintf(stderr, "the engine could not extract %s\n", archive.c_str());
        return false;
    }
    std::printf("engine extraction:    %.2f s, %.2f CPU s\n", extraction.seconds, extraction.cpu);
    return true;
}

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string archive, password, folder;
    if (auto it = std::find(args.begin(), args.end(), "--extract"); it != args.end()) {
        if (args.end() - it < 4) {
            std::fprintf(stderr, "--extract needs <archive> <password> <folder>\n");
            return 2;
        }
        archive = it[1], password = it[2], folder = it[3];
        args.erase(it, it + 4);
    }
    bool plainOnly = false;
    if (auto it = std::find(args.begin(), args.end(), "--plain-only"); it != args.end()) {
        plainOnly = true;
        args.erase(it);
    }
    if (args.empty()) {
        std::fprintf(stderr,
                     "usage: download_benchmark <http url> [rounds] [--plain-only] "
                     "[--extract <archive> <password> <folder>]\n");
        return 2;
    }
    const std::string url = args[0];
    const int rounds = args.size() > 1 ? std::max(1, std::atoi(args[1].c_str())) : 1;
    tk::IsGuiThread();  // this thread serves the hand-overs

    std::string error;
    if (plainOnly) {
        const Run plain = ThroughPlainLoop(url, kGrabberReadSize, error);
        if (!error.empty() || plain.bytes == 0) {
            std::fprintf(stderr, "plain loop failed: %s\n", error.c_str());
            return 1;
        }
        std::printf("body:                 %.1f MiB (%lld bytes)\n", plain.bytes / 1048576.0,
                    static_cast<long long>(plain.bytes));
        std::printf("plain WinInet 1025 B: %.2f s, %.2f CPU s\n", plain.seconds, plain.cpu);
        return archive.empty() || PrintExtraction(archive, password, folder) ? 0 : 1;
    }

    const PROCESS_MEMORY_COUNTERS before = Memory();
    std::int64_t progressEvents = 0, bytes = 0;
    std::vector<double> grabberTimes, plainTimes, grabberCpu, plainCpu;
    SIZE_T peakWorkingSet = 0, peakPrivate = 0;
    for (int round = 0; round < rounds; ++round) {
        const Run grabber = ThroughGrabber(url, error, progressEvents);
        if (round == 0) {
            const PROCESS_MEMORY_COUNTERS after = Memory();
            peakWorkingSet = after.PeakWorkingSetSize;
            peakPrivate = after.PeakPagefileUsage;
        }
        if (!error.empty() || grabber.bytes == 0) {
            std::fprintf(stderr, "grabber failed: %s\n", error.c_str());
            return 1;
        }
        const Run plain = ThroughPlainLoop(url, kGrabberReadSize, error);
        if (!error.empty() || plain.bytes != grabber.bytes) {
            std::fprintf(stderr, "plain loop failed (%lld bytes): %s\n",
                         static_cast<long long>(plain.bytes), error.c_str());
            return 1;
        }
        bytes = grabber.bytes;
        grabberTimes.push_back(grabber.seconds);
        grabberCpu.push_back(grabber.cpu);
        plainTimes.push_back(plain.seconds);
        plainCpu.push_back(plain.cpu);
    }
    const Run wide = ThroughPlainLoop(url, 64 * 1024, error);
    if (!error.empty() || wide.bytes != bytes) {
        std::fprintf(stderr, "64 KiB loop failed: %s\n", error.c_str());
        return 1;
    }

    const Run yielding = ThroughPlainLoop(url, kGrabberReadSize, error, true);
    if (!error.empty() || yielding.bytes != bytes) {
        std::fprintf(stderr, "1025-byte loop with SleepEx failed: %s\n", error.c_str());
        return 1;
    }

    const double MiB = 1048576.0;
    const double grabberSeconds = Median(grabberTimes), plainSeconds = Median(plainTimes);
    const double events = static_cast<double>(progressEvents);
    std::printf("body:                 %.1f MiB (%lld bytes), %d round(s), medians\n", bytes / MiB,
                static_cast<long long>(bytes), rounds);
    std::printf(
        "grabber:              %.2f s, %.1f MiB/s, %lld progress events, %.0f us an event, "
        "%.2f CPU s\n",
        grabberSeconds, bytes / MiB / grabberSeconds, static_cast<long long>(progressEvents),
        grabberSeconds * 1e6 / events, Median(grabberCpu));
    std::printf(
        "plain WinInet 1025 B: %.2f s, %.1f MiB/s, %.0f us a read (the floor), %.2f CPU s\n",
        plainSeconds, bytes / MiB / plainSeconds, plainSeconds * 1e6 / events, Median(plainCpu));
    std::printf("  with SleepEx(0):    %.2f s, %.0f us a read (once), %.2f CPU s\n",
                yielding.seconds, yielding.seconds * 1e6 / events, yielding.cpu);
    std::printf("plain WinInet 64 KiB: %.2f s, %.1f MiB/s\n", wide.seconds, wide.MiBps());
    std::printf("grabber / 1025 B loop: %.2f (hand-over %.0f us an event above the read)\n",
                grabberSeconds / plainSeconds, (grabberSeconds - plainSeconds) * 1e6 / events);
    // wine's private-bytes figure leaves out large heap blocks; the working set counts
    // the body's pages once they are written, so it is the figure to read here.
    std::printf(
        "grabber peak memory:  %.1f MiB working set (%.1f MiB above the start), "
        "%.1f MiB private as wine counts it\n",
        peakWorkingSet / MiB, (static_cast<double>(peakWorkingSet) - before.WorkingSetSize) / MiB,
        peakPrivate / MiB);
    return archive.empty() || PrintExtraction(archive, password, folder) ? 0 : 1;
}
