#pragma once
// The mission screen's camera: behind and above the player agent, pulled in
// where a wall stands between it and the player; at the player's head in
// first-person view; flying in the scene edit mode; or along the camera path
// that mission scripts set, with eased transitions.
#include <vector>

#include "engine/core/math.h"
#include "mission/screen/mission_screen_state.h"

namespace hm {

class camera;
class mission;
class scene_world;
struct screen_input;

// A face the camera's segment crosses: how far from the segment's start,
// and the face's normal.
struct camera_wall_hit {
  float distance = 0.0f;
  vec3 normal;
};

// The back distance the walls allow. Only faces whose normal has a positive
// component along `towards_player` (they look at the player) count; the
// nearest of them gives r - (near x 2.5 / c + 0.6), at least 0.25, with
// c = max(n . towards_player, 0.1). Without such a face: wanted.
float allowed_camera_distance(float wanted, float near_plane, const vec3& towards_player,
                              const std::vector<camera_wall_hit>& hits);

// The scene's collision faces that the segment from..to crosses.
void collect_camera_wall_hits(const scene_world& scene, const vec3& from, const vec3& to,
                              std::vector<camera_wall_hit>& out);

// A transition's progress u (0..1) eased: with e > 0,
// atan((u - 0.5) e pi) / (2 atan(e pi / 2)) + 0.5.
float eased_transition(float u, int easing);

// The view angle in degrees of a field of view on a screen of this aspect
// (height / width): min(1.17, sqrt(1 / aspect)) x fov x 0.86, at most 102.
float perspective_view_angle(float field_of_view, float aspect);

// The camera rotation of a yaw, pitch and roll: the second axis is the
// vertical, the third points from the scene towards the camera.
rotation camera_rotation(float yaw, float pitch, float roll);

// Places the camera for this frame (t: the frame time). `aspect` is the
// screen's height / width; the result goes to `view` when given.
// The scene edit mode's free camera: a glide towards a chosen point, the
// turn from yaw, pitch and roll, and flight by the movement keys.
void place_edit_camera(mission_screen_state& st, const screen_input& in, float t);

void update_mission_camera(mission& m, mission_screen_state& st, const screen_input& in, float t, float aspect,
                           camera* view);

}  // namespace hm
