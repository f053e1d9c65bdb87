#pragma once
// Mission set-up: turns the cleared mission into a playable scene for its
// template and scene record, in a fixed order (objects before the scene
// world, because they widen its bounds; entry points before they are snapped
// to the ground; the first wave before the two settling frames). The steps
// that belong to the renderer, the terrain generator, physics and the
// campaign go through mission_setup_steps, whose defaults do nothing, so the
// mission's own part runs headless.
#include <cstdint>

namespace hm {

class mission;

// Scene record flags set-up reads.
namespace scene_flag {
inline constexpr std::uint32_t indoor = 0x1;
inline constexpr std::uint32_t outdoor_terrain = 0x100;
inline constexpr std::uint32_t random_terrain = 0x200;
inline constexpr std::uint32_t field_battle = 0x400;
}  // namespace scene_flag

// What set-up knows of the scene record.
struct mission_scene_info {
  std::uint32_t flags = 0;
  float min_x = 0.0f;
  float min_y = 0.0f;
  float max_x = 0.0f;
  float max_y = 0.0f;
  // Whether the scene's objects are already loaded (no ".sco" read).
  bool objects_loaded = false;

  bool outdoor() const { return (flags & scene_flag::outdoor_terrain) != 0; }
};

class mission_setup_steps {
 public:
  virtual ~mission_setup_steps();

  // The scene record of m.scene_index; false when there is none.
  virtual bool scene_info(const mission& m, mission_scene_info& out);
  virtual void clear_physics_worlds(mission& m);
  virtual void randomise_trigger_phases(mission& m);
  // Reads the scene's ".sco" file into the instance vector.
  virtual void load_scene_objects(mission& m);
  // Weather values and the chosen sky.
  virtual void choose_weather_and_sky(mission& m);
  // The template's triggers cleared and checked with the load event.
  virtual void run_load_triggers(mission& m);
  // The terrain code of an outdoor or random scene.
  virtual void prepare_terrain_code(mission& m, const mission_scene_info& info);
  // Radius of a scene prop's bounding circle (0 for none).
  virtual float prop_radius(const mission& m, int instance);
  // Scene bodies, fog, time of day, sky entity.
  virtual void create_scene_world(mission& m, const mission_scene_info& info);
  // The generated terrain or the interior mesh.
  virtual void build_terrain(mission& m, const mission_scene_info& info);
  virtual void build_nav_mesh(mission& m, const mission_scene_info& info);
  // Entities of the placed objects (plants of an outdoor scene as flora).
  virtual void create_prop_entities(mission& m, const mission_scene_info& info);
  // Rivers and features of an outdoor scene, lights of an indoor one.
  virtual void add_features(mission& m, const mission_scene_info& info);
  // Rain or snow, the sun, the edit cursor.
  virtual void create_weather_effects(mission& m, const mission_scene_info& info);
  // Stack and troop counters of the parties on both sides.
  virtual void reset_spawn_counters(mission& m);
  // The battle size option (0..1).
  virtual float battle_size_option() const;
  // The scene's troop count for a record (records with flag 0x10).
  virtual int scene_troop_count(const mission& m, int record);
  // Spawns one agent of a record; false when no troop is left.
  virtual bool spawn_at_entry_point(mission& m, int record);
  // Props that follow the player and the shadow passes.
  virtual void finish_scene(mission& m, const mission_scene_info& info);
};

// Runs set-up for m.template_index and m.scene_index; "begin_setup" and
// "end_setup" go to the engine log around it.
void set_up_mission(mission& m, mission_setup_steps& steps);

// The reinforcement check with set-up's spawning: what the mission frame's
// services run when the frame asks for reinforcements.
void check_reinforcements(mission& m, mission_setup_steps& steps);

// Lays out the entry points: the 8 x 8 grid (one unit apart at height 500,
// around the centre of the bounds for outdoor scenes), or five at random for
// a field battle; then the scene's entry-point markers take their entries'
// frames, made upright.
void lay_out_entry_points(mission& m, const mission_scene_info& info);

// Puts every entry point on the ground under it; a scene with no ground at
// all leaves every height as it was.
void snap_entry_points_to_ground(mission& m);

// A scene-prop kind flag: its instances stand where the player came in.
inline constexpr std::int32_t prop_flag_follows_player = 0x1000;

// Every instance of a kind that follows the player goes to the player's spawn
// position, up to 1.0 off it either way in x and y, onto the ground there
// (kept at that height where there is none), its entity placed anew. Nothing
// without a player.
void place_props_following_the_player(mission& m);

}  // namespace hm
