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

// A man of the sample seen from his left side (he faces the picture's right),
// the sword in his right hand's grip (bone 19), posed by the overhead attack:
// wound up (frame 206) the blade is above and behind his head; at the strike
// (frame 214) the arm has carried it before him at chest height. The camera is
// 5 m away at 1.2 m, 60 degrees across 320 pixels: 55 pixels a metre about
// the middle (160, 120). Wound up, the hand is at about 1.9 m over his back
// and the blade runs back and down to 0.8 m behind him at 1.45 m (x 116 to
// 161, y 80 to 106); at the strike the hand is 0.47 m before him at 1.19 m and
// the tip 1.4 m before him at 1.03 m (x 186 to 237, y 120 to 130).
TEST_F(RenderSceneTool, AnOverheadAttackSwingsTheBladeWithTheArm) {
  // The blade's steel (d0d4dc) stays grey in the light; the skin (d8a880),
  // shirt and trousers are far redder than blue.
  const auto blade = [](picture::pixel q) {
    return q.r > 120 && std::abs(q.r - q.g) < 20 && std::abs(q.g - q.b) < 25;
  };
  int before_him[2] = {0, 0};
  int above_behind[2] = {0, 0};
  const int frames[2] = {206, 214};
  for (int i = 0; i < 2; ++i) {
    const fs::path scene = folder_ / "strike.txt";
    std::ofstream(scene) << "size 320 240\ncamera 0 -5 1.2 0 0 60\nsun 0.3 0.6 -0.7 1 1 1\nambient 0.5 0.5 0.5\n"
                            "background 202020\ncharacter skel_human body_male anim_human "
                         << frames[i] << " 0 0 0 -90\nhold sword_a 19\n";
    run_result r;
    const picture p = draw(scene, r);
    if (p.width == 0) GTEST_SKIP() << "no OpenGL 3.3 context: " << r.output;
    before_him[i] = p.count(180, 100, 260, 145, blade);
    above_behind[i] = p.count(100, 60, 165, 115, blade);
  }
  EXPECT_EQ(before_him[0], 0);
  EXPECT_GT(above_behind[0], 20);
  EXPECT_GT(before_him[1], 20);
  EXPECT_EQ(above_behind[1], 0);
}

TEST_F(RenderSceneTool, RefusesABrokenSceneFileWithItsLine) {
  struct row {
    const char* text;
    const char* says;
  };
  for (const row& c : {row{"size 100 100\nterrain\n", ":2: cannot read"},
                       row{"character skel_human\n", ":1: cannot read"},
                       row{"character skel_none human_body anim_human 0 0 0 0\n", "no skeleton named skel_none"},
                       row{"character skel_human no_mesh anim_human 0 0 0 0\n", "no mesh named no_mesh"},
                       row{"hold sword_a 19\n", ":1: cannot read"},
                       row{"character skel_human body_male anim_human 0 0 0 0\nhold sword_a 20\n", "no bone 20 in skel_human"}}) {
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
