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
class TWebBrowser : public TWinControl {
public:
    explicit TWebBrowser(TComponent* AOwner);
    ~TWebBrowser() override;

    // Starts loading `url`; returns whether the browser accepted the request.
    bool Navigate(const std::wstring& url);
    // Whether the browser control exists.
    bool Available();

protected:
    void HandleCreated() override;
    void BoundsChanged(const RECT& oldBounds) override;

private:
    std::unique_ptr<TBrowserSite> FSite;
    bool FCreationTried = false;
};

}  // namespace tk
