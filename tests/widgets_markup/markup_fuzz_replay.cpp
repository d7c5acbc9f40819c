// Replays the committed fuzz corpus through the fuzz entry, so that ctest
// keeps every input that once mattered working.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

TEST(MarkupFuzzCorpus, EveryInputLaysOut) {
    const std::filesystem::path dir = MARKUP_CORPUS_DIR;
    int replayed = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        std::ifstream in(entry.path(), std::ios::binary);
        std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                        std::istreambuf_iterator<char>());
        EXPECT_EQ(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()), 0) << entry.path();
        ++replayed;
    }
    EXPECT_GT(replayed, 0);
}
