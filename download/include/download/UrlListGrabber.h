// The grabber component family: settings, events, status and the life cycle of the
// worker thread that runs one transfer, plus the worker's common frame.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "download/GrabberSettings.h"
#include "download/MemoryStream.h"
#include "download/UrlSplit.h"
#include "toolkit/Component.h"
#include "toolkit/Event.h"
#include "toolkit/Exception.h"
#include "toolkit/Thread.h"

namespace quill::download {

class TCustomUrlGrabber;
class TCustomUrlGrabberThread;

using TDoneFileEvent = tk::TEvent<void(tk::TObject* Sender, const std::string& FileName,
                                       std::int32_t FileSize, const std::string& Url)>;
// Stream is valid only while the handler runs.
using TDoneStreamEvent = tk::TEvent<void(tk::TObject* Sender, TMemoryStream* Stream,
                                         std::int32_t StreamSize, const std::string& Url)>;
using TErrorEvent = tk::TEvent<void(tk::TObject* Sender, const std::string& ErrorMsg)>;
// A cut transfer is tried again: Attempt of Tries (1-based).
using TReconnectEvent = tk::TEvent<void(tk::TObject* Sender, int Attempt, int Tries)>;
using TUrlGrabberProgressEvent =
    tk::TEvent<void(tk::TObject* Sender, std::int64_t Position, std::int64_t TotalSize,
                    const std::string& Url, bool& Continue)>;

class EGrabberNotStopped : public tk::Exception {
public:
    using tk::Exception::Exception;
};

inline constexpr const char* kGrabberNotStoppedText =
    "The grabber is not stopped, you cannot change its URL.";

// Makes the worker of one transfer for a grabber (a worker class, in the form
// model's terms).
using TUrlGrabberThreadClass = std::unique_ptr<TCustomUrlGrabberThread> (*)(TCustomUrlGrabber&);

class TBaseComponent : public tk::TComponent {
public:
    using tk::TComponent::TComponent;
};

class TCustomUrlGrabber : public TBaseComponent {
public:
    explicit TCustomUrlGrabber(tk::TComponent* AOwner);
    // Stops a running transfer first.
    ~TCustomUrlGrabber() override;

    // ---- Settings. The worker reads them from its thread: change none while a
    // transfer runs (Url refuses to change).
    const std::string& Url() const { return FUrl; }
    // Stores the address with the protocol marker and without credentials or port,
    // which move into UserName, Password and Port. Raises EGrabberNotStopped while a
    // transfer runs.
    virtual void SetUrl(std::string_view value);

    std::string FileName = kDefaultFileName;  // used as given: relative to the current folder
    TOutputMode OutputMode = omFile;
    std::string Agent = kDefaultAgent;
    std::uint32_t Port = 0;  // 0: the protocol's default port
    std::string UserName;
    std::string Password;
    // The longest body accepted; a longer one ends the transfer with an error.
    std::int64_t MaxBodySize = kDefaultMaxBodySize;

    static constexpr TOutputMode DeclaredDefaultOutputMode = omFile;
    static constexpr std::uint32_t DeclaredDefaultPort = 0;

    // ---- Run-time state.
    TUrlGrabberStatus Status() const { return FStatus.load(); }
    // Total size of the current (or last) transfer; 0 when the server gave no length.
    std::int64_t Size() const { return FSize.load(std::memory_order_relaxed); }
    std::int64_t BytesRead() const { return FBytesRead.load(std::memory_order_relaxed); }

    // ---- Operations.
    // Raises OnStatusChange; protocol grabbers add the event for the worker's LastStatus.
    virtual void NotifyStatus();
    virtual TUrlGrabberThreadClass WorkerClass() const = 0;
    virtual bool AcceptsUrl(std::string_view url) const { return false; }
    virtual TUrlGrabberDefaultPropertiesClass DefaultPropertiesClass() const { return nullptr; }
    virtual std::string_view ProtocolMarker() const { return {}; }
    virtual std::string_view ProtocolName() const { return {}; }
    static UrlParts SplitUrl(std::string_view url, std::string_view marker) {
        return quill::download::SplitUrl(url, marker);
    }

    // Begins a transfer of Url on a new worker thread and returns at once; a running
    // transfer is stopped first.
    void Start();
    // Ends the running transfer, if any, and returns when its worker has ended. On the
    // GUI thread the worker's events keep being delivered while it waits.
    // Called from a handler of this grabber's own events (where the worker is waiting
    // for the handler, so waiting for the worker would never end), it only asks the
    // transfer to end; the worker is freed by the next Start, Stop or the destruction.
    // Start refuses to run from such a handler.
    void Stop();

    // The settings a saved form carries: those without a declared default, and those
    // whose value differs from it.
    virtual std::vector<std::string> StoredSettingNames() const;

    // ---- Events (GUI thread).
    TDoneFileEvent OnDoneFile;
    TDoneStreamEvent OnDoneStream;
    TErrorEvent OnError;
    TUrlGrabberProgressEvent OnProgress;
    TReconnectEvent OnReconnect;
    tk::TNotifyEvent OnResolvingName, OnNameResolved, OnConnectingToServer, OnConnectedToServer,
        OnSendingRequest, OnRequestSent, OnReceivingResponse, OnResponseReceived,
        OnClosingConnection, OnConnectionClosed, OnRequestComplete, OnRedirect, OnStatusChange;

protected:
    friend class TCustomUrlGrabberThread;
    friend class THttpUrlGrabberThread;

    virtual std::uint32_t DeclaredPortDefault() const { return DeclaredDefaultPort; }

    std::string FUrl;
    std::atomic<TUrlGrabberStatus> FStatus{gsStopped};
    // Written by the worker; atomic so that reading them outside an event (a timer, a
    // test) never sees a torn 64-bit value on a 32-bit system.
    std::atomic<std::int64_t> FSize{0};
    std::atomic<std::int64_t> FBytesRead{0};
    TMemoryStream* FStream = nullptr;  // the body of the running transfer; the worker owns it
    std::unique_ptr<TCustomUrlGrabberThread> FWorker;
    int FEventDepth = 0;  // GUI-thread steps of this grabber's worker now running
};

class TProxyingUrlGrabber : public TCustomUrlGrabber {
public:
    using TCustomUrlGrabber::TCustomUrlGrabber;

    TProxyMode ProxyMode = pmSysConfig;
    std::string ProxyAddresses = kDefaultProxyAddresses;
    std::string ProxyIgnoreList = kDefaultProxyIgnoreList;
    std::string ProxyUserName;
    std::string ProxyPassword;
    // A proxy that asks for a password, and has none in the settings, gets one chance to
    // be answered by the user (the system's credentials dialog).
    bool AskProxyCredentials = false;

    static constexpr TProxyMode DeclaredDefaultProxyMode = pmSysConfig;

    std::vector<std::string> StoredSettingNames() const override;
};

// The worker of one transfer: runs Transfer and hands every event to the GUI thread. It
// waits for each handler to return, except for the body's progress: each piece is posted
// and the worker reads on, at most a window of pieces ahead of the handlers (see
// tk::TSyncQueue::Post); a handler that clears Continue still ends the transfer, and what
// was read past its piece is never reported or delivered. It owns the body stream while it
// runs.
class TCustomUrlGrabberThread : public tk::TThread {
public:
    explicit TCustomUrlGrabberThread(TCustomUrlGrabber& grabber);
    ~TCustomUrlGrabberThread() override;

    TCustomUrlGrabber& Grabber;  // not owned
    // OnProgress gets it by reference: a handler clears it to end the transfer. The worker
    // reads it while posted handlers run.
    std::atomic<bool> Continue{true};
    std::string ErrorText;
    std::uint32_t LastStatus = 0;

protected:
    void Execute() override;
    virtual void Transfer() = 0;

    // Creates the body stream and puts it in the grabber's slot.
    TMemoryStream& CreateStream();

    // The GUI-thread steps, each handed over and waited for; an exception raised by
    // the step comes back here.
    void SyncProgress() { RunOnGuiThread(&TCustomUrlGrabberThread::FireProgress); }
    void SyncNotifyStatus() { RunOnGuiThread(&TCustomUrlGrabberThread::NotifyGrabberStatus); }
    void SyncDone() { RunOnGuiThread(&TCustomUrlGrabberThread::FireDone); }
    void SyncError() { RunOnGuiThread(&TCustomUrlGrabberThread::FireError); }
    void SyncClosed() { RunOnGuiThread(&TCustomUrlGrabberThread::FireClosed); }
    void SyncReconnect() { RunOnGuiThread(&TCustomUrlGrabberThread::FireReconnect); }

    // The body's progress at `position`, posted: the worker does not wait for it.
    void PostProgress(std::int64_t position) { Post({&RunPostedProgress, this, position}); }
    // Waits until every posted step has run; then raises what one of them raised.
    void AwaitPostedSteps();
    // Raises what a posted step raised, if one did.
    void RaisePostedFailure() {
        if (FPostedFailed) std::rethrow_exception(FPostedFailure);
    }

    void FireProgress() { FireProgressAt(Grabber.FBytesRead); }
    void FireProgressAt(std::int64_t position);
    void FireDone();
    void FireError();
    void FireClosed();
    void FireReconnect();

    // What FireDone reports as the size; the try FireReconnect announces.
    std::int64_t DoneSize = 0;
    int ReconnectAttempt = 0;

    // The address as it was when the transfer started; the worker thread reads this
    // copy, never the grabber's Url, which the GUI thread owns.
    const std::string& TransferUrl() const { return FTransferUrl; }

private:
    friend class TCustomUrlGrabber;
    void FreeStream();
    void NotifyGrabberStatus() { Grabber.NotifyStatus(); }
    void RunOnGuiThread(void (TCustomUrlGrabberThread::*step)());
    static void RunPostedProgress(void* self, std::int64_t position);

    // What a posted step raised: it ends the transfer as a waited-for step's would.
    std::exception_ptr FPostedFailure;
    std::atomic<bool> FPostedFailed{false};

    std::string FTransferUrl;

    std::unique_ptr<TMemoryStream> FStream;
};

// The process's list of grabber classes, in registration order.
struct TUrlGrabberClassEntry {
    std::string_view ProtocolName;
    std::string_view ProtocolMarker;
    bool (*AcceptsUrl)(std::string_view url);
    TCustomUrlGrabber* (*Create)(tk::TComponent* owner);
};

class TUrlGrabberClassList {
public:
    static TUrlGrabberClassList& Instance();
    void Register(const TUrlGrabberClassEntry& entry) { FEntries.push_back(entry); }
    const std::vector<TUrlGrabberClassEntry>& Entries() const { return FEntries; }

private:
    std::vector<TUrlGrabberClassEntry> FEntries;
};

}  // namespace quill::download
