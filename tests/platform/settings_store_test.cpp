#include "platform/settings_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/support/temp_folder.h"

namespace hm::platform {
namespace {
namespace fs = std::filesystem;
using testing::read_bytes;
using testing::scoped_env;
using testing::temp_folder;

std::size_t files_in(const fs::path& folder) {
  return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(settings_store, values_round_trip_through_the_file) {
  temp_folder tmp;
  const fs::path file = tmp.path() / "Hoofmarch" / "settings.txt";  // folder made on save
  settings_store store(file);
  store.set("last_module", "Native");
  store.set("module_system_folder", "C:\\Games\\Hoofmarch\\Modules\\");
  ASSERT_TRUE(store.save());
  EXPECT_EQ(read_bytes(file),
            "last_module = Native\n"
            "module_system_folder = C:\\\\Games\\\\Hoofmarch\\\\Modules\\\\\n");

  const std::string odd_values[] = {"", " leading and trailing ", "a = b = c", "# not a comment",
                                    "\\n is not a line break", std::string("nul\0byte", 8), "\xc3\xa9t\xc3\xa9"};
  for (std::size_t i = 0; i < std::size(odd_values); ++i) store.set("odd_" + std::to_string(i), odd_values[i]);
  store.set("last_module", "Changed");
  store.erase("module_system_folder");
  ASSERT_TRUE(store.save());

  settings_store reread(file);
  ASSERT_TRUE(reread.load());
  EXPECT_EQ(reread.values(), store.values());
  EXPECT_EQ(reread.get("module_system_folder"), std::nullopt);
  EXPECT_EQ(files_in(file.parent_path()), 1u);  // no temporary file left behind
}

TEST(settings_store, line_breaks_in_values_and_keys_cannot_break_the_file) {
  temp_folder tmp;
  const fs::path file = tmp.path() / "settings.txt";
  settings_store store(file);
  store.set("last_module", "one\nlast_module = hacked\r\nmodule_system_folder = x\r");
  store.set("key = with\nbreak #", "v");
  store.set("module_system_folder", "ends with backslash\\");
  ASSERT_TRUE(store.save());

  const std::string text = *read_bytes(file);
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 3);
  EXPECT_EQ(text.find('\r'), std::string::npos);

  settings_store reread(file);
  ASSERT_TRUE(reread.load());
  EXPECT_EQ(reread.values(), store.values());
}

TEST(settings_store, a_missing_file_is_empty_and_an_unreadable_one_fails) {
  temp_folder tmp;
  settings_store missing(tmp.path() / "nowhere" / "settings.txt");
  EXPECT_TRUE(missing.load());
  EXPECT_TRUE(missing.values().empty());
  EXPECT_EQ(missing.get("last_module"), std::nullopt);

  const fs::path folder_in_the_way = tmp.make_folder("settings.txt");
  settings_store unreadable(folder_in_the_way);
  EXPECT_FALSE(unreadable.load());
  unreadable.set("last_module", "Native");
  EXPECT_FALSE(unreadable.save());  // cannot replace a folder
  EXPECT_EQ(files_in(tmp.path()), 1u);  // and the temporary file is gone again
}

TEST(settings_store, reads_files_edited_by_hand) {
  temp_folder tmp;
  const fs::path file = tmp.write("settings.txt",
                                  "# chosen in the launcher\r\n"
                                  "last_module=First\r\n"
                                  "   \r\n"
                                  "no separator here\n"
                                  " module_system_folder =  C:\\Games\\Modules\n"
                                  "last_module = Second\n"
                                  " = no key\n"
                                  "unterminated = last line");
  settings_store store(file);
  ASSERT_TRUE(store.load());
  EXPECT_EQ(store.values().size(), 3u);
  EXPECT_EQ(store.get("last_module"), "Second");                       // the last line wins
  EXPECT_EQ(store.get("module_system_folder"), " C:\\Games\\Modules");  // single backslashes stay
  EXPECT_EQ(store.get("unterminated"), "last line");

  // Loading again replaces what the store held.
  tmp.write("settings.txt", "other = 1\n");
  ASSERT_TRUE(store.load());
  EXPECT_EQ(store.values().size(), 1u);
}

TEST(settings_store, single_values_go_to_the_users_configuration_folder) {
  temp_folder tmp;
  scoped_env home("HOME", (tmp.path() / "home").c_str());
  scoped_env config("XDG_CONFIG_HOME", (tmp.path() / "config").c_str());
  const fs::path file = tmp.path() / "config" / "Hoofmarch" / "settings.txt";
  EXPECT_EQ(settings_store::default_file(), file);

  EXPECT_EQ(read_setting("last_module"), std::nullopt);
  ASSERT_TRUE(write_setting("last_module", "Native"));
  ASSERT_TRUE(write_setting("module_system_folder", "Modules\\Native"));
  ASSERT_TRUE(write_setting("last_module", "Sample"));
  EXPECT_EQ(read_setting("last_module"), "Sample");
  EXPECT_EQ(read_setting("module_system_folder"), "Modules\\Native");
  EXPECT_TRUE(fs::exists(file));

  {
    scoped_env unset("XDG_CONFIG_HOME", nullptr);
    EXPECT_EQ(settings_store::default_file(), tmp.path() / "home/.config/Hoofmarch/settings.txt");
  }

  // A settings file that cannot be read is not overwritten with one value.
  fs::remove(file);
  fs::create_directory(file);
  EXPECT_FALSE(write_setting("last_module", "Native"));
  EXPECT_TRUE(fs::is_directory(file));
}

}  // namespace
}  // namespace hm::platform
