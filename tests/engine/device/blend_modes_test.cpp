// Blend and texture-generation modes: the device states each mode number sends,
// and nothing sent when the value is already in force.
#include <gtest/gtest.h>

#include "engine/device/blend_modes.h"
#include "platform/gpu/null_device.h"

using namespace hm;
namespace gpu = hm::platform::gpu;

namespace {

using change = gpu::null_gpu_control::state_change;

class BlendModes : public testing::Test {
 protected:
  void SetUp() override {
    gpu::null_system system(gpu::default_null_config(), control);
    gpu::present_parameters p;
    p.back_buffer_width = p.back_buffer_height = 8;
    ASSERT_EQ(system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, p, device),
              gpu::result::ok);
    cache.set_device(device.get());
  }
  // The render states sent since the last call, as (state, value).
  std::vector<std::pair<gpu::render_state, std::uint32_t>> sent() {
    std::vector<std::pair<gpu::render_state, std::uint32_t>> out;
    for (const change& c : control->state_changes)
      out.emplace_back(static_cast<gpu::render_state>(c.state), c.value);
    control->state_changes.clear();
    return out;
  }

  std::shared_ptr<gpu::null_gpu_control> control = std::make_shared<gpu::null_gpu_control>();
  std::unique_ptr<gpu::device> device;
  blend_texgen_cache cache;
};

TEST_F(BlendModes, EachModeSendsItsStatesOnce) {
  using gpu::render_state;
  using gpu::state_value;
  using sent_list = std::vector<std::pair<render_state, std::uint32_t>>;
  const sent_list alpha = {{render_state::alpha_blend_enable, 1},
                           {render_state::src_blend, state_value(gpu::blend::src_alpha)},
                           {render_state::dest_blend, state_value(gpu::blend::inv_src_alpha)}};
  cache.set_blend_mode(1);
  EXPECT_EQ(sent(), alpha);
  cache.set_blend_mode(1);
  EXPECT_TRUE(sent().empty());

  // Back to opaque: only the enable state; the factors keep their values.
  cache.set_blend_mode(0);
  EXPECT_EQ(sent(), (sent_list{{render_state::alpha_blend_enable, 0}}));
  EXPECT_EQ(device->get_render_state(render_state::src_blend), state_value(gpu::blend::src_alpha));

  cache.set_blend_mode(2);
  EXPECT_EQ(sent(), (sent_list{{render_state::alpha_blend_enable, 1},
                               {render_state::src_blend, state_value(gpu::blend::src_alpha)},
                               {render_state::dest_blend, state_value(gpu::blend::one)}}));
  const sent_list multiply = {{render_state::alpha_blend_enable, 1},
                              {render_state::src_blend, state_value(gpu::blend::zero)},
                              {render_state::dest_blend, state_value(gpu::blend::src_color)}};
  cache.set_blend_mode(3);
  EXPECT_EQ(sent(), multiply);
  cache.set_blend_mode(4);
  EXPECT_EQ(sent(), multiply);
  cache.set_blend_mode(-7);
  EXPECT_EQ(sent(), multiply);
}

TEST_F(BlendModes, TexgenModesAndTheUnknownOnesThatAreOnlyRemembered) {
  struct row {
    std::int32_t mode;
    bool sends;
    std::uint32_t index;
  };
  const row rows[] = {{1, true, 1},
                      {16, true, gpu::texcoord_sphere_map},
                      {32, true, gpu::texcoord_camera_space_normal},
                      {48, true, gpu::texcoord_camera_space_reflection},
                      {64, true, gpu::texcoord_camera_space_position},
                      {5, false, 0},
                      {5, false, 0},  // remembered: the repeat is quiet too
                      {0, true, 0}};
  for (const row& r : rows) {
    control->state_changes.clear();
    cache.set_texgen_mode(1, r.mode);
    EXPECT_EQ(cache.texgen_mode(1), r.mode);
    ASSERT_EQ(control->state_changes.size(), r.sends ? 1u : 0u) << r.mode;
    if (!r.sends) continue;
    const change& c = control->state_changes[0];
    EXPECT_EQ(c.kind, gpu::null_gpu_control::state_kind::texture_stage);
    EXPECT_EQ(c.index, 1u);
    EXPECT_EQ(c.state, static_cast<std::uint32_t>(gpu::texture_stage_state::texcoord_index));
    EXPECT_EQ(c.value, r.index);
  }
  // Stages are cached apart; the frame reset sends blending off and set 0 everywhere.
  cache.set_texgen_mode(0, 16);
  cache.set_blend_mode(1);
  cache.reset();
  EXPECT_EQ(cache.blend_mode(), 0);
  EXPECT_EQ(cache.texgen_mode(0), 0);
  EXPECT_EQ(device->get_render_state(gpu::render_state::alpha_blend_enable), 0u);
  EXPECT_EQ(device->get_texture_stage_state(0, gpu::texture_stage_state::texcoord_index), 0u);
  control->state_changes.clear();
  cache.set_blend_mode(0);
  cache.set_texgen_mode(0, 0);
  EXPECT_TRUE(control->state_changes.empty());
}

}  // namespace
