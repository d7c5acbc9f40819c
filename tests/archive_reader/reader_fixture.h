#pragma once

#include <gtest/gtest.h>

#include "reader_test_support.h"

namespace readertest {

// A worker on the test platform whose boxes and OnMessage reports are recorded.
class ReaderTest : public ::testing::Test {
protected:
    ReaderTest() {
        worker = std::make_unique<TZAWorker>(nullptr, MakeRecordingUI(ui), platform);
        worker->OnMessage.Assign([this](TZASender, int32_t code, const std::string& text) {
            messages.push_back({code, text});
        });
        worker->OnDirUpdate.Assign([this](TZASender) { ++dirUpdates; });
        worker->OnTotalProgress.Assign([this](TZASender, int64_t size, int32_t perCent) {
            totals.push_back({size, perCent});
        });
    }

    // The texts of the boxes shown so far.
    std::vector<std::string> Boxes() const {
        std::vector<std::string> texts;
        for (const TShownBox& box : ui->Boxes) texts.push_back(box.Text);
        return texts;
    }
    static std::string Text(int id) { return LoadZipText(id); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : worker->EntryList) names.push_back(entry->FileName);
        return names;
    }

    std::shared_ptr<TUiLog> ui = std::make_shared<TUiLog>();
    TTestPlatform platform;
    std::unique_ptr<TZAWorker> worker;
    std::vector<std::pair<int32_t, std::string>> messages;
    std::vector<std::pair<int64_t, int32_t>> totals;
    int dirUpdates = 0;
};

}  // namespace readertest
