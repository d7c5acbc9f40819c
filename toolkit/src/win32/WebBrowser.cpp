#include "toolkit/WebBrowser.h"

#include <exdisp.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <ole2.h>
#include <oleidl.h>

#include "toolkit/Application.h"
#include "toolkit/Handles.h"
#include "toolkit/NavigationPolicy.h"

namespace tk {

namespace {

std::string Utf8(const wchar_t* text, size_t length) {
    if (length == 0) return {};
    const int size =
        WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string out(size_t(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, int(length), out.data(), size, nullptr, nullptr);
    return out;
}

// Argument `index` of an event (arguments come last first), through one level of reference.
VARIANT* EventArgument(DISPPARAMS* params, UINT index) {
    if (!params || index >= params->cArgs) return nullptr;
    VARIANT* arg = &params->rgvarg[index];
    if (arg->vt == (VT_BYREF | VT_VARIANT)) arg = arg->pvarVal;
    return arg;
}

void CancelEvent(DISPPARAMS* params, UINT index) {
    VARIANT* cancel = params && index < params->cArgs ? &params->rgvarg[index] : nullptr;
    if (cancel && cancel->vt == (VT_BYREF | VT_BOOL)) *cancel->pboolVal = VARIANT_TRUE;
}

}  // namespace

// The release notes come over plain HTTP from a server anyone on the path can stand in for:
// the page may show text and pictures and nothing else. No scripts, Java, ActiveX,
// behaviors, client pull, frames, sounds or videos; no context menu, no dropped files;
// no navigation away from the page's own server, no new windows, no downloads.
constexpr LONG kPageDownloadControl = DLCTL_DLIMAGES | DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA |
                                      DLCTL_NO_RUNACTIVEXCTLS | DLCTL_NO_DLACTIVEXCTLS |
                                      DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL |
                                      DLCTL_NO_FRAMEDOWNLOAD | DLCTL_SILENT;

// The browser's events (DWebBrowserEvents2), answered only to veto: a separate object, as
// the site's own IDispatch answers ambient properties. It lives inside the site.
class TBrowserEvents : public IDispatch {
public:
    explicit TBrowserEvents(const std::string& page) : FPage(page) {}

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        switch (id) {
            case DISPID_BEFORENAVIGATE2: {
                // (pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
                const VARIANT* url = EventArgument(params, 5);
                const bool allowed =
                    url && url->vt == VT_BSTR && url->bstrVal &&
                    NavigationAllowed(FPage, Utf8(url->bstrVal, SysStringLen(url->bstrVal)));
                if (!allowed) CancelEvent(params, 0);
                break;
            }
            case DISPID_NEWWINDOW2:    // (ppDisp, Cancel)
            case DISPID_FILEDOWNLOAD:  // (ActiveDocument, Cancel)
                CancelEvent(params, 0);
                break;
            case DISPID_NEWWINDOW3:  // (ppDisp, Cancel, dwFlags, bstrUrlContext, bstrUrl)
                CancelEvent(params, 3);
                break;
            default:
                break;
        }
        return S_OK;
    }

    std::string FPage;  // UTF-8; empty until the first navigation is asked for
};

// Refuses every drag over the page, and every drop.
class TNoDrop : public IDropTarget {
public:
    STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
        if (riid == IID_IUnknown || riid == IID_IDropTarget) {
            *out = static_cast<IDropTarget*>(this);
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    STDMETHODIMP DragLeave() override { return S_OK; }
    STDMETHODIMP Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

// The container side of in-place activation: one object serves as the client site (with
// the ambient properties and the document host's UI answers), the in-place site and the
// frame. Its lifetime is the control's (COM counts are kept but the control deletes it
// after the browser has let go of it).
class TBrowserSite : public IOleClientSite,
                     public IOleInPlaceSite,
                     public IOleInPlaceFrame,
                     public IDispatch,
                     public IDocHostUIHandler {
public:
    explicit TBrowserSite(TWebBrowser& host) : FHost(host), FEvents("") {}
    ~TBrowserSite() { Close(); }

    IUnknown* Site() { return static_cast<IOleClientSite*>(this); }
    IDispatch* Events() { return &FEvents; }

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
        // The control reads the download control again when told it changed.
        TComPtr<IOleControl> control;
        if (SUCCEEDED(FObject->QueryInterface(IID_IOleControl, control.PutVoid())))
            control->OnAmbientPropertyChange(DISPID_AMBIENT_DLCONTROL);
        FBrowser->put_RegisterAsDropTarget(VARIANT_FALSE);
        FBrowser->put_Silent(VARIANT_TRUE);
        // Without the event sink no navigation could be vetoed: no browser then.
        TComPtr<IConnectionPointContainer> container;
        if (FAILED(FObject->QueryInterface(IID_IConnectionPointContainer, container.PutVoid())) ||
            FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, FConnection.Put())) ||
            FAILED(FConnection->Advise(&FEvents, &FCookie))) {
            Close();
            return false;
        }
        return true;
    }

    bool Navigate(const std::wstring& url) {
        if (!FBrowser) return false;
        FEvents.FPage = Utf8(url.data(), url.size());
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
        if (FConnection && FCookie) FConnection->Unadvise(FCookie);
        FCookie = 0;
        FConnection.Reset();
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
        else if (riid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else if (riid == IID_IDocHostUIHandler)
            *out = static_cast<IDocHostUIHandler*>(this);
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

    // IDispatch: the ambient properties the control asks its site for.
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (id != DISPID_AMBIENT_DLCONTROL || !result) return DISP_E_MEMBERNOTFOUND;
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = kPageDownloadControl;
        return S_OK;
    }

    // IDocHostUIHandler
    STDMETHODIMP ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) override {
        return S_OK;  // handled: no menu
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
        if (!info) return E_POINTER;
        info->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_DISABLE_HELP_MENU |
                        DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE | DOCHOSTUIFLAG_DIALOG;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    STDMETHODIMP ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                        IOleInPlaceUIWindow*) override {
        return S_OK;
    }
    STDMETHODIMP HideUI() override { return S_OK; }
    STDMETHODIMP UpdateUI() override { return S_OK; }
    STDMETHODIMP OnDocWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnFrameWindowActivate(BOOL) override { return S_OK; }
    STDMETHODIMP ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, const GUID*, DWORD) override { return S_FALSE; }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD) override {
        *key = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDropTarget(IDropTarget*, IDropTarget** target) override {
        *target = &FNoDrop;
        return S_OK;
    }
    STDMETHODIMP GetExternal(IDispatch** external) override {
        *external = nullptr;  // no window.external for the page
        return E_NOTIMPL;
    }
    STDMETHODIMP TranslateUrl(DWORD, LPWSTR, LPWSTR* out) override {
        *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject*, IDataObject** out) override {
        *out = nullptr;
        return S_FALSE;
    }

private:
    TWebBrowser& FHost;
    TComPtr<IOleObject> FObject;
    TComPtr<IWebBrowser2> FBrowser;
    TBrowserEvents FEvents;
    TComPtr<IConnectionPoint> FConnection;
    DWORD FCookie = 0;
    TNoDrop FNoDrop;
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

IUnknown* TWebBrowser::ClientSite() {
    HandleNeeded();
    return FSite ? FSite->Site() : nullptr;
}

IDispatch* TWebBrowser::EventSink() {
    HandleNeeded();
    return FSite ? FSite->Events() : nullptr;
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
