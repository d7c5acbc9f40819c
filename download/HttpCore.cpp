#include "download/HttpCore.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "toolkit/SysUtils.h"

namespace quill::download {

namespace {

const char* NullIfEmpty(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

DWORD Milliseconds(std::chrono::milliseconds span) {
    return static_cast<DWORD>(std::clamp<std::int64_t>(span.count(), 1, 0x7FFFFFFF));
}

void SetTimeouts(HINTERNET handle, std::chrono::milliseconds timeout) {
    DWORD ms = Milliseconds(timeout);
    for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                         INTERNET_OPTION_RECEIVE_TIMEOUT})
        InternetSetOptionA(handle, option, &ms, sizeof ms);
}

std::string ProxyAuthenticationText(const std::string& proxy) {
    return "Serverul proxy " + (proxy.empty() ? std::string() : proxy + " ") +
           "cere un nume de utilizator si o parola. Actualizarea nu poate continua fara ele: "
           "cereti-le administratorului retelei si incercati din nou.";
}

}  // namespace

namespace {

// Tests shorten the network's waits through the environment; the product never sets it.
std::chrono::milliseconds TestSetting(const char* name, std::chrono::milliseconds product) {
    if (const char* text = std::getenv(name)) {
        const long ms = std::strtol(text, nullptr, 10);
        if (ms > 0) return std::chrono::milliseconds(ms);
    }
    return product;
}

}  // namespace

std::chrono::milliseconds StallTimeout() {
    return TestSetting("QUILL_STALL_MS", std::chrono::seconds(60));
}

std::chrono::milliseconds RetryPauseBase() {
    return TestSetting("QUILL_RETRY_PAUSE_MS", std::chrono::seconds(2));
}

bool HttpExchange::WasCut() const {
    switch (FErrorCode) {
        case 0:
        case ERROR_INTERNET_CANNOT_CONNECT:
        case ERROR_INTERNET_NAME_NOT_RESOLVED:
        case ERROR_INTERNET_INVALID_URL:
        case ERROR_INTERNET_UNRECOGNIZED_SCHEME:
            return false;
        default:
            return true;
    }
}

bool HttpExchange::Fail(std::string text) {
    FError = std::move(text);
    return false;
}

bool HttpExchange::OpenSession(INTERNET_STATUS_CALLBACK callback) {
    switch (FSettings.ProxyMode) {
        case pmNoProxy:
            FSession.Reset(InternetOpenA(FSettings.Agent.c_str(), INTERNET_OPEN_TYPE_DIRECT,
                                         nullptr, nullptr, 0));
            break;
        case pmSysConfig:
            FSession.Reset(InternetOpenA(FSettings.Agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                         nullptr, nullptr, 0));
            break;
        case pmManual:
            FSession.Reset(InternetOpenA(FSettings.Agent.c_str(), INTERNET_OPEN_TYPE_PROXY,
                                         FSettings.ProxyAddresses.c_str(),
                                         FSettings.ProxyIgnoreList.c_str(), 0));
            break;
    }
    if (!FSession) return Fail(tk::SystemErrorText(GetLastError()));
    SetTimeouts(FSession.Get(), FSettings.Timeout);
    if (callback) InternetSetStatusCallback(FSession.Get(), callback);
    return true;
}

bool HttpExchange::Connect(const UrlParts& url, DWORD_PTR context) {
    FConnection.Reset(InternetConnectA(
        FSession.Get(), url.Host.c_str(), static_cast<INTERNET_PORT>(url.Port),
        NullIfEmpty(url.UserName), NullIfEmpty(url.Password), INTERNET_SERVICE_HTTP, 0, context));
    return FConnection ? true : Fail(GetLastError());
}

bool HttpExchange::SendOnce(const std::string& headers) {
    if (!HttpSendRequestA(FRequest.Get(), headers.empty() ? nullptr : headers.c_str(),
                          static_cast<DWORD>(headers.size()), nullptr, 0))
        return Fail(GetLastError());
    DWORD status = 0, size = sizeof status;
    if (!HttpQueryInfoA(FRequest.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                        &size, nullptr))
        return Fail(GetLastError());
    FStatus = static_cast<int>(status);
    return true;
}

bool HttpExchange::Send(const std::string& path, const std::string& headers) {
    FPath = path;
    FRequest.Reset(HttpOpenRequestA(FConnection.Get(), "GET", path.c_str(), "HTTP/1.0",
                                    FSettings.Referer.c_str(), nullptr, kHttpRequestFlags, 0));
    if (!FRequest) return Fail(GetLastError());
    SetTimeouts(FRequest.Get(), FSettings.Timeout);
    // Credentials go to a proxy only when there are some: empty ones would be sent to a
    // proxy that asks, and its refusal page would come back as the reply.
    if (FSettings.ProxyMode != pmNoProxy && !FSettings.ProxyUserName.empty()) {
        InternetSetOptionA(FRequest.Get(), INTERNET_OPTION_PROXY_USERNAME,
                           const_cast<char*>(FSettings.ProxyUserName.c_str()),
                           static_cast<DWORD>(FSettings.ProxyUserName.size() + 1));
        InternetSetOptionA(FRequest.Get(), INTERNET_OPTION_PROXY_PASSWORD,
                           const_cast<char*>(FSettings.ProxyPassword.c_str()),
                           static_cast<DWORD>(FSettings.ProxyPassword.size() + 1));
    }
    if (!SendOnce(headers)) return false;
    if (FStatus == HTTP_STATUS_PROXY_AUTH_REQ && FSettings.AskProxyCredentials &&
        AskForProxyCredentials() && !SendOnce(headers))
        return false;
    if (FStatus == HTTP_STATUS_PROXY_AUTH_REQ) return Fail(ProxyAuthenticationText(ProxyName()));
    return true;
}

bool HttpExchange::AskForProxyCredentials() {
    // The proxy's refusal page is read away first, so that the request can be sent again.
    char sink[4096];
    DWORD got = 0;
    while (InternetReadFile(FRequest.Get(), sink, sizeof sink, &got) && got > 0) {
    }
    const DWORD answer =
        InternetErrorDlg(GetDesktopWindow(), FRequest.Get(), ERROR_INTERNET_INCORRECT_PASSWORD,
                         FLAGS_ERROR_UI_FILTER_FOR_ERRORS | FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                             FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                         nullptr);
    return answer == ERROR_INTERNET_FORCE_RETRY;
}

std::string HttpExchange::ProxyName() const {
    if (FSettings.ProxyMode == pmManual) return FSettings.ProxyAddresses;
    DWORD size = 0;
    InternetQueryOptionA(FSession.Get(), INTERNET_OPTION_PROXY, nullptr, &size);
    if (size < sizeof(INTERNET_PROXY_INFO)) return {};
    std::vector<char> buffer(size);
    if (!InternetQueryOptionA(FSession.Get(), INTERNET_OPTION_PROXY, buffer.data(), &size))
        return {};
    const auto* info = reinterpret_cast<const INTERNET_PROXY_INFO*>(buffer.data());
    const auto* proxy = reinterpret_cast<const char*>(info->lpszProxy);
    return proxy ? std::string(proxy) : std::string();
}

bool HttpExchange::RequireSuccess() {
    if (FStatus / 100 == 2) return true;
    return Fail("Serverul de actualizari a raspuns cu o eroare: " + StatusText() + ".");
}

std::optional<std::string> HttpExchange::Header(DWORD level) const {
    std::vector<char> text(1024);
    for (;;) {
        DWORD size = static_cast<DWORD>(text.size());
        DWORD index = 0;
        if (HttpQueryInfoA(FRequest.Get(), level, text.data(), &size, &index))
            return std::string(text.data(), strnlen(text.data(), size));
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size <= text.size() || size > 65536)
            return std::nullopt;
        text.resize(size + 1);
    }
}

std::string HttpExchange::StatusText() const {
    std::string text = std::to_string(FStatus);
    if (auto reason = Header(HTTP_QUERY_STATUS_TEXT); reason && !reason->empty())
        text += " " + *reason;
    return text;
}

bool HttpExchange::Read(char* buffer, DWORD size, DWORD& got) {
    got = 0;
    if (InternetReadFile(FRequest.Get(), buffer, size, &got)) return true;
    got = 0;
    return Fail(GetLastError());
}

HttpBody FetchSmallBody(const std::string& url, size_t limit, std::chrono::milliseconds deadline) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + deadline;
    HttpSettings settings;
    settings.Timeout = deadline;
    HttpExchange exchange(settings);
    const UrlParts parts = SplitUrl(url, "http://");
    HttpBody reply;
    auto failed = [&reply, &exchange](std::string text) {
        reply.ok = false;
        reply.status = exchange.Status();
        reply.body.clear();
        reply.error = text.empty() ? exchange.Error() : std::move(text);
        return reply;
    };
    if (!exchange.OpenSession() || !exchange.Connect(parts) ||
        !exchange.Send(parts.Path, kNoCacheHeaders) || !exchange.RequireSuccess())
        return failed({});

    char buffer[4096];
    for (;;) {
        DWORD got = 0;
        if (!exchange.Read(buffer, sizeof buffer, got)) return failed({});
        if (got == 0) break;
        reply.body.append(buffer, got);
        if (reply.body.size() > limit)
            return failed("Raspunsul serverului de actualizari este mai lung decat se astepta.");
        if (Clock::now() > end) return failed("Serverul de actualizari nu a raspuns la timp.");
    }
    if (auto length = exchange.Header(HTTP_QUERY_CONTENT_LENGTH)) {
        const auto announced = ParseContentLength(*length);
        if (!announced || static_cast<size_t>(*announced) != reply.body.size())
            return failed("Raspunsul serverului de actualizari a sosit incomplet.");
    }
    reply.ok = true;
    reply.status = exchange.Status();
    return reply;
}

}  // namespace quill::download
