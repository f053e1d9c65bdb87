// The launcher: the module list with none, one and many modules and a stale
// last_module, Play writing last_module, the configuration's round trip
// through ruv_config.txt (OK writes, Cancel does not, a bad frame rate is
// refused), the display-memory defaults, and the version check against a
// server on 127.0.0.1 answering a number, 404, garbage and nothing.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>

#include "engine/core/stream.h"
#include "engine/core/log.h"
#include "engine/settings/ruv_config.h"
#include "module/text/translation_table.h"
#include "platform/fs.h"
#include "platform/net.h"
#include "platform/settings_store.h"
#include "shell/launcher/launcher_dialog.h"
#include "shell/launcher/launcher_model.h"

namespace hm {
namespace {

namespace fs = std::filesystem;

std::string tr(const char* key) { return std::string(g_translation_table.get_string_by_id(key).view()); }

// Stands in for the panel's window: presses the button it is told to, picks
// list items and sets check boxes and fields by label, and keeps the notes.
class scripted_ui final : public platform::dialog_ui {
 public:
  void group(const char*) override {}
  bool combo(const char* label, const std::vector<std::string>& items, int& selected, bool) override {
    last_items[label] = items;
    auto it = picks.find(label);
    if (it == picks.end()) return false;
    selected = it->second;
    picks.erase(it);
    return true;
  }
  bool radio(const char*, bool, bool) override { return false; }
  bool button(const char* label) override {
    buttons.push_back(label);
    return pressing == label;
  }
  void same_line() override {}
  void separator() override {}
  void note(const std::string& text) override { notes.push_back(text); }
  void text(const std::string& text) override { texts.push_back(text); }
  bool checkbox(const char* label, bool& checked) override {
    auto it = checks.find(label);
    if (it == checks.end()) return false;
    checked = it->second;
    checks.erase(it);
    return true;
  }
  bool slider_int(const char* label, int& value, int, int) override {
    auto it = numbers.find(label);
    if (it == numbers.end()) return false;
    value = it->second;
    numbers.erase(it);
    return true;
  }
  bool input_int(const char* label, int& value) override { return slider_int(label, value, 0, 0); }

  std::string pressing;
  std::map<std::string, int> picks;
  std::map<std::string, bool> checks;
  std::map<std::string, int> numbers;
  std::map<std::string, std::vector<std::string>> last_items;
  std::vector<std::string> buttons, notes, texts;
};

class Launcher : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("hm_launcher_test_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_ / "data" / "Modules");
    old_cwd_ = fs::current_path();
    fs::current_path(root_ / "data");
    for (const char* v : {"XDG_DATA_HOME", "XDG_CONFIG_HOME"}) {
      const char* old = std::getenv(v);
      old_env_[v] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    ::setenv("XDG_DATA_HOME", (root_ / "share").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (root_ / "config").c_str(), 1);
    platform::invalidate_path_cache();
    std::ifstream in(fs::path(HOOFMARCH_DATA_DIR) / "languages" / "en" / "ui.csv");
    std::stringstream text;
    text << in.rdbuf();
    g_translation_table.read_translation_lines(text.str());
  }
  void TearDown() override {
    g_translation_table.clear();
    engine_log().close();
    fs::current_path(old_cwd_);
    for (const auto& [name, value] : old_env_) {
      if (value)
        ::setenv(name.c_str(), value->c_str(), 1);
      else
        ::unsetenv(name.c_str());
    }
    fs::remove_all(root_);
    platform::invalidate_path_cache();
  }
  void add_module(const std::string& name, bool with_ini = true) {
    fs::create_directories(root_ / "data" / "Modules" / name);
    if (with_ini) std::ofstream(root_ / "data" / "Modules" / name / "module.ini") << "\n";
    platform::invalidate_path_cache();
  }
  fs::path config_file() const { return root_ / "share" / "Hoofmarch" / "ruv_config.txt"; }
  std::string read_text(const fs::path& p) const {
    std::ifstream in(p);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  fs::path root_, old_cwd_;
  std::map<std::string, std::optional<std::string>> old_env_;
};

TEST_F(Launcher, NoModulesSaysSoAndOffersNoPlay) {
  add_module("Broken", false);  // a folder without module.ini is no module
  launcher_dialog d = make_launcher_dialog(0, {});
  EXPECT_TRUE(d.modules.empty());
  EXPECT_EQ(d.selected, -1);
  scripted_ui ui;
  ui.pressing = tr("ui_play");
  EXPECT_EQ(lay_out_launcher(d, ui), std::nullopt);
  EXPECT_EQ(std::count(ui.buttons.begin(), ui.buttons.end(), tr("ui_play")), 0);
  ASSERT_FALSE(ui.notes.empty());
  EXPECT_EQ(ui.notes.back(), tr("ui_there_are_no_modules_installed"));
}

TEST_F(Launcher, OneModuleIsPlayedAndRemembered) {
  add_module("Sample");
  launcher_dialog d = make_launcher_dialog(0, {});
  ASSERT_EQ(d.modules, std::vector<std::string>{"Sample"});
  {
    // The version line.
    scripted_ui shown;
    EXPECT_EQ(lay_out_launcher(d, shown), std::nullopt);
    ASSERT_FALSE(shown.texts.empty());
    EXPECT_NE(shown.texts.back().find("1.000"), std::string::npos);
  }
  scripted_ui ui;
  ui.pressing = tr("ui_play");
  EXPECT_EQ(lay_out_launcher(d, ui), platform::dialog_result::ok);
  EXPECT_EQ(d.chosen_module, "Sample");
  EXPECT_EQ(platform::read_setting("last_module"), std::optional<std::string>("Sample"));
}

TEST_F(Launcher, ManyModulesSelectTheLastPlayedAndIgnoreAStaleOne) {
  for (const char* m : {"Gamma", "Alpha", "Beta"}) add_module(m);
  add_module("Empty", false);
  ASSERT_TRUE(platform::write_setting("last_module", "Beta"));
  launcher_dialog d = make_launcher_dialog(0, {});
  EXPECT_EQ(d.modules, (std::vector<std::string>{"Alpha", "Beta", "Gamma"}));
  EXPECT_EQ(d.selected, 1);

  // A module removed since: the first is selected, never an index off the list.
  ASSERT_TRUE(platform::write_setting("last_module", "Removed"));
  launcher_dialog stale = make_launcher_dialog(0, {});
  EXPECT_EQ(stale.selected, 0);
  EXPECT_EQ(launcher_selection({}, "Removed"), -1);

  // The player picks Gamma and plays.
  scripted_ui ui;
  ui.picks[tr("ui_current_setting")] = 2;
  ui.pressing = tr("ui_play");
  EXPECT_EQ(lay_out_launcher(stale, ui), platform::dialog_result::ok);
  EXPECT_EQ(stale.chosen_module, "Gamma");
  EXPECT_EQ(read_last_module(), "Gamma");
}

TEST_F(Launcher, MoreThanThirtyTwoModulesListThirtyTwo) {
  for (int i = 0; i < 33; ++i) add_module("M" + std::to_string(100 + i));
  EXPECT_EQ(launcher_modules().size(), 32u);
}

TEST_F(Launcher, ConfigurationRoundTripsThroughTheFile) {
  add_module("Sample");
  launcher_dialog d = make_launcher_dialog(0, {"800x600 32 bits", "1024x768 16 bits"});
  // Configure opens the page on a copy: without a file, texture detail 70.
  {
    scripted_ui ui;
    ui.pressing = tr("ui_configure");
    lay_out_launcher(d, ui);
    ASSERT_TRUE(d.configuring);
    EXPECT_EQ(d.configuring->copy.texture_detail, 70);
  }
  // A frame rate of 5 is refused in place; the other settings are changed.
  {
    scripted_ui ui;
    ui.numbers[tr("ui_max_frame_rate")] = 5;
    ui.numbers[tr("ui_texture_detail")] = 40;
    ui.checks[tr("ui_start_windowed")] = true;
    ui.checks[tr("ui_disable_blood")] = true;             // inverted: enable_blood 0
    ui.checks[tr("ui_enable_sound_variation")] = false;  // inverted: disable_frequency_variation 1
    ui.checks[tr("ui_force_single_threading")] = true;
    ui.picks[tr("ui_screen_size")] = 2;  // 1024 x 768, 16 bits
    ui.picks[tr("ui_shadow_quality")] = 2;
    ui.picks[tr("ui_enable_vertex_shaders")] = 0;
    ui.picks[tr("ui_antialiasing")] = 2;  // 4 samples
    lay_out_launcher(d, ui);
    EXPECT_EQ(d.configuring->frame_rate_field, 100);
    EXPECT_EQ(ui.last_items[tr("ui_screen_size")].size(), 3u);
  }
  {
    scripted_ui ui;
    ui.numbers[tr("ui_max_frame_rate")] = 60;
    lay_out_launcher(d, ui);
  }
  // Nothing is written before OK; the running settings are not touched.
  EXPECT_FALSE(fs::exists(config_file()));
  const ruv_config running = g_ruv_config;
  {
    scripted_ui ui;
    ui.pressing = tr("ui_ok2");
    lay_out_launcher(d, ui);
    EXPECT_FALSE(d.configuring);
  }
  EXPECT_EQ(g_ruv_config.texture_detail, running.texture_detail);
  ruv_config read;
  load_ruv_config(read);
  EXPECT_EQ(read.texture_detail, 40);
  EXPECT_EQ(read.max_framerate, 60);
  EXPECT_EQ(read.start_windowed, 1);
  EXPECT_EQ(read.enable_blood, 0);
  EXPECT_EQ(read.disable_frequency_variation, 1);
  EXPECT_EQ(read.force_single_threading, 1);
  EXPECT_EQ(read.display_width, 1024);
  EXPECT_EQ(read.display_height, 768);
  EXPECT_EQ(read.display_bits, 16);
  EXPECT_EQ(read.shadowmap_quality, 2);
  EXPECT_EQ(read.use_vertex_shaders, 0);
  EXPECT_EQ(read.antialiasing, 4);

  // Reopened, the page shows the file; Cancel after changes leaves it as it was.
  const std::string before = read_text(config_file());
  {
    scripted_ui ui;
    ui.pressing = tr("ui_configure");
    lay_out_launcher(d, ui);
    ASSERT_TRUE(d.configuring);
    EXPECT_EQ(d.configuring->copy.texture_detail, 40);
    EXPECT_EQ(screen_choice(*d.configuring), 2);
  }
  {
    scripted_ui ui;
    ui.numbers[tr("ui_texture_detail")] = 90;
    ui.checks[tr("ui_enable_cheats")] = true;
    ui.pressing = tr("ui_cancel2");
    lay_out_launcher(d, ui);
    EXPECT_FALSE(d.configuring);
  }
  EXPECT_EQ(read_text(config_file()), before);
}

TEST_F(Launcher, AConfigurationFileThatCannotBeWrittenKeepsThePageOpenAndSaysSo) {
  configuration_dialog c;
  fs::create_directories(root_ / "share");
  std::ofstream(root_ / "share" / "Hoofmarch") << "a file where the folder should be";
  platform::invalidate_path_cache();
  scripted_ui ui;
  ui.pressing = tr("ui_ok2");
  EXPECT_EQ(lay_out_configuration(c, ui), std::nullopt);
  ASSERT_FALSE(ui.notes.empty());
  EXPECT_NE(ui.notes.back().find("ruv_config.txt"), std::string::npos);
}

TEST_F(Launcher, DisplayMemoryGivesTheDefaults) {
  struct row {
    std::int32_t megabytes;
    bool force;
    std::int32_t texture, antialiasing, vertex, shadows;
  };
  // From the defaults (texture 50, antialiasing 1, shaders 1, shadows 1).
  const row rows[] = {
      {16, false, 0, 0, 0, 0}, {4, true, 0, 0, 0, 0},     {32, false, 50, 1, 1, 1}, {32, true, 20, 1, 0, 0},
      {64, true, 60, 1, 0, 0}, {128, true, 80, 1, 1, 1},  {256, true, 100, 1, 1, 1}, {0, true, 100, 1, 1, 1},
      {0, false, 50, 1, 1, 1},
  };
  for (const row& r : rows) {
    SCOPED_TRACE(std::to_string(r.megabytes) + (r.force ? " forced" : ""));
    ruv_config c;
    probe_display_memory(c, r.force, r.megabytes);
    EXPECT_EQ(c.texture_detail, r.texture);
    EXPECT_EQ(c.antialiasing, r.antialiasing);
    EXPECT_EQ(c.use_vertex_shaders, r.vertex);
    EXPECT_EQ(c.shadowmap_quality, r.shadows);
  }
  // Auto adjust probes with force.
  configuration_dialog d;
  d.display_memory_megabytes = 64;
  scripted_ui ui;
  ui.pressing = tr("ui_auto_adjust");
  lay_out_configuration(d, ui);
  EXPECT_EQ(d.copy.texture_detail, 60);
  EXPECT_EQ(d.copy.first_time, 0);
}

TEST_F(Launcher, TheFirstRunProbesOnceAndKeepsThePlayersLaterChoices) {
  ruv_config c;
  ASSERT_TRUE(prepare_launcher_settings(c, 128));
  EXPECT_EQ(c.texture_detail, 80);
  EXPECT_EQ(c.first_time, 0);
  // The player lowers the detail; the next start keeps it.
  c.texture_detail = 30;
  ASSERT_TRUE(save_ruv_config(c));
  ruv_config next;
  ASSERT_TRUE(prepare_launcher_settings(next, 128));
  EXPECT_EQ(next.texture_detail, 30);
}

// A server on 127.0.0.1 that answers each connection with the next canned
// answer (empty: it closes without a word) and keeps what it was sent.
class canned_server {
 public:
  explicit canned_server(std::vector<std::string> answers) : answers_(std::move(answers)) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd_, 8);
    socklen_t length = sizeof a;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &length);
    port_ = ntohs(a.sin_port);
    thread_ = std::thread([this] { serve(); });
  }
  ~canned_server() {
    thread_.join();
    ::close(fd_);
  }
  std::string address(const char* path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  std::vector<std::string> requests;

 private:
  void serve() {
    for (const std::string& answer : answers_) {
      const int c = ::accept(fd_, nullptr, nullptr);
      if (c < 0) return;
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t n = ::recv(c, buffer, sizeof buffer, 0);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
      }
      requests.push_back(request);
      // The answer in small pieces, as a slow network hands it over.
      for (std::size_t i = 0; i < answer.size(); i += 7) ::send(c, answer.data() + i, std::min<std::size_t>(7, answer.size() - i), MSG_NOSIGNAL);
      ::close(c);
    }
  }
  int fd_ = -1;
  int port_ = 0;
  std::vector<std::string> answers_;
  std::thread thread_;
};

TEST_F(Launcher, VersionCheckAgainstALocalServer) {
  const struct {
    const char* what;
    std::string answer;
    std::int32_t version;
    version_check_result verdict;
  } rows[] = {
      {"a newer version", "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\n1001\n", 1001,
       version_check_result::new_version},
      {"this version", "HTTP/1.1 200 OK\r\n\r\n1000", 1000, version_check_result::up_to_date},
      {"not found", "HTTP/1.0 404 Not Found\r\n\r\n404 - the file is not here", -1,
       version_check_result::unable_to_retrieve},
      {"a page that is no number", "HTTP/1.0 200 OK\r\n\r\n<html>moved</html>", -1,
       version_check_result::unable_to_retrieve},
      {"garbage", "\x01\x02 not http at all\r\n\r\n2000", -1, version_check_result::unable_to_retrieve},
      {"nothing", "", -1, version_check_result::unable_to_retrieve},
  };
  std::vector<std::string> answers;
  for (const auto& r : rows) answers.push_back(r.answer);
  canned_server server(answers);
  for (const auto& r : rows) {
    SCOPED_TRACE(r.what);
    const std::int32_t v = get_latest_version(server.address("/version.txt"), 3000);
    EXPECT_EQ(v, r.version);
    EXPECT_EQ(judge_version(v), r.verdict);
  }
  ASSERT_FALSE(server.requests.empty());
  const std::string& sent = server.requests.front();
  EXPECT_EQ(sent.rfind("GET /version.txt HTTP/1.0\r\n", 0), 0u) << sent;
  EXPECT_NE(sent.find("\r\nHost: 127.0.0.1\r\n"), std::string::npos) << sent;
  EXPECT_NE(sent.find("\r\nUser-Agent: Mozilla/4.0\r\n"), std::string::npos) << sent;
}

TEST_F(Launcher, VersionCheckWithNoServerSaysUnableToRetrieve) {
  // A port nothing listens on (bound, then closed).
  int port = 0;
  {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t length = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &length);
    port = ntohs(a.sin_port);
    ::close(fd);
  }
  add_module("Sample");
  launcher_dialog d = make_launcher_dialog(0, {});
  d.version_address = "http://127.0.0.1:" + std::to_string(port) + "/version.txt";
  d.timeout_ms = 2000;
  scripted_ui ui;
  ui.pressing = tr("ui_check_for_new_version");
  lay_out_launcher(d, ui);
  EXPECT_NE(d.message.find(tr("ui_notification_unable_to_retreive_new_version")), std::string::npos);
  EXPECT_EQ(d.message.find(tr("ui_notification_latest_version")), std::string::npos);
  // Without an address the check is off: no button.
  launcher_dialog off = make_launcher_dialog(0, {});
  scripted_ui none;
  lay_out_launcher(off, none);
  EXPECT_EQ(std::count(none.buttons.begin(), none.buttons.end(), tr("ui_check_for_new_version")), 0);
}

TEST(Url, SplitsAsTheClientReadsIt) {
  platform::url_parts u;
  ASSERT_TRUE(platform::split_url("http://example.org:8080/a/b.txt", u));
  EXPECT_EQ(u.scheme, "http");
  EXPECT_EQ(u.host, "example.org");
  EXPECT_EQ(u.port, 8080);
  EXPECT_EQ(u.path, "/a/b.txt");
  ASSERT_TRUE(platform::split_url("example.org", u));
  EXPECT_EQ(u.scheme, "HTTP");
  EXPECT_EQ(u.port, 80);
  EXPECT_EQ(u.path, "/");
  EXPECT_FALSE(platform::split_url("http://host:99999/", u));
  EXPECT_FALSE(platform::split_url("http://host:x/", u));
  EXPECT_FALSE(platform::split_url("http:///path", u));
}

}  // namespace
}  // namespace hm
