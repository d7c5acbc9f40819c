// A scripted stand-in for the GUI side of the worker core: records what the core asked of it.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "archive/ZACore.h"

using namespace quill::archive;

struct ShownBox {
    std::string Title, Text;
    TMsgDlgButtons Buttons;
    uint32_t Context;
};

class FakeCoreUI final : public TZACoreUI {
public:
    struct Log {
        bool GuiThread = true;
        int Pumps = 0, BusyShown = 0, Restored = 0;
        std::vector<ShownBox> Boxes;
        std::deque<std::pair<int, std::string>> Answers;  // modal result and edit text, in turn
    };
    explicit FakeCoreUI(Log& log) : log_(log) {}

    bool IsGuiThread() const override { return log_.GuiThread; }
    void ProcessMessages() override { ++log_.Pumps; }
    std::string ApplicationTitle() const override { return "Quillora"; }
    void ShowBusyCursor() override { ++log_.BusyShown; }
    void RestoreCursor() override { ++log_.Restored; }
    int ShowZipDialogBox(const std::string& title, std::string& text, TMsgDlgButtons buttons,
                         uint32_t context) override {
        log_.Boxes.push_back({title, text, buttons, context});
        if (log_.Answers.empty()) return mr::OK;
        auto [result, edit] = log_.Answers.front();
        log_.Answers.pop_front();
        text = edit;
        return result;
    }

private:
    Log& log_;
};

// Turns one setting on, as the start of an operation would.
inline void TurnOn(TZACore& core, bool TZAExtractSettings::*setting) {
    TZAOperationSettings settings = core.Settings();
    settings.*setting = true;
    core.SetSettings(settings);
}
