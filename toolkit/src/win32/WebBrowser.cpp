#include "toolkit/WebBrowser.h"

#include <exdisp.h>
#include <ole2.h>
#include <oleidl.h>

#include "toolkit/Application.h"
#include "toolkit/Handles.h"

namespace tk {

// The container side of in-place activation: one object serves as the client site, the
// in-place site and the frame. Its lifetime is the control's (COM counts are kept but the
// control deletes it after the browser has let go of it).
class TBrowserSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
public:
    explicit TBrowserSite(TWebBrowser& host) : FHost(host) {}
    ~TBrowserSite() { Close(); }

    bool Create() {
        if (FAILED(CoCreateInstance(CLSID_WebBrowser, nullptr,
                                    CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IOleObject,
                                    FObject.PutVoid())))
            return false;
        if (FAILED(FObject->SetClientSite(static_cast<IOleClientSite*>(this)))) {
            Close();
            return false;
        }
        OleSetContainedObject(FObject.Get(), TRUE);
        RECT r = FHost.ClientRect();
        if (FAILED(FObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr,
                                   static_cast<IOleClientSite*>(this), 0, FHost.Handle(), &r))) {
            Close();
            return false;
        }
        if (FAILED(FObject->QueryInterface(IID_IWebBrowser2, FBrowser.PutVoid()))) {
            Close();
            return false;
        }
        return true;
    }

    bool Navigate(const std::wstring& url) {
        if (!FBrowser) return false;
        BSTR address = SysAllocStringLen(url.data(), static_cast<UINT>(url.size()));
        VARIANT empty;
        VariantInit(&empty);
        // Returns once the request is under way; the page loads in the background.
        HRESULT hr = FBrowser->Navigate(address, &empty, &empty, &empty, &empty);
        SysFreeString(address);
        return SUCCEEDED(hr);
    }

    void Resize() {
        if (!FObject) return;
        TComPtr<IOleInPlaceObject> inPlace;
        if (SUCCEEDED(FObject->QueryInterface(IID_IOleInPlaceObject, inPlace.PutVoid()))) {
            RECT r = FHost.ClientRect();
            inPlace->SetObjectRects(&r, &r);
        }
    }

    void Close() {
        FBrowser.Reset();
        if (FObject) {
            FObject->Close(OLECLOSE_NOSAVE);
            FObject->SetClientSite(nullptr);
            FObject.Reset();
        }
    }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IOleClientSite)
            *out = static_cast<IOleClientSite*>(this);
        else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite)
            *out = static_cast<IOleInPlaceSite*>(this);
        else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame)
            *out = static_cast<IOleInPlaceFrame*>(this);
        else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++FRefs; }
    STDMETHODIMP_(ULONG) Release() override { return --FRefs; }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (shared by the site and the frame)
    STDMETHODIMP GetWindow(HWND* out) override {
        *out = FHost.Handle();
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        *frame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        *doc = nullptr;
        *position = *clip = FHost.ClientRect();
        info->fMDIApp = FALSE;
        info->hwndFrame = GetAncestor(FHost.Handle(), GA_ROOT);
        info->haccel = nullptr;
        info->cAccelEntries = 0;
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow / IOleInPlaceFrame: no menus, toolbars or borders to share.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    TWebBrowser& FHost;
    TComPtr<IOleObject> FObject;
    TComPtr<IWebBrowser2> FBrowser;
    ULONG FRefs = 1;
};

TWebBrowser::TWebBrowser(TComponent* AOwner) : TWinControl(AOwner) {
    SetBounds(0, 0, 300, 150);
    SetColor(clWindow);
}

TWebBrowser::~TWebBrowser() {
    FSite.reset();
}

void TWebBrowser::HandleCreated() {
    if (FCreationTried) return;
    FCreationTried = true;
    auto site = std::make_unique<TBrowserSite>(*this);
    // Without a browser the rectangle stays empty (painted with Color) and nothing fails.
    if (site->Create()) FSite = std::move(site);
}

bool TWebBrowser::Available() {
    HandleNeeded();
    return FSite != nullptr;
}

bool TWebBrowser::Navigate(const std::wstring& url) {
    HandleNeeded();
    return FSite && FSite->Navigate(url);
}

void TWebBrowser::BoundsChanged(const RECT& oldBounds) {
    TWinControl::BoundsChanged(oldBounds);
    if (FSite) FSite->Resize();
}

}  // namespace tk
