#pragma once
// The campaign's part of the running game: the party and map-event pools, the
// player's party and troop, the player's member seeds and the rest state, with
// the operations that create, attach and remove parties, move troops between
// them in the party window and let them recover as time passes.
#include <cstdint>

#include "campaign/party/campaign_world.h"
#include "campaign/party/map_event.h"
#include "campaign/party/party.h"
#include "campaign/party/party_pool.h"

namespace hm {

// Attachment walks stop at this depth and collections at this many parties.
inline constexpr int attached_party_limit = 128;

// Templates the engine itself uses for the parties it makes.
inline constexpr int template_released_troops = 1;
inline constexpr int template_released_prisoner = 2;
inline constexpr int template_single_troop = 3;

struct party_troop_totals {
  std::int32_t members = 0;
  std::int32_t wounded = 0;
  std::int32_t prisoners = 0;
  std::int32_t heroes = 0;
};

// What move_party_troop did.
struct troop_move_result {
  bool moved = false;           // false: refused, neither party changed
  bool counted_troop = false;   // the troop came from the stack's mission counter
  bool source_removed = false;  // the source stack was emptied and removed
};

// The player's encounter: the party met, a second party (none: -100000) and
// the kind (0 the player met the party, 1 the party met the player).
inline constexpr std::int32_t no_second_encounter_party = -100000;
struct player_encounter {
  std::int32_t party = -1;
  std::int32_t second_party = no_second_encounter_party;
  std::int32_t kind = 0;
};

// A value from 0 to 32767 for a party, stack and member slot: the stand-in
// for a stored member seed in parties that keep none.
std::int32_t get_party_stack_seed_hash(std::int32_t party_id, int stack, int slot);

struct campaign_state {
  campaign_state(campaign_world& world_tables, campaign_map& world_map);
  campaign_state(const campaign_state&) = delete;
  campaign_state& operator=(const campaign_state&) = delete;

  campaign_world& world;
  campaign_map& map;
  party_pool parties;
  map_event_pool events;
  std::int32_t player_party = -1;
  std::int32_t player_troop = 0;
  // The party on the other side of the party window (the temporary party).
  std::int32_t other_party = -1;
  // The party the party window hires from; -1 while module code set none.
  std::int32_t mercenary_source_party = -1;
  member_seed_table member_seeds = {};
  // The rest state: hours left and the flag.
  float rest_time = 0.0f;
  std::int32_t rest_flag = 0;
  // The player's healing option (0 to 2; the player's troop heals 3 - it
  // times as fast).
  std::int32_t healing_option = 0;
  // The bounds (percent) of the share of a template entry's range that a new
  // party gets.
  float strength_percent_lo = 0.0f;
  float strength_percent_hi = 100.0f;

  // --- troops ------------------------------------------------------------------------
  bool is_hero(int troop) const;
  // A hero below its wounded threshold (the player's own, or the heroes').
  bool is_hero_wounded(int troop) const;
  bool is_valid_troop(int troop) const { return troop >= 0 && troop < world.troop_count(); }
  // The seed table when the party is the player's, else null.
  member_seed_table* seeds_for(const party& p);

  // --- parties by id ----------------------------------------------------------------
  party* find_party(std::int32_t id) { return parties.find_active(id); }
  const party* find_party(std::int32_t id) const { return parties.find_active(id); }
  // Sum over the member stacks of the troops able to fight, weighted by
  // (level + 12)^2 / 100, with the attached parties; 0 for an inactive id.
  float get_party_strength(std::int32_t id) const;
  // Caps ready-to-upgrade at count, removes stacks below 1 from the last to
  // the first and clamps the rest.
  void remove_empty_party_stacks(std::int32_t id);
  // The value of one member (slot) of a stack: for the player's party the
  // stored member seed (the first 32 stacks, 32 members each); for any other
  // party, and for the player's stacks and members past the table, the hash
  // of the party id, the stack and the slot. The same arguments always give
  // the same value, 0 to 32767 like the stored seeds.
  std::int32_t get_party_stack_seed(std::int32_t id, int stack, int slot) const;
  void reset_stack_mission_counters(std::int32_t id);

  // --- creation, attachment, removal ---------------------------------------------------
  // A party of template t at (x, y), with the template's members, on the map;
  // -1 when the template does not exist or the pool has no room.
  std::int32_t create_party(float x, float y, int template_index);
  // A party of one troop (template 3), named after it; -1 for an invalid troop.
  std::int32_t create_party_for_troop(int troop, float x, float y);
  std::int32_t spawn_party_near(float x, float y, int template_index, float radius);
  // A point within the radius whose map face is linked to the centre's face.
  vec3 random_position_near(float x, float y, float radius) const;
  void add_template_members_to_party(std::int32_t id, int template_index, bool as_prisoners);
  // Attaches p to host h. False (nothing changes) for an inactive party or
  // host, p == h, or an h that stands under p.
  bool attach_party_to_party(std::int32_t p, std::int32_t h);
  void detach_party(std::int32_t p);
  // p, then its attached parties depth first, the host before its own; never
  // more than 128 entries in all.
  void collect_attached_party_ids(std::int32_t p, std::int32_t* ids, int& count) const;
  // Adds the party's and its attached parties' troops to the totals.
  void count_party_troops_with_attached(std::int32_t p, party_troop_totals& totals) const;
  // Adds every stack of s and of the parties attached to it to d.
  void add_party_members_to_party(std::int32_t s, std::int32_t d);
  void remove_party(std::int32_t p);
  // Takes the party's entity off the map (a fixed place of template below 1
  // keeps it) and marks the party hidden.
  void remove_map_entity(party& p);

  // --- the party window -----------------------------------------------------------------
  // Moves one troop of stack n of party a to party b. Refused when b has no
  // room for it.
  troop_move_result move_party_troop(std::int32_t a, int n, std::int32_t b);
  // Member stacks in front of the prisoner stacks again.
  void refresh_party_stacks(party& p);
  // Releases the other party's troops onto the map at the player's position.
  void scatter_party_members();
  void clear_party_stacks();
  // The temporary party, made (hidden, empty, off the map) when there is
  // none; -1 when the pool has no room.
  std::int32_t temporary_party();

  // --- what module code does with parties ------------------------------------------------
  // Adds n troops (members or prisoners) under the party's limits; the
  // player's party draws seeds for the new members of its first 32 stacks.
  // The number of the troop's troops added (0 when refused).
  int add_troops_to_party(std::int32_t id, int troop, int n, bool prisoners);
  // Takes up to n troops from the party's last stack of the troop with that
  // prisoner state (the wounded first, or the healthy first); the number
  // taken.
  int remove_troops_from_party(std::int32_t id, int troop, int n, bool prisoners, bool wounded_first);
  // A new first member stack of max(count, 1) troops; the other stacks (and
  // the player's seeds) move down one place. False, with nothing changed, when
  // the party already has the most stacks it can hold.
  bool insert_first_stack(std::int32_t id, int troop, int count);
  // Every stack of the partner joins the host (prisoner states inverted when
  // as_prisoners; the player's party draws seeds for the new members), then
  // the partner is removed.
  void join_party_to(std::int32_t partner, std::int32_t host, bool as_prisoners);
  // Every stack removed; the player's party keeps its first one.
  void clear_stacks_for_script(std::int32_t id);
  // The wounded of the troop's first member stack move by delta, within 0 ..
  // count.
  void add_wounded_to_troop(std::int32_t id, int troop, int delta);
  // The identity seed of a stack: the player's stored seed of the stack's
  // first member, else computed from the troop and the party id; 0 for a
  // stack the party does not have.
  std::int32_t get_stack_seed(const party& p, int stack) const;
  // The party at the position and on its map face; false (the party stays)
  // when no face lies under the point.
  bool place_on_map(party& p, float x, float y);
  // A point around (x, y) within the radius on the terrain asked for (water
  // side or land), at most 50,000 draws; false (out holds the last candidate)
  // when none was found.
  bool random_map_point_of_terrain(float x, float y, float radius, bool water, vec3& out) const;
  // Experience spread over the party's members (X / weight each, heroes
  // weighing 10 as leader and 3 elsewhere), with a random factor, then the
  // ready troops upgraded along a path (0 first, 1 second, else random).
  void give_party_xp_and_upgrade(std::int32_t id, float experience, int path);
  // The same share without the random factor and without upgrades.
  void share_party_xp(std::int32_t id, float experience);
  // n rounds of a random able member of the party and its attached parties
  // being wounded or killed, with the casualties recorded as troops of the
  // recorder (-1: none; its stacks are emptied first).
  void inflict_casualties(std::int32_t id, int n, std::int32_t recorder);
  // Each regular troop of s joins d or one of d's attached parties, chosen by
  // their able members.
  void distribute_party_members(std::int32_t s, std::int32_t d);
  // d's stacks replaced by the stacks of s and of its attached parties.
  void copy_party_members(std::int32_t s, std::int32_t d);
  // The party the attached-to links lead to (p itself when it is attached to
  // none); the walk stops after 128 steps.
  std::int32_t get_root_attached_party(std::int32_t p) const;
  // A party leaves its battle: a joined party is detached; a side ends the
  // battle.
  void leave_battle(std::int32_t id);
  // The battle's sides leave it and the event's slot is freed.
  void end_battle(int event_slot);
  // Party a meets party b: with r the party b is attached under (b itself
  // when none), a battle of a against r starts at their midpoint, or, when r
  // already fights one, the player's party joins it and any other party joins
  // the side against r unless hostile to it. When the player's party is one
  // of the two, encounter is filled in. False (nothing changes) when refused:
  // the player's party is met while it rests, a is hostile to the side it
  // would join, a is not active or stands over b (r is a itself).
  bool engage_party(std::int32_t a, std::int32_t b, player_encounter& encounter);
  // A battle between two sides at (x, y), side 1 first: an event from the
  // pool with both sides in it; its slot.
  int create_battle_event(float x, float y, std::int32_t side_1, std::int32_t side_2);
  // Every active party of the faction is marked changed.
  void mark_faction_parties_changed(int faction);
  // Heroes of the party's member stacks back to full health, and no wounded.
  void heal_party_members(std::int32_t id);
  // A hero's full health: strength + 35 + 2 x its capped hit-point skill.
  float hero_max_health(int troop) const;

  // --- time --------------------------------------------------------------------------------
  // One hour of recovery: wounded troops heal, heroes regain hit points, and
  // the player's party eats and its morale and hunger move.
  void recover(party& p);

 private:
  float strength_of(const party& p, int depth) const;
  void collect_attached(std::int32_t p, std::int32_t* ids, int& count, int depth) const;
  void count_with_attached(std::int32_t p, party_troop_totals& totals, int depth) const;
  void add_members(const party& s, party& d, int depth);
  bool is_in_map_event(const party& p) const;
};

}  // namespace hm
