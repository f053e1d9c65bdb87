// The module tool as a module maker uses it: a copy of the sample module
// under a new name has no binary resources or sounds until make_module makes
// them from its sources; the game then plays it. Broken or missing input is
// refused with the file and the reason.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "shell/support/shell_test_support.h"

namespace fs = std::filesystem;
using hm::test::read_text;

namespace {

struct tool_result {
  int status = -1;
  std::string output;
};

class MakeModuleTool : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hoofmarch_make_module_XXXXXX";
    root_ = mkdtemp(pattern);
    make_data_folder();
  }
  // A data folder as a module maker has it: the sources of the core resources
  // and the Data files, and a copy of the sample module named Fresh.
  void make_data_folder() const {
    std::error_code ec;
    fs::remove_all(data(), ec);
    fs::create_directories(data() / "Modules");
    const fs::path source = HOOFMARCH_DATA_DIR;
    for (const char* folder : {"CommonRes", "Data"})
      fs::copy(source / folder, data() / folder, fs::copy_options::recursive);
    fs::copy(source / "Modules" / "Sample", module(), fs::copy_options::recursive);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path data() const { return root_ / "data"; }
  fs::path module() const { return data() / "Modules" / "Fresh"; }

  tool_result run_tool(const std::string& args) const {
    const fs::path out = root_ / "tool.out";
    const std::string command =
        std::string(HOOFMARCH_BINARY_DIR) + "/tools/make_module " + args + " >" + out.string() + " 2>&1";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, read_text(out)};
  }
  // The game on the data folder with the build's core files behind it.
  int run_game(const std::string& module, std::string& output) const {
    const std::string env = "XDG_DATA_HOME=" + (root_ / "xdg").string() + " XDG_CONFIG_HOME=" + (root_ / "config").string();
    return hm::test::run_program_keeping_output(
        env, "--data " + data().string() + " --headless --frames 12 --module " + module, output);
  }

  fs::path root_;
};

TEST_F(MakeModuleTool, CopiedSampleModuleLoadsOnceMade) {
  // Before: the game stops at the first binary file the copy lacks.
  std::string game;
  EXPECT_NE(run_game("Fresh", game), 0);
  EXPECT_NE(game.find("Unable to open file: Modules/Fresh/Resource/sample_materials.brf"), std::string::npos)
      << game;
  EXPECT_NE(read_text(data() / "ruv_log.txt")
                .find("Modules\\Fresh\\Resource\\sample_materials.trf has not been converted: make the module's "
                      "binary files with make_module"),
            std::string::npos);

  const tool_result made = run_tool("Fresh --data " + data().string());
  ASSERT_EQ(made.status, 0) << made.output;
  // Every file module.ini loads, with what it holds, and every listed tone.
  for (const char* line : {"Resource/sample_materials.trf -> Resource/sample_materials.brf: 12 textures, 20 materials\n",
                           "Resource/sample_meshes.trf -> Resource/sample_meshes.brf: 8 meshes\n",
                           "Resource/sample_characters.trf -> Resource/sample_characters.brf: 1 material, 1 mesh\n",
                           "Resource/sample_map_meshes.trf -> Resource/sample_map_meshes.brf: 13 materials, 6 meshes\n",
                           "Sounds/click.wav: a 1200 Hz tone of 40 ms\n", "Music/victory.wav: a 392 Hz tone of 1500 ms\n",
                           "module Fresh: 8 resource files and 9 sound files made in "})
    EXPECT_NE(made.output.find(line), std::string::npos) << line << "\n" << made.output;
  EXPECT_TRUE(fs::exists(module() / "Resource" / "sample_skeletons.brf"));
  // 22050 samples a second, 16 bits each, after a 44-byte header: 40 ms.
  EXPECT_EQ(fs::file_size(module() / "Sounds" / "click.wav"), 44u + 882u * 2u);

  ASSERT_EQ(run_game("Fresh", game), 0) << game;
  const std::string log = read_text(data() / "ruv_log.txt");
  EXPECT_NE(log.find("Loading Module Resource sample_characters\n"), std::string::npos) << log;
  EXPECT_NE(log.find("New game started.\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("WARNING"), std::string::npos) << log;

  // The module folder's own path does as well as its name.
  EXPECT_EQ(run_tool(module().string()).status, 0);
}

TEST_F(MakeModuleTool, BadInputIsRefusedWithTheFileAndTheReason) {
  struct row {
    const char* what;
    std::function<void()> prepare;
    std::string args;
    int status;
    std::string says;
  };
  const std::string d = " --data " + data().string();
  const row rows[] = {
      {"no module named", [] {}, d, 2, "name the module to make"},
      {"unknown option", [] {}, "Fresh --fast" + d, 2, "unknown argument \"--fast\""},
      {"missing module", [] {}, "Gone" + d, 1, "no module folder " + (data() / "Modules" / "Gone").string() +
                                                   " (modules in " + data().string() + "/Modules: Fresh)"},
      {"no module.ini", [this] { fs::create_directories(data() / "Modules" / "NoInfo"); }, "NoInfo" + d, 1, "NoInfo/module.ini: a module folder holds module.ini"},
      {"core sources missing", [this] { fs::remove(data() / "CommonRes" / "core_textures.trf"); }, "Fresh" + d, 1,
       "core_textures.trf or " + (data() / "CommonRes" / "core_textures.brf").string() +
           " (the core resources are read before the module's)"},
      {"broken resource source",
       [this] { std::ofstream(module() / "Resource" / "sample_meshes.trf") << "mesh 2000000000 x"; }, "Fresh" + d, 1,
       (module() / "Resource" / "sample_meshes.trf").string() + ": "},
      {"missing resource file", [this] { fs::remove(module() / "Resource" / "sample_faces.trf"); }, "Fresh" + d, 1,
       "cannot open " + (module() / "Resource" / "sample_faces.trf").string()},
      {"broken tone list", [this] { std::ofstream(module() / "Sounds" / "tones.txt") << "click.wav loud 40\n"; },
       "Fresh" + d, 1, "Sounds/tones.txt:1: expected \"<file> <pitch in Hz"},
  };
  for (const row& r : rows) {
    make_data_folder();
    r.prepare();
    const tool_result result = run_tool(r.args);
    EXPECT_EQ(result.status, r.status) << r.what << "\n" << result.output;
    EXPECT_NE(result.output.find(r.says), std::string::npos) << r.what << "\n" << result.output;
  }
}

}  // namespace
