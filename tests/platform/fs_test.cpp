#include "platform/fs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "platform/support/temp_folder.h"

namespace hm::platform {
namespace {
namespace fs = std::filesystem;
using testing::read_bytes;
using testing::scoped_env;
using testing::temp_folder;

// A small data tree whose letter case differs from how the engine names it.
class fs_tree : public ::testing::Test {
 protected:
  void SetUp() override {
    invalidate_path_cache();
    tmp.write("Data/Font_Data.xml", "<font/>");
    tmp.write("Modules/Sample/Module.ini", "first_multiplayer_site = 0\n");
    tmp.write("Modules/Sample/Resource/Mesh.BRF", "brf");
    tmp.make_folder("CommonRes");
  }
  void TearDown() override { invalidate_path_cache(); }

  // The engine's form of a path under the tree: backslashes.
  std::string engine(std::string relative) const {
    for (char& c : relative) {
      if (c == '/') c = '\\';
    }
    return tmp.path().string() + "\\" + relative;
  }
  fs::path host(const std::string& relative) const { return tmp.path() / relative; }

  temp_folder tmp;
};

TEST_F(fs_tree, resolves_each_component_without_regard_to_case) {
  struct example {
    const char* engine_path;  // under the tree, with backslashes
    const char* expected;     // under the tree, as on disk
  };
  const example examples[] = {
      {"Data\\Font_Data.xml", "Data/Font_Data.xml"},  // exact
      {"data\\font_data.xml", "Data/Font_Data.xml"},
      {"MODULES\\sample\\module.INI", "Modules/Sample/Module.ini"},
      {"modules\\SAMPLE\\resource\\mesh.brf", "Modules/Sample/Resource/Mesh.BRF"},
      {"data/FONT_DATA.XML", "Data/Font_Data.xml"},  // forward slashes too
      {"data\\..\\modules\\sample", "Data/../Modules/Sample"},
      {"data\\.\\font_data.xml", "Data/Font_Data.xml"},
      {"data\\\\font_data.xml", "Data/Font_Data.xml"},  // doubled separator
      // Components that match nothing are kept as given, and so is all after them.
      {"data\\New_File.txt", "Data/New_File.txt"},
      {"nothere\\Sub\\x.txt", "nothere/Sub/x.txt"},
      {"modules\\sample\\Missing\\module.ini", "Modules/Sample/Missing/module.ini"},
      // A file cannot hold anything: the rest is kept as given.
      {"data\\font_data.xml\\inner", "Data/Font_Data.xml/inner"},
  };
  for (const example& e : examples) {
    SCOPED_TRACE(e.engine_path);
    EXPECT_EQ(resolve_path(engine(e.engine_path)), host(e.expected));
  }
  EXPECT_EQ(resolve_path(engine("commonres\\")), host("CommonRes/"));
  EXPECT_EQ(resolve_path(""), fs::path());
}

TEST_F(fs_tree, relative_paths_resolve_against_the_working_folder) {
  const fs::path old = fs::current_path();
  fs::current_path(tmp.path());
  EXPECT_EQ(resolve_path("modules\\sample\\module.ini"), fs::path("Modules/Sample/Module.ini"));
  EXPECT_EQ(resolve_path("data\\new.txt"), fs::path("Data/new.txt"));
  EXPECT_TRUE(file_exists("DATA\\font_data.xml"));
  // The same relative path in another working folder is another folder.
  fs::current_path(tmp.path() / "Modules");
  EXPECT_EQ(resolve_path("sample\\resource\\MESH.brf"), fs::path("Sample/Resource/Mesh.BRF"));
  EXPECT_FALSE(file_exists("data\\font_data.xml"));
  fs::current_path(old);
}

TEST_F(fs_tree, finds_files_created_after_the_folder_was_first_looked_at) {
  EXPECT_EQ(resolve_path(engine("data\\later.txt")), host("Data/later.txt"));
  EXPECT_FALSE(file_exists(engine("data\\later.txt")));

  tmp.write("Data/LATER.txt", "x");  // behind the lookup's back
  EXPECT_EQ(resolve_path(engine("data\\later.txt")), host("Data/LATER.txt"));
  EXPECT_TRUE(file_exists(engine("DATA\\Later.TXT")));

  // Whole folders created later are found as well.
  tmp.write("Modules/Other/Module.ini", "");
  EXPECT_EQ(resolve_path(engine("modules\\other\\module.ini")), host("Modules/Other/Module.ini"));
}

TEST_F(fs_tree, finds_new_files_in_folders_unchanged_for_a_long_time) {
  // A folder last changed an hour ago is trusted on a miss until it changes again.
  const fs::path folder = host("CommonRes");
  fs::last_write_time(folder, fs::file_time_type::clock::now() - std::chrono::hours(1));
  invalidate_path_cache();
  EXPECT_FALSE(file_exists(engine("commonres\\core.brf")));
  EXPECT_FALSE(file_exists(engine("commonres\\core.brf")));

  tmp.write("CommonRes/Core.BRF", "brf");  // moves the folder's time
  EXPECT_EQ(resolve_path(engine("commonres\\core.brf")), host("CommonRes/Core.BRF"));
}

TEST_F(fs_tree, invalidation_forgets_names_that_are_gone) {
  tmp.write("Data/Names.txt", "old");
  EXPECT_EQ(resolve_path(engine("data\\names.txt")), host("Data/Names.txt"));
  fs::remove(host("Data/Names.txt"));
  tmp.write("Data/NAMES.TXT", "new");
  invalidate_path_cache();
  EXPECT_EQ(resolve_path(engine("data\\names.txt")), host("Data/NAMES.TXT"));
}

TEST_F(fs_tree, removing_and_renaming_through_the_layer_keep_the_lookup_right) {
  tmp.write("Data/Save.sav", "1");
  ASSERT_TRUE(file_exists(engine("data\\save.sav")));

  ASSERT_TRUE(remove_file(engine("data\\SAVE.SAV")));
  tmp.write("Data/save.SAV", "2");  // a new file with another spelling
  EXPECT_EQ(read_whole_file(engine("data\\Save.sav"), false), "2");

  ASSERT_TRUE(rename_file(engine("data\\save.sav"), engine("data\\backup.sav")));
  EXPECT_FALSE(file_exists(engine("data\\save.sav")));
  EXPECT_EQ(read_bytes(host("Data/backup.sav")), "2");

  // Renaming onto an existing file replaces it, in whatever case it is spelt.
  tmp.write("Data/Target.sav", "old");
  tmp.write("Data/new.sav", "new");
  ASSERT_TRUE(rename_file(engine("data\\new.sav"), engine("data\\TARGET.SAV")));
  EXPECT_EQ(read_bytes(host("Data/Target.sav")), "new");

  EXPECT_FALSE(remove_file(engine("data\\no_such.sav")));
  EXPECT_FALSE(remove_file(engine("data")));  // folders are not removed
  EXPECT_FALSE(rename_file(engine("data\\no_such.sav"), engine("data\\x.sav")));
}

TEST(fs_case, exact_names_win_and_otherwise_the_first_in_sorted_order) {
  invalidate_path_cache();
  temp_folder tmp;
  tmp.write("set/readme.txt", "lower");
  tmp.write("set/ReadMe.txt", "mixed");
  tmp.write("set/README.txt", "upper");
  tmp.write("Dir/a.txt", "in Dir");
  tmp.write("dir/b.txt", "in dir");
  const std::string root = tmp.path().string();

  EXPECT_EQ(read_whole_file(root + "\\set\\ReadMe.txt", false), "mixed");
  EXPECT_EQ(read_whole_file(root + "\\set\\readme.txt", false), "lower");
  // "README.txt" < "ReadMe.txt" < "readme.txt" in byte order.
  EXPECT_EQ(read_whole_file(root + "\\set\\README.TXT", false), "upper");
  EXPECT_EQ(read_whole_file(root + "\\set\\rEADME.TXT", false), "upper");

  // Per component: the exact folder name wins even when the file is in the other.
  EXPECT_EQ(read_whole_file(root + "\\dir\\B.TXT", false), "in dir");
  EXPECT_EQ(resolve_path(root + "\\Dir\\b.txt"), tmp.path() / "Dir/b.txt");
  EXPECT_EQ(read_whole_file(root + "\\DIR\\A.TXT", false), "in Dir");
  invalidate_path_cache();
}

TEST(fs_case, lookups_from_many_threads_agree) {
  invalidate_path_cache();
  temp_folder tmp;
  for (int i = 0; i < 20; ++i) tmp.write("Folder" + std::to_string(i) + "/File.txt", "x");
  const std::string root = tmp.path().string();
  std::vector<std::thread> threads;
  std::vector<int> wrong(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 200; ++round) {
        const int i = (round + t) % 20;
        if (t == 0 && round % 10 == 0) invalidate_path_cache();
        const fs::path got = resolve_path(root + "\\FOLDER" + std::to_string(i) + "\\file.TXT");
        if (got != tmp.path() / ("Folder" + std::to_string(i)) / "File.txt") ++wrong[t];
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(wrong, std::vector<int>(4, 0));
  invalidate_path_cache();
}

TEST(fs_files, open_file_writes_and_reads_through_resolution) {
  temp_folder tmp;
  tmp.make_folder("Textures");
  const std::string root = tmp.path().string();
  std::FILE* out = open_file(root + "\\textures\\new.dds", "wb");
  ASSERT_NE(out, nullptr);
  std::fputs("DDS ", out);
  std::fclose(out);
  EXPECT_EQ(read_bytes(tmp.path() / "Textures/new.dds"), "DDS ");

  std::FILE* in = open_file(root + "\\TEXTURES\\NEW.DDS", "rb");
  ASSERT_NE(in, nullptr);
  std::fclose(in);
  EXPECT_EQ(open_file(root + "\\textures\\missing.dds", "rb"), nullptr);
  EXPECT_EQ(open_file("", "rb"), nullptr);
}

TEST(fs_files, text_mode_drops_a_cr_before_an_lf_only) {
  temp_folder tmp;
  const std::string bytes = "a = 1\r\nb = 2\r\n\r\nlone\rcr\r\r\nend\r";
  tmp.write("Conf.txt", bytes);
  const std::string path = tmp.path().string() + "\\conf.TXT";
  EXPECT_EQ(read_whole_file(path, true), "a = 1\nb = 2\n\nlone\rcr\r\nend\r");
  EXPECT_EQ(read_whole_file(path, false), bytes);

  tmp.write("empty.txt", "");
  EXPECT_EQ(read_whole_file(tmp.path().string() + "\\empty.txt", true), "");
  EXPECT_EQ(read_whole_file(tmp.path().string() + "\\missing.txt", true), std::nullopt);
  EXPECT_EQ(read_whole_file(tmp.path().string(), false), std::nullopt);  // a folder
}

TEST(fs_files, large_files_are_read_whole) {
  temp_folder tmp;
  std::string bytes;
  for (int i = 0; i < 100000; ++i) bytes += (i % 2) ? "\r\n" : "xy";  // CRLFs across read chunks
  bytes.push_back('\0');
  bytes += "tail";
  tmp.write("big.bin", bytes);
  const auto binary = read_whole_file(tmp.path().string() + "\\big.bin", false);
  ASSERT_TRUE(binary);
  EXPECT_EQ(*binary, bytes);
  const auto text = read_whole_file(tmp.path().string() + "\\big.bin", true);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->size(), bytes.size() - 50000);
  EXPECT_EQ(text->find('\r'), std::string::npos);
}

TEST(fs_files, cr_before_lf_is_dropped_in_place) {
  const struct {
    std::string in, out;
  } cases[] = {
      {"", ""},
      {"\r", "\r"},
      {"\n", "\n"},
      {"\r\n", "\n"},
      {"\r\r\n", "\r\n"},
      {"\n\r", "\n\r"},
      {"a\rb\r\nc\r", "a\rb\nc\r"},
      {"\r\n\r\n\r\n", "\n\n\n"},
      {std::string("x\0\r\n\0y", 6), std::string("x\0\n\0y", 5)},
  };
  for (const auto& c : cases) {
    std::string bytes = c.in;
    bytes.resize(drop_cr_before_lf(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, c.out) << ::testing::PrintToString(c.in);
  }
}

// Pipes say no size: they are read in rooms that double from 64 KiB, each one
// filled and then probed with one byte more. A CRLF whose CR ends a room and
// whose LF is the probe still loses its CR, and a lone CR there stays.
TEST(fs_files, pipes_are_read_whole_across_their_rooms) {
  constexpr std::size_t room = 64 * 1024;
  std::string bytes(3 * room + 10, 'x');
  bytes[room - 1] = '\r';
  bytes[room] = '\n';
  bytes[2 * room - 1] = '\r';  // lone: followed by 'x'
  bytes[3 * room - 1] = '\r';
  bytes[3 * room] = '\n';
  bytes.back() = '\r';
  std::string expected = bytes;
  expected.resize(drop_cr_before_lf(expected.data(), expected.size()));
  ASSERT_EQ(expected.size(), bytes.size() - 2);

  for (const bool text_mode : {true, false}) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    std::thread writer([&] {
      std::size_t at = 0;
      while (at < bytes.size()) {
        const ssize_t put = ::write(ends[1], bytes.data() + at, std::min<std::size_t>(bytes.size() - at, 5000));
        if (put <= 0) break;
        at += static_cast<std::size_t>(put);
      }
      ::close(ends[1]);
    });
    std::FILE* in = ::fdopen(ends[0], "rb");
    ASSERT_NE(in, nullptr);
    std::string got;
    std::vector<std::size_t> rooms;
    const auto length = read_open_file(in, text_mode, [&](std::size_t needed, std::size_t kept) -> char* {
      EXPECT_LE(kept, got.size());
      rooms.push_back(needed);
      got.resize(needed);
      return got.data();
    });
    writer.join();
    std::fclose(in);
    ASSERT_TRUE(length);
    got.resize(*length);
    EXPECT_EQ(got, text_mode ? expected : bytes);
    EXPECT_EQ(rooms, (std::vector<std::size_t>{room, 2 * room, 4 * room}));
  }
}

// A regular file gets one room of its size; one that is empty, or read from a
// position, gets what is left; a room refused ends the read.
TEST(fs_files, regular_files_are_read_with_one_room_of_their_size) {
  temp_folder tmp;
  const std::string bytes = "head\r\nbody\r";
  const std::string path = tmp.write("f.txt", bytes).string();
  tmp.write("empty.txt", "");
  struct {
    const char* file;
    long skip;
    std::vector<std::size_t> rooms;
    std::string text;
  } cases[] = {
      {"f.txt", 0, {bytes.size()}, "head\nbody\r"},
      {"f.txt", 4, {bytes.size() - 4}, "\nbody\r"},
      {"empty.txt", 0, {}, ""},
  };
  for (const auto& c : cases) {
    std::FILE* in = std::fopen((tmp.path() / c.file).c_str(), "rb");
    ASSERT_NE(in, nullptr);
    std::fseek(in, c.skip, SEEK_SET);
    std::string got;
    std::vector<std::size_t> rooms;
    const auto length = read_open_file(in, true, [&](std::size_t needed, std::size_t) -> char* {
      rooms.push_back(needed);
      got.resize(needed);
      return got.data();
    });
    std::fclose(in);
    ASSERT_TRUE(length) << c.file;
    got.resize(*length);
    EXPECT_EQ(got, c.text) << c.file;
    EXPECT_EQ(rooms, c.rooms) << c.file;
  }

  std::FILE* in = std::fopen(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(read_open_file(in, false, [](std::size_t, std::size_t) -> char* { return nullptr; }), std::nullopt);
  std::fclose(in);
}

TEST(fs_files, folders_listings_and_times) {
  temp_folder tmp;
  tmp.write("Modules/Sample/module.ini", "");
  tmp.write("Modules/Zeta/module.ini", "");
  tmp.write("Modules/alpha.txt", "");
  const std::string root = tmp.path().string();

  const auto entries = list_folder(root + "\\modules");
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].name, "Sample");
  EXPECT_TRUE(entries[0].is_folder);
  EXPECT_EQ(entries[1].name, "Zeta");
  EXPECT_EQ(entries[2].name, "alpha.txt");
  EXPECT_FALSE(entries[2].is_folder);
  EXPECT_TRUE(list_folder(root + "\\no_such_folder").empty());

  const fs::path file = tmp.path() / "Modules/alpha.txt";
  fs::last_write_time(file, fs::last_write_time(file) - std::chrono::hours(48));
  const auto time = file_modification_time(root + "\\modules\\ALPHA.txt");
  ASSERT_TRUE(time);
  const auto now = std::chrono::duration_cast<std::chrono::seconds>(
                       std::chrono::system_clock::now().time_since_epoch()).count();
  EXPECT_NEAR(static_cast<double>(now - *time), 48.0 * 3600, 120.0);
  EXPECT_EQ(file_modification_time(root + "\\modules\\missing.txt"), std::nullopt);

  EXPECT_TRUE(create_folders(tmp.path() / "a/b/c"));
  EXPECT_TRUE(create_folders(tmp.path() / "a/b/c"));  // existing is no error
  EXPECT_TRUE(file_exists(root + "\\A\\B\\C"));
  EXPECT_FALSE(create_folders(file));  // a file stands there
}

// The user folders never touch the real home: every variable points into a
// temporary folder.
class fs_user_folders : public ::testing::Test {
 protected:
  fs::path home() const { return tmp.path() / "home"; }

  temp_folder tmp;
  scoped_env home_env{"HOME", (tmp.path() / "home").c_str()};
  scoped_env data_env{"XDG_DATA_HOME", nullptr};
  scoped_env config_env{"XDG_CONFIG_HOME", nullptr};
  scoped_env documents_env{"XDG_DOCUMENTS_DIR", nullptr};
};

TEST_F(fs_user_folders, app_data_and_settings_folders) {
  EXPECT_EQ(app_data_folder(), home() / ".local/share");
  EXPECT_EQ(config_folder(), home() / ".config");
  {
    scoped_env relative("XDG_DATA_HOME", "relative/data");  // ignored: not absolute
    EXPECT_EQ(app_data_folder(), home() / ".local/share");
  }
  const fs::path data = tmp.path() / "xdg data";
  scoped_env set("XDG_DATA_HOME", data.c_str());
  EXPECT_EQ(app_data_folder(), data);
  EXPECT_EQ(settings_folder(), data / "Hoofmarch");
  EXPECT_TRUE(fs::is_directory(data / "Hoofmarch"));
  EXPECT_EQ(settings_folder(), data / "Hoofmarch");  // an existing folder is fine
}

TEST_F(fs_user_folders, documents_folder_from_variable_user_dirs_or_default) {
  EXPECT_EQ(documents_folder(), home() / "Documents");

  const fs::path config = tmp.path() / "config";
  scoped_env config_env_set("XDG_CONFIG_HOME", config.c_str());
  struct example {
    const char* file;
    fs::path expected;
  };
  const example examples[] = {
      {"# written by the desktop\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\nXDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n",
       home() / "Papers"},
      {"XDG_DOCUMENTS_DIR=\"${HOME}/My Files\"\r\n", home() / "My Files"},
      {"XDG_DOCUMENTS_DIR=\"/srv/docs\"\n", "/srv/docs"},
      {"XDG_DOCUMENTS_DIR=\"$HOME/Say \\\"Hi\\\"\"\n", home() / "Say \"Hi\""},
      {"XDG_DOCUMENTS_DIR=\"$HOME/first\"\nXDG_DOCUMENTS_DIR=\"$HOME/second\"\n", home() / "second"},
      {"XDG_DOCUMENTS_DIR=relative\n", home() / "relative"},
      {"XDG_DOCUMENTS_DIRECTORY=\"/nope\"\n# XDG_DOCUMENTS_DIR=\"/nope\"\n", home() / "Documents"},
      {"XDG_DOCUMENTS_DIR=\"/unclosed\n", home() / "Documents"},
      {"", home() / "Documents"},
  };
  for (const example& e : examples) {
    SCOPED_TRACE(e.file);
    tmp.write("config/user-dirs.dirs", e.file);
    EXPECT_EQ(documents_folder(), e.expected);
  }

  const fs::path docs = tmp.path() / "docs";
  scoped_env documents_set("XDG_DOCUMENTS_DIR", docs.c_str());
  EXPECT_EQ(documents_folder(), docs);
}

}  // namespace
}  // namespace hm::platform

namespace hm::platform {
namespace {

// The program runs from the data folder while the build's outputs (converted
// resources, generated textures) stand in a second folder behind it.
TEST(generated_data_folder, relative_paths_fall_back_to_it_and_the_data_folder_wins) {
  testing::temp_folder data;
  testing::temp_folder generated;
  data.write("CommonRes/core_shaders.trf", "text");
  data.write("Data/font_data.xml", "source");
  generated.write("CommonRes/Core_Shaders.brf", "binary");
  generated.write("Data/font_data.xml", "stale copy");

  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(data.path());
  invalidate_path_cache();
  set_generated_data_folder(generated.path());

  EXPECT_EQ(read_whole_file("commonres\\core_shaders.brf", false), "binary");
  EXPECT_EQ(read_whole_file("CommonRes\\core_shaders.trf", false), "text");
  EXPECT_EQ(read_whole_file("Data\\font_data.xml", false), "source");
  // A new file is made in the data folder, never in the generated one.
  EXPECT_EQ(resolve_path("CommonRes\\new.brf"), std::filesystem::path("CommonRes/new.brf"));

  set_generated_data_folder({});
  EXPECT_FALSE(file_exists("CommonRes\\core_shaders.brf"));
  std::filesystem::current_path(previous);
  invalidate_path_cache();
}

}  // namespace
}  // namespace hm::platform
