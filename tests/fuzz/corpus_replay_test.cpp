// Replays every fuzz target's seed corpus (fuzz/corpus/<target>/) through the
// same entry points the fuzzers call, so a reader that starts crashing on a
// kept input fails the ordinary test run.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_entries.h"

namespace hm::fuzz {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> read_bytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class corpus_replay : public ::testing::TestWithParam<entry> {};

TEST_P(corpus_replay, EveryKeptInputEndsCleanly) {
  const fs::path folder = fs::path(HOOFMARCH_SOURCE_DIR) / "fuzz" / "corpus" / GetParam().name;
  ASSERT_TRUE(fs::is_directory(folder)) << folder << " holds no seeds";
  int replayed = 0;
  for (const auto& file : fs::directory_iterator(folder)) {
    const std::vector<std::uint8_t> bytes = read_bytes(file.path());
    SCOPED_TRACE(file.path().string());
    EXPECT_TRUE(run_entry(GetParam().name, bytes.data(), bytes.size()));
    ++replayed;
  }
  EXPECT_GT(replayed, 0);
}

INSTANTIATE_TEST_SUITE_P(targets, corpus_replay, ::testing::ValuesIn(entries()),
                         [](const ::testing::TestParamInfo<entry>& info) { return std::string(info.param.name); });

std::vector<std::uint8_t> le32(std::vector<std::uint8_t> head, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) head.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  return head;
}

// Counts and sizes of hundreds of megabytes declared by a few bytes: each
// reader refuses them from the bytes left, before allocating.
TEST(fuzz_entries, HugeClaimsInSmallHeadersEndCleanly) {
  std::vector<std::uint8_t> dds(128, 0);
  const std::uint8_t dds_head[] = {'D', 'D', 'S', ' ', 124, 0, 0, 0, 0x07, 0x10, 0x02, 0, 0, 0x40, 0, 0, 0, 0x40};
  std::copy(std::begin(dds_head), std::end(dds_head), dds.begin());
  dds[28] = 15;                                // mip count
  dds[76] = 32, dds[80] = 0x41, dds[88] = 32;  // 32-bit ARGB
  dds[94] = 0xFF, dds[97] = 0xFF, dds[100] = 0xFF, dds[107] = 0xFF;
  struct claim {
    const char* target;
    std::vector<std::uint8_t> bytes;
  };
  const claim claims[] = {
      {"binary_stream", le32({2}, 0x7FFFFFFF)},             // a string of 2 GB
      {"binary_stream", le32({7}, 400u << 20)},             // a nested stream of 400 MB
      {"brf", le32(le32({}, 7), 0x7FFFFFFF)},               // a tag of 2 GB
      {"dds", dds},                                         // 16384 x 16384 in 128 bytes
      {"text_stream", {2, '9', '9', '9', '9', '9', '9', '9', '9', '9', ' '}},
      {"trf", {'t', 'e', 'x', 't', 'u', 'r', 'e', ' ', '2', '0', '0', '0', '0', '0', '0', '0', '0', '0', ' '}},
      {"statement_block", {'5', '0', '0', '0', '0', '0', '0', '0', '0', ' '}},
      {"module_text", {0, 'x', ' ', '1', ' ', '9', '9', '9', '9', '9', '9', '9', '9', ' '}},
  };
  for (const claim& c : claims) {
    SCOPED_TRACE(c.target);
    EXPECT_TRUE(run_entry(c.target, c.bytes.data(), c.bytes.size()));
  }
}

TEST(fuzz_entries, UnknownTargetIsRefused) {
  const std::uint8_t byte = 0;
  EXPECT_FALSE(run_entry("no_such_target", &byte, 1));
}

}  // namespace
}  // namespace hm::fuzz
