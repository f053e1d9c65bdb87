// Replays every fuzz target's seed corpus (fuzz/corpus/<target>/) through the
// same entry points the fuzzers call, so a reader that starts crashing on a
// kept input fails the ordinary test run.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
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

std::vector<std::uint8_t> le16(std::vector<std::uint8_t> head, std::uint16_t v) {
  head.push_back(static_cast<std::uint8_t>(v));
  head.push_back(static_cast<std::uint8_t>(v >> 8));
  return head;
}

std::vector<std::uint8_t> text_bytes(std::string_view text) { return {text.begin(), text.end()}; }

// While alive, the process may map only a little more memory than it has:
// a reader that believes a header and allocates hundreds of megabytes fails
// with bad_alloc instead of quietly succeeding on a large machine.
class address_space_cap {
 public:
  explicit address_space_cap(std::size_t headroom) {
    getrlimit(RLIMIT_AS, &saved_);
    std::ifstream status("/proc/self/status");
    std::string line;
    std::size_t kb = 0;
    while (std::getline(status, line))
      if (line.rfind("VmSize:", 0) == 0) kb = std::stoul(line.substr(7));
    if (kb == 0) return;
    rlimit capped = saved_;
    capped.rlim_cur = std::min<rlim_t>(saved_.rlim_max, kb * 1024 + headroom);
    active_ = setrlimit(RLIMIT_AS, &capped) == 0;
  }
  ~address_space_cap() {
    if (active_) setrlimit(RLIMIT_AS, &saved_);
  }
  address_space_cap(const address_space_cap&) = delete;
  address_space_cap& operator=(const address_space_cap&) = delete;

 private:
  rlimit saved_{};
  bool active_ = false;
};

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
      // 16384 x 16384 true-colour pixels, raw and run-length, in 82 bytes.
      {"tga", [] {
         std::vector<std::uint8_t> t = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0x40, 32, 0};
         t.resize(82, 0x7F);
         return t;
       }()},
      {"tga", [] {
         std::vector<std::uint8_t> t = {0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 0, 0x40, 32, 0};
         t.resize(82, 0xFF);
         return t;
       }()},
      // A sound whose data chunk claims 400 MB and holds 8 bytes.
      {"sound", [] {
         std::vector<std::uint8_t> w = le32(text_bytes("RIFF"), 400u << 20);
         for (char c : std::string_view("WAVEfmt ")) w.push_back(static_cast<std::uint8_t>(c));
         w = le16(le16(le32(w, 16), 1), 1);
         w = le16(le16(le32(le32(w, 44100), 88200), 2), 16);
         for (char c : std::string_view("data")) w.push_back(static_cast<std::uint8_t>(c));
         w = le32(w, 400u << 20);
         w.resize(w.size() + 8, 0x10);
         return w;
       }()},
      // A PNG of 16384 x 16384 RGB pixels (805 MB of rows) over a few bytes.
      {"png", [] {
         auto chunk = [](std::vector<std::uint8_t>& out, const char* type, std::vector<std::uint8_t> body) {
           const std::size_t n = body.size();
           for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(n >> shift));
           body.insert(body.begin(), type, type + 4);
           out.insert(out.end(), body.begin(), body.end());
           const auto crc = static_cast<std::uint32_t>(crc32(0L, body.data(), static_cast<uInt>(body.size())));
           for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(crc >> shift));
         };
         std::vector<std::uint8_t> p = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
         chunk(p, "IHDR", {0, 0, 0x40, 0, 0, 0, 0x40, 0, 8, 2, 0, 0, 0});
         chunk(p, "IDAT", {0x78, 0x9C, 0x63, 0, 0, 0, 1, 0, 1});
         chunk(p, "IEND", {});
         return p;
       }()},
      // Two billion scene objects and two billion parties.
      {"scene_objects", le32(le32(le32({}, 0xfffffd33u), 3), 0x7FFFFFFF)},
      {"parties", text_bytes("2000000000 0 ")},
  };
  address_space_cap cap(std::size_t{256} << 20);
  for (const claim& c : claims) {
    SCOPED_TRACE(c.target);
    EXPECT_TRUE(run_entry(c.target, c.bytes.data(), c.bytes.size()));
  }
}

// Nesting far past anything the files hold: refused before the parser recurses
// (a few thousand levels exhaust the stack), and in time linear in the text.
TEST(fuzz_entries, DeepNestingEndsCleanly) {
  std::string nested;
  for (int i = 0; i < 40000; ++i) nested += "<a>";
  for (const char* target : {"font", "skeleton_bodies"}) {
    SCOPED_TRACE(target);
    for (const std::string& text : {"<Font>" + nested, "<Skeletons>" + nested + "<s/>"}) {
      EXPECT_TRUE(run_entry(target, reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
    }
  }
}

TEST(fuzz_entries, UnknownTargetIsRefused) {
  const std::uint8_t byte = 0;
  EXPECT_FALSE(run_entry("no_such_target", &byte, 1));
}

// A process that used the entries' scratch folder takes it away when it ends.
// The run happens in a fresh process (the test program started again for this
// test alone), whose temporary folder is a private one here.
TEST(fuzz_entries, ScratchFolderGoesAwayWithTheProcess) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The started-again process runs this body too: it takes the folder its
  // parent made instead of making one of its own.
  const char* given = std::getenv("HOOFMARCH_SCRATCH_TEST_ROOT");
  std::string root = given != nullptr ? given : "";
  if (root.empty()) {
    char pattern[] = "/tmp/hm_scratch_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root = pattern;
    setenv("HOOFMARCH_SCRATCH_TEST_ROOT", root.c_str(), 1);
  }
  const char* old_tmp = std::getenv("TMPDIR");
  const std::string saved_tmp = old_tmp != nullptr ? old_tmp : "";
  setenv("TMPDIR", root.c_str(), 1);
  EXPECT_EXIT(
      {
        const std::vector<std::uint8_t> bytes(8, 0);
        run_entry("options", bytes.data(), bytes.size());
        std::exit(fs::is_empty(root) ? 3 : 0);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_TRUE(fs::is_empty(root));
  if (old_tmp != nullptr) {
    setenv("TMPDIR", saved_tmp.c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
  unsetenv("HOOFMARCH_SCRATCH_TEST_ROOT");
  std::error_code ignored;
  fs::remove_all(root, ignored);
}

}  // namespace
}  // namespace hm::fuzz
