#pragma once
// What the script engine needs of the rest of the engine, one small interface
// per neighbouring subsystem. Operations reach tables, the mission, the message
// list and the sound player only through these, so each neighbour can replace
// its null stand-in (and the tests' fakes) on its own when it is built.
//
// Ids and counts are the script's view: 32-bit ints. A neighbour that has no
// game or mission loaded answers with counts of 0, which makes every id invalid.
#include <cstdint>
#include <string_view>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

struct statement_block;

// Module data and the game object's world tables (module loaders and the game
// database).
class script_module_host {
 public:
  virtual ~script_module_host() = default;
  // Module scripts: run_script calls them by number.
  virtual int script_count() const = 0;
  // The script's block; null when the number is out of range.
  virtual statement_block* script_block(int script) = 0;
  virtual int presentation_count() const = 0;
  virtual int module_string_count() const = 0;
  virtual int quick_string_count() const = 0;
  virtual int mesh_count() const = 0;
  virtual int menu_count() const = 0;
  virtual int item_kind_count() const = 0;
  virtual int mission_template_count() const = 0;
  virtual int party_template_count() const = 0;
  virtual int map_icon_count() const = 0;
  virtual int particle_system_count() const = 0;
  virtual int scene_prop_kind_count() const = 0;
  virtual int sound_count() const = 0;
  virtual int music_track_count() const = 0;
  // Actions of actions.txt.
  virtual int animation_count() const = 0;
  // The running game's world tables; 0 while no game is loaded.
  virtual int troop_count() const = 0;
  virtual int faction_count() const = 0;
  virtual int quest_count() const = 0;
  virtual int scene_count() const = 0;

  // The script's name as the module defines it (what the debugger and the game
  // hooks compare); empty when the number is out of range.
  virtual ruv_string script_name(int script) const = 0;

  // Troops. Out-of-range troops read 0 (flags, level, placement) or -1 (items).
  // Flag 0x10 marks a hero.
  virtual std::uint64_t troop_flags(int troop) const = 0;
  virtual int troop_level(int troop) const = 0;
  // The placement field: 0 or more once the troop has a place.
  virtual int troop_placement(int troop) const = 0;
  // Inventory slots numbered as scripts number them: 0 to 9 the equipment
  // slots, 10 on the inventory. An empty slot holds -1.
  virtual int troop_inventory_slot_count(int troop) const = 0;
  virtual int troop_inventory_item(int troop, int slot) const = 0;

  // The quest's status word; 0 out of range.
  virtual std::uint32_t quest_status(int quest) const = 0;
  // Relation of faction a towards faction b (-1 to 1); 0 out of range.
  virtual float faction_relation(int faction_a, int faction_b) const = 0;

  // Module strings and quick strings: each a text and its translation key.
  // Out of range they read empty.
  virtual ruv_string module_string_text(int index) const = 0;
  virtual ruv_string module_string_key(int index) const = 0;
  virtual ruv_string quick_string_text(int index) const = 0;
  virtual ruv_string quick_string_key(int index) const = 0;
  // The translation table of the current language: the text of a key, false
  // when the table has none.
  virtual bool find_translation(std::string_view key, ruv_string& out) const = 0;
};

// The party pool of the world map.
class script_campaign_host {
 public:
  virtual ~script_campaign_host() = default;
  // One past the largest id the pool hands out.
  virtual int party_end_id() const = 0;
  // Slot of the party with this id, -1 when the pool has none.
  virtual int find_party_slot(int party_id) const = 0;
  // State word of the party in a slot (1 active).
  virtual int party_slot_state(int slot) const = 0;
  // Loop order over active parties: the first active party's id, then the next
  // after an id; party_end_id() when there is none.
  virtual int first_active_party() const = 0;
  virtual int next_active_party(int party_id) const = 0;
  // Parties attached to a valid party, in the party's order.
  virtual int attached_party_count(int party_id) const = 0;
  virtual int attached_party(int party_id, int position) const = 0;

  // --- the game object ---
  // -1 while no game is loaded.
  virtual int player_party() const = 0;
  virtual int player_troop() const = 0;
  virtual void set_player_troop(int troop) = 0;
  // The option index last chosen in a conversation.
  virtual int last_dialog_option() const = 0;
  // Non-zero while the player's encounter is running.
  virtual int player_encounter_flag() const = 0;
  // The two campaign rates (0 rate A, 1 rate B), each 0 to 1.
  virtual float campaign_rate(int which) const = 0;
  virtual void set_campaign_rate(int which, float value) = 0;
  // The pending screen-change code (18: leave the running simple triggers).
  virtual int screen_change_code() const = 0;
  // The script debugger's break point: true with the script's name and line
  // when one is armed.
  virtual bool debug_break(ruv_string& script_name, int& line) const = 0;
  // The rating-reduction word of the difficulty rating.
  virtual bool rating_reduction() const = 0;

  // --- parties, by id; an id without an active party reads 0 or -1 ---
  virtual std::uint64_t party_flags(int party_id) const = 0;
  virtual int party_ai_mode(int party_id) const = 0;
  virtual int party_ai_target(int party_id) const = 0;
  // Position on the world map (x, y; z unused) and the map radius that
  // proximity tests scale.
  virtual vec3 party_map_position(int party_id) const = 0;
  virtual float party_map_radius(int party_id) const = 0;
  virtual int party_faction(int party_id) const = 0;
  // The party this one is attached to, -1 for none.
  virtual int party_attached_to(int party_id) const = 0;
  virtual int party_member_count(int party_id) const = 0;
  virtual int party_prisoner_count(int party_id) const = 0;
  // The limits (the module's hooks answer them when it defines them).
  virtual int party_companion_limit(int party_id) const = 0;
  virtual int party_prisoner_limit(int party_id) const = 0;
  virtual int party_stack_count(int party_id) const = 0;
  virtual int party_stack_troop(int party_id, int stack) const = 0;
  // The party's highest level of a party skill among its able heroes.
  virtual int party_skill_level(int party_id, int skill) const = 0;
  // Members and wounded of the party together with its attached parties.
  virtual void count_party_troops_with_attached(int party_id, int& members, int& wounded) const = 0;
  // The troop count the flags word selects (16, 0x110).
  virtual int count_troops_by_flags(int party_id, int flags) const = 0;
};

// The mission object: agents and scene-prop instances.
class script_mission_host {
 public:
  virtual ~script_mission_host() = default;
  virtual int agent_slot_count() const = 0;
  virtual bool agent_slot_in_use(int agent) const = 0;
  // Loop order over live agents: the first live agent's index, then the next
  // after an index; agent_slot_count() when there is none.
  virtual int first_live_agent() const = 0;
  virtual int next_live_agent(int agent) const = 0;
  virtual int scene_prop_instance_count() const = 0;
};

// Windows and the on-screen message list.
class script_ui_host {
 public:
  virtual ~script_ui_host() = default;
  // Adds a line to the on-screen message list; colour is ARGB.
  virtual void add_message_line(std::string_view text, std::uint32_t colour) = 0;
  // The window on top of the window stack, -1 when the stack is empty.
  virtual int top_window() const = 0;
  virtual void push_window(int window) = 0;
  // The mouse in UI space (x, y; z 0).
  virtual vec3 mouse_position() const = 0;
  // The running conversation: its partner party (-1 for none) and whether it
  // was started from the world map.
  virtual int conversation_partner_party() const = 0;
  virtual bool conversation_on_map() const = 0;
};

// Scene rendering: tableau materials.
class script_render_host {
 public:
  virtual ~script_render_host() = default;
  virtual int tableau_count() const = 0;
};

// Engine foundation: the log, engine settings, clocks, sound, text tokens.
class script_engine_host {
 public:
  virtual ~script_engine_host() = default;
  // Writes one line to the engine log.
  virtual void log_line(std::string_view text) = 0;
  // Engine settings of ruv_config.txt that the script engine reads.
  virtual bool enable_edit_mode() const = 0;
  virtual bool disable_sound() const = 0;
  virtual bool disable_music() const = 0;
  // Ticks (1e-5 s) of a clock of the clock table.
  virtual std::int64_t clock_ticks(int clock) const = 0;
  virtual void play_sound(int sound, int flags) = 0;
  virtual void stop_all_sounds() = 0;
  // Keys by key code (0 to 255): down now; down now and up in the previous
  // frame.
  virtual bool is_key_down(int key_code) const = 0;
  virtual bool is_key_clicked(int key_code) const = 0;
  // Key code `which` (0 or 1) bound to a game control (0 to 36); -1 for none.
  virtual int control_key(int control, int which) const = 0;
  // Expands the inside of one "{...}" token of a module text (register values,
  // string registers, the player's name...).
  virtual ruv_string expand_text_tokens(const ruv_string& token) = 0;
};

// The set of neighbours the script engine talks to. Every member is non-null:
// set_script_host fills any null member with a null stand-in.
struct script_host {
  script_module_host* module = nullptr;
  script_campaign_host* campaign = nullptr;
  script_mission_host* mission = nullptr;
  script_ui_host* ui = nullptr;
  script_render_host* render = nullptr;
  script_engine_host* engine = nullptr;
};

namespace detail {
extern script_host g_current_script_host;
}

// The current neighbours. Before any set_script_host, the engine member writes
// to the engine log and reads the engine settings, and every other member is a
// null stand-in (empty tables, no windows, messages dropped).
inline const script_host& current_script_host() { return detail::g_current_script_host; }
// Replaces the neighbours; null members get the stand-ins. Returns the old set.
script_host set_script_host(const script_host& host);

}  // namespace hm
