// Which grabber event a WinInet status notification raises. Kept apart from the
// component so the table is checked natively, code by code.
#pragma once

#include <cstdint>

namespace quill::download {

enum class TStatusEvent : std::uint8_t {
    None,
    ResolvingName,
    NameResolved,
    ConnectingToServer,
    ConnectedToServer,
    SendingRequest,
    RequestSent,
    ReceivingResponse,
    ResponseReceived,
    ClosingConnection,
    ConnectionClosed,
    RequestComplete,
    Redirect,
    StatusChange,
};

// The values are WinInet's INTERNET_STATUS_* codes; every other code raises no
// specific event (OnStatusChange has already been raised for it).
constexpr TStatusEvent StatusEventFor(std::uint32_t statusCode) {
    switch (statusCode) {
        case 10:
            return TStatusEvent::ResolvingName;
        case 11:
            return TStatusEvent::NameResolved;
        case 20:
            return TStatusEvent::ConnectingToServer;
        case 21:
            return TStatusEvent::ConnectedToServer;
        case 30:
            return TStatusEvent::SendingRequest;
        case 31:
            return TStatusEvent::RequestSent;
        case 40:
            return TStatusEvent::ReceivingResponse;
        case 41:
            return TStatusEvent::ResponseReceived;
        case 50:
            return TStatusEvent::ClosingConnection;
        case 51:
            return TStatusEvent::ConnectionClosed;
        case 100:
            return TStatusEvent::RequestComplete;
        case 110:
            return TStatusEvent::Redirect;
        case 200:
            return TStatusEvent::StatusChange;
        default:
            return TStatusEvent::None;
    }
}

}  // namespace quill::download
