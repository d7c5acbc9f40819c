#pragma once

#include <gtest/gtest.h>

#include "reader_test_support.h"

// Reaches the worker's part helpers and the host the code-page rule looks at.
class TZAWorkerTestAccess {
public:
    static std::string PartFileName(TZAWorker& w, int disk, int last, const std::string& name,
                                    bool strip, bool extensionStyle) {
        w.FCurrentDisk = disk;
        w.FDir.LastDiskNumber = last;
        return w.PartFileName(name, strip, extensionStyle);
    }
    static void ReadEndRecordRaising(TZAWorker& w, const std::string& name) {
        w.FDir.OpenedName = name;
        ZipEndOfCentral record;
        w.ReadEndRecord(record, true);
    }
    static void SetNameHost(TZAWorker& w, int host, int version) {
        w.FDir.NameHost = host;
        w.FDir.NameVersion = version;
    }
};

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
    // Changes the worker's settings, as the start of an operation would.
    void Change(const std::function<void(TZAOperationSettings&)>& edit) {
        TZAOperationSettings settings = worker->Settings();
        edit(settings);
        worker->SetSettings(settings);
    }
    const TZADirectory& Dir() const { return worker->Directory(); }

    static std::string Text(int id) { return LoadZipText(id); }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : Dir().EntryList) names.push_back(entry->FileName);
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
