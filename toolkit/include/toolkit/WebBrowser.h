// The system's web browser control hosted in a rectangle (OLE in-place activation).
#pragma once

#include <memory>
#include <string>

#include "toolkit/Controls.h"

namespace tk {

class TBrowserSite;

// Creates the browser when its window is created. When the system cannot create it, the
// rectangle stays empty and everything else goes on; Navigate then does nothing. Navigation
// never waits for the page.
//
// The page is locked down: it shows text and pictures only (no scripts, Java, ActiveX,
// behaviors, client pull or frames), has no context menu, takes no dropped files, and
// cannot leave its own server, open windows or offer downloads.
class TWebBrowser : public TWinControl {
public:
    explicit TWebBrowser(TComponent* AOwner);
    ~TWebBrowser() override;

    // Starts loading `url`; returns whether the browser accepted the request.
    bool Navigate(const std::wstring& url);
    // Whether the browser control exists.
    bool Available();

    // The host's side of the browser, for tests at its interfaces (nullptr without a
    // browser): the client site (IOleClientSite, IDispatch answering the ambient properties,
    // IDocHostUIHandler) and the sink of the browser's DWebBrowserEvents2.
    IUnknown* ClientSite();
    IDispatch* EventSink();

protected:
    void HandleCreated() override;
    void BoundsChanged(const RECT& oldBounds) override;

private:
    std::unique_ptr<TBrowserSite> FSite;
    bool FCreationTried = false;
};

}  // namespace tk
