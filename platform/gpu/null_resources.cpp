// The null device's resources and states: textures keep their pixels in memory
// (so what was loaded can be read back), buffers are byte arrays, effects are
// parsed but not compiled, and every state sent is recorded in the control block.
#include <algorithm>

#include "platform/gpu/image_file.h"
#include "platform/gpu/null_device.h"

namespace hm::platform::gpu {
namespace {

// Counts itself in the control block while alive.
class counted {
 public:
  counted(std::shared_ptr<null_gpu_control> control, bool target) : control_(std::move(control)), target_(target) {
    ++control_->live_resources;
    if (target_) ++control_->live_targets;
  }
  ~counted() {
    --control_->live_resources;
    if (target_) --control_->live_targets;
  }
  counted(const counted&) = delete;
  counted& operator=(const counted&) = delete;

 private:
  std::shared_ptr<null_gpu_control> control_;
  bool target_;
};

class null_surface final : public surface {
 public:
  null_surface(std::shared_ptr<null_gpu_control> control, format f, std::uint32_t w, std::uint32_t h, bool owned_target)
      : count_(std::move(control), owned_target), fmt_(f), w_(w), h_(h) {}
  format get_format() const override { return fmt_; }
  std::uint32_t width() const override { return w_; }
  std::uint32_t height() const override { return h_; }

 private:
  counted count_;
  format fmt_;
  std::uint32_t w_, h_;
};

class null_texture final : public texture {
 public:
  null_texture(std::shared_ptr<null_gpu_control> control, std::uint32_t w, std::uint32_t h, std::uint32_t levels,
               std::uint32_t usage, format f)
      : control_(control), count_(control, (usage & (usage_render_target | usage_depth_stencil)) != 0),
        w_(w), h_(h), usage_(usage), fmt_(f) {
    for (std::uint32_t l = 0; l < levels; ++l)
      levels_.emplace_back(level_size(f, mip_dimension(w, l), mip_dimension(h, l)), 0);
  }
  format get_format() const override { return fmt_; }
  std::uint32_t width() const override { return w_; }
  std::uint32_t height() const override { return h_; }
  std::uint32_t level_count() const override { return static_cast<std::uint32_t>(levels_.size()); }
  std::uint32_t usage() const override { return usage_; }

  result update_level(std::uint32_t level, const void* data, std::size_t size) override {
    if (level >= levels_.size() || size != levels_[level].size() || (!data && size)) return result::invalid_call;
    std::copy_n(static_cast<const std::uint8_t*>(data), size, levels_[level].begin());
    return result::ok;
  }
  result read_level(std::uint32_t level, std::vector<std::uint32_t>& argb) override {
    if (level >= levels_.size()) return result::invalid_call;
    argb = decode_level(fmt_, mip_dimension(w_, level), mip_dimension(h_, level), levels_[level].data(),
                        levels_[level].size());
    return argb.empty() ? result::invalid_call : result::ok;
  }
  result read_level_data(std::uint32_t level, std::vector<std::uint8_t>& bytes) override {
    if (level >= levels_.size() || is_block_compressed(fmt_)) return result::invalid_call;
    bytes = levels_[level];
    return result::ok;
  }
  void generate_mipmaps() override {}
  std::unique_ptr<surface> get_surface_level(std::uint32_t level) override {
    if (level >= levels_.size()) return nullptr;
    return std::make_unique<null_surface>(control_, fmt_, mip_dimension(w_, level), mip_dimension(h_, level), false);
  }

 private:
  std::shared_ptr<null_gpu_control> control_;
  counted count_;
  std::uint32_t w_, h_, usage_;
  format fmt_;
  std::vector<std::vector<std::uint8_t>> levels_;
};

template <class Base>
class null_buffer final : public Base {
 public:
  null_buffer(std::shared_ptr<null_gpu_control> control, std::uint32_t size)
      : count_(std::move(control), false), size_(size) {}
  std::uint32_t size() const override { return size_; }
  result lock(std::uint32_t offset, std::uint32_t size, std::uint32_t, void*& data) override {
    data = nullptr;
    if (locked_ || offset > size_) return result::invalid_call;
    if (size == 0) size = size_ - offset;
    if (size > size_ - offset) return result::invalid_call;
    // The bytes are made (zeroed) at the first lock: nothing else reads them,
    // and the engine makes large pools it may fill only in part or not at all.
    if (bytes_.empty()) bytes_.resize(size_);
    locked_ = true;
    data = bytes_.data() + offset;
    return result::ok;
  }
  result unlock() override {
    if (!locked_) return result::invalid_call;
    locked_ = false;
    return result::ok;
  }

 private:
  counted count_;
  std::uint32_t size_;
  std::vector<std::uint8_t> bytes_;
  bool locked_ = false;
};

class null_layout final : public vertex_layout {
 public:
  null_layout(std::shared_ptr<null_gpu_control> control, std::vector<vertex_element> elements)
      : count_(std::move(control), false), elements_(std::move(elements)) {}
  const std::vector<vertex_element>& elements() const override { return elements_; }

 private:
  counted count_;
  std::vector<vertex_element> elements_;
};

class null_pixel_program final : public pixel_program {
 public:
  explicit null_pixel_program(std::shared_ptr<null_gpu_control> control) : count_(std::move(control), false) {}

 private:
  counted count_;
};

// Parsed, not compiled: a pass sends its states to the device.
class null_effect final : public effect_base {
 public:
  null_effect(std::shared_ptr<null_gpu_control> control, device& dev, effect_source source)
      : effect_base(std::move(source)), count_(std::move(control), false), device_(dev) {}

 protected:
  result apply_pass(const effect_technique_desc& technique, std::uint32_t pass_index) override {
    for (const effect_state_desc& s : technique.passes[pass_index].states) device_.set_render_state(s.state, s.value);
    return apply_parameters();
  }
  result apply_parameters() override {
    for (auto& v : values_) v.dirty = false;
    return result::ok;
  }

 private:
  counted count_;
  device& device_;
};

}  // namespace

void null_device::reset_states() {
  for (std::size_t i = 0; i < render_states_.size(); ++i)
    render_states_[i] = default_render_state(static_cast<render_state>(i));
  for (std::uint32_t stage = 0; stage < max_texture_stages; ++stage) {
    for (std::size_t i = 0; i < sampler_states_[stage].size(); ++i)
      sampler_states_[stage][i] = default_sampler_state(static_cast<sampler_state>(i));
    for (std::size_t i = 0; i < stage_states_[stage].size(); ++i)
      stage_states_[stage][i] = default_texture_stage_state(stage, static_cast<texture_stage_state>(i));
  }
  textures_.fill(nullptr);
  render_target_ = depth_surface_ = nullptr;
  layout_ = nullptr;
  stream0_ = nullptr;
  indices_ = nullptr;
}

result null_device::create_texture(std::uint32_t width, std::uint32_t height, std::uint32_t levels,
                                   std::uint32_t usage, format fmt, std::unique_ptr<texture>& out) {
  out.reset();
  if (width == 0 || height == 0 || width > caps_.max_texture_width || height > caps_.max_texture_height)
    return result::invalid_call;
  const bool target = (usage & (usage_render_target | usage_depth_stencil)) != 0;
  if ((usage & usage_depth_stencil) ? !is_depth_format(fmt) : (is_depth_format(fmt) || fmt == format::unknown))
    return result::not_available;
  if (target) {
    ++control_->target_requests;
    if (control_->fail_target && control_->fail_target(width, height, fmt, false)) return result::out_of_video_memory;
  }
  std::uint32_t full = 1;
  while ((width >> full) || (height >> full)) ++full;
  if (levels == 0 || levels > full) levels = full;
  if (usage & usage_depth_stencil) levels = 1;
  ++control_->textures_created;
  out = std::make_unique<null_texture>(control_, width, height, levels, usage, fmt);
  return result::ok;
}

result null_device::create_depth_stencil_surface(std::uint32_t width, std::uint32_t height, format fmt,
                                                 multisample_type, std::uint32_t, bool,
                                                 std::unique_ptr<surface>& out) {
  out.reset();
  if (width == 0 || height == 0) return result::invalid_call;
  ++control_->target_requests;
  if (!is_depth_format(fmt) && fmt != format::r16f && fmt != format::r32f) return result::not_available;
  if (control_->fail_target && control_->fail_target(width, height, fmt, true)) return result::out_of_video_memory;
  out = std::make_unique<null_surface>(control_, fmt, width, height, true);
  return result::ok;
}

result null_device::create_vertex_buffer(std::uint32_t size, bool, std::unique_ptr<vertex_buffer>& out) {
  out.reset();
  if (size == 0) return result::invalid_call;
  out = std::make_unique<null_buffer<vertex_buffer>>(control_, size);
  return result::ok;
}

result null_device::create_index_buffer(std::uint32_t size, bool, std::unique_ptr<index_buffer>& out) {
  out.reset();
  if (size == 0) return result::invalid_call;
  out = std::make_unique<null_buffer<index_buffer>>(control_, size);
  return result::ok;
}

result null_device::create_vertex_layout(const std::vector<vertex_element>& elements,
                                         std::unique_ptr<vertex_layout>& out) {
  out.reset();
  for (const auto& e : elements)
    if (attribute_slot(e.usage, e.usage_index) < 0) return result::invalid_call;
  out = std::make_unique<null_layout>(control_, elements);
  return result::ok;
}

result null_device::create_pixel_program(const std::string& source, std::unique_ptr<pixel_program>& out,
                                         std::string& errors) {
  out.reset();
  if (control_->fail_next_pixel_program || source.empty()) {
    control_->fail_next_pixel_program = false;
    errors = "pixel program failed to compile";
    return result::failed;
  }
  out = std::make_unique<null_pixel_program>(control_);
  return result::ok;
}

result null_device::create_effect(const std::string& source, std::unique_ptr<effect>& out, std::string& errors) {
  out.reset();
  effect_source parsed;
  if (!parse_effect_source(source, parsed, errors)) return result::failed;
  if (control_->fail_next_effect) {
    control_->fail_next_effect = false;
    errors = "effect failed to compile";
    return result::failed;
  }
  out = std::make_unique<null_effect>(control_, *this, std::move(parsed));
  return result::ok;
}

result null_device::set_render_target(surface* colour) {
  render_target_ = colour;
  return result::ok;
}

result null_device::set_depth_stencil_surface(surface* depth) {
  depth_surface_ = depth;
  return result::ok;
}

result null_device::set_render_state(render_state state, std::uint32_t value) {
  const auto i = static_cast<std::size_t>(state);
  if (i >= render_states_.size()) return result::invalid_call;
  ++state_sets_;
  render_states_[i] = value;
  if (control_->record_state_changes)
    control_->state_changes.push_back({null_gpu_control::state_kind::render, 0, static_cast<std::uint32_t>(i), value});
  return result::ok;
}

std::uint32_t null_device::get_render_state(render_state state) const {
  const auto i = static_cast<std::size_t>(state);
  return i < render_states_.size() ? render_states_[i] : 0;
}

result null_device::set_sampler_state(std::uint32_t sampler, sampler_state state, std::uint32_t value) {
  const auto i = static_cast<std::size_t>(state);
  if (sampler >= max_texture_stages || i >= sampler_states_[0].size()) return result::invalid_call;
  ++state_sets_;
  sampler_states_[sampler][i] = value;
  if (control_->record_state_changes)
    control_->state_changes.push_back(
        {null_gpu_control::state_kind::sampler, sampler, static_cast<std::uint32_t>(i), value});
  return result::ok;
}

std::uint32_t null_device::get_sampler_state(std::uint32_t sampler, sampler_state state) const {
  const auto i = static_cast<std::size_t>(state);
  return sampler < max_texture_stages && i < sampler_states_[0].size() ? sampler_states_[sampler][i] : 0;
}

result null_device::set_texture_stage_state(std::uint32_t stage, texture_stage_state state, std::uint32_t value) {
  const auto i = static_cast<std::size_t>(state);
  if (stage >= max_texture_stages || i >= stage_states_[0].size()) return result::invalid_call;
  ++state_sets_;
  stage_states_[stage][i] = value;
  if (control_->record_state_changes)
    control_->state_changes.push_back(
        {null_gpu_control::state_kind::texture_stage, stage, static_cast<std::uint32_t>(i), value});
  return result::ok;
}

std::uint32_t null_device::get_texture_stage_state(std::uint32_t stage, texture_stage_state state) const {
  const auto i = static_cast<std::size_t>(state);
  return stage < max_texture_stages && i < stage_states_[0].size() ? stage_states_[stage][i] : 0;
}

result null_device::set_texture(std::uint32_t stage, texture* t) {
  if (stage >= max_texture_stages) return result::invalid_call;
  textures_[stage] = t;
  return result::ok;
}

result null_device::set_transform(transform_kind kind, const float*) {
  return static_cast<std::size_t>(kind) < static_cast<std::size_t>(transform_kind::count) ? result::ok
                                                                                          : result::invalid_call;
}

result null_device::set_pixel_program(pixel_program*) { return result::ok; }

result null_device::set_vertex_layout(vertex_layout* layout) {
  layout_ = layout;
  return result::ok;
}

result null_device::set_stream_source(std::uint32_t stream, vertex_buffer* vb, std::uint32_t, std::uint32_t) {
  if (stream != 0) return result::invalid_call;
  stream0_ = vb;
  return result::ok;
}

result null_device::set_indices(index_buffer* ib) {
  indices_ = ib;
  return result::ok;
}

result null_device::check_draw(primitive_type type, std::uint32_t count) {
  if (!layout_ || !in_scene_) return result::invalid_call;
  ++control_->draws;
  control_->primitives_drawn += count;
  (void)type;
  return result::ok;
}

result null_device::draw_primitive(primitive_type type, std::uint32_t, std::uint32_t count) {
  if (!stream0_) return result::invalid_call;
  return check_draw(type, count);
}

result null_device::draw_indexed_primitive(primitive_type type, std::int32_t, std::uint32_t, std::uint32_t,
                                           std::uint32_t, std::uint32_t count) {
  if (!stream0_ || !indices_) return result::invalid_call;
  return check_draw(type, count);
}

result null_device::draw_primitive_up(primitive_type type, std::uint32_t count, const void* vertices,
                                      std::uint32_t stride) {
  if (!vertices || stride == 0) return result::invalid_call;
  return check_draw(type, count);
}

}  // namespace hm::platform::gpu
