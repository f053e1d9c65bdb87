#pragma once
// The one seam between collision bodies and the renderer: body parts describe
// their wireframes as line lists here, and the renderer (or a test) decides what
// to do with them. Keeping the device out of the body parts lets the collision
// code build and run without any graphics at all.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

// Colour of every body wireframe: alpha 255, red 191, green 255, blue 242.
inline constexpr std::uint32_t body_debug_colour = 0xFFBFFFF2u;

class body_debug_drawer {
 public:
  virtual ~body_debug_drawer() = default;
  // Draws vertex_count / 2 lines (vertices 0-1, 2-3, ...) given in the
  // coordinates of `placement`, which is relative to the current world
  // transform (the renderer pushes it, draws and restores the old transform).
  // No texture and no vertex shader; `colour` is the ambient colour.
  virtual void draw_line_list(const frame& placement, const vec3* vertices, int vertex_count,
                              std::uint32_t colour) = 0;
};

// Draws nothing: the drawer to use where no renderer exists (tools, tests,
// headless runs).
class null_body_debug_drawer final : public body_debug_drawer {
 public:
  void draw_line_list(const frame&, const vec3*, int, std::uint32_t) override {}
};

}  // namespace hm
