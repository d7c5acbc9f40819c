// The program's one HTTP client (WinInet, synchronous): the grabber's transfer and every
// small request of the update flow go through it, with one set of flags, one proxy
// handling and one set of error texts.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "download/GrabberSettings.h"
#include "download/RequestFailure.h"
#include "download/UrlSplit.h"
#include "toolkit/Handles.h"

namespace quill::download {

// A small reply, whole or not at all.
struct HttpBody {
    bool ok = false;
    int status = 0;  // the HTTP status, 0 when no reply arrived
    std::string body;
    std::string error;  // Romanian text for the user when !ok
};

// GETs url (fresh from the server, never from or into a cache) and returns its body when
// the reply is a 2xx, complete as announced, at most `limit` bytes and all arrived within
// `deadline`. Never throws; callable from any thread. Shows no window: a proxy that asks
// for a password is reported in `error`, naming the proxy.
HttpBody FetchSmallBody(const std::string& url, size_t limit, std::chrono::milliseconds deadline);

// How a request is made: the grabber's settings, or the defaults for small bodies.
struct HttpSettings {
    std::string Agent = kDefaultAgent;
    TProxyMode ProxyMode = pmSysConfig;
    std::string ProxyAddresses = kDefaultProxyAddresses;
    std::string ProxyIgnoreList = kDefaultProxyIgnoreList;
    // Given to a proxy that asks; empty ones are never sent.
    std::string ProxyUserName;
    std::string ProxyPassword;
    std::string Referer;
    // Longest wait for the connection, for sending, and for the next byte of the reply.
    std::chrono::milliseconds Timeout{60000};
    // A proxy that asks for a password gets one chance to be answered by the user.
    bool AskProxyCredentials = false;
};

// The time without a byte after which a transfer counts as cut: 60 s, unless the
// environment variable QUILL_STALL_MS (set by tests only) says otherwise.
std::chrono::milliseconds StallTimeout();
// The first pause before a cut transfer is tried again (then twice as long, and so on):
// 2 s, unless QUILL_RETRY_PAUSE_MS (tests only) says otherwise.
std::chrono::milliseconds RetryPauseBase();

// One GET through WinInet. Each step returns false with Error() set (the text the user is
// shown); the handles close in reverse order with the exchange, or by Close.
class HttpExchange {
public:
    explicit HttpExchange(HttpSettings settings) : FSettings(std::move(settings)) {}
    HttpExchange(const HttpExchange&) = delete;
    HttpExchange& operator=(const HttpExchange&) = delete;

    // The session, with `callback` registered on it when given.
    bool OpenSession(INTERNET_STATUS_CALLBACK callback = nullptr);
    // The connection to the URL's host; `context` is what status notifications carry.
    bool Connect(const UrlParts& url, DWORD_PTR context = 0);
    // Opens and sends the request for `path` with `headers` (each line ending in CRLF),
    // and reads the reply's status. A 407 ends in an error naming the proxy, after the
    // user has been asked once when the settings allow it.
    bool Send(const std::string& path, const std::string& headers);

    int Status() const { return FStatus; }
    // A reply header by WinInet's HTTP_QUERY_* level; empty when absent.
    std::optional<std::string> Header(DWORD level) const;
    // The reply's status as the user reads it: "404 Not Found".
    std::string StatusText() const;

    // Reads up to `size` bytes. False when the read failed (a reset, or no byte for the
    // timeout), with Error() set.
    bool Read(char* buffer, DWORD size, DWORD& got);

    // False, with the reply's status as the error, unless the status is a success (2xx):
    // an error page is never a body.
    bool RequireSuccess();

    // Closes request, connection and session, in that order, and calls report with the
    // text of each close that fails. Without a call the handles close silently with the
    // exchange.
    template <class Report>
    void Close(Report&& report) {
        for (tk::TInternetHandle* handle : {&FRequest, &FConnection, &FSession}) {
            HINTERNET open = handle->Release();
            if (open == nullptr || InternetCloseHandle(open)) continue;
            report(RequestFailureText(GetLastError()));
        }
    }

    const std::string& Error() const { return FError; }
    // The system's error number of the failed call; 0 when the failure was the reply's.
    DWORD ErrorCode() const { return FErrorCode; }
    // The failure was the line's (a reset, a timeout, a broken reply), not a server that
    // cannot be reached or a reply that refuses: trying again may help.
    bool WasCut() const;
    HINTERNET Request() const { return FRequest.Get(); }

private:
    bool Fail(std::string text);
    bool Fail(DWORD error) {
        FErrorCode = error;
        return Fail(RequestFailureText(error));
    }
    bool SendOnce(const std::string& headers);
    bool AskForProxyCredentials();
    std::string ProxyName() const;

    HttpSettings FSettings;
    tk::TInternetHandle FSession;
    tk::TInternetHandle FConnection;
    tk::TInternetHandle FRequest;
    std::string FPath;
    int FStatus = 0;
    std::string FError;
    DWORD FErrorCode = 0;
};

// The flags of every request: always from the server, never into WinInet's cache.
inline constexpr DWORD kHttpRequestFlags =
    INTERNET_FLAG_RELOAD | INTERNET_FLAG_PRAGMA_NOCACHE | INTERNET_FLAG_NO_CACHE_WRITE;
// And asked of every cache on the way.
inline constexpr const char* kNoCacheHeaders = "Cache-Control: no-cache\r\nPragma: no-cache\r\n";

}  // namespace quill::download
