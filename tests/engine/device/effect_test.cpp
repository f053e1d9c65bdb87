// The effect and the device hooks of the game: the effect file parses and
// compiles, technique records fall back through their variants, and a full
// device life (init, restore, lost device, reset, restore, delete) remakes
// every render target and technique record and leaves nothing behind.
#include <gtest/gtest.h>

#include <map>

#include "engine/device/device_resources.h"
#include "engine/device/effect.h"
#include "engine/resource/material.h"
#include "engine/support/resource_test_helpers.h"
#include "engine/settings/ruv_config.h"
#include "platform/fs.h"
#include "platform/gpu/image_file.h"
#include "platform/gpu/null_device.h"

using namespace hm;
namespace gpu = hm::platform::gpu;

namespace {

const std::string effect_path = std::string(HOOFMARCH_DATA_DIR) + "/hoofmarch.fx";

std::unique_ptr<gpu::device> null_device(std::shared_ptr<gpu::null_gpu_control> control) {
  gpu::null_system system(gpu::default_null_config(), std::move(control));
  gpu::present_parameters p;
  p.back_buffer_width = p.back_buffer_height = 16;
  std::unique_ptr<gpu::device> device;
  system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device);
  return device;
}

// An effect with the techniques the test names, each one pass.
std::string effect_with(std::initializer_list<const char*> techniques) {
  std::string s = "@vertex v\nvoid main() {}\n@fragment f\nvoid main() {}\n";
  for (const char* t : techniques) s += std::string("@technique ") + t + "\n@pass vertex=v fragment=f\n";
  return s;
}

TEST(TechniqueRecords, VariantsFallBackThroughTheirChain) {
  auto control = std::make_shared<gpu::null_gpu_control>();
  auto device = null_device(control);
  struct row {
    std::initializer_list<const char*> techniques;
    const char* shadowed;
    const char* vendor;
    const char* preshaded;
  };
  const row rows[] = {
      {{"t"}, "t", "t", "t"},
      {{"t", "t_SHDW"}, "t_SHDW", "t_SHDW", "t"},
      {{"t", "t_SHDWNVIDIA"}, "t", "t_SHDWNVIDIA", "t"},
      {{"t", "t_SHDW", "t_SHDWNVIDIA", "t_PRESHADED"}, "t_SHDW", "t_SHDWNVIDIA", "t_PRESHADED"},
  };
  for (const row& r : rows) {
    std::unique_ptr<gpu::effect> made;
    std::string errors;
    ASSERT_EQ(device->create_effect(effect_with(r.techniques), made, errors), gpu::result::ok) << errors;
    engine_effect effect(std::move(made));
    technique_record record;
    record.name = "t";
    record.find_technique(effect);
    EXPECT_EQ(effect.get().technique_name(record.plain), "t");
    EXPECT_EQ(effect.get().technique_name(record.shadowed), r.shadowed);
    EXPECT_EQ(effect.get().technique_name(record.vendor_shadowed), r.vendor);
    EXPECT_EQ(effect.get().technique_name(record.preshaded), r.preshaded);
  }
  std::unique_ptr<gpu::effect> made;
  std::string errors;
  ASSERT_EQ(device->create_effect(effect_with({"other"}), made, errors), gpu::result::ok);
  engine_effect effect(std::move(made));
  technique_record missing;
  missing.name = "t";
  EXPECT_EQ(test::fatal_message([&] { missing.find_technique(effect); }), "Unable to get technique with name t");
}

TEST(EffectFile, ParserNamesTheFaultyLine) {
  struct row {
    const char* text;
    const char* error;
  };
  const row rows[] = {
      {"@parameter float4 a = 1 2 3 4 5\n", "line 1: too many values for a"},
      {"@parameter float2x2 a\n", "line 1: bad parameter: @parameter float2x2 a"},
      {"@sampler s 9\n", "line 1: bad texture unit: 9"},
      {"@pass vertex=v fragment=f\n", "line 1: @pass outside a technique"},
      {"@technique t\n@pass vertex=v fragment=f\n@state z_func sometimes\n", "line 3: bad state value: sometimes"},
      {"@technique t\n@pass vertex=v fragment=f\n@state glow 1\n", "line 3: bad state: @state glow 1"},
      {"@vertex v\nx\n@technique t\n@pass vertex=v fragment=f\n", "technique t: no fragment program \"f\""},
      {"@technique t\n@technique t\n", "line 2: technique given twice: t"},
      {"stray text\n", "line 1: text outside a program: stray text"},
      {"@include other.fx\n", "line 1: unknown directive @include"},
  };
  for (const row& r : rows) {
    gpu::effect_source source;
    std::string error;
    EXPECT_FALSE(gpu::parse_effect_source(r.text, source, error)) << r.text;
    EXPECT_EQ(error, r.error);
  }
}

TEST(EffectFile, ParametersStatesAndPassesOfAParsedEffect) {
  auto control = std::make_shared<gpu::null_gpu_control>();
  auto device = null_device(control);
  const std::string text =
      "# comment\n@parameter float4 colour = 1 0.5\n@parameter float4x4[2] bones\n@sampler tex 3\n"
      "@vertex v\nvoid main() {}\n@fragment f\nvoid main() {}\n"
      "@technique t\n@pass vertex=v fragment=f\n@state alpha_blend_enable true\n@state src_blend src_alpha\n"
      "@pass vertex=v fragment=f\n@state depth_bias 0.5\n";
  std::unique_ptr<gpu::effect> e;
  std::string errors;
  ASSERT_EQ(device->create_effect(text, e, errors), gpu::result::ok) << errors;
  std::vector<float> values;
  auto colour = e->get_parameter_by_name("colour");
  ASSERT_EQ(e->get_floats(colour, values), gpu::result::ok);
  EXPECT_EQ(values, (std::vector<float>{1.0f, 0.5f, 0.0f, 0.0f}));
  const float m[16] = {1, 2, 3, 4};
  EXPECT_EQ(e->set_matrix(e->get_parameter_by_name("bones"), m), gpu::result::ok);
  e->get_floats(e->get_parameter_by_name("bones"), values);
  EXPECT_EQ(values.size(), 32u);
  EXPECT_EQ(values[3], 4.0f);
  EXPECT_EQ(e->set_float(e->get_parameter_by_name("tex"), 1.0f), gpu::result::invalid_call);
  EXPECT_EQ(e->get_parameter_by_name("nothing"), nullptr);

  ASSERT_EQ(e->set_technique(e->get_technique_by_name("t")), gpu::result::ok);
  std::uint32_t passes = 0;
  ASSERT_EQ(e->begin(passes), gpu::result::ok);
  EXPECT_EQ(passes, 2u);
  EXPECT_EQ(e->begin_pass(2), gpu::result::invalid_call);
  ASSERT_EQ(e->begin_pass(0), gpu::result::ok);
  EXPECT_EQ(device->get_render_state(gpu::render_state::alpha_blend_enable), 1u);
  EXPECT_EQ(device->get_render_state(gpu::render_state::src_blend), gpu::state_value(gpu::blend::src_alpha));
  EXPECT_EQ(e->end(), gpu::result::invalid_call);  // a pass is still open
  EXPECT_EQ(e->end_pass(), gpu::result::ok);
  ASSERT_EQ(e->begin_pass(1), gpu::result::ok);
  EXPECT_EQ(device->get_render_state(gpu::render_state::depth_bias), std::bit_cast<std::uint32_t>(0.5f));
  e->end_pass();
  EXPECT_EQ(e->end(), gpu::result::ok);
}

TEST(EffectFile, TheEngineEffectHasEveryCoreTechnique) {
  auto control = std::make_shared<gpu::null_gpu_control>();
  auto device = null_device(control);
  resource_manager m;
  std::string errors;
  auto effect = load_effect_file(*device, m, effect_path, errors);
  ASSERT_NE(effect, nullptr) << errors;
  for (const char* t : {"def_shader", "skin_shader", "font_shader", "shadowmap_shader", "shadow_shader",
                        "render_to_depth", "render_to_depth_skin", "render_character_shadow",
                        "render_character_shadow_with_skin"})
    EXPECT_NE(effect->get_technique_by_name(t), nullptr) << t;
  EXPECT_NE(effect->get().get_parameter_by_name("matWorldViewProj"), nullptr);
  EXPECT_NE(effect->get().get_parameter_by_name("diffuse_texture"), nullptr);
}

// The game's device hooks over a small set of core resources.
class DeviceLife : public testing::Test {
 protected:
  void SetUp() override {
    saved = g_ruv_config;
    g_ruv_config.use_pixel_shaders = g_ruv_config.use_vertex_shaders = 1;
    g_ruv_config.texture_detail = 100;
    device = null_device(control);
    r.manager = &manager;
    r.effect_path = effect_path;
    r.hooks.read_file = [this](const std::string& path) {
      return files.count(path) ? std::optional<std::string>(files[path]) : std::nullopt;
    };
    gpu::image white;
    white.fmt = gpu::format::a8r8g8b8;
    white.width = white.height = 1;
    white.levels.push_back({255, 255, 255, 255});
    const auto bytes = gpu::write_dds(white);
    files["Textures\\white.dds"] = std::string(bytes.begin(), bytes.end());
    test::add_texture(manager, "white.dds");
    const std::uint32_t effect = shader::flag_effect;
    test::add_shader(manager, "def_shader", effect, {}, "def_shader");
    test::add_shader(manager, "def_shader_ffp");
    test::add_shader(manager, "skin_shader", effect | shader::flag_skinned, {}, "skin_shader");
    test::add_shader(manager, "shadowmap_shader", effect, {}, "shadowmap_shader");
    test::add_shader(manager, "render_to_depth_shader", effect, {}, "render_to_depth");
    test::add_shader(manager, "render_to_depth_skin_shader", effect, {}, "render_to_depth_skin");
    test::add_shader(manager, "render_character_shadow", effect, {}, "render_character_shadow");
    test::add_shader(manager, "render_character_shadow_with_skin", effect, {}, "render_character_shadow_with_skin");
    material* def = test::add_material(manager, "default", "def_shader");
    def->textures[0] = manager.get_texture(ruv_string("white"));
  }
  void TearDown() override {
    manager.set_device_hooks(nullptr);
    g_ruv_config = saved;
  }

  std::shared_ptr<gpu::null_gpu_control> control = std::make_shared<gpu::null_gpu_control>();
  std::unique_ptr<gpu::device> device;
  resource_manager manager;
  device_resources r;
  std::map<std::string, std::string> files;
  ruv_config saved;
};

TEST_F(DeviceLife, ResetCycleRemakesTargetsAndTechniqueRecords) {
  ASSERT_EQ(init_device_resources(r, *device), 0);
  EXPECT_TRUE(manager.pixel_shaders_in_use());
  EXPECT_TRUE(manager.get_texture(ruv_string("white"))->loaded);
  EXPECT_EQ(manager.technique_records.size(), 7u);
  ASSERT_EQ(restore_device_resources(r), 0);
  ASSERT_NE(r.effect, nullptr);
  EXPECT_EQ(r.device_generation, 1u);
  EXPECT_EQ(r.render_to_depth_shader, manager.get_shader(ruv_string("render_to_depth_shader")));
  for (technique_record* t : manager.technique_records) EXPECT_EQ(t->resolved, 1) << t->name.c_str();
  technique_record* def = manager.find_technique_record(ruv_string("def_shader"));
  EXPECT_EQ(r.effect->get().technique_name(def->shadowed), "def_shader_SHDW");
  EXPECT_EQ(r.effect->get().technique_name(def->preshaded), "def_shader");

  // The renderer takes two shadow targets from the pools.
  texture* depth = manager.get_render_target(2048, 2048, gpu::format::d24s8, 0);
  material* shadow = manager.get_render_target_material(2048, 2048, gpu::format::r32f, 0);
  EXPECT_EQ(control->live_targets, 2u);

  for (int cycle = 0; cycle < 2; ++cycle) {
    invalidate_device_resources(r);
    EXPECT_EQ(r.effect, nullptr);
    EXPECT_EQ(control->live_targets, 0u);
    for (technique_record* t : manager.technique_records) EXPECT_EQ(t->resolved, 0);
    gpu::present_parameters p;
    p.back_buffer_width = p.back_buffer_height = 32;
    ASSERT_EQ(device->reset(p), gpu::result::ok) << "the reset refuses while targets live";
    ASSERT_EQ(restore_device_resources(r), 0);
    EXPECT_EQ(depth->surface_word, 1);
    EXPECT_NE(depth->depth_surface, nullptr);
    EXPECT_NE(texture_frame(*shadow->textures[0], 0), nullptr);
    EXPECT_EQ(control->live_targets, 2u);
    for (technique_record* t : manager.technique_records) EXPECT_EQ(t->resolved, 1);
    EXPECT_EQ(r.device_generation, 2u + cycle);
  }
  // The file texture stays through resets and goes with the device objects.
  EXPECT_TRUE(manager.get_texture(ruv_string("white"))->loaded);
  invalidate_device_resources(r);
  delete_device_resources(r);
  EXPECT_FALSE(manager.get_texture(ruv_string("white"))->loaded);
  EXPECT_EQ(device->outstanding_resources(), 0u);
}

// Deleting the device resources without an invalidate first (the order of a
// tool that ends) leaves nothing of the device behind: the effect, the render
// targets and the device itself are let go of, so the global object's
// destructor never reaches into a device destroyed before it.
TEST_F(DeviceLife, DeleteLetsGoOfEverythingTheDeviceMade) {
  ASSERT_EQ(init_device_resources(r, *device), 0);
  ASSERT_EQ(restore_device_resources(r), 0);
  ASSERT_NE(r.effect, nullptr);
  manager.get_render_target_material(256, 256, gpu::format::r32f, 0);
  EXPECT_GT(device->outstanding_resources(), 0u);
  delete_device_resources(r);
  EXPECT_EQ(r.effect, nullptr);
  EXPECT_EQ(r.hooks.device(), nullptr);
  EXPECT_EQ(r.render_to_depth_shader, nullptr);
  EXPECT_EQ(r.render_character_shadow_with_skin, nullptr);
  EXPECT_EQ(control->live_targets, 0u);
  EXPECT_EQ(device->outstanding_resources(), 0u);
}

TEST_F(DeviceLife, AnEffectThatDoesNotCompileIsFatal) {
  init_device_resources(r, *device);
  control->fail_next_effect = true;
  EXPECT_EQ(test::fatal_message([&] { restore_device_resources(r); }), "Unable to compile the effect file.");
  r.effect_path = "no_such_effect.fx";
  EXPECT_EQ(test::fatal_message([&] { restore_device_resources(r); }), "Unable to compile the effect file.");
}

TEST_F(DeviceLife, WithoutPixelShadersNoTechniqueRecordsAndTheFixedFunctionDefault) {
  g_ruv_config.use_pixel_shaders = 0;
  init_device_resources(r, *device);
  EXPECT_FALSE(manager.pixel_shaders_in_use());
  EXPECT_TRUE(manager.technique_records.empty());
  EXPECT_EQ(manager.get_material(ruv_string("default"))->shader_ptr, manager.get_shader(ruv_string("def_shader_ffp")));
  restore_device_resources(r);
  invalidate_device_resources(r);
  delete_device_resources(r);
  EXPECT_EQ(device->outstanding_resources(), 0u);
}

// The shader path needs version 2.0 shaders of both kinds, 16 streams with
// offsets and use_vertex_shaders on; a device short of any draws without it.
TEST(ShaderPath, EveryConditionIsNeeded) {
  gpu::device_caps full;
  full.vertex_shader_version = full.pixel_shader_version = 0x200;
  full.max_streams = 16;
  full.stream_offsets = true;
  EXPECT_TRUE(shader_path_supported(full, 1));
  EXPECT_FALSE(shader_path_supported(full, 0));
  struct row {
    std::uint32_t vs, ps, streams;
    bool offsets;
    bool expected;
  };
  const row rows[] = {{0x300, 0x300, 32, true, true}, {0x1FF, 0x200, 16, true, false},
                      {0x200, 0x104, 16, true, false}, {0x200, 0x200, 15, true, false},
                      {0x200, 0x200, 16, false, false}};
  for (const row& r : rows) {
    gpu::device_caps caps = full;
    caps.vertex_shader_version = r.vs;
    caps.pixel_shader_version = r.ps;
    caps.max_streams = r.streams;
    caps.stream_offsets = r.offsets;
    EXPECT_EQ(shader_path_supported(caps, 1), r.expected) << std::hex << r.vs << " " << r.ps << " " << r.streams;
  }
}

TEST_F(DeviceLife, WithoutVertexShadersTheFixedFunctionPathIsUsed) {
  // The device has pixel shaders 2.0; the setting alone turns the path off.
  g_ruv_config.use_vertex_shaders = 0;
  init_device_resources(r, *device);
  EXPECT_FALSE(manager.pixel_shaders_in_use());
  EXPECT_TRUE(manager.technique_records.empty());
  EXPECT_EQ(manager.get_material(ruv_string("default"))->shader_ptr, manager.get_shader(ruv_string("def_shader_ffp")));
  delete_device_resources(r);
}

TEST_F(DeviceLife, PixelProgramShadersCompileTheirFileOnce) {
  init_device_resources(r, *device);
  // A device whose pixel shaders are too old for the effect but where the
  // setting is on: fixed-function shaders with a pixel program are usable.
  r.hooks.caps.pixel_shaders_in_use = false;
  shader* water = test::add_shader(manager, "water", shader::flag_assembled_pixel_shader, {}, "water.psh");
  EXPECT_EQ(test::fatal_message([&] { r.hooks.create_shader_device_objects(*water); }),
            "Failed to assemble shader water from file");
  files["water.psh"] = "void main() { hm_frag_color = v_color; }";
  r.hooks.create_shader_device_objects(*water);
  EXPECT_NE(water->pixel_shader, nullptr);
  EXPECT_TRUE(water->device_objects_created);
  void* first = water->pixel_shader;
  r.hooks.create_shader_device_objects(*water);
  EXPECT_EQ(water->pixel_shader, first);
  // Not usable (pixel shaders in use and no effect flag): nothing is compiled.
  shader* other = test::add_shader(manager, "other", shader::flag_assembled_pixel_shader, {}, "missing.psh");
  r.hooks.caps.pixel_shaders_in_use = true;
  r.hooks.create_shader_device_objects(*other);
  EXPECT_EQ(other->pixel_shader, nullptr);
  delete_device_resources(r);
  EXPECT_EQ(water->pixel_shader, nullptr);
  EXPECT_EQ(device->outstanding_resources(), 0u);
}

}  // namespace
