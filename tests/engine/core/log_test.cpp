#include "engine/core/log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "engine/core/stream.h"
#include "platform/message_box.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

std::string read_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string last_line(const std::string& text) {
  const std::size_t start = text.rfind('\n');
  return start == std::string::npos ? text : text.substr(start + 1);
}

// A message box backend that records what it was asked to show.
std::string g_box_caption;
std::string g_box_text;
int g_box_count = 0;
platform::message_box_result record_box(std::string_view caption, std::string_view text, platform::message_box_icon,
                                        platform::message_box_buttons) {
  g_box_caption = caption;
  g_box_text = text;
  ++g_box_count;
  return platform::message_box_result::ok;
}

class log_files : public ::testing::Test {
 protected:
  void SetUp() override {
    // No pid in the name: the death test's child must find the same folder.
    folder_ = fs::temp_directory_path() /
              (std::string("hm_log_test_") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    log_path_ = (folder_ / "ruv_log.txt").string();
    engine_log().close();
    engine_log().clear();
    g_box_count = 0;
    g_box_caption.clear();
    g_box_text.clear();
  }
  void TearDown() override {
    platform::set_message_box_backend(nullptr);
    engine_log().close();
    fs::remove_all(folder_);
  }

  fs::path folder_;
  std::string log_path_;
};

TEST_F(log_files, the_log_starts_new_and_keeps_each_line_at_once) {
  {
    std::ofstream(log_path_) << "last run's text\n";
  }
  ASSERT_TRUE(open_engine_log(log_path_));
  log_line("Loading Module...\n");
  // Flushed already: the log survives a crash.
  EXPECT_EQ(read_file(log_path_), "Starting new log file.\nLoading Module...\n");
  engine_log().write_cstr("WARNING:").write_int(3);
  EXPECT_EQ(read_file(log_path_), "Starting new log file.\nLoading Module...\nWARNING: 3 ");
}

TEST_F(log_files, lines_written_before_the_log_opens_follow_its_first_line) {
  // The settings are read before the log opens and report a missing file.
  log_line("Unable to find options.dat. Loading defaults\n");
  ASSERT_TRUE(open_engine_log(log_path_));
  log_line("Loading Module...\n");
  EXPECT_EQ(read_file(log_path_),
            "Starting new log file.\nUnable to find options.dat. Loading defaults\nLoading Module...\n");
  // Opened again: the new file has only what no file took yet.
  engine_log().close();
  log_line("after close\n");
  const std::string second = (folder_ / "second.txt").string();
  ASSERT_TRUE(open_engine_log(second));
  EXPECT_EQ(read_file(second), "Starting new log file.\nafter close\n");
  // A log that cannot open keeps its early lines for the next try.
  engine_log().close();
  log_line("kept\n");
  EXPECT_FALSE(open_engine_log((folder_ / "no_folder" / "x.txt").string()));
  ASSERT_TRUE(open_engine_log(log_path_));
  EXPECT_EQ(read_file(log_path_), "Starting new log file.\nkept\n");
}

TEST_F(log_files, a_fatal_error_leaves_error_and_the_message_in_the_log) {
  ASSERT_TRUE(open_engine_log(log_path_));
  log_line("load_map_data complete.\n");
  platform::set_message_box_backend(record_box);
  std::string caught;
  {
    scoped_fatal_throw guard;
    try {
      ruv_error("Unable to open %s", "x");
    } catch (const fatal_error& error) {
      caught = error.what();
    }
  }
  EXPECT_EQ(caught, "Unable to open x");
  EXPECT_EQ(last_line(read_file(log_path_)), "ERROR: Unable to open x ");
  EXPECT_EQ(g_box_count, 0);  // the throwing form shows no box
}

TEST_F(log_files, nested_throw_scopes_restore_the_previous_state) {
  scoped_fatal_throw outer;
  {
    scoped_fatal_throw inner;
  }
  // The outer scope is still alive: the fatal error must still throw.
  EXPECT_THROW(ruv_error("still throwing"), fatal_error);
}

TEST_F(log_files, a_fatal_error_ends_the_process_with_code_255_after_logging) {
  // The scope made and left before the error must not keep the throwing form.
  EXPECT_EXIT(
      {
        open_engine_log(log_path_);
        { scoped_fatal_throw finished; }
        ruv_error("Unable to open %s", "x");
      },
      ::testing::ExitedWithCode(255), "RUV ERROR.*Unable to open x");
  EXPECT_EQ(last_line(read_file(log_path_)), "ERROR: Unable to open x ");
}

TEST_F(log_files, messages_are_cut_to_511_characters) {
  ASSERT_TRUE(open_engine_log(log_path_));
  const std::string long_text(600, 'w');
  platform::set_message_box_backend(record_box);

  ruv_warning("%s", long_text.c_str());
  EXPECT_EQ(g_box_caption, "RUV WARNING");
  EXPECT_EQ(g_box_text, long_text.substr(0, 511));
  // A warning writes nothing to the log.
  EXPECT_EQ(read_file(log_path_), "Starting new log file.\n");

  scoped_fatal_throw guard;
  try {
    ruv_error("%s", long_text.c_str());
    FAIL() << "no fatal error";
  } catch (const fatal_error& error) {
    EXPECT_EQ(std::string(error.what()), long_text.substr(0, 511));
  }
  EXPECT_EQ(last_line(read_file(log_path_)), "ERROR: " + long_text.substr(0, 511) + " ");
}

TEST_F(log_files, an_unopened_log_does_not_stop_the_fatal_error) {
  engine_log().close();
  const std::string missing = (folder_ / "no_folder" / "ruv_log.txt").string();
  EXPECT_FALSE(open_engine_log(missing));
  EXPECT_THROW(
      {
        scoped_fatal_throw guard;
        ruv_error("format broken");
      },
      fatal_error);
}

}  // namespace
}  // namespace hm
