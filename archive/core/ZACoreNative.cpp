// Builds without a GUI: the core runs as on a worker thread (no pumping, no cursor) and a
// dialog that nobody can answer chooses nothing.
#include "archive/ZACore.h"

namespace quill::archive {

namespace {
class TNoGuiUI final : public TZACoreUI {
public:
    bool IsGuiThread() const override { return false; }
    void ProcessMessages() override {}
    std::string ApplicationTitle() const override { return {}; }
    void ShowBusyCursor() override {}
    void RestoreCursor() override {}
    int ShowZipDialogBox(const std::string&, std::string& text, TMsgDlgButtons, uint32_t) override {
        text.clear();
        return mr::None;
    }
};
}  // namespace

std::unique_ptr<TZACoreUI> MakeDefaultZACoreUI() {
    return std::make_unique<TNoGuiUI>();
}

}  // namespace quill::archive
