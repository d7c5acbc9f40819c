// The worker core's GUI on Windows: the toolkit's application and the archive dialog box.
#include <memory>

#include "archive/ZACore.h"
#include "archive/ZADlg.h"
#include "toolkit/Application.h"
#include "toolkit/Thread.h"

namespace quill::archive {

namespace {
class TToolkitCoreUI final : public TZACoreUI {
public:
    bool IsGuiThread() const override { return tk::IsGuiThread(); }
    void ProcessMessages() override { tk::Application.ProcessMessages(); }
    std::string ApplicationTitle() const override { return tk::Application.Title(); }
    void ShowBusyCursor() override { tk::Application.BeginBusy(); }
    // The core counts its own nesting: it shows once and restores once.
    void RestoreCursor() override { tk::Application.EndBusy(); }
    int ShowZipDialogBox(const std::string& title, std::string& text, TMsgDlgButtons buttons,
                         uint32_t context) override {
        // Owned by the application for its lifetime in the tree, freed when the call ends.
        std::unique_ptr<TZipDialogBox> box(new TZipDialogBox(nullptr, context));
        box->Build(title, text, buttons);
        const int result = box->ShowModalBox();
        if (box->Kind() == ZipDialogKind::Password) text = box->Password();
        return result;
    }
};
}  // namespace

std::unique_ptr<TZACoreUI> MakeDefaultZACoreUI() {
    return std::make_unique<TToolkitCoreUI>();
}

}  // namespace quill::archive
