// Shared by the reader's fuzz targets: a worker that answers every box with OK and a private
// folder for the files of one input.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "archive/ZAWrkr.h"

using namespace quill::archive;

namespace fuzzreader {

class TSilentUI final : public TZACoreUI {
public:
    bool IsGuiThread() const override { return true; }
    void ProcessMessages() override {}
    std::string ApplicationTitle() const override { return "fuzz"; }
    void ShowBusyCursor() override {}
    void RestoreCursor() override {}
    int ShowZipDialogBox(const std::string&, std::string&, TMsgDlgButtons, uint32_t) override {
        return mr::OK;
    }
};

// One folder per process, emptied before every input and removed when the process ends.
class TWorkFolder {
public:
    TWorkFolder() {
        std::string templ = (std::filesystem::temp_directory_path() / "zareaderXXXXXX").string();
        const char* made = ::mkdtemp(templ.data());
        if (!made) std::abort();
        FPath = made;
    }
    ~TWorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(FPath, ignored);
    }
    TWorkFolder(const TWorkFolder&) = delete;
    TWorkFolder& operator=(const TWorkFolder&) = delete;
    const std::filesystem::path& Path() const { return FPath; }

private:
    std::filesystem::path FPath;
};

inline const std::filesystem::path& WorkFolder() {
    static const TWorkFolder folder;
    return folder.Path();
}

inline void ResetWorkFolder() {
    for (const auto& e : std::filesystem::directory_iterator(WorkFolder()))
        std::filesystem::remove_all(e.path());
}

inline std::string WriteInput(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = (WorkFolder() / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    return path;
}

}  // namespace fuzzreader
