// What fuzzers cannot make: a file in whose place stands a folder, and a file
// that opens but whose every read fails. Each reader that takes a path ends
// with its own clear refusal, never a hang, a crash or half-read data.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/settings/game_options.h"
#include "engine/text/font_details.h"
#include "module/base/ini_table.h"
#include "module/data/skeleton_bodies.h"
#include "platform/audio/audio_file.h"
#include "platform/fs.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

// A temporary folder holding, under each name asked for, either a folder or a
// link to a file that opens but cannot be read (the process's own memory at
// offset 0: every read fails with an input/output error, even for root).
class unreadable_files : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hm_read_errors_XXXXXX";
    root_ = mkdtemp(pattern);
    const char* old = std::getenv("XDG_DATA_HOME");
    old_data_home_ = old ? old : "";
    setenv("XDG_DATA_HOME", root_.c_str(), 1);
  }
  void TearDown() override {
    if (old_data_home_.empty())
      unsetenv("XDG_DATA_HOME");
    else
      setenv("XDG_DATA_HOME", old_data_home_.c_str(), 1);
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  enum class kind { folder, failing_reads };
  std::string make(const std::string& name, kind k) {
    const fs::path p = root_ / name;
    fs::create_directories(p.parent_path());
    fs::remove_all(p);
    if (k == kind::folder)
      fs::create_directory(p);
    else
      fs::create_symlink("/proc/self/mem", p);
    return p.string();
  }

  fs::path root_;
  std::string old_data_home_;
};

struct reader_case {
  const char* reader;
  const char* file;
  // True when the reader refused the file cleanly.
  std::function<bool(const std::string& path)> refuses;
};

// The engine's fatal error, caught: its message, or "" when none came.
std::string fatal_message(const std::function<void()>& run) {
  scoped_fatal_throw throwing;
  try {
    run();
  } catch (const fatal_error& e) {
    return e.what();
  }
  return "";
}

TEST_F(unreadable_files, EveryReaderRefusesAFolderOrAFileThatCannotBeRead) {
  const reader_case cases[] = {
      {"whole file", "any.txt", [](const std::string& p) { return !platform::read_whole_file(p, false); }},
      {"binary reader", "core.brf",
       [](const std::string& p) {
         binary_reader r;
         return !r.open(p) && r.failed;
       }},
      {"text reader", "items.txt",
       [](const std::string& p) {
         text_reader r;
         return !r.open(p) && r.failed;
       }},
      {"ini file", "module.ini",
       [](const std::string& p) {
         std::FILE* f = std::fopen(p.c_str(), "r");
         if (!f) return true;
         ini_table table;
         read_ini_file(table, f);
         std::fclose(f);
         return table.count() == 0;
       }},
      {"font data", "font_data.xml",
       [](const std::string& p) {
         font_details font;
         return fatal_message([&] { read_font_details(font, p.c_str()); }) == "Unable To Load Font File! " + p;
       }},
      {"skeleton bodies", "skeleton_bodies.xml",
       [](const std::string& p) { return !fatal_message([&] { load_skeleton_bodies(p.c_str()); }).empty(); }},
      {"sound", "sound.wav",
       [](const std::string& p) {
         platform::decoded_sound out;
         return !platform::decode_sound_file(p, false, out) && out.frames.empty();
       }},
      {"streamed sound", "music.ogg",
       [](const std::string& p) {
         platform::sound_file_reader reader;
         return !reader.open(p);
       }},
      {"options", "Hoofmarch/options.dat",
       [](const std::string&) {
         game_options options;
         options.grass_density = 77;
         return !read_options(options) && options.grass_density == 77;
       }},
  };
  for (kind k : {kind::folder, kind::failing_reads}) {
    for (const reader_case& c : cases) {
      const std::string path = make(c.file, k);
      EXPECT_TRUE(c.refuses(path)) << c.reader << (k == kind::folder ? " on a folder" : " on failing reads");
    }
  }
  engine_log().clear();
}

}  // namespace
}  // namespace hm
