#pragma once
// The water reflection: when a scene's submission into a view finds water, a
// small nested view draws the scene mirrored in the water plane into a render
// target of its own, which the water's shader reads back through
// "env_texture". The nested view and its target belong to the view and are
// reused every frame.
#include <string>

#include "render/entity/camera.h"

namespace hm {

class render_view;
class scene_world;

// The side of the reflection's square target and viewport.
inline constexpr std::uint32_t reflection_size = 256;

// The parent's camera mirrored in the horizontal plane at the water height:
// the eye's height h becomes 2 x water - h and the axes' vertical components
// change sign, with its planes updated.
camera mirrored_camera(const camera& parent, float water_height);

// Fills the view's reflection of the scene's water at that height (the
// nested view and its target are made on first use).
void submit_reflection(scene_world& scene, render_view& view, float water_height);

// The on-screen debug text (lines split at ';') that the renderer adds its
// notes to; null for none.
void set_render_debug_text(std::string* text);
std::string* render_debug_text();

}  // namespace hm
