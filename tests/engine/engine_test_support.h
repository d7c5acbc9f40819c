// Shared by the engine's native tests: scratch folders, whole-tree snapshots and a host that
// records every report and answers questions as a test tells it to.
#pragma once

#include <gtest/gtest.h>
#include <iconv.h>

#include <atomic>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "engine/Extractor.h"

namespace enginetest {

namespace fs = std::filesystem;

inline fs::path archivePath(const std::string& name) {
    return fs::path(ENGINE_TEST_ARCHIVES) / name;
}
inline fs::path sourcePath(const std::string& relative) {
    return fs::path(ENGINE_TEST_ARCHIVES) / "src" / relative;
}

// Code page 852 (the OEM code page of a Romanian Windows) to UTF-8, by the C library.
inline std::string utf8FromCp852(std::string_view bytes) {
    iconv_t converter = iconv_open("UTF-8", "CP852");
    if (converter == reinterpret_cast<iconv_t>(-1)) {
        ADD_FAILURE() << "iconv knows no CP852";
        return {};
    }
    std::string in(bytes), out(bytes.size() * 4, '\0');
    char* from = in.data();
    char* to = out.data();
    std::size_t fromLeft = in.size(), toLeft = out.size();
    EXPECT_NE(iconv(converter, &from, &fromLeft, &to, &toLeft), static_cast<std::size_t>(-1));
    iconv_close(converter);
    out.resize(out.size() - toLeft);
    return out;
}

inline std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

inline void writeFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// Every file (with its bytes) and folder below `root`; equal snapshots mean an unchanged tree.
inline std::map<std::string, std::string> snapshot(const fs::path& root) {
    std::map<std::string, std::string> tree;
    for (const auto& item : fs::recursive_directory_iterator(root)) {
        std::string relative = fs::relative(item.path(), root).generic_string();
        tree[relative] = item.is_directory() ? std::string("<folder>") : readFile(item.path());
    }
    return tree;
}

// A fresh folder per test, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() {
        std::random_device random;
        path_ = fs::temp_directory_path() / ("engine-test-" + std::to_string(random()));
        fs::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

struct Event {
    std::string kind;
    std::string text;
    std::int64_t value = 0;
};

// As a password answer's repeat count: hand back the count asked with, as the component does.
inline constexpr std::int32_t kEcho = -1;

class RecordingHost : public zipengine::ExtractHost {
public:
    std::vector<Event> events;
    std::deque<zipengine::PasswordAnswer> passwordAnswers;  // asked in order; empty: "no"
    std::vector<std::int32_t> passwordRepeatCounts;
    bool overwriteAnswer = false;
    bool crcAnswer = false;
    std::function<bool(const Event&)> stopWhen;  // true: ask the engine to stop

    bool itemCount(std::int32_t count) override { return add({"count", "", count}); }
    bool totalSize(std::int64_t bytes) override { return add({"total", "", bytes}); }
    bool newItem(const std::string& name, std::int64_t size) override {
        return add({"item", name, size});
    }
    bool progress(std::int64_t bytes) override { return add({"progress", "", bytes}); }
    bool endOfBatch() override { return add({"end", "", 0}); }
    bool message(zipengine_abi::ZE_ErrorCode code, const std::string& text) override {
        return add({"message", text, code});
    }
    bool skipped(const std::string& name, zipengine_abi::ZE_SkipReason reason,
                 zipengine_abi::ZE_ErrorCode) override {
        return add({"skipped", name, reason});
    }
    zipengine::PasswordAnswer askPassword(const std::string& name, std::int32_t repeat) override {
        add({"password", name, repeat});
        passwordRepeatCounts.push_back(repeat);
        if (passwordAnswers.empty()) return {};
        auto answer = passwordAnswers.front();
        passwordAnswers.pop_front();
        if (answer.repeatCount == kEcho) answer.repeatCount = repeat;
        return answer;
    }
    bool acceptCrcMismatch(const std::string& name, std::uint32_t found,
                           std::uint32_t expected) override {
        add({"crc", name, static_cast<std::int64_t>(expected) << 32 | found});
        return crcAnswer;
    }
    bool confirmOverwrite(const std::string& name, bool older, std::int32_t) override {
        add({"overwrite", name, older});
        return overwriteAnswer;
    }

    std::vector<Event> only(const std::string& kind) const {
        std::vector<Event> found;
        for (const Event& event : events)
            if (event.kind == kind) found.push_back(event);
        return found;
    }
    std::int64_t sum(const std::string& kind) const {
        std::int64_t total = 0;
        for (const Event& event : only(kind)) total += event.value;
        return total;
    }
    bool skippedWith(const std::string& name, zipengine_abi::ZE_SkipReason reason) const {
        for (const Event& event : only("skipped"))
            if (event.text == name && event.value == reason) return true;
        return false;
    }

private:
    bool add(const Event& event) {
        events.push_back(event);
        return stopWhen && stopWhen(event);
    }
};

inline zipengine::ExtractRequest requestFor(const std::string& archive, const fs::path& base) {
    zipengine::ExtractRequest request;
    request.archivePath = archivePath(archive).string();
    request.baseFolder = base.string();
    request.password = "secret";
    request.directoryNames = true;
    request.overwrite = true;
    request.inUseRetry = std::chrono::milliseconds(200);
    return request;
}

inline std::int32_t extract(const zipengine::ExtractRequest& request, RecordingHost& host) {
    return zipengine::Extractor(request, host).run();
}

}  // namespace enginetest
