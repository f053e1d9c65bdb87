#include "render/view/scene_view.h"

#include <algorithm>
#include <bit>
#include <string>

#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "platform/clock.h"
#include "render/scene/scene_environment.h"

namespace hm {

namespace gpu = platform::gpu;
using gpu::render_state;
using gpu::state_value;

scene_view g_scene_view;

scene_view::scene_view() {
  for (auto& p : pairs) p.init();
  bone_matrices.assign(static_cast<std::size_t>(bone_matrix_count) * 16, 0.0f);
  for (int i = 0; i < bone_matrix_count; ++i)
    for (int k = 0; k < 4; ++k) bone_matrices[static_cast<std::size_t>(i * 16 + k * 5)] = 1.0f;
  sleep = [](unsigned ms) { platform::sleep_milliseconds(ms); };
}

scene_view::~scene_view() {
  if (get_view_renderer() == this) set_view_renderer(nullptr);
}

void scene_view::set_up_buffers(std::int32_t render_buffer_size) {
  for (int f = 0; f < vertex_format_count; ++f) {
    for (render_buffer& b : pairs[f].buffers) {
      b.kind = 0;
      b.stride = vertex_formats[f].stride;
      b.format = vertex_formats[f].format_word;
      b.name = ruv_string(vertex_formats[f].name);
    }
  }
  if (render_buffer_size > render_buffer_size_limit) {
    log_line("WARNING: render_buffer_size " + std::to_string(render_buffer_size) + " is above " +
             std::to_string(render_buffer_size_limit) + "; using " + std::to_string(render_buffer_size_limit) + "\n");
    render_buffer_size = render_buffer_size_limit;
  }
  const std::int64_t v = static_cast<std::int64_t>(std::max(render_buffer_size, 0)) * 262144 / 68;
  render_buffer& static_indices = pairs[5].buffers[0];
  render_buffer& dynamic_indices = pairs[5].buffers[1];
  static_indices.kind = dynamic_indices.kind = 1;
  static_indices.stride = dynamic_indices.stride = 2;
  static_indices.capacity = static_cast<std::int32_t>(std::min<std::int64_t>(24 * v, 0x7FFFFFE0));
  dynamic_indices.capacity = static_cast<std::int32_t>(std::min<std::int64_t>(8 * (v / 2), 0x7FFFFFE0));
}

void scene_view::set_vertex_pool_capacity(int format, bool dynamic, std::int32_t vertices) {
  if (format < 0 || format >= vertex_format_count) return;
  // Capacities are kept to multiples of 32 vertices, as when a pool grows.
  pairs[format].buffers[dynamic ? 1 : 0].capacity = std::clamp(vertices, 0, 0x7FFFFFE0) / 32 * 32;
}

void scene_view::set_device(gpu::device* device) {
  if (device == device_) return;
  invalidate_device_objects();
  for (auto& d : vertex_declarations) d.reset();
  device_ = device;
  cache.set_device(device);
  if (!device) cache.set_effect(nullptr);
}

void scene_view::restore_device_objects() {
  if (!device_) return;
  for (int f = 0; f < vertex_format_count; ++f) {
    if (!vertex_declarations[static_cast<std::size_t>(f)] &&
        device_->create_vertex_layout(vertex_format_elements(vertex_formats[f].format_word),
                                      vertex_declarations[static_cast<std::size_t>(f)]) != gpu::result::ok)
      ruv_error("Unable to create vertex declaration %s", vertex_formats[f].name);
    for (render_buffer& b : pairs[f].buffers) b.vertex_declaration = vertex_declarations[static_cast<std::size_t>(f)].get();
  }
  for (int k = 0; k < buffer_count; ++k) restore_vertex_buffers(buffer(k), *device_);
  ++device_generation;
}

void scene_view::invalidate_device_objects() {
  for (int k = 0; k < buffer_count; ++k) {
    render_buffer& b = buffer(k);
    if (b.created_size != 0 || b.vertex_buffer || b.index_buffer) release_vertex_buffers(b);
    b.vertex_buffer.reset();
    b.index_buffer.reset();
  }
}

void scene_view::queue_object(render_view& view) {
  if (view.queued) return;
  view.queued = 1;
  if (view.flags & view_flag_queue_last)
    queue.push_back(&view);
  else
    queue.insert(queue.begin(), &view);
}

mesh& scene_view::particle_mesh(material& m) {
  auto& slot = particle_meshes_[&m];
  if (!slot) {
    slot = std::make_unique<mesh>();
    slot->set_material(&m);
  }
  return *slot;
}

const game_options& scene_view::game_opts() const { return options ? *options : g_game_options; }

// --- the render ---------------------------------------------------------------------------------

void scene_view::fill_buffers(const std::vector<render_view*>& views) {
  const buffer_fill_context context{device_, &device_objects_stale, sleep};
  for (;;) {
    if (device_objects_stale) {
      device_objects_stale = false;
      invalidate_device_objects();
      if (device_)
        for (int k = 0; k < buffer_count; ++k) restore_vertex_buffers(buffer(k), *device_);
    }
    for (render_view* v : views)
      for (const render_list_entry& e : v->render_list) {
        for (auto& r : e.m->buffers) r.queued = 0;
        if (e.m->source)
          for (auto& r : e.m->source->buffers) r.queued = 0;
      }
    for (int k = 0; k < buffer_count; ++k) buffer(k).queue.clear();
    for (render_view* v : views)
      for (const render_list_entry& e : v->render_list) {
        mesh* m = e.m;
        mesh* owner = m->owns_faces || !m->source ? m : m->source;
        if (!owner->buffers[1].queued) {
          buffer(10 + (owner->buffers[1].second_word ? 1 : 0)).queue.push_back(owner);
          owner->buffers[1].queued = 1;
        }
        if (!m->buffers[0].queued) {
          const int format = std::clamp(m->buffers[0].first_word, 0, vertex_format_count - 1);
          buffer(format * 2 + (m->buffers[0].second_word ? 1 : 0)).queue.push_back(m);
          m->buffers[0].queued = 1;
        }
      }
    if (!device_) return;
    bool restart = false;
    for (int k = 0; k < buffer_count && !restart; ++k)
      restart = fill_vertex_buffers(buffer(k), staging, frame_counter, context) == restart_fill;
    if (!restart) return;
  }
}

void scene_view::sort_view(render_view& view) {
  if (view.flags & view_flag_no_sort) return;
  for (const render_list_entry& e : view.render_list) {
    mesh* m = e.m;
    if (!m->mat) m->set_material(g_resource_manager.get_material(ruv_string("default")));
    m->compute_sort_key();
  }
  std::stable_sort(view.render_list.begin(), view.render_list.end(),
                   [](const render_list_entry& a, const render_list_entry& b) { return a.m->sort_key < b.m->sort_key; });
}

bool scene_view::render(render_view* given) {
  draw_calls = 0;
  views_drawn = 0;
  if (device_)
    for (auto& pair : pairs) pair.restore(*device_);

  const std::vector<render_view*> views = given ? std::vector<render_view*>{given} : queue;
  last_shader = nullptr;
  last_material = nullptr;
  cache.reset_frame_states(pixel_shaders, game_opts());

  for (render_view* v : views) {
    for (auto& own : v->meshes) {
      mesh* m = own.get();
      if (!m || m->get_faces().empty()) continue;
      for (auto& r : m->buffers) r.second_word = 1;
      if (!v->queued && v->keep_queued) queue_object(*v);
      v->render_list.push_back({m, 0});
    }
  }

  fill_buffers(views);
  for (render_view* v : views) sort_view(*v);

  last_vertex_pool = -1;
  last_index_pool = -1;
  last_vertex_format = -1;

  // The back buffer and its depth buffer are the device's own (null): binding
  // them again needs no reference kept, so nothing is left to release.
  bool first = true;
  const texture* current_target = nullptr;
  const texture* current_depth = nullptr;
  bool depth_bound = false;
  for (render_view* v : views) {
    if (!device_) break;
    if (first || v->target != current_target || v->depth_target != current_depth) {
      if (cache.scene_open) device_->end_scene();
      cache.scene_open = device_->begin_scene() == gpu::result::ok;
    }
    if (first || v->target != current_target) {
      gpu::surface* colour = nullptr;
      if (v->target) {
        colour = static_cast<gpu::surface*>(v->target->surface);
        if (!colour) ruv_error("Unable to set render target texture! Try turning off shadows");
      }
      if (device_->set_render_target(colour) != gpu::result::ok)
        ruv_error("Unable to set render target texture! Try turning off shadows");
      if (v->target) v->target->drawn_generation = device_generation;
      current_target = v->target;
    }
    first = false;
    device_->set_render_state(render_state::depth_bias, 0);
    device_->set_render_state(render_state::slope_scale_depth_bias, 0);
    // A view without a (valid) depth target draws on the current one.
    if (v->depth_target && v->depth_target->surface_word) {
      texture& d = *v->depth_target;
      auto* surface = static_cast<gpu::surface*>(d.depth_surface ? d.depth_surface : d.surface);
      device_->set_depth_stencil_surface(surface);
      depth_bound = true;
      if (d.kind != texture::kind_depth_target) {
        device_->set_render_state(render_state::depth_bias, std::bit_cast<std::uint32_t>(0.0002f));
        device_->set_render_state(render_state::slope_scale_depth_bias, std::bit_cast<std::uint32_t>(2.0f));
      }
      current_depth = v->depth_target;
    }
    if (!cache.scene_open) continue;  // a lost device: the frame ends cleanly
    set_view_state(*v);
    if (pixel_shaders && cache.effect())
      draw_effect_path(*v);
    else
      draw_fixed_function_path(*v);
    ++views_drawn;
  }

  if (device_) {
    if (current_target) device_->set_render_target(nullptr);
    if (depth_bound) device_->set_depth_stencil_surface(nullptr);
    device_->set_stream_source(0, nullptr, 0, 0);
    if (cache.scene_open) device_->end_scene();
  }
  cache.scene_open = false;

  // The views keep their targets: whoever fills a view for a frame sets them
  // (render_view::clear_meshes resets them with the rest of the frame).
  for (render_view* v : views) {
    v->render_list.clear();
    v->queued = 0;
    for (auto& m : v->meshes)
      if (m) m->clear_geometry();
  }
  for (auto& [m, particles] : particle_meshes_) particles->clear_geometry();
  if (!given) queue.clear();
  if (device_)
    for (std::uint32_t stage = 0; stage < 3; ++stage) cache.set_texture(stage, nullptr);
  return true;
}

// --- view state -------------------------------------------------------------------------------

namespace {

gpu::viewport device_viewport(const view_rectangle& r) {
  return {r.x, r.y, r.width, r.height, r.min_depth, r.max_depth};
}

gpu::cull opposite(gpu::cull c) {
  return c == gpu::cull::clockwise ? gpu::cull::counter_clockwise : gpu::cull::clockwise;
}

// Which fog applies: the band below the water level, else the main fog; the
// reflection view swaps the choice.
bool band_fog(const render_view& v) {
  const float eye_height = v.camera.frame.origin.z;
  bool band = eye_height < std::bit_cast<float>(v.fog->fog_band_value);
  if (v.fog_invert) band = !band;
  return band;
}


}  // namespace

void scene_view::set_view_state(render_view& v) {
  gpu::device& d = *device_;
  d.set_viewport(device_viewport(v.use_clear_viewport ? v.clear_viewport : v.viewport));
  std::uint32_t clear_flags = 0;
  if (v.flags & view_flag_clear_colour) clear_flags |= gpu::clear_target;
  if (v.flags & view_flag_clear_depth) clear_flags |= gpu::clear_zbuffer | gpu::clear_stencil;
  if (clear_flags) d.clear(clear_flags, v.clear_colour, 1.0f, 0);
  if (v.use_clear_viewport) d.set_viewport(device_viewport(v.viewport));
  d.set_render_state(render_state::multisample_antialias, v.multisample);
  if (v.clip_plane_enabled && !pixel_shaders) {
    d.set_clip_plane(0, v.clip_plane);
    d.set_render_state(render_state::clip_plane_enable, 1);
  } else if (!v.clip_plane_enabled) {
    d.set_render_state(render_state::clip_plane_enable, 0);
  }
  cache.set_projection(camera_projection(v.camera));
  cache.set_view_transform(view_matrix_of(v.camera.frame), frame_matrix(v.camera.frame));

  const gpu::cull normal = v.camera.flip_winding ? gpu::cull::counter_clockwise : gpu::cull::clockwise;
  if (v.reverse_culling)
    cache.cull_mode = cache.hardware_shadows ? gpu::cull::none : opposite(normal);
  else
    cache.cull_mode = normal;

  const bool fog = v.fog && v.fog->fog_enabled;
  cache.set_fog_enable(fog);
  if (fog) {
    d.set_render_state(render_state::fog_vertex_mode, 3);
    const bool band = band_fog(v);
    const float start = band ? v.fog->fog_band_start : static_cast<float>(v.fog->fog_mode);
    const float end = band ? v.fog->fog_band_end : v.fog->fog_range;
    d.set_render_state(render_state::fog_start, std::bit_cast<std::uint32_t>(start));
    d.set_render_state(render_state::fog_end, std::bit_cast<std::uint32_t>(end));
    d.set_render_state(render_state::fog_color, band ? v.fog->fog_band_colour : v.fog->fog_colour);
  }

  if (!pixel_shaders) {
    if (!v.lights.empty() && v.lights_enabled && game_opts().dynamic_lighting) {
      cache.set_lighting(true);
      const std::size_t n = std::min<std::size_t>(v.lights.size(), gpu::max_lights);
      for (std::size_t i = 0; i < n; ++i) {
        const mesh_light& l = *v.lights[i];
        gpu::light_desc desc;
        desc.kind = l.type == mesh_light::directional ? gpu::light_kind::directional : gpu::light_kind::point;
        desc.diffuse[0] = l.diffuse.r;
        desc.diffuse[1] = l.diffuse.g;
        desc.diffuse[2] = l.diffuse.b;
        desc.diffuse[3] = 1.0f;
        desc.position[0] = l.world_position.x;
        desc.position[1] = l.world_position.y;
        desc.position[2] = l.world_position.z;
        desc.direction[0] = l.direction.x;
        desc.direction[1] = l.direction.y;
        desc.direction[2] = l.direction.z;
        desc.range = l.radius;
        d.set_light(static_cast<std::uint32_t>(i), desc);
      }
    } else {
      v.lights_enabled = 0;
      cache.set_lighting(false);
    }
  }
}

// --- drawing ----------------------------------------------------------------------------------

void scene_view::bind_mesh_buffers(const mesh& m) {
  const int format = std::clamp(m.buffers[0].first_word, 0, vertex_format_count - 1);
  const int pool = m.buffers[0].second_word ? 1 : 0;
  if (format != last_vertex_format || pool != last_vertex_pool) {
    last_vertex_format = format;
    last_vertex_pool = pool;
    render_buffer& b = buffer(format * 2 + pool);
    device_->set_vertex_layout(vertex_declarations[static_cast<std::size_t>(format)].get());
    device_->set_stream_source(0, b.vertex_buffer.get(), 0, static_cast<std::uint32_t>(b.stride));
  }
  const mesh& owner = m.owns_faces || !m.source ? m : *m.source;
  const int index_pool = owner.buffers[1].second_word ? 1 : 0;
  if (index_pool != last_index_pool) {
    last_index_pool = index_pool;
    device_->set_indices(buffer(10 + index_pool).index_buffer.get());
  }
}

void scene_view::draw_mesh(const mesh& m) {
  const mesh& owner = m.owns_faces || !m.source ? m : *m.source;
  const auto faces = static_cast<std::uint32_t>(m.get_faces().size());
  if (faces == 0) return;
  device_->draw_indexed_primitive(gpu::primitive_type::triangle_list, m.buffers[0].start, 0,
                                  static_cast<std::uint32_t>(m.get_vertices().size()),
                                  static_cast<std::uint32_t>(owner.buffers[1].start), faces);
  ++draw_calls;
}

matrix4 mesh_world_matrix(const mesh& m, const frame& eye) {
  frame world = m.world_frame;
  if (m.mat && (m.mat->flags & material_flag_sky)) {
    // The sky follows the eye, lowered to three quarters of its height.
    world.origin = eye.origin;
    world.origin.z *= 0.75f;
  }
  if (m.billboard_mode != 0) {
    const float sx = world.rot.s.length(), sy = world.rot.f.length(), sz = world.rot.u.length();
    if (m.billboard_mode == 1) {
      // Upright sprites (trees seen from afar): only the turn about the up
      // axis follows the eye. An eye straight above leaves the mesh as it is.
      const vec3 up = get_normalized(world.rot.u);
      vec3 away = world.origin - eye.origin;
      away = away - up * dot_product(away, up);
      if (away.length() > 1e-6f) {
        const vec3 forward = get_normalized(away);
        world.rot.f = forward * sy;
        world.rot.s = cross_product(forward, up) * sx;
        world.rot.u = up * sz;
      }
    } else {
      world.rot.s = get_normalized(eye.rot.s) * sx;
      world.rot.f = get_normalized(eye.rot.f) * sy;
      world.rot.u = get_normalized(eye.rot.u) * sz;
    }
  }
  return frame_matrix(world);
}

gpu::cull scene_view::mesh_cull_mode(const mesh& m) const {
  if (!m.flip_winding || cache.cull_mode == gpu::cull::none) return cache.cull_mode;
  return cache.cull_mode == gpu::cull::clockwise ? gpu::cull::counter_clockwise : gpu::cull::clockwise;
}

}  // namespace hm
