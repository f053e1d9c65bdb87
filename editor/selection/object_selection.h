#pragma once
// Selecting the scene's instances and changing them: the right-button
// selection, select-all, the transform keys (move, lift, turn, scale), the
// moves of a whole selection after its primary, deleting, and the picks
// under the mouse (the instance under it and the ground point).
#include <cstdint>
#include <optional>

#include "editor/mode/edit_mode_state.h"
#include "engine/core/math.h"

namespace hm {

class mission;
struct screen_input;
struct scene_prop_instance;

// The right button in Edit Objects: without Ctrl the hovered instance (if
// any) becomes the only selection; with Ctrl it is toggled in and out of the
// selection. Returns the hovered instance as it is to be afterwards (with
// Ctrl, the primary).
std::int32_t select_click(edit_mode_state& s, std::int32_t hovered, bool ctrl);
// Ctrl+A: every instance, the first the primary.
void select_all(edit_mode_state& s, int instance_count);

// What object_transform_keys changed.
struct transform_flags {
  bool position = false;
  bool rotation = false;
  bool scale = false;
  bool mouse_used = false;
  bool any() const { return position || rotation || scale; }
};

// The held keys of both object modes turned into a move, turn or scale of
// one object; `camera` gives the horizontal axes of G.
transform_flags object_transform_keys(const screen_input& in, const frame& camera, vec3& position, frame& turn,
                                      vec3& scale);

// Carries a change of the primary over to the whole selection: a move moves
// every selected instance by the same delta, a turn turns each about the
// primary (new x old^-1 x its frame), a scale sets the primary's scale only.
// `old_primary` is the primary's frame before the change.
void apply_selection_transform(mission& m, const edit_mode_state& s, const frame& old_primary,
                               const frame& new_primary, const vec3& new_scale, transform_flags flags);

// Removes one instance: its entity leaves the scene, the later instances move
// down one place and their entities learn their new index.
void delete_scene_prop_instance(mission& m, int index);
// Delete: the selected instances, highest index first, so that the lower
// ones keep their numbers; the selection ends empty.
void delete_selection(mission& m, edit_mode_state& s);

// An upright frame at `position` facing the camera's heading, advanced
// `distance` along its forward axis.
frame upright_frame_ahead(const vec3& position, const frame& camera, float distance);

// The radius of the sphere the hover pick tests an instance with; nothing
// for a kind that is never picked (or a plant kind without variations).
std::optional<float> instance_pick_radius(const scene_prop_instance& p);
// The nearest instance whose sphere the ray from `from` along `direction`
// (unit length) meets, -1 none.
std::int32_t pick_instance(const mission& m, const vec3& from, const vec3& direction);
// The ground point where the ray first meets the terrain (or, without one,
// the plane z = 0).
std::optional<vec3> pick_ground_point(const vec3& from, const vec3& direction);

}  // namespace hm
