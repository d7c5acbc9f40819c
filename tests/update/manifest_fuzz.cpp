// libFuzzer entry for the release manifest reader: any bytes must parse or be refused
// without reading outside them, and what is read must hold the format's promises.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "update/ReleaseManifest.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quill::update;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto parsed = ParseManifest(text);
    if (!parsed) return 0;
    const std::string_view signedBytes = parsed->SignedBytes;
    if (signedBytes.data() != text.data() || signedBytes.size() >= text.size() ||
        signedBytes.back() != '\n' || parsed->Manifest.Size == 0 ||
        parsed->Manifest.Size > MaxArchiveSize || parsed->Signature.empty())
        __builtin_trap();
    InstallationFacts facts{parsed->Manifest.Version, {}, {}, 0};
    if (JudgeManifest(parsed->Manifest, facts) == Refusal::None &&
        parsed->Manifest.Product != ProductName)
        __builtin_trap();
    return 0;
}
