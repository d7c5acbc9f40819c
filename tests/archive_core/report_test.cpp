// Report: the order of events, the progress details and the two percentages.
#include <gtest/gtest.h>

#include "fake_core_ui.h"

// Stands in for an engine callback whose handler threw.
class TZACoreTestAccess {
public:
    static void SetCallbackExceptionText(TZACore& core, const std::string& text) {
        core.FCallbackExceptionText = text;
    }
};

namespace {
tk::TObject* const kOwner = reinterpret_cast<tk::TObject*>(0x1234);

class Reports : public ::testing::Test {
protected:
    Reports() : core(kOwner, std::make_unique<FakeCoreUI>(ui)) {
        core.OnTotalProgress.Assign([this](TZASender s, int64_t size, int32_t pc) {
            EXPECT_EQ(s, kOwner);
            events.push_back("total " + std::to_string(size) + " " + std::to_string(pc));
        });
        core.OnItemProgress.Assign(
            [this](TZASender, const std::string& item, uint32_t size, int32_t pc) {
                events.push_back("item " + item + " " + std::to_string(size) + " " +
                                 std::to_string(pc));
            });
        core.OnProgress.Assign(
            [this](TZASender, ProgressType t, const std::string& name, int64_t size) {
                events.push_back("progress " + std::to_string(int(t)) + " " + name + " " +
                                 std::to_string(size));
            });
        core.OnProgressDetails.Assign([this](TZASender, const TProgressDetails& d) {
            events.push_back("details " + std::to_string(int(d.ProgressKind)) + " " + d.ItemName);
        });
    }
    std::vector<std::string> Take() { return std::exchange(events, {}); }

    FakeCoreUI::Log ui;
    TZACore core;
    std::vector<std::string> events;
};

using Events = std::vector<std::string>;
}  // namespace

TEST_F(Reports, ABatchFiresItsEventsInOrder) {
    core.Report(ZAReport::ItemCount, 0, 2, "");
    EXPECT_EQ(Take(), (Events{"details 3 ", "progress 3  2"}));
    EXPECT_EQ(core.ProgressDetails().ItemCount, 2);

    core.Report(ZAReport::TotalSize, 0, 1000, "");
    EXPECT_EQ(Take(), (Events{"details 4 ", "progress 4  1000"}));

    core.Report(ZAReport::NewItem, 0, 400, "a.txt");
    EXPECT_EQ(Take(), (Events{"progress 0 a.txt 400", "details 0 a.txt", "item a.txt 400 0"}));
    EXPECT_EQ(core.ProgressDetails().ItemNumber, 1);

    core.Report(ZAReport::Progress, 0, 100, "");
    EXPECT_EQ(Take(),
              (Events{"progress 1  100", "details 1 a.txt", "item a.txt 100 25", "total 1000 10"}));
    core.Report(ZAReport::Progress, 0, 300, "");
    EXPECT_EQ(Take().back(), "total 1000 40");

    core.Report(ZAReport::NewItem, 0, 600, "b.txt");
    Take();
    core.Report(ZAReport::Progress, 0, 600, "");
    EXPECT_EQ(Take(), (Events{"progress 1  600", "details 1 b.txt", "item b.txt 600 100",
                              "total 1000 100"}));
    EXPECT_EQ(core.ProgressDetails().ItemNumber, 2);

    // The end of a batch reports 101 even right after 100.
    core.Report(ZAReport::EndOfBatch, 0, 0, "");
    EXPECT_EQ(Take(), (Events{"progress 2  0", "details 2 ", "item  0 101", "total 0 101"}));
    EXPECT_EQ(core.ProgressDetails().ItemBytes, 0u);
    EXPECT_EQ(core.ProgressDetails().TotalDone, 1000) << "details keep their last values";
}

TEST_F(Reports, ExtraStepsAndTicks) {
    int ticks = 0;
    core.OnTick.Assign([&](TZASender) { ++ticks; });
    core.Report(ZAReport::Tick, 0, 0, "");
    EXPECT_EQ(ticks, 1);
    EXPECT_TRUE(Take().empty());

    core.Report(ZAReport::NewExtra, 9, 3, "x.zip");
    EXPECT_EQ(Take(), (Events{"progress 5 x.zip 3", "details 5 *Loading Directory",
                              "item *Loading Directory 3 0"}));
    core.Report(ZAReport::ExtraProgress, 0, 1, "");
    EXPECT_EQ(Take(), (Events{"progress 6 *Loading Directory 1", "details 6 *Loading Directory",
                              "item *Loading Directory 3 33"}));
    EXPECT_EQ(core.ProgressDetails().TotalDone, 0) << "extra steps do not count towards the total";
}

TEST_F(Reports, NewItemCountClearsEveryDetail) {
    core.Report(ZAReport::TotalSize, 0, 50, "");
    core.Report(ZAReport::NewItem, 0, 50, "a");
    core.Report(ZAReport::Progress, 0, 20, "");
    core.Report(ZAReport::ItemCount, 0, 0x100000005LL, "");
    const TProgressDetails& d = core.ProgressDetails();
    EXPECT_EQ(d.ItemCount, 5) << "low 32 bits";
    EXPECT_EQ(d.TotalBytes, 0);
    EXPECT_EQ(d.TotalDone, 0);
    EXPECT_EQ(d.ItemNumber, 0);
    EXPECT_EQ(d.ItemName, "");
    EXPECT_EQ(d.ItemDone, 0u);
}

TEST_F(Reports, TotalPercentageEdgeCases) {
    core.Report(ZAReport::TotalSize, 0, 0, "");
    core.Report(ZAReport::Progress, 0, 500, "");
    EXPECT_EQ(Take().back(), "total 0 0") << "a total announced as 0 gives 0";

    core.Report(ZAReport::TotalSize, 0, 3, "");
    core.Report(ZAReport::Progress, 0, 2, "");
    EXPECT_EQ(Take().back(), "total 3 66") << "truncating";
    core.Report(ZAReport::Progress, 0, 2, "");
    EXPECT_EQ(Take().back(), "total 3 133") << "more than announced";

    // Progress amounts are the low 32 bits taken unsigned.
    core.Report(ZAReport::TotalSize, 0, 10000000000LL, "");
    core.Report(ZAReport::Progress, 0, 0xFFFFFFFFLL, "");
    EXPECT_EQ(core.ProgressDetails().TotalDone, 0xFFFFFFFFLL);
    EXPECT_EQ(Take().back(), "total 10000000000 42");
    core.Report(ZAReport::Progress, 0, -1, "");
    EXPECT_EQ(core.ProgressDetails().TotalDone, 2 * 0xFFFFFFFFLL);
}

TEST(ProgressDetails, ItemPercentageSwitchesAt214748Bytes) {
    TProgressDetails d;
    EXPECT_EQ(d.ItemPerCent(), 0u);
    d.ItemBytes = 214748;
    d.ItemDone = 214747;
    EXPECT_EQ(d.ItemPerCent(), 214747u / 2147u) << "ItemDone div (ItemBytes div 100)";
    EXPECT_EQ(d.ItemPerCent(), 100u);
    d.ItemBytes = 214747;
    d.ItemDone = 214746;
    EXPECT_EQ(d.ItemPerCent(), 99u) << "ItemDone * 100 div ItemBytes";
    d.ItemBytes = 4000000000u;
    d.ItemDone = 2000000000u;
    EXPECT_EQ(d.ItemPerCent(), 50u);
    d.ItemDone = 0;
    EXPECT_EQ(d.ItemPerCent(), 0u);

    d.TotalBytes = -5;
    d.TotalDone = 3;
    EXPECT_EQ(d.TotalPerCent(), 0);
    d.TotalBytes = std::numeric_limits<int64_t>::max() / 100;
    d.TotalDone = std::numeric_limits<int64_t>::max() / 50;
    EXPECT_EQ(d.TotalPerCent(), 200) << "stays exact where TotalDone * 100 would overflow";
}

TEST_F(Reports, MessageReportsSetTheLastError) {
    std::vector<std::pair<int32_t, std::string>> messages;
    core.OnMessage.Assign([&](TZASender, int32_t code, const std::string& text) {
        messages.emplace_back(code, text);
    });

    core.Report(ZAReport::Message, 0, 0, "just saying");
    EXPECT_EQ(core.LastErrorCode(), 0);
    EXPECT_EQ(core.LastErrorText(), "");

    core.Report(ZAReport::Message, 0x1FF, 0, "bad");
    EXPECT_EQ(core.LastErrorCode(), -1) << "low byte as a signed 8-bit number";
    EXPECT_EQ(core.FullCode(), 0x1FF);
    EXPECT_EQ(core.LastErrorText(), "bad");

    core.Report(ZAReport::Message, 0x309, 0, "engine text");
    EXPECT_EQ(core.LastErrorText(), "engine text") << "no pending handler exception";

    TZACoreTestAccess::SetCallbackExceptionText(core, "boom");
    core.Report(ZAReport::Message, 0x309, 0, "engine text");
    EXPECT_EQ(core.LastErrorCode(), 9);
    EXPECT_EQ(core.LastErrorText(), "Exception in Event boom");

    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[0], (std::pair<int32_t, std::string>{0, "just saying"}));
    EXPECT_EQ(messages[1].first, 0x1FF) << "OnMessage gets the whole code";
    EXPECT_EQ(messages[3], (std::pair<int32_t, std::string>{0x309, "Exception in Event boom"}));
    EXPECT_TRUE(ui.Boxes.empty()) << "message reports never open a dialog";
}

TEST_F(Reports, OtherTypesGoToReportOther) {
    struct Recorder : TZACore {
        using TZACore::TZACore;
        void ReportOther(ZAReport type, int32_t code, int64_t value,
                         const std::string& text) override {
            seen.push_back(uint8_t(type));
        }
        std::vector<uint8_t> seen;
    };
    FakeCoreUI::Log log;
    Recorder r(nullptr, std::make_unique<FakeCoreUI>(log));
    for (uint8_t t : {7, 8, 10, 11, 12, 19, 200}) r.Report(ZAReport(t), 0, 0, "");
    EXPECT_EQ(r.seen, (std::vector<uint8_t>{7, 8, 10, 11, 12, 200}));
    EXPECT_EQ(log.Pumps, 7) << "messages are pumped after every report, check-only included";
}

TEST_F(Reports, CheckTerminateOrMessagePumping) {
    core.Report(ZAReport::CheckOnly, 0, 0, "");
    EXPECT_EQ(ui.Pumps, 1);

    std::vector<bool> presets;
    bool answer = false;
    core.OnCheckTerminate.Assign([&](TZASender, bool& abort) {
        presets.push_back(abort);
        abort = answer;
    });
    core.Report(ZAReport::CheckOnly, 0, 0, "");
    EXPECT_FALSE(core.Cancel());
    answer = true;
    core.Report(ZAReport::Tick, 0, 0, "");
    EXPECT_TRUE(core.Cancel());
    answer = false;
    core.Report(ZAReport::Tick, 0, 0, "");
    EXPECT_TRUE(core.Cancel()) << "a false answer does not clear Cancel";
    EXPECT_EQ(presets, (std::vector<bool>{false, false, true}));
    EXPECT_EQ(ui.Pumps, 1) << "no pumping while OnCheckTerminate answers";

    core.OnCheckTerminate.Clear();
    ui.GuiThread = false;
    core.StartRun();
    EXPECT_TRUE(core.NotMainThread());
    core.Report(ZAReport::Tick, 0, 0, "");
    EXPECT_EQ(ui.Pumps, 1) << "no pumping off the GUI thread";
}

TEST_F(Reports, NothingHappensWhileDestroying) {
    core.SetDestroying(true);
    core.Report(ZAReport::TotalSize, 0, 5, "");
    core.Report(ZAReport::EndOfBatch, 0, 0, "");
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(core.ProgressDetails().TotalBytes, 0);
    EXPECT_EQ(ui.Pumps, 0);
}

TEST_F(Reports, HandlerExceptionsPassToTheCaller) {
    core.OnTotalProgress.Assign(
        [](TZASender, int64_t, int32_t) { throw std::runtime_error("handler"); });
    EXPECT_THROW(core.Report(ZAReport::EndOfBatch, 0, 0, ""), std::runtime_error);
}
