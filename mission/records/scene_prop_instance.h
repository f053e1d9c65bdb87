#pragma once
// Scene-prop instances: every object placed in a mission scene (module scene
// props, entry points, items, flora, passages, spawned items, shields). The
// scene-object file stores the same records; at run time an instance can move
// to a target frame over a set time and, for a destructible prop, lose hit
// points.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "engine/core/timer.h"

namespace hm {

class entity;

enum scene_prop_instance_kind : std::int32_t {
  prop_kind_object = 0,     // a module scene prop
  prop_kind_entry = 1,      // an entry-point marker
  prop_kind_item = 2,
  prop_kind_named = 3,
  prop_kind_flora = 4,
  prop_kind_passage = 5,    // a menu link
  prop_kind_spawned_item = 6,
  prop_kind_shield = 7,
};

// Scene-prop kind flags this code reads.
inline constexpr std::int32_t prop_flag_editor_only = 0x4000;
inline constexpr std::int32_t prop_flag_destructible = 0x8000;

// move_state while no timed move runs.
inline constexpr std::int32_t prop_move_idle = -1;

struct scene_prop_instance {
  // 2 for spawned items and shields.
  std::int32_t owner_flag = 0;
  // The current frame (the entity's).
  frame current_frame = frame::identity();
  // A timed move goes from start_frame to target_frame.
  frame target_frame = frame::identity();
  frame start_frame = frame::identity();
  // The frame when the entity was made, and the one it was placed with.
  frame entity_frame = frame::identity();
  frame placed_frame = frame::identity();
  vec3 scale{1.0f, 1.0f, 1.0f};
  timer creation_timer{clock_mission};
  // prop_move_idle, or 0 and above while a timed move runs.
  std::int32_t move_state = prop_move_idle;
  float move_duration = 0.0f;
  timer move_timer{clock_mission};
  float last_progress = 0.0f;
  // scene_prop_instance_kind
  std::int32_t kind = prop_kind_object;
  // The scene-prop kind, item kind or flora kind, -1 none.
  std::int32_t id = -1;
  ruv_string name;
  // Flora variation, entry number, item word or other value by kind.
  std::int32_t variation = 0;
  // The second number: a passage's menu item, a second variation otherwise.
  std::int32_t variation_2 = 0;
  // The instance's scene entity, and the tumbling entity of a shield; owned by
  // the scene.
  hm::entity* entity = nullptr;
  hm::entity* second_entity = nullptr;
  float hit_points = 0.0f;
  float max_hit_points = 0.0f;
  // Set once the instance is taken out of the mission; its index stays
  // taken so scripts' ids keep meaning the same instance.
  std::int32_t removed = 0;
  // The instance's record in the scene's object file (-1 for one made during
  // the mission), so that saving an edited scene updates it in place.
  std::int32_t scene_record = -1;

  // Starts a timed move from the current frame to `target` over `seconds`;
  // see update_animation for a duration of 0 or less.
  void start_move(const frame& target, float seconds);
  // Steps a timed move by its timer (the frame time is not needed): the frame
  // is interpolated from start to target by elapsed / duration, kept a
  // rotation, and handed to the entity when it changed; past the end (or at
  // once, for a duration of 0 or less) it snaps to the target and the move
  // ends.
  void update_animation(float frame_time);
  // Hands the current frame and scale to the entity, when there is one.
  void place_entity() const;
};

// Fills a placed-object record: kind, id and value, the frame as its current
// and placed frame, and its name from the kind's table (the scene prop's id
// for kind 0, the item kind's id for kinds 2, 6 and 7, the flora kind's name
// for kind 4; an id outside its table leaves the name empty).
void init_scene_object_record(scene_prop_instance& p, int kind, int id, int value, const frame& placed);

// Resizes the vector to n; new entries are default instances (timers on the
// mission clock started now, names empty, identity frames).
void resize_scene_prop_instances(std::vector<scene_prop_instance>& instances, int n);

}  // namespace hm
