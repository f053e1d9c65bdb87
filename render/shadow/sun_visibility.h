#pragma once
// How much of the sun a frame shows: nine pixels of the last frame's depth
// around the sun's place on the screen, each weighted, tested against the
// sun's own depth.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "render/entity/camera.h"

namespace hm {

class render_pass_state;

// A copy of a frame's depth in a view of width x height pixels: values 0
// (near plane) .. 1 (far plane) in the device's perspective depth, rows from
// the top, and the camera it was drawn with. The copy may hold only a window
// of the view: its corner and size (a size of 0 is the whole view).
struct screen_depth {
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<float> depth;
  camera eye;
  std::int32_t window_x = 0;
  std::int32_t window_y = 0;
  std::int32_t window_width = 0;
  std::int32_t window_height = 0;
};

// The pixel of the view a world point falls on; false outside the view.
bool screen_pixel_of(const camera& eye, std::int32_t width, std::int32_t height, const vec3& point, std::int32_t& x,
                     std::int32_t& y);

// The device depth of a point at distance d along the camera's view axis.
float device_depth_at(const camera& eye, float d);

// The visible fraction of a world point from a depth copy: outside the screen
// 1; inside, the weights (1.0 the centre, 0.9 the four at two pixels along
// the axes, 0.7 the four at the diagonals) of the samples whose stored depth
// lies beyond the point's depth less 0.001, summed over 7.4. False when there
// is no usable copy, or a sample inside the view lies outside its window.
bool sun_visibility_from_depth(const screen_depth& copy, const vec3& point, float& fraction);

// The test of the game's passes: only with pixel shaders on and a depth copy
// kept; false otherwise (the caller then sweeps a segment through the scene).
bool test_sun_visibility(const render_pass_state& state, const vec3& point, float& fraction);

}  // namespace hm
