// The scene tool run on the sample scenes, offscreen on OpenGL: the picture it
// writes is read back and checked where the scene puts things (sky above,
// ground below, the character's tunic, the river and the turf of a generated
// terrain), and a broken scene file is refused with its line.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "platform/png_file.h"

namespace fs = std::filesystem;

namespace {

struct picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // rows top first

  struct pixel {
    int r, g, b;
  };
  pixel at(int x, int y) const {
    const std::size_t i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }
  // Pixels of the rectangle [x0, x1) x [y0, y1) that pass the test.
  int count(int x0, int y0, int x1, int y1, const std::function<bool(pixel)>& test) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) n += test(at(x, y)) ? 1 : 0;
    }
    return n;
  }
};

// Reads the RGB pictures the content tools write.
bool read_tool_png(const fs::path& path, picture& out) {
  const std::optional<hm::platform::png_picture> png = hm::platform::read_png(path.string());
  if (!png || png->channels != 3) return false;
  out.width = png->width;
  out.height = png->height;
  out.rgb = png->pixels;
  return true;
}

struct run_result {
  int status = -1;
  std::string output;
};

run_result run_tool(const fs::path& scene, const fs::path& png) {
  const fs::path out = png.string() + ".out";
  const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY SDL_VIDEODRIVER=offscreen " +
                              std::string(HOOFMARCH_BINARY_DIR) + "/tools/render_scene " + scene.string() + " " +
                              png.string() + " >" + out.string() + " 2>&1";
  run_result r;
  const int status = std::system(command.c_str());
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream in(out);
  r.output.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return r;
}

class RenderSceneTool : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/hoofmarch_render_scene_XXXXXX";
    folder_ = mkdtemp(pattern);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  // Runs the tool on a scene and reads its picture; skips without OpenGL.
  picture draw(const fs::path& scene, run_result& r) {
    const fs::path png = folder_ / "scene.png";
    r = run_tool(scene, png);
    picture p;
    if (r.output.find("no OpenGL") != std::string::npos || r.output.find("no video driver") != std::string::npos ||
        r.output.find("offscreen window") != std::string::npos) {
      return p;
    }
    EXPECT_EQ(r.status, 0) << r.output;
    EXPECT_TRUE(read_tool_png(png, p)) << r.output;
    return p;
  }
  fs::path folder_;
};

const auto sky = [](picture::pixel p) {
  // background 8098b8
  return std::abs(p.r - 0x80) < 6 && std::abs(p.g - 0x98) < 6 && std::abs(p.b - 0xb8) < 6;
};

TEST_F(RenderSceneTool, SampleSceneShowsTheFloraAndThePosedCharacterOnTheGround) {
  run_result r;
  const picture p = draw(fs::path(HOOFMARCH_SOURCE_DIR) / "tools" / "sample_scene.txt", r);
  if (p.width == 0) GTEST_SKIP() << "no OpenGL 3.3 context: " << r.output;
  ASSERT_EQ(p.width, 480);
  ASSERT_EQ(p.height, 320);
  // The ground, six flora meshes and the character.
  EXPECT_NE(r.output.find("8 draws"), std::string::npos) << r.output;
  // Sky across the top, except where the pine rises in the middle.
  EXPECT_EQ(p.count(0, 0, 120, 40, sky), 120 * 40);
  EXPECT_LT(p.count(230, 60, 250, 100, sky), 10);
  // The lit ground (5a7a48) fills the bottom corners: green above red and blue.
  const auto ground = [](picture::pixel q) { return q.g > q.r + 10 && q.g > q.b + 10; };
  EXPECT_GT(p.count(0, 280, 60, 320, ground), 60 * 40 * 9 / 10);
  // The character stands right of the pine, mid-stride: its red tunic is there,
  // and nowhere on the left half.
  const auto tunic = [](picture::pixel q) { return q.r > q.g + 50 && q.r > q.b + 50; };
  EXPECT_GT(p.count(300, 180, 400, 320, tunic), 200);
  EXPECT_EQ(p.count(0, 0, 240, 320, tunic), 0);
}

TEST_F(RenderSceneTool, GeneratedTerrainShowsGroundRiverAndTurfBelowTheSky) {
  run_result r;
  const picture p = draw(fs::path(HOOFMARCH_SOURCE_DIR) / "tools" / "sample_terrain.txt", r);
  if (p.width == 0) GTEST_SKIP() << "no OpenGL 3.3 context: " << r.output;
  ASSERT_EQ(p.width, 640);
  ASSERT_EQ(p.height, 400);
  // The code's plain: 53 x 53 cells of 3 units in one block, with other flora
  // and grass and no trees.
  EXPECT_NE(r.output.find("terrain 53 x 53 cells of 3 units, 1 blocks, flora 706 0 12675"), std::string::npos)
      << r.output;
  // Sky above the terrain's far edge, ground below: nothing of the sky is left
  // across the middle of the picture.
  EXPECT_EQ(p.count(0, 0, 640, 40, sky), 640 * 40);
  EXPECT_EQ(p.count(150, 200, 500, 260, sky), 0);
  // The river's water mirrors the sky (blue, brighter than the sky itself) in
  // the far middle, and nowhere else.
  const auto water = [](picture::pixel q) { return q.b > q.r + 30 && q.r > 140; };
  const int river = p.count(250, 130, 480, 200, water);
  EXPECT_GT(river, 400);
  EXPECT_EQ(p.count(0, 0, 640, 400, water), river);
  // Earth (brown: red above green above blue) shows on the near slope under
  // the turf and grass layers (green above red) drawn over it, which also
  // cover the hills.
  const auto earth = [](picture::pixel q) { return q.r > q.g && q.g > q.b + 10; };
  const auto turf = [](picture::pixel q) { return q.g > q.r + 10 && q.g > q.b + 10; };
  EXPECT_GT(p.count(300, 280, 500, 360, earth), 1000);
  EXPECT_GT(p.count(0, 100, 640, 300, turf), 5000);
}

TEST_F(RenderSceneTool, RefusesABrokenSceneFileWithItsLine) {
  struct row {
    const char* text;
    const char* says;
  };
  for (const row& c : {row{"size 100 100\nterrain\n", ":2: cannot read"},
                       row{"character skel_human\n", ":1: cannot read"},
                       row{"character skel_none human_body anim_human 0 0 0 0\n", "no skeleton named skel_none"},
                       row{"character skel_human no_mesh anim_human 0 0 0 0\n", "no mesh named no_mesh"}}) {
    const fs::path scene = folder_ / "broken.txt";
    std::ofstream(scene) << c.text;
    const run_result r = run_tool(scene, folder_ / "broken.png");
    if (r.output.find("no OpenGL") != std::string::npos) GTEST_SKIP() << r.output;
    EXPECT_EQ(r.status, 1) << c.text;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    EXPECT_FALSE(fs::exists(folder_ / "broken.png"));
  }
}

}  // namespace
