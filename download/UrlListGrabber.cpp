#include "download/UrlListGrabber.h"

#include <windows.h>

#include <algorithm>

#include "download/ResumeRules.h"
#include "toolkit/SysUtils.h"

namespace quill::download {

// ---------------------------------------------------------------- TCustomUrlGrabber

TCustomUrlGrabber::TCustomUrlGrabber(tk::TComponent* AOwner) : TBaseComponent(AOwner) {
}

TCustomUrlGrabber::~TCustomUrlGrabber() {
    Stop();
}

void TCustomUrlGrabber::SetUrl(std::string_view value) {
    if (Status() != gsStopped) throw EGrabberNotStopped(kGrabberNotStoppedText);
    UrlCredentials settings{UserName, Password, Port};
    std::string stored = NormaliseUrl(value, ProtocolMarker(), settings);
    UserName = std::move(settings.UserName);
    Password = std::move(settings.Password);
    Port = settings.Port;
    FUrl = std::move(stored);
}

void TCustomUrlGrabber::NotifyStatus() {
    OnStatusChange(this);
}

void TCustomUrlGrabber::Start() {
    if (FEventDepth > 0)
        throw tk::Exception("A grabber cannot be started from one of its own events.");
    Stop();
    FWorker = WorkerClass()(*this);
    FWorker->FTransferUrl = FUrl;
    try {
        FWorker->Start();
    } catch (...) {
        FWorker.reset();
        throw;
    }
}

void TCustomUrlGrabber::Stop() {
    if (!FWorker) return;
    FWorker->Terminate();
    if (FEventDepth > 0) return;
    // The worker stays reachable while it winds down: its last status and closing
    // events are still delivered during the wait.
    FWorker->WaitFor();
    FWorker.reset();
}

std::vector<std::string> TCustomUrlGrabber::StoredSettingNames() const {
    std::vector<std::string> names{"Url", "FileName"};
    if (OutputMode != DeclaredDefaultOutputMode) names.push_back("OutputMode");
    names.push_back("Agent");
    if (Port != DeclaredPortDefault()) names.push_back("Port");
    names.push_back("UserName");
    names.push_back("Password");
    return names;
}

std::vector<std::string> TProxyingUrlGrabber::StoredSettingNames() const {
    std::vector<std::string> names = TCustomUrlGrabber::StoredSettingNames();
    if (ProxyMode != DeclaredDefaultProxyMode) names.push_back("ProxyMode");
    for (const char* name : {"ProxyAddresses", "ProxyIgnoreList", "ProxyUserName", "ProxyPassword"})
        names.push_back(name);
    return names;
}

// ---------------------------------------------------------- TCustomUrlGrabberThread

TCustomUrlGrabberThread::TCustomUrlGrabberThread(TCustomUrlGrabber& grabber) : Grabber(grabber) {
}

TCustomUrlGrabberThread::~TCustomUrlGrabberThread() {
    // The thread must be gone before this object's members are.
    Terminate();
    WaitFor();
}

void TCustomUrlGrabberThread::Execute() {
    Grabber.FStatus = gsStopped;
    Grabber.FStream = nullptr;
    try {
        Transfer();
    } catch (...) {
        // Failures are reported by Transfer itself; nothing escapes to the owner.
    }
    // No posted step may run after the stream or this object is gone.
    try {
        AwaitPostedSteps();
    } catch (...) {
    }
    FreeStream();
    Grabber.FStatus = gsStopped;
    try {
        SyncClosed();
    } catch (...) {
    }
}

namespace {

// The grabber counts the events it is inside, so that it is not freed under one.
struct EventDepth {
    int& count;
    explicit EventDepth(int& c) : count(c) { ++count; }
    ~EventDepth() { --count; }
    EventDepth(const EventDepth&) = delete;
    EventDepth& operator=(const EventDepth&) = delete;
};

}  // namespace

void TCustomUrlGrabberThread::RunOnGuiThread(void (TCustomUrlGrabberThread::*step)()) {
    Synchronize([this, step] {
        EventDepth depth(Grabber.FEventDepth);
        (this->*step)();
    });
}

TMemoryStream& TCustomUrlGrabberThread::CreateStream() {
    FStream = std::make_unique<TMemoryStream>();
    Grabber.FStream = FStream.get();
    return *FStream;
}

void TCustomUrlGrabberThread::FreeStream() {
    Grabber.FStream = nullptr;
    FStream.reset();
}

void TCustomUrlGrabberThread::RunPostedProgress(void* self, std::int64_t position) {
    auto* worker = static_cast<TCustomUrlGrabberThread*>(self);
    // Pieces read past the one whose handler ended the transfer (or after Stop) are not
    // reported.
    if (!worker->Continue || worker->Terminated() || worker->FPostedFailed) return;
    try {
        // What the owner reads as BytesRead is what its handlers have been told.
        worker->Grabber.FBytesRead = position;
        EventDepth depth(worker->Grabber.FEventDepth);
        worker->FireProgressAt(position);
    } catch (...) {
        worker->FPostedFailure = std::current_exception();
        worker->FPostedFailed = true;
    }
}

void TCustomUrlGrabberThread::AwaitPostedSteps() {
    Synchronize([] {});  // runs after every call posted before it
    RaisePostedFailure();
}

void TCustomUrlGrabberThread::FireProgressAt(std::int64_t position) {
    // Position has always been the count taken as a 32-bit number.
    bool go = Continue;
    Grabber.OnProgress(&Grabber, static_cast<std::int32_t>(position), Grabber.FSize, Grabber.FUrl,
                       go);
    if (!go) Continue = false;
}

void TCustomUrlGrabberThread::FireDone() {
    // Sizes have always been handed over as 32-bit numbers.
    const auto size = static_cast<std::int32_t>(DoneSize);
    if (Grabber.OutputMode == omStream) {
        if (!FStream) return;
        FStream->SetPosition(0);
        Grabber.OnDoneStream(&Grabber, FStream.get(), size, Grabber.FUrl);
        return;
    }
    // The body is already in the file: it was written as it arrived.
    Grabber.OnDoneFile(&Grabber, Grabber.FileName, size, Grabber.FUrl);
}

void TCustomUrlGrabberThread::FireError() {
    Grabber.FStatus = gsStopped;
    Grabber.OnError(&Grabber, ErrorText);
}

void TCustomUrlGrabberThread::FireClosed() {
    Grabber.OnConnectionClosed(&Grabber);
}

void TCustomUrlGrabberThread::FireReconnect() {
    Grabber.OnReconnect(&Grabber, ReconnectAttempt, kResumeTries);
}

// ------------------------------------------------------------------------- helpers

TUrlGrabberClassList& TUrlGrabberClassList::Instance() {
    static TUrlGrabberClassList list;
    return list;
}

}  // namespace quill::download
