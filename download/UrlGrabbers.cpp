#include "download/UrlGrabbers.h"

#include <cctype>
#include <vector>

#include "download/GrabberStatusEvents.h"
#include "download/ResumeRules.h"
#include "toolkit/Exception.h"
#include "toolkit/SysUtils.h"

namespace quill::download {

namespace {

constexpr DWORD kReadBufferSize = 1025;

std::string TooLargeText(std::int64_t limit) {
    return "Actualizarea primita depaseste marimea maxima acceptata (" + std::to_string(limit) +
           " octeti); descarcarea a fost oprita.";
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
    try {
        RunSteps();
    } catch (...) {
        // A handler's exception ends the transfer without a report of its own.
    }
    FCallbackFailure = nullptr;
}

void THttpUrlGrabberThread::ReportError(std::string text) {
    ErrorText = std::move(text);
    SyncError();
}

void THttpUrlGrabberThread::CloseExchange(HttpExchange& exchange) {
    // A failing close is reported, once per handle; the others still close.
    exchange.Close([this](const std::string& text) {
        try {
            ReportError(text);
        } catch (...) {
        }
    });
    // A handler failing during the closing notifications has nothing left to end.
    FCallbackFailure = nullptr;
}

void THttpUrlGrabberThread::RunSteps() {
    auto& grabber = static_cast<THttpUrlGrabber&>(Grabber);

    UrlParts url = SplitUrl(TransferUrl(), THttpUrlGrabber::Marker);
    if (url.UserName.empty()) url.UserName = grabber.UserName;
    if (url.Password.empty()) url.Password = grabber.Password;
    if (url.Port == 0) url.Port = grabber.Port;

    ErrorText.clear();
    grabber.FStatus = gsConnecting;

    HttpSettings settings;
    settings.Agent = grabber.Agent;
    settings.ProxyMode = grabber.ProxyMode;
    settings.ProxyAddresses = grabber.ProxyAddresses;
    settings.ProxyIgnoreList = grabber.ProxyIgnoreList;
    settings.ProxyUserName = grabber.ProxyUserName;
    settings.ProxyPassword = grabber.ProxyPassword;
    settings.Referer = grabber.Referer;
    settings.Timeout = StallTimeout();
    settings.AskProxyCredentials = grabber.AskProxyCredentials;

    // The body goes where it is kept as it arrives: memory stays flat however long it is.
    std::unique_ptr<TBodySink> sink;
    if (grabber.OutputMode == omStream) {
        sink = std::make_unique<TMemorySink>(CreateStream());
    } else {
        try {
            sink = std::make_unique<TPartFile>(grabber.FileName);
        } catch (const tk::EInOutError& error) {
            return ReportError(error.Message());
        }
    }

    for (int attempt = 0;; ++attempt) {
        HttpExchange exchange(settings);
        TryEnd end = TryEnd::Failed;
        try {
            end = TryOnce(exchange, url, *sink, attempt > 0);
        } catch (...) {
            CloseExchange(exchange);
            throw;
        }
        CloseExchange(exchange);
        // A body a handler refused (Continue cleared) is not worth continuing later.
        if (end == TryEnd::Stopped && !Continue) sink->Discard();
        if (end != TryEnd::Cut) return;
        if (attempt == kResumeTries) {
            const std::string reason =
                exchange.Error().empty() ? "conexiunea s-a incheiat inainte de sfarsitul fisierului"
                                         : exchange.Error();
            return ReportError(
                "Descarcarea actualizarii a fost intrerupta (" + reason +
                "). Ce s-a descarcat a fost pastrat: incercati din nou mai tarziu, iar "
                "descarcarea va continua de unde a ramas.");
        }
        if (!PauseBeforeTry(attempt + 1)) return;
    }
}

bool THttpUrlGrabberThread::PauseBeforeTry(int attempt) {
    ReconnectAttempt = attempt;
    SyncReconnect();
    const DWORD until =
        GetTickCount() + static_cast<DWORD>(RetryPause(attempt, RetryPauseBase()).count());
    // In short steps, so that Stop is not kept waiting for the whole pause.
    while (!Terminated() && static_cast<LONG>(until - GetTickCount()) > 0) Sleep(20);
    return !Terminated();
}

THttpUrlGrabberThread::TryEnd THttpUrlGrabberThread::TryOnce(HttpExchange& exchange,
                                                             const UrlParts& url, TBodySink& sink,
                                                             bool retrying) {
    auto fail = [this](std::string text) {
        ReportError(std::move(text));
        return TryEnd::Failed;
    };
    // After a cut, a line that is not back yet is one more cut, not the end.
    auto failOrCut = [&](bool cut) { return cut ? TryEnd::Cut : fail(exchange.Error()); };

    if (!exchange.OpenSession(&THttpUrlGrabberThread::StatusCallback))
        return fail(exchange.Error());
    const bool connected = exchange.Connect(url, reinterpret_cast<DWORD_PTR>(this));
    RaiseCallbackFailure();
    if (Terminated()) return TryEnd::Stopped;
    if (!connected) return failOrCut(retrying);

    std::string headers = kNoCacheHeaders;
    const std::int64_t have = sink.Size();
    if (have > 0)
        headers +=
            "Range: bytes=" + std::to_string(have) + "-\r\nIf-Range: " + sink.Validator() + "\r\n";
    const bool sent = exchange.Send(url.Path, headers);
    RaiseCallbackFailure();
    if (!sent) return failOrCut(exchange.Status() == 0 && (retrying || exchange.WasCut()));
    if (Terminated()) return TryEnd::Stopped;

    const std::optional<std::string> lengthText = exchange.Header(HTTP_QUERY_CONTENT_LENGTH);
    RaiseCallbackFailure();
    if (Terminated()) return TryEnd::Stopped;
    const std::optional<std::int32_t> length =
        lengthText ? ParseContentLength(*lengthText) : std::nullopt;
    const std::optional<std::string> range = exchange.Header(HTTP_QUERY_CONTENT_RANGE);
    const ReplyPlan plan =
        PlanReply(exchange.Status(), have, length,
                  range ? std::optional<std::string_view>(*range) : std::nullopt);
    if (plan.Use == ReplyUse::Fail) {
        exchange.RequireSuccess();
        return fail(exchange.Error());
    }
    if (lengthText && !length)
        return fail("The server sent an invalid content length (\"" + *lengthText + "\").");

    std::int64_t total = plan.Total;
    try {
        if (plan.Use == ReplyUse::Refuse) {
            sink.Restart({});
            return TryEnd::Cut;
        }
        if (plan.Use == ReplyUse::StartOver)
            sink.Restart(ResumeValidator(exchange.Header(HTTP_QUERY_ETAG).value_or(""),
                                         exchange.Header(HTTP_QUERY_LAST_MODIFIED).value_or("")));
    } catch (const tk::EInOutError& error) {
        return fail(error.Message());
    }
    if (total > Grabber.MaxBodySize) return fail(TooLargeText(Grabber.MaxBodySize));
    Grabber.FSize = total;
    Grabber.FBytesRead = sink.Size();
    Grabber.FStatus = gsReceiving;

    const TryEnd end = ReadBody(exchange, sink, total, length || plan.Use == ReplyUse::Append);
    if (end != TryEnd::Done) return end;

    Grabber.FStatus = gsFinishing;
    if (!Continue || Terminated()) return TryEnd::Stopped;
    try {
        sink.Complete();
    } catch (const tk::EInOutError& error) {
        return fail(error.Message());
    }
    DoneSize = sink.Size();
    SyncDone();
    return TryEnd::Done;
}

THttpUrlGrabberThread::TryEnd THttpUrlGrabberThread::ReadBody(HttpExchange& exchange,
                                                              TBodySink& sink, std::int64_t total,
                                                              bool known) {
    const TryEnd end = ReadPieces(exchange, sink, total, known);
    // How the body ended is known once every piece's handler has had its say.
    AwaitPostedSteps();
    if (end != TryEnd::Failed && (Terminated() || !Continue)) return TryEnd::Stopped;
    return end;
}

THttpUrlGrabberThread::TryEnd THttpUrlGrabberThread::ReadPieces(HttpExchange& exchange,
                                                                TBodySink& sink, std::int64_t total,
                                                                bool known) {
    char buffer[kReadBufferSize];
    std::int64_t received = sink.Size();
    DWORD count = 1;
    for (;;) {
        // A handler that clears Continue ends the transfer, with a length or without one: a
        // body nobody wants (an endless one, say) is not read on to its end.
        if (count == 0 || Terminated() || !Continue) break;
        const bool ok = exchange.Read(buffer, kReadBufferSize, count);
        RaiseCallbackFailure();
        RaisePostedFailure();
        if (!ok) return TryEnd::Cut;  // a reset or a stall: the bytes so far are kept
        if (!known && (count == 0 || Terminated())) break;
        received += count;
        if (received > Grabber.MaxBodySize || (known && received > total)) {
            ReportError(TooLargeText(Grabber.MaxBodySize));
            return TryEnd::Failed;
        }
        try {
            sink.Append(buffer, count);
        } catch (const tk::EInOutError& error) {
            ReportError(error.Message());
            return TryEnd::Failed;
        }
        // The read that finds the end returns 0 and still reports progress when the length
        // is known, so the last OnProgress repeats the final count.
        PostProgress(received);
    }
    // A body shorter than announced was cut on the way, whatever the connection said.
    if (known && received < total) return TryEnd::Cut;
    return TryEnd::Done;
}

}  // namespace quill::download
