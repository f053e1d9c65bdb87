#include "ui/preview/scene_preview.h"

#include "engine/resource/mesh.h"
#include "render/scene/light.h"
#include "render/scene/scene_lighting.h"
#include "render/scene/scene_world.h"
#include "render/view/interface_view.h"
#include "ui/widget/widget.h"

namespace hm {

scene_preview::scene_preview() = default;

scene_preview::~scene_preview() { release(); }

void scene_preview::create(float lo, float hi, int cells, float field_of_view, float near_distance,
                           float far_distance) {
  release();
  int shift = 0;
  while ((1 << (shift + 1)) <= cells && shift < scene_world::max_grid_shift) ++shift;
  scene = std::make_unique<scene_world>(vec3(lo, lo, 0.0f), vec3(hi, hi, 0.0f), shift, shift, 0);
  eye.construct();
  eye.set_perspective(field_of_view, 1.0f, near_distance, far_distance);
}

void scene_preview::add_light(const vec3& colour, const vec3& specular, const vec3& position, float range,
                              const vec3& direction) {
  if (!scene) return;
  light& l = scene->create_light();
  l.type = light_type_directional;
  l.colour = {colour.x, colour.y, colour.z, 1.0f};
  l.colour_2 = {specular.x, specular.y, specular.z, 1.0f};
  l.position = position;
  l.strength = range;
  l.direction = get_normalized(direction);
}

bool scene_preview::queue(const widget& area, std::uint32_t width, std::uint32_t height) {
  if (!scene || area.is_hidden()) return false;
  const view_rectangle pixels = interface_area_pixels(area.absolute_position.x, area.absolute_position.y, area.size.x,
                                                      area.size.y, width, height);
  if (pixels.width == 0 || pixels.height == 0) return false;
  view.clear_meshes();
  view.viewport = pixels;
  view.flags = view_flag_clear_colour | view_flag_clear_depth;
  view.fog = nullptr;
  view.clear_colour = clear_colour;
  view.lights_enabled = 1;
  view.camera = eye;
  fit_view_window(view.camera, pixels);
  put_scene_lights_in_view(*scene, view, lights_, false);
  scene->submit_to_view(view, false);
  return true;
}

void scene_preview::release() {
  view.lights.clear();
  view.destroy();
  lights_.clear();
  scene.reset();
}

}  // namespace hm
