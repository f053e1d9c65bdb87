#pragma once
// Setting up a new game (not a loaded one): the campaign's starting state, the
// parties of parties.txt, every troop's points and equipment, and the player's
// troop.
#include <cstdint>
#include <vector>

#include "engine/core/ruv_string.h"

namespace hm {

class game;
class text_reader;

// The campaign clock when a new game starts: 6 o'clock.
inline constexpr std::int64_t new_game_clock_ticks = 600000;
// The mark of the player's party in its flags word.
inline constexpr std::uint32_t player_party_mark = 0x80;

// A party as the language export and the module tool see it.
struct party_summary {
  std::int32_t id = -1;
  ruv_string string_id;
  ruv_string name;
  // Set when the party's name was changed by a script (not translated then).
  bool name_override = false;
};

// What the new game needs of the party pool of the world map, which the
// campaign owns.
class game_party_pool {
 public:
  virtual ~game_party_pool() = default;
  // Empties the pool and reads it from parties.txt after the header: the slot
  // count and the next free id, then per slot an active flag and, for an
  // active slot, its slot index, the party id and the short party record.
  // Troop indexes must lie below troop_count. A broken file is fatal.
  virtual void read_module_parties(text_reader& reader, int troop_count) = 0;
  // Puts the player mark on the party of this id (nothing for an unknown id).
  virtual void mark_player_party(std::int32_t party_id) = 0;
  // The active parties in slot order.
  virtual std::vector<party_summary> active_parties() const = 0;
};

// The new game: resets the script state's parameters, starts the campaign
// clock at 6 o'clock, re-arms the triggers and gives the simple triggers
// random phases, draws the game's seeds, reads parties.txt into the game's
// party pool (fatal "Unable to open %s" when it is missing; without a bound
// pool only its header is read), marks the player's party, spends every
// troop's points (but the player's), auto-equips every troop, and prepares the
// player's troop (experience 107 to 156, no gold, 4 skill and 4 attribute
// points), then refreshes every troop's items.
void load_parties(game& g);

// A new game as the launch does it, for a module whose data is loaded: the
// script state reset, the world files (with the module's interval scripts),
// then load_parties with `parties` as the game's party pool (null: parties.txt
// is only checked).
void set_up_new_game(game& g, game_party_pool* parties);

// Runs the module's game_start script once per campaign (a loaded game has
// already run it). The game must be the running one (g_game), which module
// code reads and changes.
void run_game_start(game& g);

}  // namespace hm
