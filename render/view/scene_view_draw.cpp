// The two ways of drawing a view's sorted render list: the effect path (pixel
// shaders: per-view and per-mesh effect parameters, a technique of the mesh's
// shader) and the fixed-function path (lights, materials and texture stages).
#include <algorithm>
#include <array>
#include <cmath>

#include "engine/core/noise.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/texture_record.h"
#include "engine/settings/game_options.h"
#include "render/scene/scene_environment.h"
#include "render/view/scene_view.h"

namespace hm {

namespace gpu = platform::gpu;
using gpu::render_state;
using gpu::state_value;

namespace {

constexpr std::size_t max_point_lights = 10;
constexpr std::size_t max_mesh_lights = 4;

bool is_directional(const mesh_light& l) { return l.type == mesh_light::directional; }

float time_of(std::int64_t ticks) { return static_cast<float>(ticks % 1000000000) * 1e-5f; }

// A point light's colour with its flicker.
hm::color flickered(const mesh_light& l, std::int64_t ticks) {
  hm::color c = l.diffuse;
  if (l.flicker_amount != 0.0f) {
    const float t = time_of(ticks) + static_cast<float>(l.flicker_phase);
    const vec3 n = fractal_vector_noise(l.flicker_cell, 0.6f, 3, false, vec3(t, 0.0f, 0.0f));
    const float k = 1.0f + 15.0f * l.flicker_amount * n.x;
    c.r *= k;
    c.g *= k;
    c.b *= k;
  }
  return c;
}

void set_floats4(float out[4], float a, float b, float c, float d) {
  out[0] = a;
  out[1] = b;
  out[2] = c;
  out[3] = d;
}

// Where a world point falls in the shadow map: the shadow camera's view and
// projection, then into texture space (v downwards) with the half-texel
// offset of the map's size.
matrix4 sun_view_projection(const camera& shadow_camera, const texture& map) {
  matrix4 bias;
  bias.at(0, 0) = 0.5f;
  bias.at(1, 1) = -0.5f;
  bias.at(3, 0) = 0.5f + 0.5f / static_cast<float>(std::max(map.width, 1));
  bias.at(3, 1) = 0.5f + 0.5f / static_cast<float>(std::max(map.height, 1));
  return multiply(multiply(view_matrix_of(shadow_camera.frame), camera_projection(shadow_camera)), bias);
}

// The states a pass of the effect sets go around the cache: forget them.
void forget_pass_states(render_state_cache& cache, gpu::effect& effect) {
  if (auto* base = dynamic_cast<gpu::effect_base*>(&effect); base && base->active_pass())
    for (const gpu::effect_state_desc& s : base->active_pass()->states) {
      cache.forget_state(s.state);
      if (s.state == render_state::alpha_blend_enable || s.state == render_state::src_blend ||
          s.state == render_state::dest_blend)
        cache.forget_blend_mode();
    }
}

}  // namespace

void scene_view::draw_effect_path(render_view& v) {
  gpu::effect& effect = *cache.effect();
  render_state_cache& c = cache;
  const bool shadow_pass = v.shadow_pass != 0;
  const bool character_shadow = v.character_shadow != 0;
  bool sun_visible = false;

  std::vector<const mesh_light*> point_lights;
  if (shadow_pass || character_shadow) {
    c.set_depth_always(!shadow_pass);
    c.set_depth_write_off(!shadow_pass);
    c.set_alpha_test(0);
    c.set_state(render_state::normalize_normals, 0);
    c.set_state(render_state::specular_enable, 0);
    c.set_fog_enable(false);
  } else if (!v.fog) {
    const float sky[4] = {0, 0, 0, 1};
    const float none[4] = {0, 0, 0, 0};
    c.set_effect_vector("vSkyLightColor", sky);
    c.set_effect_vector("vSunColor", none);
  } else {
    const scene_environment& env = *v.fog;
    const float eye_height = v.camera.frame.origin.z;
    bool band = eye_height < std::bit_cast<float>(env.fog_band_value);
    if (v.fog_invert) band = !band;
    c.set_effect_float("fFogStart", band ? env.fog_band_start : static_cast<float>(env.fog_mode));
    c.set_effect_float("fFogEnd", band ? env.fog_band_end : env.fog_range);
    c.set_effect_float("fFogDensity", band ? env.fog_band_factor : env.fog_density);
    float fog_colour[4];
    const hm::color fc = argb_to_color(band ? env.fog_band_colour : env.fog_colour);
    set_floats4(fog_colour, fc.r, fc.g, fc.b, 1.0f);
    c.set_effect_vector("vFogColor", fog_colour);

    float sky_colour[4] = {0, 0, 0, 1};
    float sky_dir[4] = {0, 0, -1, 0};
    bool have_sky = false;
    float sum[3] = {0.01f, 0.01f, 0.01f};
    bool summed = false;
    for (std::size_t i = 1; i < v.lights.size(); ++i) {
      const mesh_light& l = *v.lights[i];
      if (is_directional(l)) {
        if (!have_sky) {
          have_sky = true;
          set_floats4(sky_colour, l.diffuse.r, l.diffuse.g, l.diffuse.b, 1.0f);
          set_floats4(sky_dir, l.direction.x, l.direction.y, l.direction.z, 0.0f);
        }
      } else {
        sum[0] += l.diffuse.r;
        sum[1] += l.diffuse.g;
        sum[2] += l.diffuse.b;
        summed = true;
      }
    }
    if (summed) {
      const float top = std::max({sum[0], sum[1], sum[2]});
      for (float& s : sum) s /= top;
    }
    c.set_effect_vector("vSkyLightColor", sky_colour);
    c.set_effect_vector("vSkyLightDir", sky_dir);
    const float point_colour[4] = {sum[0], sum[1], sum[2], 1.0f};
    c.set_effect_vector("vPointLightColor", point_colour);

    for (const mesh_light* l : v.lights) {
      if (point_lights.size() >= max_point_lights) break;
      if (!is_directional(*l)) point_lights.push_back(l);
    }
    float positions[max_point_lights * 4] = {};
    float colours[max_point_lights * 4] = {};
    for (std::size_t i = 0; i < point_lights.size(); ++i) {
      const mesh_light& l = *point_lights[i];
      set_floats4(positions + i * 4, l.world_position.x, l.world_position.y, l.world_position.z, 1.0f);
      const hm::color lc = flickered(l, clock_ticks);
      set_floats4(colours + i * 4, lc.r, lc.g, lc.b, 1.0f);
    }
    c.set_effect_floats("vLightPosDir", positions, max_point_lights * 4);
    c.set_effect_floats("vLightDiffuse", colours, max_point_lights * 4);

    float sun_dir[4] = {0, 0, -1, 0};
    float sun_colour[4] = {0, 0, 0, 0};
    if (!v.lights.empty() && is_directional(*v.lights[0])) {
      const mesh_light& sun = *v.lights[0];
      set_floats4(sun_dir, sun.direction.x, sun.direction.y, sun.direction.z, 0.0f);
      set_floats4(sun_colour, sun.diffuse.r, sun.diffuse.g, sun.diffuse.b, 1.0f);
      const float strength = std::sqrt(sun.diffuse.r * sun.diffuse.r + sun.diffuse.g * sun.diffuse.g +
                                       sun.diffuse.b * sun.diffuse.b);
      sun_visible = strength > 0.1f && !(sun.flags & 2u);
    }
    c.set_effect_vector("vSunDir", sun_dir);
    c.set_effect_vector("vSunColor", sun_colour);

    if (env.shadow_map && env.shadow_camera) {
      c.set_effect_texture("shadowmap_texture", texture_for_phase(*env.shadow_map, 0.0f));
      c.set_effect_matrix("matSunViewProj", sun_view_projection(*env.shadow_camera, *env.shadow_map));
    }
  }

  const hm::color& ambient = v.scene_colour;
  const float ambient_colour[4] = {ambient.r, ambient.g, ambient.b, 1.0f};
  c.set_effect_vector("vAmbientColor", ambient_colour);
  const vec3 eye = v.camera.frame.origin;
  const float camera_pos[4] = {eye.x, eye.y, eye.z, 1.0f};
  c.set_effect_vector("vCameraPos", camera_pos);
  const matrix4 view_projection = multiply(c.view_matrix(), c.projection_matrix());
  c.set_effect_matrix("matView", c.view_matrix());
  c.set_effect_matrix("matViewProj", view_projection);
  c.set_effect_float("time_var", time_of(clock_ticks));
  if (v.clip_plane_enabled) {
    float plane[4];
    transform_plane(plane, v.clip_plane, transpose(inverse(view_projection)));
    device_->set_clip_plane(0, plane);
    device_->set_render_state(render_state::clip_plane_enable, 1);
  }

  last_material = nullptr;
  last_shader = nullptr;
  last_technique = nullptr;
  bool pass_open = false;
  const bool plant_shadows_full = game_opts().plant_shadows == 2;
  std::int32_t light_indices[max_mesh_lights] = {-1, -1, -1, -1};
  std::int32_t light_count = -1;

  for (const render_list_entry& e : v.render_list) {
    const mesh& m = *e.m;
    const material* mat = m.mat;
    if (!mat || m.get_faces().empty()) continue;
    bind_mesh_buffers(m);
    const shader* material_shader = mat->shader_ptr;
    const bool normal_view = !shadow_pass && !character_shadow;

    const shader* s = material_shader;
    const bool skinned = material_shader && (material_shader->flags & shader::flag_skinned);
    if (shadow_pass) s = skinned ? render_to_depth_skin_shader : render_to_depth_shader;
    if (character_shadow) s = skinned ? render_character_shadow_with_skin : render_character_shadow;
    if (!s || !s->technique_rec) continue;
    int technique_index = 0;
    if ((s->flags & shader_flag_plant) && !plant_shadows_full) {
      technique_index = 3;
    } else if (sun_visible && v.fog && v.fog->shadow_map_ready && game_opts().environment_shadows) {
      technique_index = c.hardware_shadows ? 2 : 1;
    }
    const technique_record& rec = *s->technique_rec;
    const gpu::effect_handle techniques[4] = {rec.plain, rec.shadowed, rec.vendor_shadowed, rec.preshaded};
    gpu::effect_handle technique = techniques[technique_index] ? techniques[technique_index] : rec.plain;
    if (!technique) continue;
    if (technique != last_technique || !pass_open) {
      if (pass_open) {
        effect.end_pass();
        effect.end();
      }
      effect.set_technique(technique);
      std::uint32_t passes = 0;
      effect.begin(passes);
      pass_open = effect.begin_pass(0) == gpu::result::ok;
      forget_pass_states(c, effect);
      last_material = nullptr;
      last_technique = technique;
      if (!pass_open) continue;
    }
    last_shader = s;
    if (!normal_view && mat->textures[0])
      c.set_effect_texture("diffuse_texture", texture_for_phase(*mat->textures[0], 0.0f));

    if (normal_view && mat != last_material) {
      last_material = mat;
      c.set_fog_enable(v.fog && v.fog->fog_enabled && !(mat->flags & material_flag_no_fog));
      c.apply_material_states(*mat);
      static constexpr const char* slots[5] = {"diffuse_texture", "diffuse_texture_2", "normal_texture",
                                               "specular_texture", "env_texture"};
      for (int i = 0; i < material::texture_slots; ++i) {
        const texture* t = mat->textures[static_cast<std::size_t>(i)];
        if (t) c.set_effect_texture(slots[i], texture_for_phase(*t, m.texture_phase));
      }
    }
    // A reflective mesh needs the view's reflection; without one none of them is drawn.
    if (normal_view && material_shader && (material_shader->flags & shader_flag_reflection)) {
      if (!v.render_target) continue;
      c.set_effect_texture("env_texture", texture_for_phase(*v.render_target, 0.0f));
    }

    if (normal_view && v.lights_enabled && material_shader && !(material_shader->flags & shader_flag_unlit)) {
      struct candidate {
        std::int32_t index;
        float strength;
      };
      candidate best[max_mesh_lights];
      std::size_t kept = 0;
      const vec3 origin = m.world_frame.origin;
      for (std::size_t i = 0; i < point_lights.size(); ++i) {
        const mesh_light& l = *point_lights[i];
        const float distance = (l.world_position - origin).length();
        if (l.radius <= distance - m.batch_distance) continue;
        const float strength = (l.diffuse.r + l.diffuse.g + l.diffuse.b) / std::max(distance, 1e-4f);
        std::size_t at = kept;
        while (at > 0 && best[at - 1].strength < strength) --at;
        if (at >= max_mesh_lights) continue;
        for (std::size_t k = std::min(kept, max_mesh_lights - 1); k > at; --k) best[k] = best[k - 1];
        best[at] = {static_cast<std::int32_t>(i), strength};
        kept = std::min(kept + 1, max_mesh_lights);
      }
      bool changed = false;
      for (std::size_t k = 0; k < max_mesh_lights; ++k) {
        const std::int32_t index = k < kept ? best[k].index : 0;
        if (light_indices[k] != index) changed = true;
        light_indices[k] = index;
      }
      if (changed) {
        const float indices[4] = {static_cast<float>(light_indices[0]), static_cast<float>(light_indices[1]),
                                  static_cast<float>(light_indices[2]), static_cast<float>(light_indices[3])};
        c.set_effect_floats("iLightIndices", indices, 4);
      }
      if (light_count != static_cast<std::int32_t>(kept)) {
        light_count = static_cast<std::int32_t>(kept);
        c.set_effect_int("iLightPointCount", light_count);
      }
    }

    const hm::color colour = argb_to_color(m.color);
    const float material_colour[4] = {colour.r, colour.g, colour.b, colour.a};
    c.set_effect_vector("vMaterialColor", material_colour);
    const hm::color colour2 = argb_to_color(m.color2);
    const float material_colour2[4] = {colour2.r, colour2.g, colour2.b, colour2.a};
    c.set_effect_vector("vMaterialColor2", material_colour2);
    c.apply_mesh_blend_and_stages(m);


    c.set_effect_floats("texture_offset", m.texture_offset, 2);
    c.set_cull(mesh_cull_mode(m));

    const matrix4 world = mesh_world_matrix(m, v.camera.frame);
    const matrix4 world_view = multiply(world, c.view_matrix());
    c.set_effect_matrix("matWorld", world);
    c.set_effect_matrix("matWorldView", world_view);
    c.set_effect_matrix("matWorldViewProj", multiply(world_view, c.projection_matrix()));
    if (material_shader && (material_shader->flags & shader_flag_reflection) && v.sub_view)
      c.set_effect_matrix("matWaterWorldViewProj",
                          multiply(multiply(world, view_matrix_of(v.sub_view->camera.frame)), c.projection_matrix()));
    if (skinned) {
      if (m.bone_palette.size() >= 16) {
        // A skinned mesh's palette keeps each bone's translation in the fourth
        // column; the effect takes its matrices with the translation in the
        // fourth row, as every other matrix is sent.
        const std::size_t count = std::min<std::size_t>(m.bone_palette.size() / 16, 32);
        std::array<float, 32 * 16> turned{};
        for (std::size_t b = 0; b < count; ++b) {
          for (std::size_t row = 0; row < 4; ++row) {
            for (std::size_t col = 0; col < 4; ++col) turned[b * 16 + col * 4 + row] = m.bone_palette[b * 16 + row * 4 + col];
          }
        }
        c.set_effect_floats("matWorldArray", turned.data(), static_cast<std::uint32_t>(count * 16));
      } else {
        c.set_effect_floats("matWorldArray", bone_matrices.data(),
                            static_cast<std::uint32_t>(std::min<std::size_t>(bone_matrices.size(), 32 * 16)));
      }
      // The bones' rest origins, which the vertex shader takes off each point
      // before its bone's matrix turns and places it.
      if (m.skeleton_bone_positions && m.skeleton_bone_position_count > 0) {
        const auto bones = static_cast<std::uint32_t>(std::min(m.skeleton_bone_position_count, 32));
        c.set_effect_floats("matBoneOriginArray", &m.skeleton_bone_positions[0].x, bones * 4);
      }
    }
    effect.commit_changes();
    draw_mesh(m);
  }
  if (pass_open) {
    effect.end_pass();
    effect.end();
  }
}

void scene_view::draw_fixed_function_path(render_view& v) {
  render_state_cache& c = cache;
  const bool shadow_pass = v.shadow_pass != 0;
  const bool character_shadow = v.character_shadow != 0;
  if (shadow_pass || character_shadow) {
    c.set_lighting(false);
    c.set_alpha_test(0);
    c.set_blend_mode(2);
    c.set_depth_always(!shadow_pass);
    c.set_depth_write_off(!shadow_pass);
    c.set_alpha_op(0, shadow_pass ? stage_op_factor : stage_op_factor_times_texture);
    c.set_state(render_state::normalize_normals, 0);
    c.set_state(render_state::specular_enable, 0);
    c.set_color_op(0, stage_op_factor);
    c.set_color_op(1, stage_op_current);
    c.set_color_op(2, stage_op_off);
    c.set_alpha_op(1, stage_op_current);
    c.set_alpha_op(2, stage_op_off);
  }
  // The texture-0 transform of environment-mapped stages: half the camera's
  // axes about (0.5, 0.5, 0.5), turned a quarter about the first axis.
  frame env = frame::identity();
  env.rot.s = v.camera.frame.rot.s * 0.5f;
  env.rot.f = v.camera.frame.rot.f * 0.5f;
  env.rot.u = v.camera.frame.rot.u * 0.5f;
  env.origin = vec3(0.5f, 0.5f, 0.5f);
  frame turned = frame::identity();
  turned.rotate_x(1.5707964f);
  const matrix4 texture0 = frame_matrix(turned.transform_frame_to_global(env));

  last_material = nullptr;
  last_shader = nullptr;
  for (const render_list_entry& e : v.render_list) {
    const mesh& m = *e.m;
    const material* mat = m.mat;
    if (!mat || m.get_faces().empty()) continue;
    bind_mesh_buffers(m);
    if (character_shadow) {
      c.set_color_op(0, stage_op_factor);
      c.set_alpha_op(0, stage_op_factor);
      c.set_color_op(1, stage_op_off);
      c.set_alpha_op(1, stage_op_off);
      device_->set_pixel_program(nullptr);
      c.set_texture_factor(m.color);
    } else if (shadow_pass) {
      const texture* first = mat->textures[0];
      if (m.visibility_mask & 0x8000u) {
        c.set_depth_write_off(true);
        if (first) c.bind_texture(*first, 0, 0.0f);
        c.set_alpha_op(0, first ? stage_op_factor_times_texture : stage_op_factor);
        c.set_alpha_op(1, stage_op_current);
      } else {
        c.set_depth_write_off(false);
        if (first) c.bind_texture(*first, 0, 0.0f);
        c.set_alpha_op(0, stage_op_factor);
        c.set_alpha_op(1, stage_op_factor_minus_current);
      }
      device_->set_pixel_program(nullptr);
      c.set_texture_factor(m.color);
    } else {
      if (mat != last_material) {
        last_material = mat;
        c.apply_material_states_fixed(*mat, m.texture_phase);
        if (mat->shader_ptr && mat->shader_ptr != last_shader) {
          c.select_pixel_shader(*mat->shader_ptr);
          last_shader = mat->shader_ptr;
        }
      }
      if (v.fog && v.fog->fog_enabled) c.set_fog_enable(!(mat->flags & material_flag_no_fog));
      const shader* s = mat->shader_ptr;
      if (!v.lights_enabled || (s && (s->flags & shader_flag_unlit))) {
        c.set_lighting(false);
      } else {
        c.set_lighting(true);
        const std::size_t n = std::min<std::size_t>(v.lights.size(), gpu::max_lights);
        for (std::size_t i = 0; i < n; ++i) {
          const mesh_light& l = *v.lights[i];
          const bool on = is_directional(l) ||
                          l.radius > (l.world_position - m.world_frame.origin).length() - m.batch_distance;
          c.set_light_enable(static_cast<std::uint32_t>(i), on);
        }
      }
      c.apply_mesh_blend_and_stages(m);
      if (s && s->stage_count > 0 && ((s->stages[0].word3 & 0xFFu) == 0x20 || (s->stages[0].word3 & 0xFFu) == 0x30))
        device_->set_transform(gpu::transform_kind::texture0, texture0.m);
    }
    c.set_cull(mesh_cull_mode(m));
    const matrix4 world = mesh_world_matrix(m, v.camera.frame);
    device_->set_transform(gpu::transform_kind::world, world.m);
    draw_mesh(m);
  }
}

}  // namespace hm
