// Textures on a graphics device: the detail skip, frame file names, the module
// folder override, the pixel-shader wait, and what the device ends up holding.
#include <gtest/gtest.h>

#include "engine/device/device_resources.h"
#include "engine/core/noise.h"
#include "engine/settings/ruv_config.h"
#include "engine/device/texture_device.h"
#include "engine/resource/texture_record.h"
#include "engine/support/resource_test_helpers.h"
#include <map>
#include "platform/gpu/image_file.h"
#include "platform/gpu/null_device.h"

using namespace hm;
namespace gpu = hm::platform::gpu;

namespace {

// The id whose detail hash is h (the permutation holds every value once).
std::int32_t id_with_hash(int h) {
  for (std::int32_t id = 0; id < 256; ++id)
    if (texture_detail_hash(id) == h) return id;
  return -1;
}

TEST(TextureDetail, SkipTableOverDetailAndHash) {
  struct row {
    std::int32_t detail;
    int hash;
    std::uint32_t skip;
  };
  const row rows[] = {
      {100, 0, 0}, {100, 15, 0},  // full detail reduces nothing
      {25, 0, 1},  {25, 15, 1},   // 25: every texture one level
      {24, 0, 2},  {24, 1, 1},    {24, 15, 1},  // 24: only hash 0 two levels
      {0, 0, 2},   {0, 15, 2},    // 0: every texture two levels
      {70, 6, 1},  {70, 7, 0},    // 30 x 0.013333334 = 0.4 against hash x 0.0625
      {101, 0, 0},
  };
  for (const row& r : rows) {
    const std::int32_t id = id_with_hash(r.hash);
    ASSERT_GE(id, 0);
    EXPECT_EQ(texture_detail_skip(id, 0, r.detail), r.skip) << "detail " << r.detail << " hash " << r.hash;
    EXPECT_EQ(texture_detail_skip(id, texture::flag_no_detail_reduction, r.detail), 0u);
  }
  // The hash reads the noise permutation at (id + 0x4AE3) & 0xFF.
  EXPECT_EQ(texture_detail_hash(5), noise_permutation[(5 + 0x4AE3) & 0xFF] & 15);
}

TEST(TextureFiles, FrameNamesAndModuleOverride) {
  test::scoped_work_folder work;
  texture t;
  t.name = "flag";
  t.flags = 0x02000000;  // two frame groups: 8 frames
  EXPECT_EQ(t.frames_wanted(), 8);
  EXPECT_EQ(texture_frame_file_name(t, 0, false, ruv_string("")), "Textures\\flag_0.dds");
  EXPECT_EQ(texture_frame_file_name(t, 7, false, ruv_string("")), "Textures\\flag_7.dds");
  texture plain;
  plain.name = "stone.dds";
  EXPECT_EQ(texture_frame_file_name(plain, 0, false, ruv_string("")), "Textures\\stone.dds");

  // The module's copy wins only when asked for and present.
  const ruv_string module("Modules\\Sample\\");
  EXPECT_EQ(texture_frame_file_name(plain, 0, true, module), "Textures\\stone.dds");
  work.write("Modules/Sample/Textures/stone.dds", "x");
  EXPECT_EQ(texture_frame_file_name(plain, 0, true, module), "Modules\\Sample\\Textures\\stone.dds");
  EXPECT_EQ(texture_frame_file_name(plain, 0, false, module), "Textures\\stone.dds");
}

// A solid 8 x 8 a8r8g8b8 image with its four levels, each level in its own colour.
gpu::image levelled_image() {
  gpu::image img;
  img.fmt = gpu::format::a8r8g8b8;
  img.width = img.height = 8;
  const std::uint32_t colours[] = {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu};
  for (std::uint32_t l = 0; l < 4; ++l) {
    const std::uint32_t s = gpu::mip_dimension(8, l);
    std::vector<std::uint8_t> bytes(s * s * 4);
    for (std::size_t i = 0; i < s * s; ++i)
      for (int k = 0; k < 4; ++k) bytes[i * 4 + k] = static_cast<std::uint8_t>(colours[l] >> (8 * k));
    img.levels.push_back(bytes);
  }
  return img;
}

std::string dds_bytes(const gpu::image& img) {
  const auto v = gpu::write_dds(img);
  return std::string(v.begin(), v.end());
}

class TextureOnDevice : public testing::Test {
 protected:
  void SetUp() override {
    saved_config = g_ruv_config;
    gpu::null_system system(gpu::default_null_config(), control);
    gpu::present_parameters p;
    p.back_buffer_width = p.back_buffer_height = 16;
    ASSERT_EQ(system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device),
              gpu::result::ok);
    hooks.set_device(device.get());
    hooks.read_file = [this](const std::string& path) {
      reads.push_back(path);
      return files.count(path) ? std::optional<std::string>(files[path]) : std::nullopt;
    };
  }
  void TearDown() override { g_ruv_config = saved_config; }

  std::shared_ptr<gpu::null_gpu_control> control = std::make_shared<gpu::null_gpu_control>();
  std::unique_ptr<gpu::device> device;
  gpu_resource_device hooks;
  std::map<std::string, std::string> files;
  std::vector<std::string> reads;
  ruv_config saved_config;
};

TEST_F(TextureOnDevice, NeedsPixelShadersWaitsWithoutTouchingAFile) {
  hooks.caps.pixel_shaders_in_use = false;
  texture t;
  t.name = "water.dds";
  t.flags = texture::flag_needs_pixel_shaders;
  EXPECT_EQ(hooks.load_texture(t, true, ruv_string("Modules\\Sample\\")), 0);
  EXPECT_FALSE(t.loaded);
  EXPECT_TRUE(reads.empty());
  EXPECT_EQ(control->textures_created, 0);
  // With pixel shaders it loads.
  hooks.caps.pixel_shaders_in_use = true;
  files["Textures\\water.dds"] = dds_bytes(levelled_image());
  hooks.load_texture(t, false, ruv_string(""));
  EXPECT_TRUE(t.loaded);
  EXPECT_EQ(reads.size(), 1u);
}

TEST_F(TextureOnDevice, DetailSkipLeavesOutTopLevelsAndReleaseFreesThem) {
  files["Textures\\stone.dds"] = dds_bytes(levelled_image());
  struct row {
    std::int32_t detail;
    std::uint32_t flags;
    std::uint32_t width, levels, top_colour;
  };
  const row rows[] = {{100, 0, 8, 4, 0xFF0000FFu}, {25, 0, 4, 3, 0xFF00FF00u}, {0, 0, 2, 2, 0xFFFF0000u},
                      {0, texture::flag_no_detail_reduction, 8, 4, 0xFF0000FFu}};
  for (const row& r : rows) {
    g_ruv_config.texture_detail = r.detail;
    texture t;
    t.name = "stone.dds";
    t.flags = r.flags;
    t.id = id_with_hash(0);
    ASSERT_EQ(hooks.load_texture(t, false, ruv_string("")), 0);
    ASSERT_TRUE(t.loaded);
    ASSERT_EQ(t.frame_count, 1);
    gpu::texture* dt = texture_frame(t, 0);
    ASSERT_NE(dt, nullptr);
    EXPECT_EQ(dt->width(), r.width) << r.detail;
    EXPECT_EQ(dt->level_count(), r.levels);
    std::vector<std::uint32_t> px;
    ASSERT_EQ(dt->read_level(0, px), gpu::result::ok);
    EXPECT_EQ(px[0], r.top_colour);
    // Loading again does nothing; releasing returns every device object.
    hooks.load_texture(t, false, ruv_string(""));
    EXPECT_EQ(device->outstanding_resources(), 1u);
    hooks.release_texture(t);
    EXPECT_FALSE(t.loaded);
    EXPECT_EQ(t.frame_count, 0);
    EXPECT_EQ(device->outstanding_resources(), 0u);
  }
}

TEST_F(TextureOnDevice, FramesLoadEachFileAndAMissingOneIsFatal) {
  const std::string bytes = dds_bytes(levelled_image());
  for (int i = 0; i < 4; ++i) files["Textures\\torch_" + std::to_string(i) + ".dds"] = bytes;
  texture t;
  t.name = "torch";
  t.flags = 0x01000000;
  hooks.load_texture(t, false, ruv_string(""));
  EXPECT_EQ(t.frame_count, 4);
  EXPECT_EQ(reads, (std::vector<std::string>{"Textures\\torch_0.dds", "Textures\\torch_1.dds",
                                             "Textures\\torch_2.dds", "Textures\\torch_3.dds"}));
  hooks.release_texture(t);

  // The third frame missing (or not a texture file): fatal, with nothing left on the device.
  files.erase("Textures\\torch_2.dds");
  EXPECT_EQ(test::fatal_message([&] { hooks.load_texture(t, false, ruv_string("")); }),
            "Unable to open texture file Textures\\torch_2.dds");
  EXPECT_EQ(device->outstanding_resources(), 0u);
  files["Textures\\torch_2.dds"] = "DDS not really";
  EXPECT_EQ(test::fatal_message([&] { hooks.load_texture(t, false, ruv_string("")); }),
            "Unable to open texture file Textures\\torch_2.dds");
}

TEST_F(TextureOnDevice, RenderTargetKindsOnlyBecomeLoaded) {
  texture t;
  t.name = "render_target";
  t.kind = texture::kind_render_target;
  hooks.load_texture(t, false, ruv_string(""));
  EXPECT_TRUE(t.loaded);
  EXPECT_TRUE(reads.empty());
  EXPECT_EQ(control->textures_created, 0);
}

}  // namespace
