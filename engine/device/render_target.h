#pragma once
// The device objects of render-target textures (shadow maps, environment-shadow
// and reflection targets). A target the device cannot make is left uncreated;
// a small one (1024 pixels wide or less) never stops the game, a colour target
// of that size only turns its option off for the next start; a wider one
// lowers the shadow-map quality (or, at quality 0, turns environment shadows
// off), saves that setting and ends the game with a message saying so.
#include <cstdint>

namespace hm {

namespace platform::gpu {
class device;
enum class format : std::uint32_t;
}

class texture;

// The depth-stencil format tried when a depth-stencil surface fails in this
// one: D16 and D24S8 stand in for each other, as R32F and R16F do; unknown for
// formats without a pair.
platform::gpu::format paired_depth_format(platform::gpu::format f);

// Makes the device objects of a render-target texture that has none (kind 1:
// a texture, its level 0 the colour surface; kind 2: a depth-stencil surface).
// `format` starts as `requested_format` and ends as the one created; a success
// sets the created word. Returns 0 whether or not it succeeded.
int create_render_target_surfaces(texture& t, platform::gpu::device& device);

}  // namespace hm
