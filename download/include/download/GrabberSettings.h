// The grabbers' enumerations and the settings holders that mirror a grabber's
// settings for lists of grabbers kept outside this program. No platform headers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace quill::download {

enum TOutputMode : std::uint8_t { omFile = 0, omStream = 1 };
enum TProxyMode : std::uint8_t { pmNoProxy = 0, pmSysConfig = 1, pmManual = 2 };
enum TUrlGrabberStatus : std::uint8_t {
    gsStopped = 0,
    gsConnecting = 1,
    gsReceiving = 2,
    gsFinishing = 3
};

// Values the settings start with; shared by the grabbers and the holders.
inline constexpr const char* kDefaultAgent = "UrlGrabber";
inline constexpr const char* kDefaultFileName = "output.txt";
inline constexpr const char* kDefaultProxyAddresses = "proxyserver";
inline constexpr const char* kDefaultProxyIgnoreList = "<local>";
// The longest body a grabber accepts unless told otherwise.
inline constexpr std::int64_t kDefaultMaxBodySize = std::int64_t(1) << 30;

class TCustomUrlGrabberDefaultProperties {
public:
    virtual ~TCustomUrlGrabberDefaultProperties() = default;

    // Declared defaults: values a saved list leaves out.
    static constexpr std::uint32_t DeclaredDefaultPort = 0;
    static constexpr TOutputMode DeclaredDefaultOutputMode = omStream;

    std::string Agent = kDefaultAgent;
    std::uint32_t Port = 0;
    std::string UserName;
    std::string Password;
    std::string FileName = kDefaultFileName;
    TOutputMode OutputMode = omFile;

    // Copies the settings every protocol has; proxy settings and Referer stay as they are.
    void Assign(const TCustomUrlGrabberDefaultProperties& source) {
        Agent = source.Agent;
        Port = source.Port;
        Password = source.Password;
        UserName = source.UserName;
        FileName = source.FileName;
        OutputMode = source.OutputMode;
    }
};

class TProxyingUrlGrabberDefaultProperties : public TCustomUrlGrabberDefaultProperties {
public:
    static constexpr TProxyMode DeclaredDefaultProxyMode = pmSysConfig;

    TProxyMode ProxyMode = pmSysConfig;
    std::string ProxyAddresses = kDefaultProxyAddresses;
    std::string ProxyIgnoreList = kDefaultProxyIgnoreList;
    std::string ProxyUserName;
    std::string ProxyPassword;
};

class THttpUrlGrabberDefaultProperties : public TProxyingUrlGrabberDefaultProperties {
public:
    static constexpr std::uint32_t DeclaredDefaultPort = 80;

    THttpUrlGrabberDefaultProperties() { Port = 80; }

    std::string Referer;
};

// Presents a holder as the published `DefaultProperties` of an editor; does not own it.
class TUrlGrabberDefPropEdTrick {
public:
    explicit TUrlGrabberDefPropEdTrick(TCustomUrlGrabberDefaultProperties* holder)
        : FDefaultProperties(holder) {}
    TCustomUrlGrabberDefaultProperties* DefaultProperties() const { return FDefaultProperties; }

private:
    TCustomUrlGrabberDefaultProperties* FDefaultProperties;  // not owned
};

using TUrlGrabberDefaultPropertiesClass = std::unique_ptr<TCustomUrlGrabberDefaultProperties> (*)();

}  // namespace quill::download
