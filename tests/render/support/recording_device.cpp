#include "render/support/recording_device.h"

namespace hm::test {

namespace gpu = platform::gpu;
using gpu::result;

namespace {

class recording_buffer_vb final : public gpu::vertex_buffer {
 public:
  recording_buffer_vb(std::unique_ptr<gpu::vertex_buffer> inner, std::shared_ptr<device_log> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}
  std::uint32_t size() const override { return inner_->size(); }
  result lock(std::uint32_t offset, std::uint32_t size, std::uint32_t flags, void*& data) override {
    ++log_->buffer_locks;
    if (log_->failing_locks > 0) {
      --log_->failing_locks;
      return result::invalid_call;
    }
    return inner_->lock(offset, size, flags, data);
  }
  result unlock() override { return inner_->unlock(); }
  gpu::vertex_buffer& inner() { return *inner_; }

 private:
  std::unique_ptr<gpu::vertex_buffer> inner_;
  std::shared_ptr<device_log> log_;
};

class recording_effect final : public gpu::effect {
 public:
  recording_effect(std::unique_ptr<gpu::effect> inner, std::shared_ptr<device_log> log)
      : inner_(std::move(inner)), log_(std::move(log)) {}
  gpu::effect_handle get_technique_by_name(const std::string& n) const override {
    return inner_->get_technique_by_name(n);
  }
  gpu::effect_handle get_parameter_by_name(const std::string& n) const override {
    gpu::effect_handle h = inner_->get_parameter_by_name(n);
    if (h) names_[h] = n;
    return h;
  }
  std::string technique_name(gpu::effect_handle t) const override { return inner_->technique_name(t); }
  result set_technique(gpu::effect_handle t) override {
    ++log_->technique_sets;
    return inner_->set_technique(t);
  }
  gpu::effect_handle current_technique() const override { return inner_->current_technique(); }
  result begin(std::uint32_t& n) override { return inner_->begin(n); }
  result begin_pass(std::uint32_t p) override { return inner_->begin_pass(p); }
  result commit_changes() override { return inner_->commit_changes(); }
  result end_pass() override { return inner_->end_pass(); }
  result end() override { return inner_->end(); }
  result set_float(gpu::effect_handle p, float v) override {
    note(p, &v, 1);
    return inner_->set_float(p, v);
  }
  result set_int(gpu::effect_handle p, std::int32_t v) override {
    const float f = static_cast<float>(v);
    note(p, &f, 1);
    return inner_->set_int(p, v);
  }
  result set_bool(gpu::effect_handle p, bool v) override {
    const float f = v ? 1.0f : 0.0f;
    note(p, &f, 1);
    return inner_->set_bool(p, v);
  }
  result set_floats(gpu::effect_handle p, const float* v, std::uint32_t n) override {
    note(p, v, n);
    return inner_->set_floats(p, v, n);
  }
  result set_vector(gpu::effect_handle p, const float v[4]) override {
    note(p, v, 4);
    return inner_->set_vector(p, v);
  }
  result set_matrix(gpu::effect_handle p, const float v[16]) override {
    note(p, v, 16);
    return inner_->set_matrix(p, v);
  }
  result set_texture(gpu::effect_handle p, gpu::texture* t) override {
    note(p, nullptr, 0);
    return inner_->set_texture(p, t);
  }
  result get_floats(gpu::effect_handle p, std::vector<float>& out) const override { return inner_->get_floats(p, out); }

 private:
  void note(gpu::effect_handle p, const float* v, std::uint32_t n) {
    const std::string& name = names_[p];
    ++log_->parameter_sets[name];
    log_->parameter_values[name].assign(v, v + n);
  }
  std::unique_ptr<gpu::effect> inner_;
  std::shared_ptr<device_log> log_;
  mutable std::map<gpu::effect_handle, std::string> names_;
};

class recording_device final : public gpu::device {
 public:
  recording_device(gpu::device& inner, std::shared_ptr<device_log> log) : d_(inner), log_(std::move(log)) {}

  result test_cooperative_level() override { return d_.test_cooperative_level(); }
  result reset(const gpu::present_parameters& p) override { return d_.reset(p); }
  result present() override { return d_.present(); }
  const gpu::device_caps& caps() const override { return d_.caps(); }
  gpu::surface_desc back_buffer_desc() const override { return d_.back_buffer_desc(); }
  result begin_scene() override {
    ++log_->begin_scenes;
    log_->calls.push_back("begin_scene");
    return d_.begin_scene();
  }
  result end_scene() override {
    ++log_->end_scenes;
    log_->calls.push_back("end_scene");
    return d_.end_scene();
  }
  result set_viewport(const gpu::viewport& vp) override { return d_.set_viewport(vp); }
  gpu::viewport get_viewport() const override { return d_.get_viewport(); }
  result clear(std::uint32_t f, std::uint32_t c, float z, std::uint32_t s) override {
    log_->calls.push_back("clear");
    if (f & gpu::clear_target) {
      log_->clear_colours.push_back(c);
      log_->clear_targets.push_back(log_->current_target);
    }
    return d_.clear(f, c, z, s);
  }
  void show_cursor(bool s) override { d_.show_cursor(s); }
  void set_cursor_position(int x, int y) override { d_.set_cursor_position(x, y); }
  result read_back_buffer(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
                          std::vector<std::uint32_t>& out) override {
    return d_.read_back_buffer(x, y, w, h, out);
  }
  result read_back_depth(std::uint32_t x, std::uint32_t y, std::uint32_t w, std::uint32_t h,
                         std::vector<float>& out) override {
    return d_.read_back_depth(x, y, w, h, out);
  }
  std::uint32_t outstanding_resources() const override { return d_.outstanding_resources(); }
  std::uint64_t available_video_memory() const override { return d_.available_video_memory(); }
  result create_texture(std::uint32_t w, std::uint32_t h, std::uint32_t l, std::uint32_t u, gpu::format f,
                        std::unique_ptr<gpu::texture>& out) override {
    return d_.create_texture(w, h, l, u, f, out);
  }
  result create_depth_stencil_surface(std::uint32_t w, std::uint32_t h, gpu::format f, gpu::multisample_type m,
                                      std::uint32_t q, bool d, std::unique_ptr<gpu::surface>& out) override {
    return d_.create_depth_stencil_surface(w, h, f, m, q, d, out);
  }
  result create_vertex_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<gpu::vertex_buffer>& out) override {
    std::unique_ptr<gpu::vertex_buffer> inner;
    const result r = d_.create_vertex_buffer(size, dynamic, inner);
    if (r == result::ok) {
      auto wrapped = std::make_unique<recording_buffer_vb>(std::move(inner), log_);
      inner_of_[wrapped.get()] = &wrapped->inner();
      out = std::move(wrapped);
    }
    return r;
  }
  result create_index_buffer(std::uint32_t size, bool dynamic, std::unique_ptr<gpu::index_buffer>& out) override {
    return d_.create_index_buffer(size, dynamic, out);
  }
  result create_vertex_layout(const std::vector<gpu::vertex_element>& e,
                              std::unique_ptr<gpu::vertex_layout>& out) override {
    return d_.create_vertex_layout(e, out);
  }
  result create_pixel_program(const std::string& s, std::unique_ptr<gpu::pixel_program>& out,
                              std::string& errors) override {
    return d_.create_pixel_program(s, out, errors);
  }
  result create_effect(const std::string& s, std::unique_ptr<gpu::effect>& out, std::string& errors) override {
    std::unique_ptr<gpu::effect> inner;
    const result r = d_.create_effect(s, inner, errors);
    if (r == result::ok) out = std::make_unique<recording_effect>(std::move(inner), log_);
    return r;
  }
  result set_render_target(gpu::surface* c) override {
    log_->render_targets.push_back(c);
    log_->current_target = c;
    log_->calls.push_back("set_render_target");
    return d_.set_render_target(c);
  }
  result set_depth_stencil_surface(gpu::surface* s) override {
    log_->depth_surfaces.push_back(s);
    return d_.set_depth_stencil_surface(s);
  }
  result set_render_state(gpu::render_state s, std::uint32_t v) override { return d_.set_render_state(s, v); }
  std::uint32_t get_render_state(gpu::render_state s) const override { return d_.get_render_state(s); }
  result set_sampler_state(std::uint32_t i, gpu::sampler_state s, std::uint32_t v) override {
    return d_.set_sampler_state(i, s, v);
  }
  std::uint32_t get_sampler_state(std::uint32_t i, gpu::sampler_state s) const override {
    return d_.get_sampler_state(i, s);
  }
  result set_texture_stage_state(std::uint32_t i, gpu::texture_stage_state s, std::uint32_t v) override {
    return d_.set_texture_stage_state(i, s, v);
  }
  std::uint32_t get_texture_stage_state(std::uint32_t i, gpu::texture_stage_state s) const override {
    return d_.get_texture_stage_state(i, s);
  }
  result set_texture(std::uint32_t stage, gpu::texture* t) override {
    ++log_->set_textures;
    return d_.set_texture(stage, t);
  }
  result set_transform(gpu::transform_kind k, const float m[16]) override {
    log_->transforms[static_cast<int>(k)].assign(m, m + 16);
    return d_.set_transform(k, m);
  }
  result set_pixel_program(gpu::pixel_program* p) override { return d_.set_pixel_program(p); }
  result set_vertex_layout(gpu::vertex_layout* l) override { return d_.set_vertex_layout(l); }
  result set_stream_source(std::uint32_t s, gpu::vertex_buffer* vb, std::uint32_t o, std::uint32_t st) override {
    log_->calls.push_back(vb ? "set_stream_source" : "unbind_stream");
    auto it = inner_of_.find(vb);
    return d_.set_stream_source(s, it != inner_of_.end() ? it->second : vb, o, st);
  }
  result set_indices(gpu::index_buffer* ib) override { return d_.set_indices(ib); }
  result draw_primitive(gpu::primitive_type t, std::uint32_t s, std::uint32_t c) override {
    return d_.draw_primitive(t, s, c);
  }
  result draw_indexed_primitive(gpu::primitive_type t, std::int32_t b, std::uint32_t mi, std::uint32_t vc,
                                std::uint32_t si, std::uint32_t c) override {
    ++log_->draws;
    log_->calls.push_back("draw");
    log_->draw_targets.push_back(log_->current_target);
    log_->draw_starts.push_back(si);
    log_->draw_base_vertices.push_back(b);
    log_->draw_cull_modes.push_back(d_.get_render_state(gpu::render_state::cull_mode));
    log_->draw_blend_enables.push_back(d_.get_render_state(gpu::render_state::alpha_blend_enable));
    log_->draw_texture_offsets.push_back(log_->parameter_values["texture_offset"]);
    return d_.draw_indexed_primitive(t, b, mi, vc, si, c);
  }
  result draw_primitive_up(gpu::primitive_type t, std::uint32_t c, const void* v, std::uint32_t s) override {
    return d_.draw_primitive_up(t, c, v, s);
  }
  result set_light(std::uint32_t i, const gpu::light_desc& l) override {
    log_->lights.push_back(l);
    return d_.set_light(i, l);
  }
  result light_enable(std::uint32_t i, bool on) override {
    log_->calls.push_back("light_enable");
    return d_.light_enable(i, on);
  }
  bool light_enabled(std::uint32_t i) const override { return d_.light_enabled(i); }
  result set_material(const gpu::material_desc& m) override { return d_.set_material(m); }
  result set_clip_plane(std::uint32_t i, const float p[4]) override { return d_.set_clip_plane(i, p); }
  result set_pixel_constant(std::uint32_t i, const float v[4]) override { return d_.set_pixel_constant(i, v); }

 private:
  gpu::device& d_;
  std::shared_ptr<device_log> log_;
  std::map<gpu::vertex_buffer*, gpu::vertex_buffer*> inner_of_;
};

}  // namespace

std::unique_ptr<gpu::device> make_recording_device(gpu::device& inner, std::shared_ptr<device_log> log) {
  return std::make_unique<recording_device>(inner, std::move(log));
}

recording_gpu::recording_gpu() {
  gpu::present_parameters params;
  params.back_buffer_width = 64;
  params.back_buffer_height = 64;
  params.back_buffer_format = gpu::format::x8r8g8b8;
  params.enable_auto_depth_stencil = true;
  params.auto_depth_stencil_format = gpu::format::d24s8;
  system.create_device(0, gpu::device_type::hal, nullptr, gpu::vertex_processing::hardware, params, inner);
  device = make_recording_device(*inner, log);
}

}  // namespace hm::test
