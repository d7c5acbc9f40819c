// libFuzzer entry point: any bytes as an archive, extracted into a scratch folder with options
// chosen by the first byte. Finds crashes, leaks and out-of-bounds reads in the core.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <unistd.h>

#include "engine/Extractor.h"

namespace {

class FuzzHost final : public zipengine::ExtractHost {
public:
    zipengine::PasswordAnswer askPassword(const std::string&, std::int32_t count) override {
        return {zipengine_abi::ZE_ReplyYes, "secret", count};
    }
    bool confirmOverwrite(const std::string&, bool older, std::int32_t) override { return older; }
};

std::filesystem::path scratchFolder() {
    static const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("zipengine-fuzz-" + std::to_string(getpid()));
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const std::uint8_t options = data[0];
    zipengine::ExtractRequest request;
    request.archivePath = "fuzz.zip";
    request.baseFolder = scratchFolder().string();
    request.password = (options & 1) ? "secret" : "";
    request.passwordRequests = (options >> 1) & 3;
    request.testOnly = options & 8;
    request.directoryNames = options & 16;
    request.overwrite = options & 32;
    request.update = options & 64;
    request.freshen = options & 128;
    request.trace = true;
    request.inUseRetry = std::chrono::milliseconds(0);
    if (options & 4) request.fileSpecs = {"*.txt", "dir/*"};
    FuzzHost host;
    zipengine::MemoryByteSource archive(std::span(data + 1, size - 1));
    zipengine::Extractor(request, host).run(archive);
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder(), ignored);
    return 0;
}
