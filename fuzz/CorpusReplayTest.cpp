// Replays a fuzz target's corpus (fuzz/corpus/<ZRQ_CORPUS>), so that every input it keeps is
// checked by each test run, with the ordinary compiler and sanitizers.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

TEST(FuzzCorpus, EveryInputKeepsItsPromises) {
  const char *source = std::getenv("ZRQ_SOURCE_DIR");
  ASSERT_NE(source, nullptr) << "ZRQ_SOURCE_DIR is not set";
  const std::filesystem::path corpus = std::filesystem::path(source) / "fuzz/corpus" / ZRQ_CORPUS;
  ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  size_t replayed = 0;
  for (const auto &entry : std::filesystem::directory_iterator(corpus)) {
    if (!entry.is_regular_file()) continue;
    SCOPED_TRACE(entry.path().string());
    std::ifstream file(entry.path(), std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    ++replayed;
  }
  EXPECT_GT(replayed, 0u);
}
