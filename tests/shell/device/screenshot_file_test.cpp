// The screenshot files: their folder and the numbers that never replace an
// earlier picture.
#include "shell/device/screenshot_file.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>
#include <limits>

namespace fs = std::filesystem;
using namespace hm;

namespace {

class ScreenshotFiles : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hoofmarch_shots_XXXXXX";
    root = mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(root); }
  fs::path root;
};

}  // namespace

TEST_F(ScreenshotFiles, TheModuleFolderIsMadeInTheDocumentsFolder) {
  const fs::path folder = screenshot_folder(root / "Documents", "Sample");
  EXPECT_EQ(folder, root / "Documents" / "Hoofmarch Screenshots" / "Sample");
  EXPECT_TRUE(fs::is_directory(folder));
  // Again: the folder is there already.
  EXPECT_EQ(screenshot_folder(root / "Documents", "Sample"), folder);
  // A file where the folder should be.
  std::ofstream(root / "blocked") << "x";
  EXPECT_TRUE(screenshot_folder(root / "blocked", "Sample").empty());
}

TEST_F(ScreenshotFiles, NumbersSkipEveryExistingPicture) {
  for (const char* name : {"hoofmarch1.png", "hoofmarch2.png", "hoofmarch4.png"}) std::ofstream(root / name) << "x";
  std::int32_t counter = 0;
  EXPECT_EQ(next_screenshot_file(root, counter), root / "hoofmarch3.png");
  EXPECT_EQ(counter, 3);
  // Nothing was written at 3: the counter has moved on anyway, and 4 is taken.
  EXPECT_EQ(next_screenshot_file(root, counter), root / "hoofmarch5.png");
  EXPECT_EQ(counter, 5);
  // The last number, then none.
  counter = std::numeric_limits<std::int32_t>::max() - 1;
  EXPECT_EQ(next_screenshot_file(root, counter), root / "hoofmarch2147483647.png");
  EXPECT_TRUE(next_screenshot_file(root, counter).empty());
}
