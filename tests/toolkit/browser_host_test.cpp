// The browser host's lockdown, at its interfaces: the ambient download control the site
// answers, its document host answers, and the events its sink vetoes (the browser renders
// nothing under wine, so the page itself cannot show it).
#include <gtest/gtest.h>

#include <windows.h>
#include <exdispid.h>
#include <mshtmdid.h>
#include <mshtmhst.h>

#include <memory>

#include "toolkit/Forms.h"
#include "toolkit/Handles.h"
#include "toolkit/WebBrowser.h"

using namespace tk;

namespace {

class BrowserHost : public ::testing::Test {
protected:
    void SetUp() override {
        form.reset(new TForm(nullptr));
        browser = new TWebBrowser(form.get());
        browser->SetParent(form.get());
        if (!browser->Available()) GTEST_SKIP() << "no browser control on this system";
        browser->Navigate(L"http://127.0.0.1:9/getist.php?id=4711");
    }

    // Fires event `id` with `count` arguments through the sink; `cancelAt` is the index of
    // the Cancel argument (arguments come last first). Returns whether it was cancelled.
    bool Fire(DISPID id, UINT count, UINT cancelAt, const wchar_t* url = nullptr, UINT urlAt = 0) {
        std::unique_ptr<VARIANT[]> args(new VARIANT[count]);
        for (UINT i = 0; i < count; ++i) VariantInit(&args[i]);
        VARIANT_BOOL cancel = VARIANT_FALSE;
        args[cancelAt].vt = VT_BYREF | VT_BOOL;
        args[cancelAt].pboolVal = &cancel;
        VARIANT address;
        VariantInit(&address);
        if (url) {
            address.vt = VT_BSTR;
            address.bstrVal = SysAllocString(url);
            args[urlAt].vt = VT_BYREF | VT_VARIANT;
            args[urlAt].pvarVal = &address;
        }
        DISPPARAMS params{args.get(), nullptr, count, 0};
        EXPECT_EQ(browser->EventSink()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                                               nullptr, nullptr),
                  S_OK);
        VariantClear(&address);
        return cancel == VARIANT_TRUE;
    }

    std::unique_ptr<TForm> form;
    TWebBrowser* browser = nullptr;
};

TEST_F(BrowserHost, AmbientDownloadControlAllowsTextAndPicturesOnly) {
    TComPtr<IDispatch> ambient;
    ASSERT_EQ(browser->ClientSite()->QueryInterface(IID_IDispatch, ambient.PutVoid()), S_OK);
    VARIANT result;
    VariantInit(&result);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    ASSERT_EQ(ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                              &result, nullptr, nullptr),
              S_OK);
    ASSERT_EQ(result.vt, VT_I4);
    const LONG required = DLCTL_NO_SCRIPTS | DLCTL_NO_JAVA | DLCTL_NO_RUNACTIVEXCTLS |
                          DLCTL_NO_DLACTIVEXCTLS | DLCTL_NO_BEHAVIORS | DLCTL_NO_CLIENTPULL |
                          DLCTL_NO_FRAMEDOWNLOAD | DLCTL_SILENT;
    EXPECT_EQ(result.lVal & required, required);
    EXPECT_EQ(result.lVal & (DLCTL_VIDEOS | DLCTL_BGSOUNDS), 0);
}

TEST_F(BrowserHost, DocumentHostShowsNoMenuAndTakesNoDrop) {
    TComPtr<IDocHostUIHandler> host;
    ASSERT_EQ(browser->ClientSite()->QueryInterface(IID_IDocHostUIHandler, host.PutVoid()), S_OK);
    POINT at{10, 10};
    EXPECT_EQ(host->ShowContextMenu(0, &at, nullptr, nullptr), S_OK);  // handled: none shown
    IDropTarget* target = nullptr;
    ASSERT_EQ(host->GetDropTarget(nullptr, &target), S_OK);
    ASSERT_NE(target, nullptr);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK;
    EXPECT_EQ(target->DragEnter(nullptr, 0, POINTL{10, 10}, &effect), S_OK);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    effect = DROPEFFECT_COPY;
    target->Drop(nullptr, 0, POINTL{10, 10}, &effect);
    EXPECT_EQ(effect, DWORD(DROPEFFECT_NONE));
    target->Release();
}

TEST_F(BrowserHost, SinkCancelsNavigationAwayNewWindowsAndDownloads) {
    // BeforeNavigate2(pDisp, URL, Flags, TargetFrameName, PostData, Headers, Cancel)
    EXPECT_FALSE(Fire(DISPID_BEFORENAVIGATE2, 7, 0, L"http://127.0.0.1:9/getist.php?id=4711", 5));
    EXPECT_FALSE(Fire(DISPID_BEFORENAVIGATE2, 7, 0, L"http://127.0.0.1:9/notes/2.html", 5));
    EXPECT_TRUE(Fire(DISPID_BEFORENAVIGATE2, 7, 0, L"http://evil.example/setup.exe", 5));
    EXPECT_TRUE(Fire(DISPID_BEFORENAVIGATE2, 7, 0, L"file:///C:/windows/notepad.exe", 5));
    EXPECT_TRUE(Fire(DISPID_BEFORENAVIGATE2, 7, 0, nullptr));  // no address: no navigation
    EXPECT_TRUE(Fire(DISPID_NEWWINDOW2, 2, 0));                // (ppDisp, Cancel)
    EXPECT_TRUE(Fire(DISPID_NEWWINDOW3, 5, 3, L"http://127.0.0.1:9/", 0));
    EXPECT_TRUE(Fire(DISPID_FILEDOWNLOAD, 2, 0));  // (ActiveDocument, Cancel)
}

}  // namespace
