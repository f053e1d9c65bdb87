#pragma once
// The mission's scene drawn through a camera: terrain, props, missiles and
// particle systems as the scene submits them, the agents' meshes posed by
// their skeletons, the scene's sun and fill lights, its fog and the sun's
// shadow map. The view is queued before the interface, so the display is
// drawn over it.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/resource/mesh.h"
#include "render/entity/render_view.h"
#include "render/view/interface_view.h"

namespace hm {

class camera;
class mission;
class scene_world;


// Colour of the view's background where nothing stands (the sky's fog
// colour when there is fog).
inline constexpr std::uint32_t default_sky_colour = 0xFF8098B0u;

class mission_scene_drawing {
 public:
  mission_scene_drawing();
  ~mission_scene_drawing();
  mission_scene_drawing(const mission_scene_drawing&) = delete;
  mission_scene_drawing& operator=(const mission_scene_drawing&) = delete;

  // Queues the mission's scene into the renderer for the camera, drawn into
  // the area, and runs the shadow passes for it. False (nothing queued) for a
  // mission without a scene.
  bool queue(mission& m, const camera& eye, const view_rectangle& area);
  // Lets the view's meshes and nested view go (before the device goes).
  void release();

  render_view view;
  // Agents whose meshes went into the view in the last queue.
  int agents_drawn = 0;

 private:
  std::vector<std::unique_ptr<mesh_light>> lights_;
};

}  // namespace hm
