#include "update/uAreab.h"

#include <windows.h>

#include <memory>
#include <type_traits>
#include <utility>

#include "download/ResumeRules.h"
#include "update/ArchiveVersionCheck.h"
#include "update/InstallOutcome.h"
#include "update/MainApplication.h"
#include "update/ProcessEnd.h"
#include "update/ProgressText.h"
#include "update/ReleaseGate.h"
#include "update/UpdateSignature.h"
#include "toolkit/Application.h"
#include "toolkit/Exception.h"
#include "toolkit/Graphics.h"
#include "update/utils.h"

using namespace quill::widgets;
using quill::download::THttpUrlGrabber;

namespace quill::update {

namespace {

constexpr const char* UnknownFailureText = "eroare necunoscuta";
constexpr unsigned ProgressPaintInterval = 100;  // milliseconds

UpdateDialogWatcher& DialogWatcher() {
    static UpdateDialogWatcher watcher;
    return watcher;
}

std::string ArchivePath() {
    return ProgramFolder() + ArchiveName;
}

NumberSeparators LocaleSeparators() {
    NumberSeparators separators;
    char text[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_STHOUSAND, text, sizeof text) > 1)
        separators.Thousands = text[0];
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, text, sizeof text) > 1)
        separators.Decimal = text[0];
    return separators;
}

// A component owned (and freed) by `owner`, named, and placed on `parent` when it is a control.
template <class T>
T* CreateNamed(tk::TComponent* owner, const char* name, tk::TWinControl* parent = nullptr) {
    auto* component = new T(owner);
    component->SetName(name);
    if constexpr (std::is_base_of_v<tk::TControl, T>) component->SetParent(parent);
    return component;
}

tk::TLabel* MakeLabel(tk::TComponent* owner, tk::TWinControl* parent, const char* name, int left,
                      int top, const char* caption, bool bold) {
    auto* label = CreateNamed<tk::TLabel>(owner, name, parent);
    label->SetLeft(left);
    label->SetTop(top);
    label->SetCaption(caption);
    label->SetTransparent(true);
    if (bold) {
        tk::TFont font = label->Font();
        font.SetStyle(tk::fsBold);
        // The label sizes itself to the version text it is given later.
        label->SetFont(font);
    }
    return label;
}

}  // namespace

TfAreAbon::~TfAreAbon() {
    // The transfer's last events (its handles closing) still reach this form's handlers:
    // they must have run before any component goes.
    try {
        ht->Stop();
    } catch (...) {
    }
}

TfAreAbon::TfAreAbon(tk::TComponent* AOwner) : tk::TForm(AOwner) {
    SetName("fAreAbon");
    CreateComponents();
    // As a stored form: the settings are applied while loading, then Loaded runs.
    BeginLoad();
    StoreSettings();
    EndLoad();
}

void TfAreAbon::CreateComponents() {
    SmoothPanel1 = CreateNamed<TSmoothPanel>(this, "SmoothPanel1", this);
    Label1 = MakeLabel(this, SmoothPanel1, "Label1", 24, 368, "Versiunea instalata", false);
    Label2 = MakeLabel(this, SmoothPanel1, "Label2", 24, 392, "Versiunea disponibila", false);
    verInst = MakeLabel(this, SmoothPanel1, "verInst", 128, 368, "", true);
    verDisp = MakeLabel(this, SmoothPanel1, "verDisp", 128, 392, "", true);
    WebBrowser1 = CreateNamed<tk::TWebBrowser>(this, "WebBrowser1", SmoothPanel1);
    WebBrowser1->SetBounds(8, 24, 297, 337);
    GlassButton1 = CreateNamed<TGlassButton>(this, "GlassButton1", SmoothPanel1);
    GlassButton2 = CreateNamed<TGlassButton>(this, "GlassButton2", SmoothPanel1);
    panDesc = CreateNamed<tk::TPanel>(this, "panDesc", SmoothPanel1);
    stare = CreateNamed<tk::TStaticText>(this, "stare", panDesc);
    progres = CreateNamed<TSpecialProgress>(this, "progres", panDesc);
    ht = CreateNamed<THttpUrlGrabber>(this, "ht");
    ZipArchiver1 = CreateNamed<archive::TZipArchiver>(this, "ZipArchiver1");
}

void TfAreAbon::StoreSettings() {
    SetCaption("Versiune noua disponibila");
    SetBounds(0, 0, 571, 468);
    SetPosition(tk::poScreenCenter);
    SetColor(tk::clBtnFace);
    OnClose.Assign(this, &TfAreAbon::FormClose);

    SmoothPanel1->SetAlign(tk::alClient);
    TSmoothPanelCaption& caption = SmoothPanel1->Caption();
    caption.SetText("Exista noutati la program. Actualizati?");
    tk::TFont captionFont = caption.Font();
    captionFont.SetName("Tahoma");
    captionFont.SetHeight(-16);
    caption.SetFont(captionFont);
    caption.SetColorStart(11563548);
    caption.SetColorEnd(10446362);
    TGDIPFill& fill = SmoothPanel1->Fill();
    fill.SetColor(16445929);
    fill.SetColorTo(15587527);
    fill.SetColorMirror(15587527);
    fill.SetColorMirrorTo(16773863);
    fill.SetGradientMirrorType(gtVertical);
    fill.SetBorderColor(14922381);
    fill.SetRounding(10);
    fill.SetShadowOffset(10);

    for (TGlassButton* button : {GlassButton1, GlassButton2}) {
        button->SetForeColor(tk::clWhite);
        button->SetGlowColor(16760205);
        button->SetInnerBorderColor(tk::clBlack);
        button->SetOuterBorderColor(tk::clWhite);
        button->SetShineColor(tk::clWhite);
    }
    GlassButton1->SetBounds(368, 160, 129, 65);
    GlassButton1->SetCaption("Descarca actualizarea");
    GlassButton1->SetBackColor(tk::clLime);
    GlassButton1->SetStyle(TToolButtonStyle::tasCheck);
    GlassButton1->OnClick.Assign(this, &TfAreAbon::GlassButton1Click);
    GlassButton2->SetBounds(376, 264, 129, 49);
    GlassButton2->SetCaption("Mai tarziu");
    GlassButton2->SetBackColor(33023);
    GlassButton2->OnClick.Assign(this, &TfAreAbon::GlassButton2Click);

    panDesc->SetBounds(16, 32, 505, 81);
    panDesc->SetVisible(false);
    stare->SetLeft(8);
    stare->SetTop(16);
    stare->SetCaption("stare");
    progres->SetBounds(8, 32, 489, 33);
    progres->SetBorderStyle(tk::bsSingle);
    progres->SetCaption("0");
    progres->SetColor(tk::clWhite);
    progres->SetGradientBlocks(true);
    progres->SetMaximum(0);
    progres->SetTextCentered(true);
    progres->SetTextOption(toCaption);
    // A download reports every 1025 bytes, far more often than anyone reads a count: the
    // bar is drawn at most ten times a second, from the latest count, as often as the
    // gathered reports come (each wake of this thread costs a slow line more than the
    // reports themselves).
    progres->SetPaintInterval(ProgressPaintInterval);

    // Port first: the Url setter takes a port written in the server base into Port.
    ht->Port = 0;
    ht->SetUrl(FreshArchiveUrl(std::string(ServerBase) + ArchiveName, ArchivePath()));
    ht->FileName = "output.txt";
    ht->Agent = "UrlGrabber";
    ht->ProxyAddresses = "proxyserver";
    ht->ProxyIgnoreList = "<local>";
    ht->OnProgress.Assign(this, &TfAreAbon::htProgress);
    ht->OnDoneFile.Assign(this, &TfAreAbon::htDoneFile);
    ht->OnError.Assign(this, &TfAreAbon::htError);
    ht->OnReconnect.Assign(this, &TfAreAbon::htReconnect);
    ht->AskProxyCredentials = true;

    ZipArchiver1->ExtrOptions = {archive::ExtrOverWrite,
                                 archive::ExtrRefuseUnsafe};  // all or nothing
    ZipArchiver1->Password = "marigoldstep";
    ZipArchiver1->SetPasswordReqCount(1);
    ZipArchiver1->Unattended = false;
    ZipArchiver1->Verbose = true;
    ZipArchiver1->Trace = false;
    ZipArchiver1->SetDll_Load(false);
    ZipArchiver1->OnTotalProgress.Assign(this, &TfAreAbon::ZipArchiver1TotalProgress);
}

void TfAreAbon::GlassButton1Click(tk::TObject*) {
    GlassButton1->SetEnabled(false);
    // Nothing is asked of the main application or the folder before the release is admitted.
    if (!FRelease.AdmitRelease(verDisp->Caption(), verInst->Caption()))
        return tk::Application.Terminate();
    if (ModalResult() != tk::mrNone) return;  // closed while the release was checked
    // The main application keeps running during the download: it is asked to quit only
    // once the archive is here and has passed its checks.
    const std::string archive = ArchivePath();
    if (GetFileAttributesA(archive.c_str()) != INVALID_FILE_ATTRIBUTES)
        DeleteFileA(archive.c_str());
    ht->FileName = archive;
    panDesc->SetVisible(true);
    progres->SetPosition(0);
    ht->Start();
}

void TfAreAbon::GlassButton2Click(tk::TObject*) {
    Close();
}

void TfAreAbon::htProgress(tk::TObject*, int64_t Position, int64_t TotalSize, const std::string&,
                           bool& Continue) {
    if (!FRelease.AdmitProgress(Position)) {
        Continue = false;
        return tk::Application.Terminate();
    }
    if (stare->Caption() != "Download") {
        stare->SetCaption("Download");
        stare->Repaint();
    }
    progres->SetMaximum(int32_t(TotalSize));
    progres->SetPosition(int32_t(Position));
    progres->SetCaption(DownloadCaption(Position, TotalSize, LocaleSeparators()));
}

void TfAreAbon::htDoneFile(tk::TObject*, const std::string&, int32_t, const std::string&) {
    FInstalling = true;
    progres->FlushPaint();  // the download's final count, before the extraction's texts
    if (!FRelease.AdmitArchive(ht->FileName)) return tk::Application.Terminate();
    // Whatever a step raises, the version is recorded, the user is told in one box, and the
    // program ends: no road out of here leaves the dialog open for good.
    bool installed = false;
    std::string failure;
    try {
        // The base folder first: the version record below needs it even when reading the
        // archive fails.
        ZipArchiver1->ExtrBaseDir = ProgramFolder();
        // An archive a cache kept from an earlier release is not installed over this one.
        RequireOfferedVersion(ht->FileName, verDisp->Caption(), ZipArchiver1->Password);
        // Nothing is extracted over a running main application; a user who gives up on
        // it leaves everything as it was.
        if (!EndMainApplication(MainWindowTitle)) {
            tk::ShowMessage(UpdateStoppedText);
            tk::Application.Terminate();
            return;
        }
        ZipArchiver1->SetZipFileName(ht->FileName);
        const int32_t result = ZipArchiver1->Extract();
        installed = UpdateInstalled(result, ZipArchiver1->SuccessCount(), false);
    } catch (...) {
        failure = tk::ExceptionText(std::current_exception(), UnknownFailureText);
    }
    try {
        RecordInstalledVersion(ZipArchiver1->ExtrBaseDir + "\\" + MainExecutable);
    } catch (...) {
        if (failure.empty())
            failure = tk::ExceptionText(std::current_exception(), UnknownFailureText);
    }
    tk::ShowMessage(InstallMessage(installed, failure));
    tk::Application.Terminate();
    if (failure.empty()) {
        stare->SetCaption("Download terminat");
        stare->Repaint();
    }
}

void TfAreAbon::htError(tk::TObject*, const std::string& ErrorMsg) {
    tk::ShowMessage(ErrorMsg);
}

void TfAreAbon::htReconnect(tk::TObject*, int Attempt, int Tries) {
    stare->SetCaption(download::ReconnectText(Attempt, Tries));
    stare->Repaint();
}

void TfAreAbon::ZipArchiver1TotalProgress(tk::TObject*, int64_t, int32_t PerCent) {
    progres->SetMaximum(100);
    progres->SetPosition(PerCent);
    progres->SetCaption(ExtractCaption(PerCent));
    // The start and the ends of a batch are shown as they happen.
    if (PerCent >= 100) progres->FlushPaint();
    if (PerCent == 100) panDesc->SetVisible(false);
}

void TfAreAbon::FormClose(tk::TObject*, tk::TCloseAction& Action) {
    // The install sequence runs inside the download's own end-of-download event and ends
    // the program itself; a close request then is ignored rather than waiting for the
    // download worker that waits for this very sequence.
    if (FInstalling) {
        Action = tk::caNone;
        return;
    }
    try {
        ht->Stop();
    } catch (...) {
        // closing goes on whatever the transfer does
    }
}

void WatchUpdateDialog(UpdateDialogWatcher watcher) {
    DialogWatcher() = std::move(watcher);
}

void ShowUpdateDialog(const std::string& installedVersion, const std::string& availableVersion,
                      const std::string& installationId) {
    // The dialog is the program's only window; it goes when its modal loop ends.
    auto form = std::make_unique<TfAreAbon>(nullptr);
    form->WebBrowser1->Navigate(
        tk::ToWide(std::string(ServerBase) + "getist.php?id=" + installationId));
    form->verInst->SetCaption(installedVersion);
    form->verDisp->SetCaption(availableVersion);
    if (DialogWatcher()) DialogWatcher()(*form);
    form->ShowModal();
    // No wait of the teardown below (the transfer's last events, the browser) may keep the
    // program alive once its dialog is done.
    EndProcessWithin();
}

}  // namespace quill::update
