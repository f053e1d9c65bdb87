#pragma once
// Character shadows: the shadows that strategic entities (parties on the map,
// missiles, characters) lay on the ground faces under them. Two kinds fade in
// and out with the entity's two layer weights: a detailed one, which can show
// a small texture of the entity's silhouette drawn from the light, and a
// simple soft blob. Both are meshes over the ground faces the light carries
// the shadow onto, rebuilt at every submission with one to three blurring
// layers.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class mesh_render_view;
class scene_world;
class strategic_entity;

// The view mask of the view that draws a detailed shadow texture.
inline constexpr std::uint32_t character_shadow_view_mask = 0x2000;
// The side of a detailed shadow texture.
inline constexpr std::int32_t character_shadow_texture_size = 128;

// The light that casts character shadows at a point: the lights' directions
// weighted by their strength there (directional suns as they are, others
// from their position with their colour falling off with the squared
// distance), normalised, and never rising above a vertical component of -0.1.
vec3 character_shadow_light(const scene_world& scene, const vec3& point);

// The shadow's frame: its third axis against the light, its first level,
// its origin the entity's world centre moved `radius` towards the light.
frame character_shadow_frame(const vec3& light_direction, const vec3& world_centre, float radius);

// A shadow vertex's alpha before the kind's weight: sun_factor / (k +
// sun_factor) limited to 0..0.75 (0 when both are 0), the correction for
// 2 or 3 stacked layers, then the fade between 3 and 3.6 shadow radii from
// the entity's origin.
float character_shadow_alpha(float sun_factor, float k, int layers, float distance_in_radii);

// The refresh delay of a detailed shadow texture, before its random part:
// 1 / (25 x visibility), with a visibility never set (or not positive)
// counting as 1 and tiny ones as 0.04, so the delay is always finite.
float character_shadow_texture_delay(float visibility);

// Called at the end of a strategic entity's submission: collects the ground
// faces under it when it has moved, rebuilds and queues its shadow meshes and,
// when due, draws its detailed shadow texture.
void submit_character_shadows(strategic_entity& e, mesh_render_view& view);

}  // namespace hm
