#include "download/UrlGrabbers.h"

#include <cctype>
#include <vector>

#include "download/GrabberStatusEvents.h"
#include "download/RequestFailure.h"
#include "toolkit/Handles.h"
#include "toolkit/SysUtils.h"

namespace quill::download {

namespace {

constexpr DWORD kReadBufferSize = 1025;
constexpr DWORD kLengthBufferSize = 1024;
constexpr DWORD kRequestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE;
static_assert(kRequestFlags == 0x80000100);

const char* NullIfEmpty(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

std::unique_ptr<TCustomUrlGrabberThread> MakeHttpWorker(TCustomUrlGrabber& grabber) {
    return std::make_unique<THttpUrlGrabberThread>(grabber);
}

std::unique_ptr<TCustomUrlGrabberDefaultProperties> MakeHttpDefaultProperties() {
    return std::make_unique<THttpUrlGrabberDefaultProperties>();
}

TCustomUrlGrabber* CreateHttpGrabber(tk::TComponent* owner) {
    return new THttpUrlGrabber(owner);
}

// Only the HTTP member of the family is built; it is registered as the others would be.
const bool kRegistered = [] {
    TUrlGrabberClassList::Instance().Register(
        {"HTTP", THttpUrlGrabber::Marker, &THttpUrlGrabber::AcceptsHttpUrl, &CreateHttpGrabber});
    return true;
}();

}  // namespace

// ------------------------------------------------------------------ THttpUrlGrabber

THttpUrlGrabber::~THttpUrlGrabber() {
    // Stopped here, while the grabber is still whole: the worker reads Referer and
    // NotifyStatus dispatches to this class until it has ended.
    Stop();
}

bool THttpUrlGrabber::AcceptsHttpUrl(std::string_view url) {
    if (url.size() < Marker.size()) return false;
    for (std::size_t i = 0; i < Marker.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(url[i])) != Marker[i]) return false;
    return true;
}

TUrlGrabberThreadClass THttpUrlGrabber::WorkerClass() const {
    return &MakeHttpWorker;
}

TUrlGrabberDefaultPropertiesClass THttpUrlGrabber::DefaultPropertiesClass() const {
    return &MakeHttpDefaultProperties;
}

std::vector<std::string> THttpUrlGrabber::StoredSettingNames() const {
    std::vector<std::string> names = TProxyingUrlGrabber::StoredSettingNames();
    names.push_back("Referer");
    return names;
}

void THttpUrlGrabber::NotifyStatus() {
    TProxyingUrlGrabber::NotifyStatus();
    if (!FWorker) return;
    switch (StatusEventFor(FWorker->LastStatus)) {
        case TStatusEvent::ResolvingName:
            OnResolvingName(this);
            break;
        case TStatusEvent::NameResolved:
            OnNameResolved(this);
            break;
        case TStatusEvent::ConnectingToServer:
            OnConnectingToServer(this);
            break;
        case TStatusEvent::ConnectedToServer:
            OnConnectedToServer(this);
            break;
        case TStatusEvent::SendingRequest:
            OnSendingRequest(this);
            break;
        case TStatusEvent::RequestSent:
            OnRequestSent(this);
            break;
        case TStatusEvent::ReceivingResponse:
            OnReceivingResponse(this);
            break;
        case TStatusEvent::ResponseReceived:
            OnResponseReceived(this);
            break;
        case TStatusEvent::ClosingConnection:
            OnClosingConnection(this);
            break;
        case TStatusEvent::ConnectionClosed:
            OnConnectionClosed(this);
            break;
        case TStatusEvent::RequestComplete:
            OnRequestComplete(this);
            break;
        case TStatusEvent::Redirect:
            OnRedirect(this);
            break;
        case TStatusEvent::StatusChange:
            OnStatusChange(this);
            break;
        case TStatusEvent::None:
            break;
    }
}

// ------------------------------------------------------------ THttpUrlGrabberThread

struct THttpUrlGrabberThread::Handles {
    tk::TInternetHandle Session;
    tk::TInternetHandle Connection;
    tk::TInternetHandle Request;
};

void CALLBACK THttpUrlGrabberThread::StatusCallback(HINTERNET, DWORD_PTR context, DWORD status,
                                                    LPVOID, DWORD) {
    if (context == 0) return;
    auto* worker = reinterpret_cast<THttpUrlGrabberThread*>(context);
    worker->LastStatus = status;
    try {
        worker->SyncProgress();
        worker->SyncNotifyStatus();
    } catch (...) {
        if (!worker->FCallbackFailure) worker->FCallbackFailure = std::current_exception();
    }
}

void THttpUrlGrabberThread::RaiseCallbackFailure() {
    if (FCallbackFailure) std::rethrow_exception(std::exchange(FCallbackFailure, nullptr));
}

void THttpUrlGrabberThread::Transfer() {
    Handles handles;
    try {
        RunSteps(handles);
    } catch (...) {
        // A handler's exception, or one from the stream or the file, ends the transfer
        // without a report of its own.
    }
    FCallbackFailure = nullptr;
    CloseHandles(handles);
}

void THttpUrlGrabberThread::ReportError(std::string text) {
    ErrorText = std::move(text);
    SyncError();
}

void THttpUrlGrabberThread::RunSteps(Handles& h) {
    auto& grabber = static_cast<THttpUrlGrabber&>(Grabber);

    UrlParts url = SplitUrl(TransferUrl(), THttpUrlGrabber::Marker);
    if (url.UserName.empty()) url.UserName = grabber.UserName;
    if (url.Password.empty()) url.Password = grabber.Password;
    if (url.Port == 0) url.Port = grabber.Port;

    ErrorText.clear();
    grabber.FStatus = gsConnecting;

    switch (grabber.ProxyMode) {
        case pmNoProxy:
            h.Session.Reset(InternetOpenA(grabber.Agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr,
                                          nullptr, 0));
            break;
        case pmSysConfig:
            h.Session.Reset(InternetOpenA(grabber.Agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                          nullptr, nullptr, 0));
            break;
        case pmManual:
            h.Session.Reset(InternetOpenA(grabber.Agent.c_str(), INTERNET_OPEN_TYPE_PROXY,
                                          grabber.ProxyAddresses.c_str(),
                                          grabber.ProxyIgnoreList.c_str(), 0));
            break;
    }
    if (!h.Session) return ReportError(tk::SystemErrorText(GetLastError()));

    InternetSetStatusCallback(h.Session.Get(), &THttpUrlGrabberThread::StatusCallback);

    h.Connection.Reset(
        InternetConnectA(h.Session.Get(), url.Host.c_str(), static_cast<INTERNET_PORT>(url.Port),
                         NullIfEmpty(url.UserName), NullIfEmpty(url.Password),
                         INTERNET_SERVICE_HTTP, 0, reinterpret_cast<DWORD_PTR>(this)));
    const DWORD connectError = h.Connection ? 0 : GetLastError();
    RaiseCallbackFailure();
    if (Terminated()) return;
    if (!h.Connection) return ReportError(RequestFailureText(connectError));

    h.Request.Reset(HttpOpenRequestA(h.Connection.Get(), "GET", url.Path.c_str(), "HTTP/1.0",
                                     grabber.Referer.c_str(), nullptr, kRequestFlags, 0));
    const DWORD openError = h.Request ? 0 : GetLastError();
    RaiseCallbackFailure();
    if (!h.Request) return ReportError(RequestFailureText(openError));

    if (grabber.ProxyMode == pmSysConfig || grabber.ProxyMode == pmManual) {
        // Set on every request, empty or not; a failure here is not the transfer's.
        InternetSetOptionA(h.Request.Get(), INTERNET_OPTION_PROXY_USERNAME,
                           const_cast<char*>(grabber.ProxyUserName.c_str()),
                           static_cast<DWORD>(grabber.ProxyUserName.size() + 1));
        InternetSetOptionA(h.Request.Get(), INTERNET_OPTION_PROXY_PASSWORD,
                           const_cast<char*>(grabber.ProxyPassword.c_str()),
                           static_cast<DWORD>(grabber.ProxyPassword.size() + 1));
    }

    const BOOL sent = HttpSendRequestA(h.Request.Get(), nullptr, 0, nullptr, 0);
    const DWORD sendError = sent ? 0 : GetLastError();
    RaiseCallbackFailure();
    if (!sent) return ReportError(RequestFailureText(sendError));
    if (Terminated()) return;

    TMemoryStream& stream = CreateStream();

    std::vector<char> lengthText(kLengthBufferSize);
    DWORD lengthSize = kLengthBufferSize;
    DWORD index = 0;
    const BOOL hasLength = HttpQueryInfoA(h.Request.Get(), HTTP_QUERY_CONTENT_LENGTH,
                                          lengthText.data(), &lengthSize, &index);
    RaiseCallbackFailure();
    if (Terminated()) return;

    if (hasLength) {
        const std::string text(lengthText.data(), strnlen(lengthText.data(), lengthSize));
        const std::optional<std::int32_t> length = ParseContentLength(text);
        if (!length)
            return ReportError("The server sent an invalid content length (\"" + text + "\").");
        grabber.FSize = *length;
        stream.ReserveHint(*length);
    } else {
        grabber.FSize = 0;
    }
    grabber.FStatus = gsReceiving;

    if (hasLength)
        ReadKnownLength(h.Request.Get(), stream);
    else
        ReadToEnd(h.Request.Get(), stream);

    grabber.FStatus = gsFinishing;
    if (Continue && !Terminated()) SyncDone();
}

bool THttpUrlGrabberThread::ReadPiece(HINTERNET request, char* buffer, DWORD& count) {
    count = 0;
    const BOOL ok = InternetReadFile(request, buffer, kReadBufferSize, &count);
    RaiseCallbackFailure();
    return ok != FALSE;
}

void THttpUrlGrabberThread::ReadKnownLength(HINTERNET request, TMemoryStream& stream) {
    char buffer[kReadBufferSize];
    DWORD lastRead = 1;
    std::uint32_t received = 0;
    while (lastRead > 0 && !Terminated() && Continue) {
        if (ReadPiece(request, buffer, lastRead)) {
            // The read that finds the end returns 0 and still reports progress, so the
            // last OnProgress repeats the final count.
            received += lastRead;
            Grabber.FBytesRead = received;
            stream.Write(buffer, lastRead);
            SyncProgress();
        } else {
            lastRead = 0;
        }
        // No zero-length sleep after a read: the hand-over above already gives the
        // processor up until the GUI thread has run the handler, and under wine the
        // alertable sleep cost a trip to the server and a yield for every piece.
    }
}

void THttpUrlGrabberThread::ReadToEnd(HINTERNET request, TMemoryStream& stream) {
    // Without a length, Continue is not consulted: the body is read to its end (and
    // then not delivered when a handler cleared Continue).
    char buffer[kReadBufferSize];
    std::uint32_t received = 0;
    for (;;) {
        DWORD count = 0;
        if (!ReadPiece(request, buffer, count) || Terminated() || count == 0) break;
        received += count;
        Grabber.FBytesRead = received;
        stream.Write(buffer, count);
        SyncProgress();
    }
}

void THttpUrlGrabberThread::CloseHandles(Handles& h) {
    // Closed here rather than by the destructors, because a failing close is reported.
    for (tk::TInternetHandle* handle : {&h.Request, &h.Connection, &h.Session}) {
        HINTERNET open = handle->Release();
        if (open == nullptr || InternetCloseHandle(open)) continue;
        const DWORD error = GetLastError();
        try {
            ReportError(RequestFailureText(error));
        } catch (...) {
        }
    }
    // A handler failing during the closing notifications has nothing left to end.
    FCallbackFailure = nullptr;
}

}  // namespace quill::download
