#pragma once
// Creating the agents spawning asks for: the record taken from the pool, its
// troop, team, hit points and placement, the horse it rides, its team's
// leadership and the newcomer announcements. The scene entity, the equipment
// and the template's spawn triggers belong to other code and come in through
// agent_spawn_hooks.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/math.h"

namespace hm {

class mission;
struct agent;
struct campaign_state;
struct item;
struct placed_troops;

// The skill whose level adds hit points.
inline constexpr int hit_point_skill = 36;
// Agents stand this much above the spawn frame when made.
inline constexpr float spawn_lift = 0.3f;
inline constexpr std::int32_t spawn_ai_kept_in_place = 0x10;
// Template triggers' event of an agent spawned.
inline constexpr std::int32_t agent_spawned_event = -25;

class agent_spawn_hooks {
 public:
  virtual ~agent_spawn_hooks();
  // The agent's scene entity, equipment and meshes.
  virtual void create_entity(mission& m, agent& a);
  // The horse item the troop rides into this mission (-1 none).
  virtual int choose_horse_item(mission& m, const agent& rider);
  // Hit points of a horse item.
  virtual float horse_hit_points(const item& horse);
  // A hero's stored hit points.
  virtual float hero_hit_points(int troop);
  // The player's party's wear, 0 for a rested, fed party: above 0.5 its
  // soldiers come in weaker, down to half their hit points at 1.
  virtual float player_party_health_factor();
  // The weapon and shield drawn, and the wielded items refreshed.
  virtual void draw_weapons(mission& m, agent& a);
  // The template's triggers checked with the agent-spawned event.
  virtual void agent_spawned(mission& m, int agent_index);
  // A text for the on-screen message queue.
  virtual void announce(mission& m, const std::string& key);
};

struct spawn_agent_request {
  frame at = frame::identity();
  std::int32_t troop = -1;
  std::int32_t party = -1;
  std::int32_t stack = -1;
  std::int32_t team = 0;
  std::int32_t face_seed = -1;
  std::uint32_t item_override_flags = 0;
  std::int32_t ai_flags = 0;
  std::vector<std::int32_t> items;
};

// Creates an agent of a troop at a spawn frame and returns its index; its
// horse, when it rides, stands at the same frame.
int spawn_agent(mission& m, campaign_state& game, const spawn_agent_request& request, agent_spawn_hooks& hooks);
// Creates a horse of a horse item (its word the item's modifier and amount)
// for a troop and returns its index.
int spawn_horse(mission& m, const frame& at, int horse_item, int troop, agent_spawn_hooks& hooks,
                std::uint32_t horse_word = 0);

// One agent of spawn record `record` at its entry point: the troop choice,
// then spawn_agent with the record's flags and items; false when no troop is
// left for it.
bool spawn_at_entry_point(mission& m, campaign_state& game, placed_troops& placed, int record,
                          agent_spawn_hooks& hooks);

}  // namespace hm
