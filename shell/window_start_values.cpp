#include "shell/window_start_values.h"

#include "engine/core/stream.h"

namespace hm {

world_map_window_values::world_map_window_values() {
  view.view_left = -0.1f;
  view.view_right = 0.1f;
  view.view_top = 0.07f;
  view.view_bottom = -0.07f;
  view.near = 0.2f;
  view.far = 300.0f;
  view.update_frustum_planes();
}

void world_map_window_values::save(stream& out) const {
  out.write_float(saved_a.x).write_float(saved_a.y).write_float(saved_a.z);
  out.write_float(saved_b.x).write_float(saved_b.y).write_float(saved_b.z);
  for (float v : saved_values) out.write_float(v);
}

void world_map_window_values::load(stream& in) {
  in.read_float(saved_a.x).read_float(saved_a.y).read_float(saved_a.z);
  in.read_float(saved_b.x).read_float(saved_b.y).read_float(saved_b.z);
  for (float& v : saved_values) in.read_float(v);
}

}  // namespace hm
