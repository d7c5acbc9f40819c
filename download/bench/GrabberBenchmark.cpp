// Throughput of the grabber against a plain WinInet loop with 64 KiB reads, and the
// grabber's peak memory, for one URL (run_benchmark.sh serves a 64 MiB archive).
// The grabber's events are served by this thread, a GUI thread without a form.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "InternetHandle.h"
#include "UrlGrabbers.h"
#include "toolkit/Application.h"

using namespace quill::download;
using Clock = std::chrono::steady_clock;

namespace {

struct Run {
    std::int64_t bytes = 0;
    double seconds = 0;
    double MiBps() const { return seconds > 0 ? bytes / 1048576.0 / seconds : 0; }
};

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
    grabber.OnProgress.Assign([&progressEvents](tk::TObject*, std::int64_t, std::int64_t,
                                                const std::string&, bool&) { ++progressEvents; });
    grabber.OnDoneStream.Assign([&run](tk::TObject*, TMemoryStream* stream, std::int32_t size,
                                       const std::string&) { run.bytes = stream->Size(); });
    grabber.OnError.Assign([&error](tk::TObject*, const std::string& text) { error = text; });
    grabber.OnConnectionClosed.Assign([&closed](tk::TObject*) { closed = true; });

    const auto start = Clock::now();
    grabber.Start();
    while (!closed) tk::Application.HandleMessage();
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

Run ThroughPlainLoop(const std::string& url, std::string& error) {
    UrlParts parts = SplitUrl(url, THttpUrlGrabber::Marker);
    Run run;
    const auto start = Clock::now();
    InternetHandle session(
        InternetOpenA("UrlGrabber", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    InternetHandle connection(InternetConnectA(session.get(), parts.Host.c_str(),
                                               static_cast<INTERNET_PORT>(parts.Port), nullptr,
                                               nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    InternetHandle request(
        HttpOpenRequestA(connection.get(), "GET", parts.Path.c_str(), "HTTP/1.0", "", nullptr,
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE, 0));
    if (!request || !HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) {
        error = "plain request failed: " + SystemErrorText(GetLastError());
        return run;
    }
    std::vector<char> buffer(64 * 1024);
    DWORD count = 0;
    while (
        InternetReadFile(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &count) &&
        count > 0)
        run.bytes += count;
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: download_benchmark <http url>\n");
        return 2;
    }
    const std::string url = argv[1];
    tk::IsGuiThread();  // this thread serves the hand-overs

    const PROCESS_MEMORY_COUNTERS before = Memory();
    std::string error;
    std::int64_t progressEvents = 0;
    const Run grabber = ThroughGrabber(url, error, progressEvents);
    const PROCESS_MEMORY_COUNTERS after = Memory();
    if (!error.empty() || grabber.bytes == 0) {
        std::fprintf(stderr, "grabber failed: %s\n", error.c_str());
        return 1;
    }
    const Run plain = ThroughPlainLoop(url, error);
    if (!error.empty() || plain.bytes != grabber.bytes) {
        std::fprintf(stderr, "plain loop failed (%lld bytes): %s\n",
                     static_cast<long long>(plain.bytes), error.c_str());
        return 1;
    }

    const double MiB = 1048576.0;
    std::printf("body:                 %.1f MiB (%lld bytes)\n", grabber.bytes / MiB,
                static_cast<long long>(grabber.bytes));
    std::printf("grabber:              %.2f s, %.1f MiB/s, %lld progress events\n", grabber.seconds,
                grabber.MiBps(), static_cast<long long>(progressEvents));
    std::printf("time per event:       %.0f us (each read waits for the GUI thread)\n",
                grabber.seconds * 1e6 / static_cast<double>(progressEvents));
    std::printf("plain WinInet 64 KiB: %.2f s, %.1f MiB/s\n", plain.seconds, plain.MiBps());
    std::printf("ratio plain/grabber:  %.1f\n", plain.MiBps() / grabber.MiBps());
    // wine's private-bytes figure leaves out large heap blocks; the working set counts
    // the body's pages once they are written, so it is the figure to read here.
    std::printf(
        "grabber peak memory:  %.1f MiB working set (%.1f MiB above the start), "
        "%.1f MiB private as wine counts it\n",
        after.PeakWorkingSetSize / MiB,
        (static_cast<double>(after.PeakWorkingSetSize) - before.WorkingSetSize) / MiB,
        after.PeakPagefileUsage / MiB);
    return 0;
}
