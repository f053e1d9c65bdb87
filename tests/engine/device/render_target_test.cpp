// Render-target surfaces and their failure policy, the render-target and
// shadow-map material pools, and the level-of-detail groups the manager builds
// from mesh names: the resources the manager makes at run time.
#include <gtest/gtest.h>
#include <unistd.h>

#include "engine/device/device_resources.h"
#include "engine/settings/game_options.h"
#include "engine/resource/lod_mesh_group.h"
#include "engine/resource/mesh.h"
#include "engine/device/render_target.h"
#include "engine/support/resource_test_helpers.h"
#include "engine/settings/ruv_config.h"
#include "platform/gpu/null_device.h"

using namespace hm;
namespace gpu = hm::platform::gpu;
namespace fs = std::filesystem;

namespace {

class RenderTargets : public testing::Test {
 protected:
  void SetUp() override {
    saved_config = g_ruv_config;
    saved_options = g_game_options;
    root = fs::temp_directory_path() / ("hm_render_target_" + std::to_string(::getpid()) + "_" +
                                        testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root);
    const char* old = std::getenv("XDG_DATA_HOME");
    if (old) old_home = old;
    ::setenv("XDG_DATA_HOME", root.c_str(), 1);
    platform::invalidate_path_cache();
    gpu::null_system system(gpu::default_null_config(), control);
    gpu::present_parameters p;
    p.back_buffer_width = p.back_buffer_height = 16;
    ASSERT_EQ(system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device),
              gpu::result::ok);
  }
  void TearDown() override {
    g_ruv_config = saved_config;
    g_game_options = saved_options;
    if (old_home.empty()) ::unsetenv("XDG_DATA_HOME");
    else ::setenv("XDG_DATA_HOME", old_home.c_str(), 1);
    fs::remove_all(root);
    platform::invalidate_path_cache();
  }

  static void describe(texture& t, int kind, int size, gpu::format f) {
    t.name = "render_target";
    t.kind = kind;
    t.width = t.height = size;
    t.requested_format = static_cast<std::int32_t>(f);
  }
  // Fails every target wider than `width`, or of a format in `formats`.
  void fail_targets(int width, std::vector<gpu::format> formats = {}) {
    control->fail_target = [=](std::uint32_t w, std::uint32_t, gpu::format f, bool) {
      return static_cast<int>(w) > width || std::find(formats.begin(), formats.end(), f) != formats.end();
    };
  }

  std::shared_ptr<gpu::null_gpu_control> control = std::make_shared<gpu::null_gpu_control>();
  std::unique_ptr<gpu::device> device;
  ruv_config saved_config;
  game_options saved_options;
  fs::path root;
  std::string old_home;
};

TEST_F(RenderTargets, DepthSurfaceFallsBackToItsPairedFormatSilently) {
  fail_targets(4096, {gpu::format::d24s8});
  texture t;
  describe(t, texture::kind_depth_target, 2048, gpu::format::d24s8);
  EXPECT_EQ(create_render_target_surfaces(t, *device), 0);
  EXPECT_EQ(t.surface_word, 1);
  EXPECT_EQ(t.format, static_cast<std::int32_t>(gpu::format::d16));
  EXPECT_EQ(t.requested_format, static_cast<std::int32_t>(gpu::format::d24s8));
  ASSERT_NE(t.depth_surface, nullptr);
  EXPECT_EQ(static_cast<gpu::surface*>(t.depth_surface)->get_format(), gpu::format::d16);
  EXPECT_FALSE(fs::exists(root / "Hoofmarch" / "ruv_config.txt"));
  // Made once: a second call asks the device for nothing.
  const int requests = control->target_requests;
  create_render_target_surfaces(t, *device);
  EXPECT_EQ(control->target_requests, requests);
  release_texture_device_objects(t);
  EXPECT_EQ(device->outstanding_resources(), 0u);
}

TEST_F(RenderTargets, SmallTargetsThatFailLeaveTheGameRunning) {
  fail_targets(0);
  g_game_options.character_shadows = 1;
  texture depth;
  describe(depth, texture::kind_depth_target, 512, gpu::format::d24s8);
  create_render_target_surfaces(depth, *device);
  EXPECT_EQ(depth.surface_word, 0);
  EXPECT_EQ(g_game_options.character_shadows, 1);  // a depth surface changes no option

  texture colour;
  describe(colour, texture::kind_render_target, 512, gpu::format::a8r8g8b8);
  create_render_target_surfaces(colour, *device);
  EXPECT_EQ(colour.surface_word, 0);
  EXPECT_EQ(g_game_options.character_shadows, 0);
  game_options stored;
  ASSERT_TRUE(read_options(stored));
  EXPECT_EQ(stored.character_shadows, 0);
  EXPECT_EQ(stored.environment_shadows, 1);
}

TEST_F(RenderTargets, WideFailureLowersShadowQualityThenTurnsShadowsOff) {
  fail_targets(1024);
  struct row {
    int kind;
    std::int32_t quality;
    const char* message;
  };
  const row rows[] = {
      {texture::kind_depth_target, 2,
       "Unable to create depth stencil surface width=2048 height=2048. Shadowmap quality will be reduced next time "
       "you start the game."},
      {texture::kind_render_target, 1,
       "Unable to create render target texture width=2048 height=2048. Shadowmap quality will be reduced next time "
       "you start the game."},
      {texture::kind_depth_target, 0,
       "Unable to create depth stencil surface width=2048 height=2048. Environment shadows will be turned off next "
       "time you start the game."},
      {texture::kind_render_target, 0,
       "Unable to create render target texture width=2048 height=2048. Environment shadows will be turned off next "
       "time you start the game."},
  };
  for (const row& r : rows) {
    g_ruv_config.shadowmap_quality = r.quality;
    g_game_options.environment_shadows = 1;
    texture t;
    describe(t, r.kind, 2048, gpu::format::d24s8);
    if (r.kind == texture::kind_render_target) t.requested_format = static_cast<std::int32_t>(gpu::format::r32f);
    EXPECT_EQ(test::fatal_message([&] { create_render_target_surfaces(t, *device); }), r.message);
    EXPECT_EQ(t.surface_word, 0);
    ruv_config stored;
    load_ruv_config(stored);
    game_options options;
    if (r.quality > 0) {
      EXPECT_EQ(stored.shadowmap_quality, r.quality - 1) << "ruv_config.txt is rewritten before the end";
    } else {
      ASSERT_TRUE(read_options(options));
      EXPECT_EQ(options.environment_shadows, 0);
    }
  }
}

TEST_F(RenderTargets, ColourTargetsMakeATextureWithItsTopSurface) {
  texture t;
  describe(t, texture::kind_render_target, 256, gpu::format::a8r8g8b8);
  t.mipmapped = 1;
  create_render_target_surfaces(t, *device);
  ASSERT_EQ(t.frame_count, 1);
  auto* made = texture_frame(t, 0);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->level_count(), 9u);
  EXPECT_EQ(made->usage(), gpu::usage_render_target | gpu::usage_autogen_mipmap);
  ASSERT_NE(t.surface, nullptr);
  EXPECT_EQ(static_cast<gpu::surface*>(t.surface)->width(), 256u);
  // A depth format makes a one-level depth texture.
  texture d;
  describe(d, texture::kind_render_target, 256, gpu::format::d16);
  create_render_target_surfaces(d, *device);
  EXPECT_EQ(texture_frame(d, 0)->usage(), gpu::usage_depth_stencil);
  EXPECT_EQ(texture_frame(d, 0)->level_count(), 1u);
}

TEST_F(RenderTargets, PoolsReuseFreeTargetsAndMaterials) {
  resource_manager m;
  gpu_resource_device hooks(device.get());
  m.set_device_hooks(&hooks);
  texture* a = m.get_render_target(1024, 1024, gpu::format::d24s8, 0);
  texture* b = m.get_render_target(1024, 1024, gpu::format::d16, 0);  // the format is not compared
  EXPECT_NE(a, b);
  EXPECT_EQ(a->name.c_str(), std::string("render_target"));
  EXPECT_EQ(a->id, -1);  // no running id
  EXPECT_TRUE(m.current_file_resources.empty());
  a->in_use = 0;
  EXPECT_EQ(m.get_render_target(1024, 1024, gpu::format::d24s8, 0), a);
  // Another value, size or kind makes a new one.
  EXPECT_NE(m.get_render_target(1024, 1024, gpu::format::d24s8, 1), a);
  a->in_use = 0;
  EXPECT_NE(m.create_render_target(1024, 1024, gpu::format::d24s8, texture::kind_render_target, 0), a);
  EXPECT_EQ(m.textures.size(), 4u);

  material* x = m.get_render_target_material(512, 512, gpu::format::r32f, 0);
  material* y = m.get_render_target_material(512, 512, gpu::format::r32f, 0);
  EXPECT_NE(x, y);
  EXPECT_EQ(x->shader_name.c_str(), std::string("shadowmap_shader"));
  EXPECT_TRUE(x->name.empty());
  EXPECT_GT(x->id, 0);  // registered
  EXPECT_EQ(x->textures[0]->kind, texture::kind_render_target);
  x->in_use = 0;
  EXPECT_NE(m.get_render_target_material(512, 512, gpu::format::r16f, 0), x);  // here the format counts
  EXPECT_EQ(m.get_render_target_material(512, 512, gpu::format::r32f, 0), x);

  // Lost device and back: every pool target is released and made again.
  m.release_render_target_textures();
  EXPECT_EQ(control->live_targets, 0u);
  m.restore_device_textures(nullptr);
  for (texture* t : m.textures) EXPECT_EQ(t->surface_word, 1);
  m.delete_device_objects();
  EXPECT_EQ(device->outstanding_resources(), 0u);
}

// A pooled target taken again must draw on the device in use: one whose
// surfaces went with its device gets new ones, and one still holding another
// device's objects lets go of them without reaching into that device.
TEST_F(RenderTargets, PooledTargetsTakenAgainBelongToTheCurrentDevice) {
  resource_manager m;
  auto hooks = std::make_unique<gpu_resource_device>(device.get());
  m.set_device_hooks(hooks.get());
  texture* colour = m.create_render_target(256, 256, gpu::format::x8r8g8b8, texture::kind_render_target, 3);
  material* shadow = m.get_render_target_material(512, 512, gpu::format::r32f, 0);
  ASSERT_EQ(colour->surface_word, 1);
  colour->in_use = 0;
  shadow->in_use = 0;
  // The device goes (its targets released first), and a second one comes.
  m.release_render_target_textures();
  m.set_device_hooks(nullptr);
  hooks.reset();
  device.reset();
  std::unique_ptr<gpu::device> second;
  gpu::null_system system;
  gpu::present_parameters p;
  p.back_buffer_width = p.back_buffer_height = 16;
  ASSERT_EQ(system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, second),
            gpu::result::ok);
  hooks = std::make_unique<gpu_resource_device>(second.get());
  m.set_device_hooks(hooks.get());
  EXPECT_EQ(m.create_render_target(256, 256, gpu::format::x8r8g8b8, texture::kind_render_target, 3), colour);
  EXPECT_EQ(colour->surface_word, 1);
  ASSERT_EQ(colour->frames.size(), 1u);
  EXPECT_NE(colour->frames[0], nullptr);
  EXPECT_EQ(m.get_render_target_material(512, 512, gpu::format::r32f, 0), shadow);
  EXPECT_EQ(shadow->textures[0]->surface_word, 1);
  EXPECT_EQ(second->outstanding_resources(), 4u);  // a texture and its top surface each

  // Objects of an earlier device that were never released are let go of:
  // neither drawn on nor freed through the hooks of the device now in use.
  colour->in_use = 0;
  auto later_hooks = std::make_unique<gpu_resource_device>(second.get());
  m.set_device_hooks(later_hooks.get());
  texture stale;
  stale.frames = colour->frames;
  stale.surface = colour->surface;
  EXPECT_EQ(m.create_render_target(256, 256, gpu::format::x8r8g8b8, texture::kind_render_target, 3), colour);
  EXPECT_EQ(colour->surface_word, 1);
  EXPECT_NE(colour->frames[0], stale.frames[0]);
  EXPECT_EQ(second->outstanding_resources(), 6u);
  // Here the earlier objects' device is still alive: their owner frees them.
  release_texture_device_objects(stale);
  m.delete_device_objects();
  EXPECT_EQ(second->outstanding_resources(), 0u);
}

// --- level-of-detail groups ---

class LodGroups : public testing::Test {
 protected:
  mesh* add(const char* name) {
    auto made = std::make_unique<mesh>();
    made->name = name;
    return static_cast<mesh*>(manager.adopt_resource(std::move(made)));
  }
  resource_manager manager;
};

TEST(LodNames, LevelBySuffix) {
  struct row {
    const char* mesh;
    int level;
  };
  const row rows[] = {{"tree", 0},         {"tree.lod1", 1}, {"tree.LOD2", 2}, {"tree.LoD4x", 4},
                      {"tree.lod7", 0},    {"tree.lodx", 0}, {"tree.lod", -1}, {"treex", -1},
                      {"tree_lod1", -1},   {"tree.lad1", -1}, {"tre", -1},     {"other", -1}};
  for (const row& r : rows) EXPECT_EQ(lod_level_of(r.mesh, "tree"), r.level) << r.mesh;
}

TEST_F(LodGroups, MissingLevelsTakeTheLevelBelow) {
  mesh* full = add("tree");
  mesh* one = add("tree.lod1");
  mesh* three = add("tree.lod3");
  add("treetop");
  std::unique_ptr<lod_mesh_group> g = manager.create_lod_mesh_group(ruv_string("tree"), 1);
  EXPECT_EQ(g->lod_count, 4);
  EXPECT_EQ(g->lods[0], std::vector<mesh*>{full});
  EXPECT_EQ(g->lods[1], std::vector<mesh*>{one});
  EXPECT_EQ(g->lods[2], std::vector<mesh*>{one});
  EXPECT_EQ(g->lods[3], std::vector<mesh*>{three});
  EXPECT_TRUE(g->lods[4].empty());

  // Without sharing every slot holds a copy of its own.
  std::unique_ptr<lod_mesh_group> copies = manager.create_lod_mesh_group(ruv_string("tree"), 0);
  ASSERT_EQ(copies->lods[2].size(), 1u);
  EXPECT_NE(copies->lods[2][0], one);
  EXPECT_NE(copies->lods[2][0], copies->lods[1][0]);
  EXPECT_EQ(copies->owned_meshes.size(), 4u);

  std::unique_ptr<lod_mesh_group> none = manager.create_lod_mesh_group(ruv_string("rock"), 1);
  EXPECT_EQ(none->lod_count, 0);
}

TEST_F(LodGroups, GetKeepsOneNamedGroupPerName) {
  add("horse");
  lod_mesh_group* g = manager.get_lod_mesh_group(ruv_string("horse"));
  EXPECT_EQ(g->name.c_str(), std::string("horse"));
  EXPECT_EQ(g->lod_count, 1);
  EXPECT_EQ(manager.get_lod_mesh_group(ruv_string("horse")), g);
  EXPECT_EQ(manager.lod_mesh_groups.size(), 1u);
}

}  // namespace
