#include "engine/text/texture_font_gpu.h"

#include <cstring>

namespace hm {

namespace gpu = platform::gpu;

namespace {

// The states a text draw sets, and so saves first and puts back after.
constexpr gpu::render_state saved_render_states[] = {
    gpu::render_state::z_enable,          gpu::render_state::z_write_enable,
    gpu::render_state::alpha_blend_enable, gpu::render_state::src_blend,
    gpu::render_state::dest_blend,        gpu::render_state::alpha_test_enable,
    gpu::render_state::alpha_ref,         gpu::render_state::alpha_func,
    gpu::render_state::cull_mode,         gpu::render_state::fill_mode,
    gpu::render_state::stencil_enable,    gpu::render_state::fog_enable,
    gpu::render_state::lighting,          gpu::render_state::color_write_enable,
    gpu::render_state::scissor_test_enable, gpu::render_state::depth_bias,
    gpu::render_state::slope_scale_depth_bias,
};
constexpr gpu::sampler_state saved_sampler_states[] = {
    gpu::sampler_state::address_u, gpu::sampler_state::address_v, gpu::sampler_state::mag_filter,
    gpu::sampler_state::min_filter, gpu::sampler_state::mip_filter,
};
constexpr auto stage_state_count = static_cast<std::uint32_t>(gpu::texture_stage_state::count);

std::uint32_t float_bits(float f) {
  std::uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits;
}

using gpu::state_value;

}  // namespace

gpu_texture_font_device::~gpu_texture_font_device() {
  release_draw_objects();
  release_glyph_texture();
}

std::uint32_t gpu_texture_font_device::max_texture_width() const {
  return device_ ? device_->caps().max_texture_width : 0;
}

hresult gpu_texture_font_device::create_glyph_texture(int width, int height, const std::vector<std::uint16_t>& texels) {
  texture_.reset();
  if (!device_ || width <= 0 || height <= 0 ||
      texels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    return frame_code::invalid_call;
  std::unique_ptr<gpu::texture> t;
  gpu::result r = device_->create_texture(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), 1,
                                          gpu::usage_none, gpu::format::a4r4g4b4, t);
  if (r != gpu::result::ok) return to_hresult(r);
  r = t->update_level(0, texels.data(), texels.size() * sizeof(std::uint16_t));
  if (r != gpu::result::ok) return to_hresult(r);
  texture_ = std::move(t);
  return frame_code::ok;
}

void gpu_texture_font_device::release_glyph_texture() {
  if (device_ && texture_ && drawing_) device_->set_texture(0, nullptr);
  texture_.reset();
}

hresult gpu_texture_font_device::restore_draw_objects() {
  if (!device_) return frame_code::failed;
  if (!layout_) {
    const std::vector<gpu::vertex_element> elements = {
        {0, 0, gpu::vertex_element_type::float3, gpu::vertex_usage::position, 0},
        {0, 16, gpu::vertex_element_type::color, gpu::vertex_usage::color, 0},
        {0, 20, gpu::vertex_element_type::float2, gpu::vertex_usage::texcoord, 0},
    };
    const gpu::result r = device_->create_vertex_layout(elements, layout_);
    if (r != gpu::result::ok) return to_hresult(r);
  }
  if (!buffer_) {
    const gpu::result r = device_->create_vertex_buffer(buffer_vertices * sizeof(font_vertex), true, buffer_);
    if (r != gpu::result::ok) return to_hresult(r);
  }
  return frame_code::ok;
}

void gpu_texture_font_device::release_draw_objects() {
  buffer_.reset();
  layout_.reset();
  saved_ = {};
  drawing_ = false;
}

int gpu_texture_font_device::viewport_width() const {
  return device_ ? static_cast<int>(device_->get_viewport().width) : 0;
}

int gpu_texture_font_device::viewport_height() const {
  return device_ ? static_cast<int>(device_->get_viewport().height) : 0;
}

std::array<float, 16> gpu_texture_font_device::screen_projection(const gpu::viewport& vp) {
  const float w = vp.width ? static_cast<float>(vp.width) : 1.0f;
  const float h = vp.height ? static_cast<float>(vp.height) : 1.0f;
  // The glyph quads are placed half a pixel up and left so that texels fall on
  // pixel centres where those lie on whole numbers; the device puts them on
  // halves, so the projection moves everything back by half a pixel. Positions
  // are the render target's pixels; the viewport's corner is subtracted since
  // the device maps clip space onto the viewport.
  const float ox = 0.5f - static_cast<float>(vp.x);
  const float oy = 0.5f - static_cast<float>(vp.y);
  return {2.0f / w, 0.0f, 0.0f, 0.0f,                          //
          0.0f, -2.0f / h, 0.0f, 0.0f,                         //
          0.0f, 0.0f, 1.0f, 0.0f,                              //
          2.0f * ox / w - 1.0f, 1.0f - 2.0f * oy / h, 0.0f, 1.0f};
}

void gpu_texture_font_device::begin_text(bool linear_filtering) {
  if (!device_) return;
  if (!buffer_ || !layout_) restore_draw_objects();
  gpu::device& d = *device_;

  // The saved block: every state the drawing block below changes that the
  // device can report. The device cannot report its transforms, bound textures
  // or stream, so whoever draws next sets those (as every draw path does).
  saved_.render.clear();
  for (gpu::render_state s : saved_render_states) saved_.render.push_back(d.get_render_state(s));
  saved_.sampler.clear();
  for (gpu::sampler_state s : saved_sampler_states) saved_.sampler.push_back(d.get_sampler_state(0, s));
  saved_.stage0.clear();
  saved_.stage1.clear();
  for (std::uint32_t i = 0; i < stage_state_count; ++i) {
    saved_.stage0.push_back(d.get_texture_stage_state(0, static_cast<gpu::texture_stage_state>(i)));
    saved_.stage1.push_back(d.get_texture_stage_state(1, static_cast<gpu::texture_stage_state>(i)));
  }
  drawing_ = true;

  // The drawing block: blended over whatever is there, no depth, no culling.
  using rs = gpu::render_state;
  d.set_render_state(rs::z_enable, 0);
  d.set_render_state(rs::z_write_enable, 0);
  d.set_render_state(rs::alpha_blend_enable, 1);
  d.set_render_state(rs::src_blend, state_value(gpu::blend::src_alpha));
  d.set_render_state(rs::dest_blend, state_value(gpu::blend::inv_src_alpha));
  d.set_render_state(rs::alpha_test_enable, 1);
  d.set_render_state(rs::alpha_ref, 0x08);
  d.set_render_state(rs::alpha_func, state_value(gpu::compare_func::greater_equal));
  d.set_render_state(rs::cull_mode, state_value(gpu::cull::none));
  d.set_render_state(rs::fill_mode, state_value(gpu::fill::solid));
  d.set_render_state(rs::stencil_enable, 0);
  d.set_render_state(rs::fog_enable, 0);
  d.set_render_state(rs::lighting, 0);
  d.set_render_state(rs::color_write_enable, 0xF);
  d.set_render_state(rs::scissor_test_enable, 0);
  d.set_render_state(rs::depth_bias, float_bits(0.0f));
  d.set_render_state(rs::slope_scale_depth_bias, float_bits(0.0f));

  const auto filter = state_value(linear_filtering ? gpu::texture_filter::linear : gpu::texture_filter::point);
  d.set_sampler_state(0, gpu::sampler_state::address_u, state_value(gpu::texture_address::clamp));
  d.set_sampler_state(0, gpu::sampler_state::address_v, state_value(gpu::texture_address::clamp));
  d.set_sampler_state(0, gpu::sampler_state::mag_filter, filter);
  d.set_sampler_state(0, gpu::sampler_state::min_filter, filter);
  d.set_sampler_state(0, gpu::sampler_state::mip_filter, state_value(gpu::texture_filter::none));

  gpu::set_texture_times_diffuse_stages(d);

  static constexpr float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
  d.set_transform(gpu::transform_kind::world, identity);
  d.set_transform(gpu::transform_kind::view, identity);
  const std::array<float, 16> projection = screen_projection(d.get_viewport());
  d.set_transform(gpu::transform_kind::projection, projection.data());
  d.set_pixel_program(nullptr);
  d.set_texture(0, texture_.get());
  d.set_vertex_layout(layout_.get());
  d.set_stream_source(0, buffer_.get(), 0, sizeof(font_vertex));
}

void gpu_texture_font_device::draw_triangles(const font_vertex* vertices, int count) {
  if (!device_ || !drawing_ || !vertices || count < 3) return;
  const auto triangles = static_cast<std::uint32_t>(count / 3);
  const std::uint32_t bytes = triangles * 3 * sizeof(font_vertex);
  void* data = nullptr;
  if (buffer_ && bytes <= buffer_->size() &&
      buffer_->lock(0, bytes, gpu::lock_discard, data) == gpu::result::ok) {
    std::memcpy(data, vertices, bytes);
    buffer_->unlock();
    device_->draw_primitive(gpu::primitive_type::triangle_list, 0, triangles);
  } else {
    // A batch larger than the buffer (or no buffer) is drawn from memory.
    device_->draw_primitive_up(gpu::primitive_type::triangle_list, triangles, vertices, sizeof(font_vertex));
  }
}

void gpu_texture_font_device::end_text() {
  if (!device_ || !drawing_) return;
  gpu::device& d = *device_;
  drawing_ = false;
  for (std::size_t i = 0; i < saved_.render.size(); ++i) d.set_render_state(saved_render_states[i], saved_.render[i]);
  for (std::size_t i = 0; i < saved_.sampler.size(); ++i)
    d.set_sampler_state(0, saved_sampler_states[i], saved_.sampler[i]);
  for (std::uint32_t i = 0; i < saved_.stage0.size(); ++i) {
    d.set_texture_stage_state(0, static_cast<gpu::texture_stage_state>(i), saved_.stage0[i]);
    d.set_texture_stage_state(1, static_cast<gpu::texture_stage_state>(i), saved_.stage1[i]);
  }
  // The glyph texture and buffer may go before the next draw: nothing keeps them bound.
  d.set_texture(0, nullptr);
  d.set_stream_source(0, nullptr, 0, 0);
  d.set_vertex_layout(nullptr);
}

}  // namespace hm
