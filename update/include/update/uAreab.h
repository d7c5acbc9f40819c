#pragma once
// The update dialog: release notes, both versions, and the install sequence that the
// download button starts (download, quit request and wait for the main application,
// extraction, version record).

#include <functional>
#include <string>

#include "widgets/GlassButton.h"
#include "widgets/SmoothPanel.h"
#include "widgets/SpecialProgress.h"
#include "download/UrlGrabbers.h"
#include "archive/ZipArchiver.h"
#include "toolkit/ExtCtrls.h"
#include "toolkit/Forms.h"
#include "toolkit/StdCtrls.h"
#include "toolkit/WebBrowser.h"
#include "update/ReleaseGate.h"

namespace quill::update {

class TfAreAbon : public tk::TForm {
public:
    explicit TfAreAbon(tk::TComponent* AOwner);
    ~TfAreAbon() override;

    // Components; the form owns them all.
    quill::widgets::TSmoothPanel* SmoothPanel1;
    tk::TLabel* Label1;
    tk::TLabel* Label2;
    tk::TLabel* verInst;
    tk::TLabel* verDisp;
    tk::TWebBrowser* WebBrowser1;
    quill::widgets::TGlassButton* GlassButton1;
    quill::widgets::TGlassButton* GlassButton2;
    tk::TPanel* panDesc;
    tk::TStaticText* stare;
    quill::widgets::TSpecialProgress* progres;
    quill::download::THttpUrlGrabber* ht;
    archive::TZipArchiver* ZipArchiver1;

    void GlassButton1Click(tk::TObject* Sender);
    void GlassButton2Click(tk::TObject* Sender);
    void htProgress(tk::TObject* Sender, int64_t Position, int64_t TotalSize,
                    const std::string& Url, bool& Continue);
    void htDoneFile(tk::TObject* Sender, const std::string& FileName, int32_t FileSize,
                    const std::string& Url);
    void htError(tk::TObject* Sender, const std::string& ErrorMsg);
    void htReconnect(tk::TObject* Sender, int Attempt, int Tries);
    void ZipArchiver1TotalProgress(tk::TObject* Sender, int64_t TotalSize, int32_t PerCent);
    void FormClose(tk::TObject* Sender, tk::TCloseAction& Action);

    // True while the end-of-download handler installs the update.

private:
    void CreateComponents();
    void StoreSettings();
    bool FInstalling = false;
    TReleaseGate FRelease;
};

// Test builds watch the dialog through this: it is called with the dialog once it is
// built, before it opens.
using UpdateDialogWatcher = std::function<void(TfAreAbon&)>;
void WatchUpdateDialog(UpdateDialogWatcher watcher);

// Opens the dialog for an update from installedVersion to availableVersion and returns
// when its modal loop ends.
void ShowUpdateDialog(const std::string& installedVersion, const std::string& availableVersion,
                      const std::string& installationId);

}  // namespace quill::update
