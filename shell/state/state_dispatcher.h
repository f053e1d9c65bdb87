#pragma once
// The state dispatcher: whoever wants another screen raises a request bit in
// the meta mission's mask; a screen's frame, once its work for the moment is
// done, calls dispatch_meta_mission_requests, which serves the lowest pending
// bit (one a call), sets up what it asks for and switches to its screen.
//
// The windows, the mission, the conversations and the campaign's parties sit
// above or beside this library; the dispatcher reaches them through
// dispatcher_host, which the application fills in.
#include <cstdint>
#include <vector>

#include "script/ops/encounter.h"

namespace hm {

struct mission_template;

// Request bits, served lowest first.
namespace meta_request {
inline constexpr std::uint32_t encounter_conversation = 0x1;
inline constexpr std::uint32_t troop_conversation = 0x2;
inline constexpr std::uint32_t mission_of_type = 0x4;
inline constexpr std::uint32_t menu_mission = 0x8;
inline constexpr std::uint32_t debrief = 0x10;
inline constexpr std::uint32_t party_conversation = 0x20;
inline constexpr std::uint32_t enemy_conversation = 0x40;
inline constexpr std::uint32_t inventory = 0x80;
inline constexpr std::uint32_t party = 0x100;
inline constexpr std::uint32_t back_to_map = 0x200;
inline constexpr std::uint32_t game_menu = 0x400;
inline constexpr std::uint32_t scene_conversation = 0x800;
inline constexpr std::uint32_t presentation = 0x1000;
inline constexpr std::uint32_t notes = 0x2000;
}  // namespace meta_request

// The return window id that sends a finished window back to the dispatcher.
inline constexpr std::int32_t return_through_dispatcher = 100;

// The dispatcher's own state.
struct window_switch_dispatcher {
  std::uint8_t entering = 0;
  // Set while a conversation the dispatcher opened runs.
  std::uint8_t in_conversation = 0;
  std::uint8_t menu_opened = 0;
  std::int32_t launch_party = -1;
  // 0 normal, 2 or 3 a start without the world map, -1 once on the map.
  std::int32_t launch_mode = 0;
};

extern window_switch_dispatcher g_window_switch_state;

// The game object's words the dispatcher reads and writes.
struct dispatcher_game_words {
  std::int32_t conversation_result = 0;
  std::int32_t menu_result = 0;
  std::int32_t return_to_map = 0;
  std::int32_t no_autosave = 0;
  std::uint8_t encounter_active = 0;
  // The pending jump values of a mission requested from a menu.
  std::int32_t jump_troop = -1;
  std::int32_t jump_scene = -1;
  std::int32_t jump_entry = 0;
  std::int32_t jump_template = 0;
  std::uint8_t jump_flags[2] = {0, 0};
  std::int32_t conversation_troop = -1;
};

// The parameters of a mission to prepare.
struct mission_preparation {
  std::int32_t template_index = 0;
  std::int32_t jump_value_1 = 0;
  std::int32_t jump_value_2 = 0;
  std::int32_t advantage = 0;
  std::int32_t scene_param = 0;
  std::int32_t side = 0;
};

class dispatcher_host {
 public:
  virtual ~dispatcher_host() = default;
  // --- windows (ids of the window manager; false for a refused id) ---
  virtual bool set_window(int id) = 0;
  virtual bool push_window(int id) = 0;
  virtual void set_window_mode(int id, std::int32_t mode) = 0;
  virtual void set_return_window(int id, std::int32_t value) = 0;
  // The window's reset hook (the game menu's and the mission screen's).
  virtual void reset_window(int id) = 0;
  // --- the game ---
  virtual dispatcher_game_words& game_words() = 0;
  virtual const std::vector<mission_template>& mission_templates() = 0;
  // Stores the values in the mission, collects the sides' parties and resets
  // the mission for the template; the game's jump values are reset.
  virtual void prepare_mission(const mission_preparation& p) = 0;
  // Copies the sequence number into the mission and sets it up.
  virtual void set_up_mission(std::int32_t sequence) = 0;
  virtual void run_mission_frames(int count, float seconds) = 0;
  // The conversation with troop (seed, party, kind) set up in its scene and
  // started.
  virtual void set_up_conversation(std::int32_t troop, std::int32_t seed, std::int32_t party, std::int32_t kind) = 0;
  virtual void start_scene_conversation(std::int32_t troop, std::int32_t party) = 0;
  // The leader troop of a party (first stack) and the seed of its stack 0,
  // slot 0; -1 without one.
  virtual std::int32_t party_leader(std::int32_t party) = 0;
  virtual std::int32_t party_leader_seed(std::int32_t party) = 0;
  // The encounter's side (0 or 1) chosen, with its strength recomputed.
  virtual void set_encounter_side(meta_mission_words& m, std::int32_t side) = 0;
  // --- results ---
  // The battle advantage of the player's party over the two sides' parties.
  virtual std::int32_t battle_advantage() = 0;
  // Whether the side's troops with their attached parties are spent.
  virtual bool side_troops_spent(const meta_mission_words& m) = 0;
  virtual void remove_empty_stacks(const meta_mission_words& m) = 0;
  // Wounds, the event's battle, the player party's encounter and the
  // upgrade message (the campaign's part of applying a result).
  virtual void apply_encounter_results(const meta_mission_words& m) = 0;
  virtual void add_message(const char* ui_key) = 0;
  virtual void save_game(int slot) = 0;
  // A draw from the game's random source.
  virtual int random() = 0;
};

// The reset at the end of a game launch: the encounter's ids, the two
// conversation ids and the three jump words -1; the request mask 0x400;
// everything else 0. Logs "init_meta_mission complete.\n".
void init_meta_mission(meta_mission_words& m);

// The lowest set bit of the mask, cleared there; 0 when none is set.
std::uint32_t pop_meta_mission_request(meta_mission_words& m);

// The result of a conversation or a menu applied to the meta mission.
void apply_result_flags(dispatcher_host& host, meta_mission_words& m, std::int32_t result_word);

// The index of a template of the wanted type, at random among those that
// match (in index order); -1 when none matches.
int find_mission_template_for_mission_type(dispatcher_host& host, meta_mission_words& m);

// Serves the lowest pending request and switches to its screen; sets
// `switched`.
void dispatch_meta_mission_requests(dispatcher_host& host, meta_mission_words& m, window_switch_dispatcher& state,
                                    std::uint8_t& switched);

}  // namespace hm
