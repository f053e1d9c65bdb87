// Building tableaus: the operations a tableau material's block runs while the
// engine draws the tableau (meshes, tableau meshes, map icons, figures,
// lights, the camera and the background), and those that put a tableau on the
// meshes of the object whose trigger runs. Outside a tableau's drawing the
// scene-building ones change nothing and succeed.
#include <cstdint>

#include "script/interpreter.h"
#include "script/ops/ops_registration.h"
#include "script/script_errors.h"
#include "script/script_host.h"
#include "script/script_state.h"

namespace hm {
namespace {

// The event codes under which a trigger object carries meshes to put a
// tableau on.
constexpr std::int32_t item_visual_event = -50;
constexpr std::int32_t scene_prop_event = -40;
constexpr std::int32_t map_icon_event = -70;

script_render_host& render() { return *current_script_host().render; }

bool drawing() { return render().current_tableau_scene() != nullptr; }

float fixed(std::int64_t v) {
  const std::int32_t m = g_script_state.fixed_point_multiplier;
  return static_cast<float>(v) / static_cast<float>(m != 0 ? m : 1);
}

const frame& position(std::int64_t reg) {
  return g_script_state.position_registers[static_cast<std::size_t>(reg)];
}

// 0 means "unscaled"; any other value is a fixed-point factor on all axes.
vec3 uniform_scale(std::int64_t v) {
  const float s = v == 0 ? 1.0f : fixed(v);
  return vec3(s, s, s);
}

void add_tableau_mesh(operation_call& c) {
  if (!drawing()) return;
  if (!validate_tableau_id(c.value[0]) || !validate_register_id(c.value[2])) return;
  render().add_tableau_mesh(static_cast<int>(c.value[0]), c.value[1], position(c.value[2]), uniform_scale(c.value[3]));
}

template <std::int32_t event_code>
void put_on_trigger_object(operation_call& c) {
  if (c.context != event_code) return;
  if (!validate_tableau_id(c.value[0])) return;
  render().put_tableau_on_trigger_object(event_code, static_cast<int>(c.value[0]), c.value[1]);
}

void set_flag(operation_call&) {
  if (drawing()) render().set_tableau_flag();
}

void set_background(operation_call& c) {
  if (tableau_scene_values* s = render().current_tableau_scene()) s->background = static_cast<std::int32_t>(c.value[0]);
}

void set_background_colour(operation_call& c) {
  tableau_scene_values* s = render().current_tableau_scene();
  if (!s) return;
  s->background_colour = vec3(fixed(c.value[0]), fixed(c.value[1]), fixed(c.value[2]));
  s->background_colour_set = true;
}

void set_camera_frame(operation_call& c) {
  tableau_scene_values* s = render().current_tableau_scene();
  if (!s || !validate_register_id(c.value[0])) return;
  s->camera_frame = position(c.value[0]);
  s->camera_frame_set = true;
}

void set_camera_projection(operation_call& c) {
  tableau_scene_values* s = render().current_tableau_scene();
  if (!s) return;
  s->orthographic = c.value[0] != 0;
  for (int i = 0; i < 4; ++i) s->projection[i] = fixed(c.value[i + 1]);
  s->projection_set = true;
}

template <bool point>
void add_light(operation_call& c) {
  if (!drawing() || !validate_register_id(c.value[0])) return;
  render().add_tableau_light(point, position(c.value[0]), vec3(fixed(c.value[1]), fixed(c.value[2]), fixed(c.value[3])));
}

// 1992, 1993 and 2000: the mesh, its place, its scale, then the alpha (0:
// opaque) and the colour (-1: the mesh's own).
void add_module_mesh(operation_call& c, const vec3& scale, std::int64_t colour) {
  const float alpha = c.value[3] == 0 ? 1.0f : fixed(c.value[3]);
  render().add_tableau_module_mesh(static_cast<int>(c.value[0]), position(c.value[1]), scale, alpha, colour);
}

void add_mesh(operation_call& c) {
  if (!drawing() || !validate_mesh_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  add_module_mesh(c, uniform_scale(c.value[2]), -1);
}

void add_mesh_with_colour(operation_call& c) {
  if (!drawing() || !validate_mesh_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  add_module_mesh(c, uniform_scale(c.value[2]), c.value[4]);
}

void add_mesh_with_scale_register(operation_call& c) {
  if (!drawing() || !validate_mesh_id(c.value[0]) || !validate_register_id(c.value[1]) ||
      !validate_register_id(c.value[2]))
    return;
  // Each axis's factor is the register's coordinate taken as a fixed-point
  // number.
  const vec3& o = position(c.value[2]).origin;
  const float k = fixed(1);
  add_module_mesh(c, vec3(o.x * k, o.y * k, o.z * k), c.value[4]);
}

void add_map_icon(operation_call& c) {
  if (!drawing() || !validate_map_icon_id(c.value[0]) || !validate_register_id(c.value[1])) return;
  render().add_tableau_map_icon(static_cast<int>(c.value[0]), position(c.value[1]),
                                c.value[2] == 0 ? 1.0f : fixed(c.value[2]));
}

// 1995 and 1996: the figure at register p1 playing animation p2.
void add_figure(operation_call& c, std::int32_t troop, std::int32_t horse_item, std::int64_t time) {
  tableau_figure_request f;
  f.troop = troop;
  f.horse_item = horse_item;
  f.placement = position(c.value[1]);
  f.animation = static_cast<std::int32_t>(c.value[2]);
  f.time = time;
  render().add_tableau_figure(f);
}

void add_troop(operation_call& c) {
  if (!drawing() || !validate_troop_id(c.value[0]) || !validate_register_id(c.value[1]) ||
      !validate_animation_id(c.value[2]))
    return;
  add_figure(c, static_cast<std::int32_t>(c.value[0]), -1, c.value[3] > 0 ? c.value[3] : -1);
}

void add_horse(operation_call& c) {
  if (!drawing() || !validate_item_kind_id(c.value[0]) || !validate_register_id(c.value[1]) ||
      !validate_animation_id(c.value[2]))
    return;
  add_figure(c, -1, static_cast<std::int32_t>(c.value[0]), -1);
}

void set_value(operation_call& c) {
  if (tableau_scene_values* s = render().current_tableau_scene()) s->value = static_cast<std::int32_t>(c.value[0]);
}

void clear_list(operation_call&) {
  if (tableau_scene_values* s = render().current_tableau_scene()) s->list_count = 0;
}

void append_to_list(operation_call& c) {
  tableau_scene_values* s = render().current_tableau_scene();
  if (!s || s->list_count >= tableau_scene_values::list_capacity) return;
  s->list[static_cast<std::size_t>(s->list_count++)] = static_cast<std::int32_t>(c.value[0]);
}

}  // namespace

void register_tableau_operations() {
  register_operation(1980, add_tableau_mesh);
  register_operation(1981, put_on_trigger_object<item_visual_event>);
  register_operation(1982, put_on_trigger_object<scene_prop_event>);
  register_operation(1983, put_on_trigger_object<map_icon_event>);
  register_operation(1984, set_flag);
  register_operation(1985, set_background);
  register_operation(1987, set_background_colour);
  register_operation(1988, set_camera_frame);
  register_operation(1989, set_camera_projection);
  register_operation(1990, add_light<false>);
  register_operation(1991, add_light<true>);
  register_operation(1992, add_mesh);
  register_operation(1993, add_mesh_with_colour);
  register_operation(1994, add_map_icon);
  register_operation(1995, add_troop);
  register_operation(1996, add_horse);
  register_operation(1997, set_value);
  register_operation(1998, clear_list);
  register_operation(1999, append_to_list);
  register_operation(2000, add_mesh_with_scale_register);
}

}  // namespace hm
