// Replays the committed seed corpus of the manifest reader through its fuzz entry.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(ManifestFuzzCorpus, EveryInputIsReadOrRefused) {
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MANIFEST_CORPUS_DIR)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << entry.path();
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}
