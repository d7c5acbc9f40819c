// The HTTP grabber under wine against loopback update servers (see
// run_grabber_tests.sh, which starts one server per fault mode).
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "download/HttpCore.h"
#include "download/UrlGrabbers.h"
#include "toolkit/Application.h"
#include "toolkit/SyncQueue.h"
#include "toolkit/Thread.h"

using namespace quill::download;

namespace {

std::string Env(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// Unix paths from the driving script, as wine's drive Z: shows them.
std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string UrlOf(const char* server, const std::string& path = "UpdateQl.zip") {
    return "http://127.0.0.1:" + Env(server) + "/" + path;
}

// Serves this (the GUI) thread's messages and handed-over calls until done(); the
// transfers under test always end, and ctest's timeout catches one that hangs.
bool PumpUntil(const std::function<bool()>& done) {
    while (!done()) tk::Application.HandleMessage();
    return true;
}

// Records every event of a grabber, in order, with what each one carried.
struct EventLog {
    std::vector<std::string> names;
    std::vector<std::int64_t> positions;
    std::vector<std::int64_t> totals;
    std::vector<TUrlGrabberStatus> progressStatus;
    std::vector<TUrlGrabberStatus> statusAtEvent;
    std::string doneFile;
    std::int32_t doneSize = -1;
    std::string doneUrl;
    std::string streamCopy;
    std::string error;
    int closed = 0;
    int dones = 0;
    int errors = 0;
    // Set by a test to act inside OnProgress (return false to clear Continue).
    std::function<bool(std::int64_t position)> onProgress;

    void Attach(THttpUrlGrabber& g) {
        auto note = [this, &g](const char* name) {
            names.push_back(name);
            statusAtEvent.push_back(g.Status());
        };
        g.OnProgress.Assign([this, note, &g](tk::TObject*, std::int64_t position,
                                             std::int64_t total, const std::string&,
                                             bool& carryOn) {
            note("Progress");
            positions.push_back(position);
            totals.push_back(total);
            progressStatus.push_back(g.Status());
            if (onProgress && !onProgress(position)) carryOn = false;
        });
        g.OnDoneFile.Assign([this, note](tk::TObject*, const std::string& file, std::int32_t size,
                                         const std::string& url) {
            note("DoneFile");
            ++dones;
            doneFile = file;
            doneSize = size;
            doneUrl = url;
        });
        g.OnDoneStream.Assign([this, note](tk::TObject*, TMemoryStream* stream, std::int32_t size,
                                           const std::string& url) {
            note("DoneStream");
            ++dones;
            doneSize = size;
            doneUrl = url;
            streamCopy.resize(static_cast<std::size_t>(stream->Size()));
            stream->Read(streamCopy.data(), streamCopy.size());
        });
        g.OnError.Assign([this, note](tk::TObject*, const std::string& message) {
            note("Error");
            ++errors;
            error = message;
        });
        g.OnConnectionClosed.Assign([this, note](tk::TObject*) {
            note("ConnectionClosed");
            ++closed;
        });
        g.OnStatusChange.Assign([note](tk::TObject*) { note("StatusChange"); });
    }

    int Count(const std::string& name) const {
        return static_cast<int>(std::count(names.begin(), names.end(), name));
    }
};

class GrabberTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The first thread to touch the hand-over queue is its GUI thread.
        ASSERT_TRUE(tk::IsGuiThread());
        target = WinePath(Env("DL_WORK")) + "\\" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".bin";
        DeleteFileA(target.c_str());
        grabber = std::make_unique<THttpUrlGrabber>(nullptr);
        grabber->FileName = target;
        log.Attach(*grabber);
    }

    // Starts a transfer and serves its events until OnConnectionClosed.
    void RunToEnd() { RunToEnd(log); }

    // The same with the events in `runLog`, for a test that runs one transfer per server.
    void RunToEnd(EventLog& runLog) {
        runLog.Attach(*grabber);
        grabber->Start();
        ASSERT_TRUE(PumpUntil([&runLog] { return runLog.closed > 0; })) << "transfer did not end";
    }

    std::string target;
    EventLog log;
    std::unique_ptr<THttpUrlGrabber> grabber;
};

// ------------------------------------------------------------------ construction

TEST(GrabberSettings, ConstructionValuesAndStoredSettings) {
    THttpUrlGrabber g(nullptr);
    EXPECT_EQ(g.Url(), "");
    EXPECT_EQ(g.FileName, "output.txt");
    EXPECT_EQ(g.OutputMode, omFile);
    EXPECT_EQ(g.Agent, "UrlGrabber");
    EXPECT_EQ(g.Port, 0u);
    EXPECT_EQ(g.ProxyMode, pmSysConfig);
    EXPECT_EQ(g.ProxyAddresses, "proxyserver");
    EXPECT_EQ(g.ProxyIgnoreList, "<local>");
    EXPECT_EQ(g.Referer, "");
    EXPECT_EQ(g.Status(), gsStopped);
    EXPECT_EQ(g.Size(), 0);
    EXPECT_EQ(g.BytesRead(), 0);

    // Port 0 differs from HTTP's declared 80, so a saved form carries it; modes at their
    // declared defaults are left out until they change.
    auto has = [&g](const char* name) {
        auto names = g.StoredSettingNames();
        return std::find(names.begin(), names.end(), name) != names.end();
    };
    EXPECT_TRUE(has("Port"));
    EXPECT_FALSE(has("OutputMode"));
    EXPECT_FALSE(has("ProxyMode"));
    EXPECT_TRUE(has("Referer"));
    g.Port = 80;
    g.OutputMode = omStream;
    g.ProxyMode = pmManual;
    EXPECT_FALSE(has("Port"));
    EXPECT_TRUE(has("OutputMode"));
    EXPECT_TRUE(has("ProxyMode"));
}

TEST(GrabberSettings, ClassFunctionsAndClassList) {
    THttpUrlGrabber g(nullptr);
    EXPECT_EQ(g.ProtocolMarker(), "http://");
    EXPECT_EQ(g.ProtocolName(), "HTTP");
    EXPECT_TRUE(g.AcceptsUrl("HTTP://x/"));
    EXPECT_TRUE(g.AcceptsUrl("http://"));
    EXPECT_FALSE(g.AcceptsUrl("https://x/"));
    EXPECT_FALSE(g.AcceptsUrl("http:/"));
    auto holder = g.DefaultPropertiesClass()();
    ASSERT_NE(dynamic_cast<THttpUrlGrabberDefaultProperties*>(holder.get()), nullptr);
    EXPECT_EQ(holder->Port, 80u);

    const auto& entries = TUrlGrabberClassList::Instance().Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].ProtocolName, "HTTP");
    std::unique_ptr<TCustomUrlGrabber> made(entries[0].Create(nullptr));
    EXPECT_NE(dynamic_cast<THttpUrlGrabber*>(made.get()), nullptr);
}

TEST(GrabberSettings, OwnerFreesTheGrabber) {
    auto owner = std::make_unique<tk::TComponent>(nullptr);
    auto* g = new THttpUrlGrabber(owner.get());
    EXPECT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Components(0), g);
    owner.reset();  // frees g; leak checkers and a crash would tell otherwise
}

TEST(GrabberSettings, UrlSetterMovesCredentialsAndPort) {
    THttpUrlGrabber g(nullptr);
    g.SetUrl("HTTP://ana:pw@Host.example:8080/a/B.zip");
    EXPECT_EQ(g.Url(), "http://Host.example/a/B.zip");
    EXPECT_EQ(g.UserName, "ana");
    EXPECT_EQ(g.Password, "pw");
    EXPECT_EQ(g.Port, 8080u);
    g.SetUrl("other");
    EXPECT_EQ(g.Url(), "http://other/");
    EXPECT_EQ(g.UserName, "ana");
    EXPECT_EQ(g.Port, 8080u);
}

// Status notifications: wine sends only "handle created" and "closing", so each code is
// fed to the callback directly, with the grabber's (unstarted) worker as context.
class StatusProbe : public THttpUrlGrabber {
public:
    using THttpUrlGrabber::THttpUrlGrabber;
    TCustomUrlGrabberThread& AdoptUnstartedWorker() {
        FWorker = WorkerClass()(*this);
        return *FWorker;
    }
};

TEST(GrabberStatus, EachCodeRaisesProgressStatusChangeAndItsEvent) {
    StatusProbe g(nullptr);
    std::vector<std::string> seen;
    auto record = [&seen](const char* name) {
        return [&seen, name](tk::TObject*) { seen.push_back(name); };
    };
    g.OnProgress.Assign([&seen](tk::TObject*, std::int64_t, std::int64_t, const std::string&,
                                bool&) { seen.push_back("Progress"); });
    g.OnStatusChange.Assign(record("StatusChange"));
    struct Mapping {
        DWORD code;
        tk::TNotifyEvent THttpUrlGrabber::*event;
        const char* name;
    };
    const Mapping mappings[] = {
        {10, &THttpUrlGrabber::OnResolvingName, "ResolvingName"},
        {11, &THttpUrlGrabber::OnNameResolved, "NameResolved"},
        {20, &THttpUrlGrabber::OnConnectingToServer, "ConnectingToServer"},
        {21, &THttpUrlGrabber::OnConnectedToServer, "ConnectedToServer"},
        {30, &THttpUrlGrabber::OnSendingRequest, "SendingRequest"},
        {31, &THttpUrlGrabber::OnRequestSent, "RequestSent"},
        {40, &THttpUrlGrabber::OnReceivingResponse, "ReceivingResponse"},
        {41, &THttpUrlGrabber::OnResponseReceived, "ResponseReceived"},
        {50, &THttpUrlGrabber::OnClosingConnection, "ClosingConnection"},
        {51, &THttpUrlGrabber::OnConnectionClosed, "ConnectionClosed"},
        {100, &THttpUrlGrabber::OnRequestComplete, "RequestComplete"},
        {110, &THttpUrlGrabber::OnRedirect, "Redirect"},
    };
    for (const Mapping& m : mappings) (g.*m.event).Assign(record(m.name));

    auto& worker = g.AdoptUnstartedWorker();
    const auto context = reinterpret_cast<DWORD_PTR>(&worker);
    for (const Mapping& m : mappings) {
        seen.clear();
        THttpUrlGrabberThread::StatusCallback(nullptr, context, m.code, nullptr, 0);
        EXPECT_EQ(seen, (std::vector<std::string>{"Progress", "StatusChange", m.name})) << m.code;
        EXPECT_EQ(worker.LastStatus, m.code);
    }
    seen.clear();
    THttpUrlGrabberThread::StatusCallback(nullptr, context, 200, nullptr, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"Progress", "StatusChange", "StatusChange"}));
    seen.clear();
    THttpUrlGrabberThread::StatusCallback(nullptr, context, 60, nullptr, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"Progress", "StatusChange"}));
    seen.clear();
    THttpUrlGrabberThread::StatusCallback(nullptr, 0, 10, nullptr, 0);
    EXPECT_TRUE(seen.empty()) << "context 0 is ignored";
    g.Stop();  // the never-started worker goes quietly
    EXPECT_TRUE(seen.empty());
}

// ------------------------------------------------------------------ transfers

TEST_F(GrabberTest, KnownLengthDeliversFileAndRepeatsFinalCount) {
    const std::string body = ReadFile(Env("DL_BODY"));
    ASSERT_EQ(body.size(), 300000u);
    grabber->SetUrl(UrlOf("DL_PORT_OK"));
    RunToEnd();

    EXPECT_EQ(log.errors, 0) << log.error;
    ASSERT_EQ(log.dones, 1);
    EXPECT_EQ(log.doneFile, target);
    EXPECT_EQ(log.doneSize, 300000);
    EXPECT_EQ(log.doneUrl, grabber->Url());
    EXPECT_EQ(ReadFile(target), body);
    EXPECT_EQ(grabber->Size(), 300000);
    EXPECT_EQ(grabber->BytesRead(), 300000);
    EXPECT_EQ(grabber->Status(), gsStopped);

    // The body's progress: increasing, pieces of at most 1025 bytes, and the read that
    // met the end reports the final count once more.
    std::vector<std::int64_t> body_positions;
    for (std::size_t i = 0; i < log.positions.size(); ++i)
        if (log.progressStatus[i] == gsReceiving) body_positions.push_back(log.positions[i]);
    ASSERT_GE(body_positions.size(), 300000u / 1025 + 2);
    for (std::size_t i = 1; i + 1 < body_positions.size(); ++i) {
        EXPECT_GT(body_positions[i], body_positions[i - 1]);
        EXPECT_LE(body_positions[i] - body_positions[i - 1], 1025);
    }
    EXPECT_EQ(body_positions.back(), 300000);
    EXPECT_EQ(body_positions[body_positions.size() - 2], 300000);
}

TEST_F(GrabberTest, EventOrderAndStatusAlongOneRun) {
    grabber->SetUrl(UrlOf("DL_PORT_OK"));
    RunToEnd();
    ASSERT_FALSE(log.names.empty());
    EXPECT_EQ(log.names.back(), "ConnectionClosed");
    EXPECT_EQ(log.closed, 1);
    EXPECT_EQ(log.statusAtEvent.back(), gsStopped);

    const auto done = std::find(log.names.begin(), log.names.end(), "DoneFile");
    ASSERT_NE(done, log.names.end());
    EXPECT_EQ(log.statusAtEvent[done - log.names.begin()], gsFinishing);
    // Before the done event only progress and status notifications; after it only the
    // notifications of closing handles (each a progress and a status change).
    for (auto it = log.names.begin(); it != done; ++it)
        EXPECT_TRUE(*it == "Progress" || *it == "StatusChange") << *it;
    for (auto it = done + 1; it + 1 != log.names.end(); ++it)
        EXPECT_TRUE(*it == "Progress" || *it == "StatusChange") << *it;
    // Every status change follows the progress event the same notification raised.
    for (std::size_t i = 0; i < log.names.size(); ++i) {
        if (log.names[i] == "StatusChange") {
            EXPECT_EQ(log.names.at(i - 1), "Progress");
        }
    }
    EXPECT_GE(log.Count("StatusChange"), 1) << "wine sends handle created and closing";
}

TEST_F(GrabberTest, RequestAsTheServerSawIt) {
    grabber->SetUrl(UrlOf("DL_PORT_OK", "UpdateQl.zip?probe=headers"));
    RunToEnd();
    ASSERT_EQ(log.dones, 1);
    std::istringstream lines(ReadFile(Env("DL_LOG_OK")));
    std::string line, request;
    while (std::getline(lines, line))
        if (line.find("probe=headers") != std::string::npos) request = line;
    ASSERT_FALSE(request.empty());
    EXPECT_NE(request.find(R"("method": "GET")"), std::string::npos) << request;
    EXPECT_NE(request.find(R"("version": "HTTP/1.0")"), std::string::npos) << request;
    EXPECT_NE(request.find(R"(["User-Agent", "UrlGrabber"])"), std::string::npos) << request;
    EXPECT_NE(request.find(R"(["Pragma", "no-cache"])"), std::string::npos) << request;
    // An empty referrer text: no Referer header with a value.
    EXPECT_EQ(request.find(R"(["Referer", ")") == std::string::npos ||
                  request.find(R"(["Referer", ""])") != std::string::npos,
              true)
        << request;
}

TEST_F(GrabberTest, RefererAndPortFromSettings) {
    grabber->Port = static_cast<std::uint32_t>(std::stoul(Env("DL_PORT_OK")));
    grabber->SetUrl("127.0.0.1/UpdateQl.zip?probe=referer");
    grabber->Referer = "http://quillora.example/notes";
    grabber->ProxyMode = pmNoProxy;
    RunToEnd();
    ASSERT_EQ(log.dones, 1) << log.error;
    std::string logText = ReadFile(Env("DL_LOG_OK"));
    EXPECT_NE(logText.find(R"(["Referer", "http://quillora.example/notes"])"), std::string::npos);
}

TEST_F(GrabberTest, StreamModeHandsOverTheBody) {
    grabber->OutputMode = omStream;
    grabber->SetUrl(UrlOf("DL_PORT_OK"));
    RunToEnd();
    ASSERT_EQ(log.dones, 1);
    EXPECT_EQ(
        log.names[std::find(log.names.begin(), log.names.end(), "DoneStream") - log.names.begin()],
        "DoneStream");
    EXPECT_EQ(log.doneSize, 300000);
    EXPECT_EQ(log.streamCopy, ReadFile(Env("DL_BODY")));
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES) << "no file written";
}

TEST_F(GrabberTest, NoLengthStillDelivers) {
    grabber->SetUrl(UrlOf("DL_PORT_NOLENGTH"));
    RunToEnd();
    ASSERT_EQ(log.dones, 1) << log.error;
    EXPECT_EQ(grabber->Size(), 0);
    ASSERT_FALSE(log.totals.empty());
    for (std::int64_t total : log.totals) EXPECT_EQ(total, 0);
    EXPECT_EQ(ReadFile(target), ReadFile(Env("DL_BODY")));
    EXPECT_EQ(log.doneSize, 300000);
}

TEST_F(GrabberTest, ErrorStatusIsAnErrorNeverTheDownload) {
    grabber->SetUrl(UrlOf("DL_PORT_NOTFOUND"));
    RunToEnd();
    EXPECT_EQ(log.dones, 0);
    ASSERT_EQ(log.errors, 1);
    EXPECT_NE(log.error.find("404 Not Found"), std::string::npos) << log.error;
    EXPECT_EQ(log.names.back(), "ConnectionClosed");
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GrabberTest, ResetStreamIsContinuedInMemory) {
    int reconnects = 0;
    grabber->OnReconnect.Assign([&reconnects](tk::TObject*, int attempt, int tries) {
        EXPECT_EQ(attempt, ++reconnects);
        EXPECT_EQ(tries, 3);
    });
    grabber->OutputMode = omStream;
    grabber->SetUrl(UrlOf("DL_PORT_RESET", "UpdateQl.zip?case=stream"));
    RunToEnd();
    ASSERT_EQ(log.dones, 1) << log.error;
    EXPECT_EQ(reconnects, 1);
    EXPECT_EQ(log.streamCopy, ReadFile(Env("DL_BODY")));
    EXPECT_EQ(log.doneSize, 300000);
}

TEST(SmallBody, WholeSuccessOrAnErrorText) {
    using namespace std::chrono_literals;
    const HttpBody ok = FetchSmallBody(UrlOf("DL_PORT_OK"), 300000, 10s);
    EXPECT_TRUE(ok.ok) << ok.error;
    EXPECT_EQ(ok.status, 200);
    EXPECT_EQ(ok.body, ReadFile(Env("DL_BODY")));

    const HttpBody notFound = FetchSmallBody(UrlOf("DL_PORT_NOTFOUND"), 300000, 10s);
    EXPECT_FALSE(notFound.ok);
    EXPECT_EQ(notFound.status, 404);
    EXPECT_TRUE(notFound.body.empty());
    EXPECT_NE(notFound.error.find("404"), std::string::npos) << notFound.error;

    const HttpBody tooLong = FetchSmallBody(UrlOf("DL_PORT_OK"), 299999, 10s);
    EXPECT_FALSE(tooLong.ok);
    EXPECT_FALSE(tooLong.error.empty());

    // Cut at 90 %: short of its Content-Length, so no body at all.
    const HttpBody cut =
        FetchSmallBody(UrlOf("DL_PORT_RESET", "UpdateQl.zip?case=small"), 300000, 10s);
    EXPECT_FALSE(cut.ok);
    EXPECT_FALSE(cut.error.empty());

    const HttpBody dead = FetchSmallBody(UrlOf("DL_PORT_DEAD"), 100, 10s);
    EXPECT_FALSE(dead.ok);
    EXPECT_EQ(dead.status, 0);
    EXPECT_FALSE(dead.error.empty());
}

TEST_F(GrabberTest, InvalidLengthHeadersAreErrors) {
    for (const char* server : {"DL_PORT_BADLENGTH", "DL_PORT_HUGELENGTH"}) {
        SCOPED_TRACE(server);
        EventLog runLog;
        grabber->SetUrl(UrlOf(server));
        RunToEnd(runLog);
        EXPECT_EQ(runLog.dones, 0) << server;
        ASSERT_EQ(runLog.errors, 1) << server;
        EXPECT_NE(runLog.error.find("invalid content length"), std::string::npos) << runLog.error;
        EXPECT_EQ(runLog.names.back(), "ConnectionClosed");
        grabber->Stop();
    }
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GrabberTest, BodyOverTheMaximumIsAnError) {
    // Announced or not, a body past the maximum ends with an error and no archive.
    grabber->MaxBodySize = 100000;
    for (const char* server : {"DL_PORT_OK", "DL_PORT_NOLENGTH"}) {
        SCOPED_TRACE(server);
        EventLog runLog;
        grabber->SetUrl(UrlOf(server));
        RunToEnd(runLog);
        EXPECT_EQ(runLog.dones, 0) << server;
        ASSERT_EQ(runLog.errors, 1) << server;
        EXPECT_NE(runLog.error.find("100000 octeti"), std::string::npos) << runLog.error;
        EXPECT_LE(grabber->BytesRead(), 100000) << server;
        grabber->Stop();
    }
    EXPECT_EQ(GetFileAttributesA(target.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GrabberTest, UnwritableTargetIsAnError) {
    grabber->FileName = WinePath(Env("DL_WORK")) + "\\no-such-folder\\UpdateQl.zip";
    grabber->SetUrl(UrlOf("DL_PORT_OK"));
    RunToEnd();
    EXPECT_EQ(log.dones, 0);
    ASSERT_EQ(log.errors, 1);
    EXPECT_NE(log.error.find("no-such-folder"), std::string::npos) << log.error;
    EXPECT_EQ(log.names.back(), "ConnectionClosed");
}

TEST_F(GrabberTest, HandlerExceptionInDoneIsDiscarded) {
    grabber->OnDoneFile.Assign(
        [this](tk::TObject*, const std::string&, std::int32_t, const std::string&) {
            ++log.dones;
            throw std::runtime_error("handler failed");
        });
    grabber->SetUrl(UrlOf("DL_PORT_OK"));
    RunToEnd();
    EXPECT_EQ(log.dones, 1);
    EXPECT_EQ(log.errors, 0);
    EXPECT_EQ(log.closed, 1);
}

TEST_F(GrabberTest, NobodyListeningIsAnError) {
    grabber->SetUrl(UrlOf("DL_PORT_DEAD"));
    RunToEnd();
    EXPECT_EQ(log.errors, 1);
    EXPECT_EQ(log.dones, 0);
    EXPECT_EQ(log.names.back(), "ConnectionClosed");
    EXPECT_EQ(grabber->Status(), gsStopped);
}

TEST_F(GrabberTest, ContinueFalseStopsReadingWithOrWithoutLength) {
    for (const char* port : {"DL_PORT_OK", "DL_PORT_NOLENGTH"}) {
        SCOPED_TRACE(port);
        EventLog runLog;
        runLog.onProgress = [this](std::int64_t) { return grabber->Status() != gsReceiving; };
        grabber->SetUrl(UrlOf(port));
        RunToEnd(runLog);
        EXPECT_EQ(runLog.dones, 0);
        EXPECT_EQ(runLog.errors, 0);
        EXPECT_GT(grabber->BytesRead(), 0);
        EXPECT_LE(grabber->BytesRead(), 1025);
        // A refused body is not kept for a later run to continue.
        EXPECT_EQ(GetFileAttributesA((target + ".part").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(GrabberTest, StopDuringBodyEndsQuietly) {
    grabber->Stop();  // no worker: nothing happens
    EXPECT_TRUE(log.names.empty());
    grabber->SetUrl(UrlOf("DL_PORT_SLOW"));
    const std::string url = grabber->Url();
    const std::uint32_t port = grabber->Port;
    grabber->Start();
    ASSERT_TRUE(PumpUntil([this] { return grabber->BytesRead() > 0 && log.closed == 0; }));
    // Url is guarded while the transfer runs.
    EXPECT_THROW(grabber->SetUrl("http://elsewhere:81/"), EGrabberNotStopped);
    EXPECT_EQ(grabber->Url(), url);
    EXPECT_EQ(grabber->Port, port);
    grabber->Stop();
    EXPECT_EQ(log.dones, 0);
    EXPECT_EQ(log.errors, 0);
    EXPECT_EQ(log.closed, 1);
    EXPECT_EQ(log.names.back(), "ConnectionClosed");
    EXPECT_LT(grabber->BytesRead(), 65536);
    EXPECT_EQ(grabber->Status(), gsStopped);
    grabber->SetUrl(UrlOf("DL_PORT_OK"));  // allowed again
}

TEST_F(GrabberTest, StartDuringTransferEndsTheFirst) {
    grabber->SetUrl(UrlOf("DL_PORT_SLOW"));
    grabber->Start();
    ASSERT_TRUE(PumpUntil([this] { return grabber->BytesRead() > 0; }));
    grabber->Start();
    EXPECT_EQ(log.closed, 1) << "the first transfer ended inside Start";
    EXPECT_EQ(log.dones, 0);
    ASSERT_TRUE(PumpUntil([this] { return log.closed == 2; }));
    EXPECT_EQ(log.dones, 1);
    EXPECT_EQ(ReadFile(target).size(), 65536u);

    // Stop after a finished transfer frees the worker and raises nothing.
    const std::size_t events = log.names.size();
    grabber->Stop();
    EXPECT_EQ(log.names.size(), events);
}

TEST_F(GrabberTest, StopFromOwnHandlerAsksWithoutWaiting) {
    bool startRefused = false;
    log.onProgress = [this, &startRefused](std::int64_t) {
        if (grabber->Status() != gsReceiving) return true;
        try {
            grabber->Start();
        } catch (const tk::Exception&) {
            startRefused = true;
        }
        grabber->Stop();  // would never return if it waited for the worker waiting for us
        return true;
    };
    grabber->SetUrl(UrlOf("DL_PORT_SLOW"));
    RunToEnd();
    EXPECT_TRUE(startRefused);
    EXPECT_EQ(log.dones, 0);
    EXPECT_EQ(log.errors, 0);
    EXPECT_LE(grabber->BytesRead(), 1025);
    EXPECT_EQ(log.names.back(), "ConnectionClosed");
    grabber->Stop();  // frees the finished worker
}

TEST_F(GrabberTest, DestroyingDuringTransferStopsIt) {
    grabber->SetUrl(UrlOf("DL_PORT_SLOW"));
    grabber->Start();
    ASSERT_TRUE(PumpUntil([this] { return grabber->BytesRead() > 0; }));
    grabber.reset();
    EXPECT_EQ(log.closed, 1);
    EXPECT_EQ(log.dones, 0);
    EXPECT_EQ(log.errors, 0);
    EXPECT_FALSE(tk::CheckSynchronize()) << "nothing left over for the GUI thread";
}

}  // namespace
