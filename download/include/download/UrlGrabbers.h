// The HTTP grabber and its worker, which fetches one URL through WinInet.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <exception>

#include "download/BodySink.h"
#include "download/HttpCore.h"
#include "download/UrlListGrabber.h"

namespace quill::download {

class THttpUrlGrabber : public TProxyingUrlGrabber {
public:
    using TProxyingUrlGrabber::TProxyingUrlGrabber;
    ~THttpUrlGrabber() override;

    static constexpr std::string_view Marker = "http://";
    static constexpr std::uint32_t DeclaredDefaultPort = 80;

    // Referrer text of the request; empty is sent as an empty text.
    std::string Referer;

    void NotifyStatus() override;
    TUrlGrabberThreadClass WorkerClass() const override;
    bool AcceptsUrl(std::string_view url) const override { return AcceptsHttpUrl(url); }
    TUrlGrabberDefaultPropertiesClass DefaultPropertiesClass() const override;
    std::string_view ProtocolMarker() const override { return Marker; }
    std::string_view ProtocolName() const override { return "HTTP"; }
    std::vector<std::string> StoredSettingNames() const override;

    // True when the address starts with "http://" in any case.
    static bool AcceptsHttpUrl(std::string_view url);

protected:
    std::uint32_t DeclaredPortDefault() const override { return DeclaredDefaultPort; }
};

class THttpUrlGrabberThread : public TCustomUrlGrabberThread {
public:
    using TCustomUrlGrabberThread::TCustomUrlGrabberThread;

    // WinInet's status callback, registered on the session. The context value is the
    // worker (0 for handles that carry none, which are ignored).
    static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                        LPVOID info, DWORD infoLength);

protected:
    void Transfer() override;

private:
    // How one try of the request ended.
    enum class TryEnd { Done, Cut, Failed, Stopped };

    void RunSteps();
    TryEnd TryOnce(HttpExchange& exchange, const UrlParts& url, TBodySink& sink, bool retrying);
    TryEnd ReadBody(HttpExchange& exchange, TBodySink& sink, std::int64_t total, bool hasLength);
    // The read loop of ReadBody, which leaves the posted pieces' handlers to it.
    TryEnd ReadPieces(HttpExchange& exchange, TBodySink& sink, std::int64_t total, bool hasLength);
    bool PauseBeforeTry(int attempt);
    void CloseExchange(HttpExchange& exchange);
    void ReportError(std::string text);
    // A handler's exception cannot cross WinInet's frames; the callback keeps it and
    // the transfer raises it once the WinInet call has returned.
    void RaiseCallbackFailure();

    std::exception_ptr FCallbackFailure;
};

}  // namespace quill::download
