#include "toolkit/WebBrowser.h"

namespace tk {

class TBrowserSite {};

TWebBrowser::TWebBrowser(TComponent* AOwner) : TWinControl(AOwner) {
}
TWebBrowser::~TWebBrowser() = default;
bool TWebBrowser::Navigate(const std::wstring&) {
    return false;
}
bool TWebBrowser::Available() {
    return false;
}
void TWebBrowser::HandleCreated() {
}
void TWebBrowser::BoundsChanged(const RECT& oldBounds) {
    TWinControl::BoundsChanged(oldBounds);
}

}  // namespace tk
