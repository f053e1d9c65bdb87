#pragma once
// A small scene of a screen's own (the face generator's head, the terrain
// generator's ground) drawn through its own camera into the part of the
// screen a widget covers. The window queues it before the interface, so the
// widgets are drawn over it.
#include <cstdint>
#include <memory>
#include <vector>

#include "render/entity/camera.h"
#include "render/entity/render_view.h"

namespace hm {

class scene_world;
class widget;
struct mesh_light;

class scene_preview {
 public:
  scene_preview();
  ~scene_preview();
  scene_preview(const scene_preview&) = delete;
  scene_preview& operator=(const scene_preview&) = delete;

  // A new scene between (lo, lo) and (hi, hi) with `cells` cells a side, and
  // the camera's projection: vertical field of view (radians), near and far.
  void create(float lo, float hi, int cells, float field_of_view, float near_distance, float far_distance);
  // Adds a directional light to the scene.
  void add_light(const vec3& colour, const vec3& specular, const vec3& position, float range, const vec3& direction);
  // Queues the scene seen by `eye` into the area the widget covers on a back
  // buffer of that size. False (nothing queued) without a scene or area.
  bool queue(const widget& area, std::uint32_t width, std::uint32_t height);
  // Lets the view's meshes and the scene go.
  void release();

  std::unique_ptr<scene_world> scene;
  camera eye;
  render_view view;
  std::uint32_t clear_colour = 0xFF000000u;

 private:
  std::vector<std::unique_ptr<mesh_light>> lights_;
};

}  // namespace hm
