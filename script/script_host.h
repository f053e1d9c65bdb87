#pragma once
// What the script engine needs of the rest of the engine, one small interface
// per neighbouring subsystem. Operations reach tables, the mission, the message
// list and the sound player only through these, so each neighbour can replace
// its null stand-in (and the tests' fakes) on its own when it is built.
//
// Ids and counts are the script's view: 32-bit ints. A neighbour that has no
// game or mission loaded answers with counts of 0, which makes every id invalid.
#include <array>
#include <cstdint>
#include <string_view>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "engine/core/timer.h"
#include "script/mission_camera.h"
#include "script/record_data.h"

namespace hm {

struct statement_block;

// Words of the game object that operations and the conversation read and
// write. The game owns them (one set per running game, saved with it); the
// script engine reaches them through script_campaign_host::game_words.
struct game_script_words {
  // The value of the repeat loop of the dialog line being tested or taken.
  std::int32_t repeat_object = 0;
  // The pending screen change, also the conversation's exit code: non-zero
  // asks the running conversation to close (18: leave the running simple
  // triggers too). The conversation window decides what each code opens.
  std::int32_t screen_change_code = 0;
  // The presentation module code asked to show as a screen (with code 15).
  std::int32_t requested_presentation = -1;
  // What some exit codes need: a troop, a party, a notes page (kind 1 troop,
  // 2 faction, 3 party, 4 quest, and the id).
  std::int32_t exit_troop = -1;
  std::int32_t exit_party = -1;
  std::int32_t notes_kind = 0;
  std::int32_t notes_id = -1;
  // Cleared when a conversation starts: the conversation flag word and the
  // game word that the menu operations set.
  std::int32_t conversation_flags = 0;
  std::int32_t menu_word = 0;
  // The player's encounter: the party met, a second party and the kind (0
  // the player met the party, 1 the party met the player).
  std::int32_t encountered_party = -1;
  std::int32_t second_encounter_party = -1;
  std::int32_t encounter_kind = 0;
  // A new game opens the module's first menu.
  std::int32_t current_menu = 0;
  // Set by the "end conversation and stay" operation; its reader is the
  // conversation window.
  std::uint8_t conversation_stay_flag = 0;
  // The answer of the last question box, -1 while none is waiting.
  std::int32_t answer = -1;
  // The game menu window's view of the current menu, which the menu's own
  // block may change while it runs: the background mesh's name ("none": no
  // background), the tableau picture (-1: none) with its object, position
  // and scale, and the flag an option's condition sets to show the option
  // disabled.
  ruv_string menu_mesh;
  std::int32_t menu_tableau = -1;
  std::int32_t menu_tableau_object = 0;
  vec3 menu_tableau_position;
  float menu_tableau_scale = 1.0f;
  std::uint8_t menu_option_disabled = 0;
  // Every logged message: "|date|colour|text" entries.
  ruv_string message_history;
  // Where the spawning operations place what they spawn.
  frame spawn_frame = frame::identity();

  // Words module code leaves for the world map and the encounter to read.
  // The radius of parties spawned near another.
  float spawn_radius = 3.0f;
  // The context menu of a party that game_context_menu_get_buttons fills.
  struct context_menu_entry {
    ruv_string text;
    std::int32_t value = 0;
  };
  static constexpr int context_menu_size = 50;
  std::array<context_menu_entry, context_menu_size> context_menu;
  std::int32_t context_menu_count = 0;
  std::uint8_t start_flag = 0;
  std::int32_t selected_party = -1;
  std::uint8_t party_selected = 0;
  std::int32_t pending_value = 0;
  std::int32_t pending_kind = 0;
  std::uint8_t value_pending = 0;
  // The wait: hours, a value, its kind (0 or 1) and the flag.
  float wait_hours = 0.0f;
  std::int32_t wait_value = 0;
  std::int32_t wait_kind = 0;
  std::uint8_t wait_flag = 0;
  // The meta mission's script step word (-32 to 5).
  std::int32_t script_step = 0;
  // The running difficulty average, its weight (seconds) and the real time
  // (seconds of clock 0) of its last update. A new game counts its first
  // rating from the moment it was made, not from the start of the program.
  float difficulty_average = 100.0f;
  float difficulty_weight = 0.0f;
  float difficulty_updated_at = static_cast<float>(static_cast<double>(clock_ticks(clock_real_time)) * 0.00001);
  // Whether parties may be attached to the player's or the encounter's
  // parties by kind.
  std::uint8_t attach_by_kind = 0;
  // A flag word that module code sets (bit 0x1) for the world map to read, and
  // a party the game keeps for it.
  std::uint32_t game_flags = 0;
  std::int32_t game_party_word = 0;
  // Two words the game keeps for module code to read (game words 3 and 4).
  std::int32_t query_word_3 = 0;
  std::int32_t query_word_4 = 0;
  // Four words mission scripts read in pairs (the first pair, then the
  // second).
  std::array<std::int32_t, 4> mission_query_words{};
  // What the next mission starts with: its scene, entry point (0 to 63), a
  // value and two flags module code sets for the mission set-up to read.
  std::int32_t next_scene = -1;
  std::int32_t next_entry_point = 0;
  std::int32_t next_mission_value = 0;
  std::uint8_t next_mission_flag_1 = 0;
  std::uint8_t next_mission_flag_2 = 0;
  // A frame module code stores for the world map.
  frame stored_frame = frame::identity();
  // The frame of the object whose trigger runs, and the light values scripts
  // give before they add a light there: its colour and its position local to
  // the object. Setting the reference frame turns the light colour white.
  frame reference_frame = frame::identity();
  vec3 light_colour{1.0f, 1.0f, 1.0f};
  vec3 light_position;
  void set_reference_frame(const frame& f) {
    reference_frame = f;
    light_colour = vec3(1.0f, 1.0f, 1.0f);
  }

  // Two words module code sets for the game to read.
  std::int32_t game_word_1 = 0;
  std::int32_t game_word_2 = 0;
  // Five texts module code fills for the game's windows; each changed byte
  // is set when its text is written and cleared by the reader that shows it.
  static constexpr int script_text_count = 5;
  std::array<ruv_string, script_text_count> script_texts;
  std::array<std::uint8_t, script_text_count> script_text_changed{};
  // The script debugger's break point: armed, the script's name (as the
  // module names it) and the statement it stops at; the source text of the
  // module's scripts the debugger shows, with the values it wrote into it.
  std::uint8_t debug_break = 0;
  ruv_string debug_break_script;
  std::int32_t debug_break_line = 0;
  ruv_string debug_source;
  std::uint8_t debug_source_loaded = 0;

  // The break point when one is armed.
  bool break_point(ruv_string& script_name, int& line) const {
    if (!debug_break) return false;
    script_name = debug_break_script;
    line = debug_break_line;
    return true;
  }
};

// Play flags bit 0: the sound plays flat, at the listener.
inline constexpr std::uint32_t sound_play_flat = 0x1;

// One troop stack of a party.
struct script_troop_stack {
  std::int32_t count = 0;
  std::int32_t troop = -1;
  std::uint32_t flags = 0;  // bit 0: prisoners
  std::int32_t wounded = 0;
};

// An item as scripts see it: a kind (-1 an empty slot) and the word whose top
// byte is the modifier and whose low bits count used shots or hit points.
struct script_item {
  std::int32_t kind = -1;
  std::uint32_t word = 0;
};

// What became of an item handed to a troop that may displace another.
enum class script_item_placement {
  placed,     // in an empty inventory entry
  displaced,  // a unique item took the entry of one that is not unique
  dropped,    // no room: the item was not unique
  no_room,    // a unique item, and every entry already holds a unique item
};

// Integer fields of a troop record that operations read and write.
enum class script_troop_word {
  experience,
  skill_points,
  attribute_points,
  weapon_points,
  faction,
  upgrade_troop_1,
  upgrade_troop_2,
  scene_placement,
};

// One of a scene's 64 entry slots: the troop placed there (-1 none), its value
// (scene_entry_no_value for none) and the count.
inline constexpr std::int32_t scene_entry_no_value = -53453;
inline constexpr int scene_entry_slot_count = 64;
struct script_scene_entry {
  std::int32_t troop = -1;
  std::int32_t value = scene_entry_no_value;
  std::int32_t count = 0;
};

// A quest's texts: its id, name and text as the module gives them, the shown
// (translated) name and text, and the text about its giver.
struct script_quest_texts {
  ruv_string id, name, text, translated_name, translated_text, giver_text;
};

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
  // The resource mesh a module mesh shows; empty out of range.
  virtual ruv_string mesh_name(int) const { return {}; }
  virtual int menu_count() const = 0;
  virtual int item_kind_count() const = 0;
  virtual int mission_template_count() const = 0;
  // Spawn records of a mission template (template already checked): their
  // count, and the flags word and item overrides scripts give them. A ninth
  // override is not taken.
  virtual int spawn_record_count(int) const { return 0; }
  virtual void set_spawn_record_flags(int, int, std::uint32_t) {}
  virtual void clear_spawn_record_overrides(int, int) {}
  virtual void add_spawn_record_override(int, int, std::int32_t) {}
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

  // The script data of a record of a kind this host owns (troop, faction,
  // scene, party template, quest, item kind); null for another kind or an id
  // out of range.
  virtual script_record_data* record_data(script_record_kind kind, int id) = 0;
  // Troop values of the queries; out of range they read 0 (name: empty).
  virtual ruv_string troop_name(int troop) const = 0;
  virtual int troop_gold(int troop) const = 0;
  virtual int troop_faction(int troop) const = 0;
  // Attributes 0..3, proficiencies 0..6.
  virtual int troop_attribute(int troop, int attribute) const = 0;
  virtual float troop_hit_points(int troop) const = 0;
  virtual int troop_max_hit_points(int troop) const = 0;
  virtual int troop_proficiency(int troop, int proficiency) const = 0;
  virtual int troop_effective_skill_level(int troop, int skill) const = 0;
  // Items of a kind in a troop's inventory and equipment (troop -1 and the
  // flag as the troop inventory defines them).
  virtual int count_troop_items(int troop, int item_kind, int flag) const = 0;

  // --- troops as the troop and inventory operations change them; every troop,
  // slot and kind is one the operation has checked ---
  virtual void set_troop_flags(int troop, std::uint64_t flags) = 0;
  // The skins the module defines (a troop's skin index lies below).
  virtual int skin_count() const = 0;
  // Hit points below the module's wounded threshold (the player's own for the
  // player's troop).
  virtual bool troop_is_wounded(int troop) const = 0;
  virtual std::int64_t troop_word(int troop, script_troop_word word) const = 0;
  virtual void set_troop_word(int troop, script_troop_word word, std::int64_t value) = 0;
  virtual void set_troop_hit_points(int troop, float hit_points) = 0;
  // Step by step within 0..63; intelligence brings skill points, strength hit
  // points.
  virtual void raise_troop_attribute(int troop, int attribute, int delta) = 0;
  // Within the skill's maximum; the hit-point skill brings hit points.
  virtual void raise_troop_skill(int troop, int skill, int delta) = 0;
  // Proficiency growth with diminishing returns, and a plain change; both
  // held to 0..1000.
  virtual void add_troop_proficiency_points(int troop, int proficiency, float points) = 0;
  virtual void raise_troop_proficiency(int troop, int proficiency, int delta) = 0;
  // Gold added, or taken (never below 0).
  virtual void add_troop_gold(int troop, std::int64_t amount) = 0;
  virtual void take_troop_gold(int troop, std::int64_t amount) = 0;
  // Items by slot number (0..9 equipment, 10 on the inventory).
  virtual script_item troop_item(int troop, int slot) const = 0;
  virtual void set_troop_item(int troop, int slot, script_item item) = 0;
  // A kind with a full amount and the modifier (when 0..42).
  virtual script_item make_item(int kind, int modifier) const = 0;
  // The item's maximum ammunition with its modifier.
  virtual int item_max_ammo(script_item item) const = 0;
  virtual void clear_troop_inventory(int troop) = 0;
  virtual void sort_troop_inventory(int troop) = 0;
  virtual void free_troop_inventory_slots(int troop, int count) = 0;
  // Random goods of an item type for the merchandise quality.
  virtual void add_troop_merchandise(int troop, int item_type, int count) = 0;
  virtual void copy_troop_merchandise(int target, int source, int percent) = 0;
  virtual void auto_equip_troop(int troop) = 0;
  // Up to count items of the kind (the inventory first, then the equipment);
  // returns their value.
  virtual std::int32_t remove_troop_items(int troop, int item_kind, int count) = 0;
  // Into the first empty inventory entry; false when there is none.
  virtual bool put_troop_item(int troop, int item_kind, int modifier) = 0;
  // As put_troop_item, but a unique kind displaces an item that is not.
  virtual script_item_placement add_troop_item(int troop, int item_kind, int modifier) = 0;

  // --- item kinds and trade ---
  virtual std::uint32_t item_kind_flags(int item_kind) const = 0;
  // The kind's name in the current language.
  virtual ruv_string item_kind_name(int item_kind) const = 0;
  virtual void set_item_stock_multiplier(int item_kind, float multiplier) = 0;
  virtual float merchandise_quality() const = 0;
  virtual void set_merchandise_quality(float quality) = 0;
  // The game's switch for the messages about the player's money and items.
  virtual bool money_and_item_messages() const = 0;

  // --- factions ---
  // Sets one direction of a relation.
  virtual void set_faction_relation(int faction_a, int faction_b, float relation) = 0;
  // The name the player sees: a name set by module code, else the translation
  // of the faction's id, else its own name.
  virtual ruv_string faction_name(int faction) const = 0;
  // Sets the name; it is no longer translated.
  virtual void set_faction_name(int faction, const ruv_string& name) = 0;
  virtual void set_faction_colour(int faction, std::uint32_t colour) = 0;

  // --- scenes ---
  virtual script_scene_entry scene_entry(int scene, int slot) const = 0;
  virtual void set_scene_entry(int scene, int slot, const script_scene_entry& entry) = 0;

  // --- quests ---
  // Flag bit 1: the quest can be given again.
  virtual std::uint32_t quest_flags(int quest) const = 0;
  virtual void set_quest_status(int quest, std::uint32_t status) = 0;
  // Records the giver and the campaign time as the quest's start.
  virtual void set_quest_giver(int quest, int troop) = 0;
  virtual script_quest_texts quest_texts(int quest) const = 0;
  // Stores the shown name and text and the giver text.
  virtual void set_quest_texts(int quest, const script_quest_texts& texts) = 0;

  // --- what the query operations read; out of range they read 0, -1 or
  // empty (a neighbour without these tables answers so too) ---
  // The troop's and the item kind's plural names in the current language.
  virtual ruv_string troop_plural_name(int) const { return {}; }
  virtual ruv_string item_kind_plural_name(int) const { return {}; }
  // The item kind's value (its base price).
  virtual int item_kind_value(int) const { return 0; }
  // The troop a quest was given by, -1 for none.
  virtual int quest_giver(int) const { return -1; }
  // Quest words 1 to 3: the whole campaign seconds the quest was given at
  // (-1 before), its run-time word, and a third word that the quest record
  // does not keep (0).
  virtual std::int32_t quest_word(int, int) const { return 0; }
  // Party template words 1 to 3: how many parties of the template were
  // made, removed, and beaten by the player.
  virtual std::int32_t party_template_word(int, int) const { return 0; }
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
  // The running game's words (a stand-in set while no game is loaded).
  virtual game_script_words& game_words() = 0;
  // Ends the running game: destroys the game object. Only called between
  // blocks, never while one runs (script/ops/end_game.h).
  virtual void destroy_game() = 0;
  // The game's calendar: the current day (note dates) and hour of the day.
  virtual int current_day() const = 0;
  virtual int current_hour() const = 0;
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
  // The whole stack; an empty stack (troop -1) out of range.
  virtual script_troop_stack party_stack(int party_id, int stack) const = 0;
  // The name the player sees: the name module code gave it, else the
  // translation of its identifier, else its own name; empty for an inactive
  // id.
  virtual ruv_string party_display_name(int party_id) const = 0;
  // The party template the party was made from, -1 for none.
  virtual int party_template_of(int party_id) const = 0;
  // The party's slots, notes and tableau material; null for an inactive id.
  virtual script_record_data* party_record_data(int party_id) = 0;
  // The party's highest level of a party skill among its able heroes.
  virtual int party_skill_level(int party_id, int skill) const = 0;
  // Members and wounded of the party together with its attached parties.
  virtual void count_party_troops_with_attached(int party_id, int& members, int& wounded) const = 0;
  // The troop count the flags word selects (16, 0x110).
  virtual int count_troops_by_flags(int party_id, int flags) const = 0;

  // --- what module code does with parties: every party id passed is an active
  // party, every troop and template valid, unless said otherwise ---
  // n > 0 troops as members or prisoners under the party's limits (the
  // player's party draws its new members' seeds); the number added.
  virtual int add_troops_to_party(int party_id, int troop, int count, bool prisoners) = 0;
  // n > 0 troops keeping at most 32 member and 32 prisoner stacks.
  virtual void add_troops_to_stacks(int party_id, int troop, int count, bool prisoners) = 0;
  // n > 0 troops out of the last stack of the troop with that prisoner state;
  // the number taken.
  virtual int remove_troops_from_party(int party_id, int troop, int count, bool prisoners, bool wounded_first) = 0;
  // A new first member stack; false (nothing changes) when the party holds
  // the most stacks it can.
  virtual bool insert_first_stack(int party_id, int troop, int count) = 0;
  // Every stack removed; the player's party keeps its first one.
  virtual void clear_party_stacks(int party_id) = 0;
  virtual void add_wounded_to_troop(int party_id, int troop, int delta) = 0;
  // Every stack of the partner party joins the host (prisoner states
  // inverted when as_prisoners), then the partner is removed.
  virtual void join_party(int partner_id, int host_id, bool as_prisoners) = 0;
  virtual void remove_party(int party_id) = 0;
  // A new party of the troop alone at (x, y), named after it, of the troop's
  // faction; its id, -1 when none was made.
  virtual int create_party_for_troop(int troop, float x, float y) = 0;
  // Party a meets party b (or the battle b stands in): a battle starts, or a
  // joins the one under way; false when refused (the player rests, a is
  // hostile to the side it would join, or b stands under a).
  virtual bool engage_party(int party_a, int party_b) = 0;
  // Every active party of the faction is marked changed, so that its map
  // colour and its relations are worked out again.
  virtual void mark_faction_parties_changed(int faction) = 0;
  // Heroes of the member stacks to full health, regular stacks unwounded.
  virtual void heal_party(int party_id) = 0;
  // The stack's identity seed (stack below the stack count, or below 32 for
  // the player's party); 0 otherwise.
  virtual int stack_seed(int party_id, int stack) const = 0;
  // A stack index below the stack count.
  virtual void add_xp_to_stack(int party_id, int stack, int experience) = 0;
  virtual void give_party_xp_and_upgrade(int party_id, float experience, int path) = 0;
  virtual void share_party_xp(int party_id, float experience) = 0;
  // recorder: an active party other than the player's, or -1.
  virtual void inflict_casualties(int party_id, int count, int recorder) = 0;
  virtual void distribute_party_members(int source_id, int party_id) = 0;
  virtual void copy_party_members(int source_id, int party_id) = 0;
  virtual void add_template_members(int party_id, int party_template, bool as_prisoners) = 0;
  // A new party of the template near (x, y); its id, -1 when none was made.
  virtual int spawn_party_near(int party_template, float x, float y, float radius) = 0;
  // Attaches (false when refused: a cycle or the party itself), detaches,
  // attaches by kind (0 the player's party, 1 and 2 the encounter's parties).
  virtual bool attach_party(int party_id, int host_id) = 0;
  virtual void detach_party(int party_id) = 0;
  virtual void attach_party_by_kind(int party_id, int kind) = 0;
  virtual void leave_battle(int party_id) = 0;
  // The other side of the battle the party's attachment root is in; -1 when
  // none.
  virtual int battle_opponent(int party_id) const = 0;
  // The value module code keeps on the battle the party is in (nothing when
  // it is in none).
  virtual void set_battle_value(int party_id, float value) = 0;

  // Party fields. The flags: map icon in the low byte; rebuild makes the map
  // entity anew.
  virtual void set_party_flags(int party_id, std::uint64_t flags, bool rebuild_entity) = 0;
  virtual void set_party_second_icon(int party_id, int icon) = 0;
  virtual void set_party_faction(int party_id, int faction) = 0;
  // The name module code gives a party (it is then not translated).
  virtual void set_party_name(int party_id, const ruv_string& name) = 0;
  virtual void set_party_text(int party_id, const ruv_string& text) = 0;
  virtual int party_terrain(int party_id) const = 0;
  // Moves the party to (x, y) on the map; false (it stays) off the map.
  virtual bool set_party_position(int party_id, float x, float y) = 0;
  // A reachable point near (x, y) within the radius, the party placed there.
  virtual void place_party_near(int party_id, float x, float y, float radius) = 0;
  virtual vec3 random_reachable_map_point(float x, float y, float radius) const = 0;
  // A point within the radius on water-side or land terrain; false (out the
  // last candidate) when none was found.
  virtual bool random_map_point_of_terrain(float x, float y, float radius, bool water, vec3& out) const = 0;
  // The AI's fields: the behaviour module code sets (an AI mode 7 or 8 is
  // dropped with it), its target party, point and value; the AI mode.
  virtual void set_party_ai_behaviour(int party_id, int behaviour) = 0;
  virtual void set_party_ai_target_party(int party_id, int target) = 0;
  virtual void set_party_ai_target_position(int party_id, float x, float y) = 0;
  virtual void set_party_ai_value(int party_id, float value) = 0;
  virtual void set_party_ai_mode(int party_id, int mode) = 0;
  // The party is not attacked for this many hours.
  virtual void set_party_attack_delay(int party_id, float hours) = 0;
  // The party's two shares, 0 to 1, that module code reads and sets in
  // percent: which 0 its morale, 1 its hunger.
  virtual float party_share(int party_id, int which) const = 0;
  virtual void set_party_share(int party_id, int which, float share) = 0;
  // The second share and the value kept after it, copied from one party to
  // another.
  virtual void copy_second_share(int from_party, int to_party) = 0;
  // Particle systems on the party's map entity; false when it has none.
  virtual bool add_party_particle_system(int party_id, int kind) = 0;
  virtual void clear_party_particle_systems(int party_id) = 0;

  // --- the game's own words of the campaign ---
  // The share bounds (percent) of a template entry's range that new parties
  // get.
  virtual void set_party_strength_bounds(float lo, float hi) = 0;
  // Experience for a troop (0 to 29,999 at once), with its level-ups.
  virtual void add_troop_experience(int troop, int experience) = 0;
  // Item kinds' trade factor; kind -1 every kind, a type (>= 0) every kind
  // of that type.
  virtual void set_item_kind_factor(int kind, float factor) = 0;
  virtual void set_item_type_factor(int type, float factor) = 0;

  // --- what the query operations read of a party; 0 for an inactive id ---
  // Party words 1 to 5: 1 the behaviour module code set, 2 its target party,
  // 4 the AI mode, 5 the AI's target; word pair 3 is the target point module
  // code set (x, y; z 0).
  virtual std::int32_t party_word(int, int) const { return 0; }
  virtual vec3 party_target_point(int) const { return {}; }
};

// Numbers of the mission words script_mission_host::mission_word reads.
inline constexpr int mission_word_mode = 0;
inline constexpr int mission_word_sub_mode = 1;
inline constexpr int mission_word_value_5 = 5;
inline constexpr int mission_word_value_6 = 6;

// A class group of every class of a team.
inline constexpr int script_all_classes = 3;

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
  // The agent's slots; null for an agent not in use.
  virtual slot_vector* agent_slots(int agent) = 0;
  // The troop of an agent in use, -1 otherwise.
  virtual int agent_troop(int agent) const = 0;
  // The mission value that the mission's statistics operation reads.
  virtual int mission_value() const = 0;
  // Where the object of a scene-prop (-40, -42, -43) or agent (-50, -51)
  // event trigger is; false in any other context or without a mission.
  virtual bool event_object_position(int context, vec3& out) const = 0;
  // The ground height at (x, y) when the point lies in the mission scene's
  // rectangle (min <= x < max, likewise y); false otherwise.
  virtual bool ground_height_in_scene(float x, float y, float& out) const = 0;
  // The player's agent, -1 when the mission has none (or there is no mission).
  virtual int player_agent() const = 0;
  // State word of an agent in use (1 alive), its team (0 to 7).
  virtual int agent_state(int agent) const = 0;
  virtual int agent_team(int agent) const = 0;
  // Members still in a team, and the relation of two teams (-1 hostile).
  virtual int team_member_count(int team) const = 0;
  virtual int team_relation(int team_a, int team_b) const = 0;
  // Seconds of the mission clock since the mission's reference time.
  virtual float seconds_since_reference() const = 0;
  // An agent's hit points back to its maximum.
  virtual void heal_agent(int agent) = 0;
  // Whether a mission is set up (its spawn records exist).
  virtual bool has_mission() const = 0;
  // Every spawn record of the mission template is tried again by the
  // reinforcement check.
  virtual void clear_spawn_flags() = 0;
  // The mission counts the agents a spawn group at an entry slot will bring.
  virtual void count_spawn_group_agents(int slot, int count) = 0;

  // --- the mission's statistics (no mission: no agents, timers at 0) ---
  // The horse item kind an agent rides as (an agent without troop), -1 none.
  virtual int agent_horse_item(int) const { return -1; }
  // Seconds elapsed on the mission's script timer 0, 1 or 2, and its restart.
  virtual float script_timer_seconds(int) const { return 0.0f; }
  virtual void restart_script_timer(int) {}
  // The mission's strength word and the factor the side strengths are
  // divided by for a strength word signed by the relation of the player's
  // team towards the side.
  virtual int strength_word() const { return 0; }
  virtual float strength_factor(int) const { return 1.0f; }
  // Which side the player fights on (0 or 1; anything else: the meta
  // mission's battle flag decides).
  virtual int player_side_word() const { return -1; }
  virtual int battle_flag_word() const { return 0; }

  // --- agents as mission scripts read and steer them ---
  // Every agent argument below is an agent that validate_agent_id accepted.
  // Integer words of an agent, read by agent_word and (where scripts may set
  // them) written by set_agent_word.
  enum class agent_field {
    kind,           // 0 human, 1 horse
    mount,          // agent index, -1 none
    rider,          // agent index, -1 none
    troop,
    troop_word,     // the word after the troop
    origin_word,
    read_word,      // a word scripts only read
    paired_word_0,  // the two words read together
    paired_word_1,
    ai_mode,
    script_value,   // a further word scripts read
    script_word_1,  // three words scripts set
    script_word_2,
    script_word_3,
    order_class,    // 0 foot, 1 the troop-flag class, 2 mounted
    team,           // 0..7 (7 for a team word outside that range)
  };
  virtual std::int32_t agent_word(int, agent_field) const { return 0; }
  virtual void set_agent_word(int, agent_field, std::int32_t) {}
  // The agent's position (on its look direction when the agent has a scene
  // entity, else identity axes), or the frame of its scene entity.
  virtual frame agent_position_frame(int, bool /*entity_frame*/) const { return frame::identity(); }
  // Puts the agent at a point and updates its scene placement.
  virtual void move_agent(int, const vec3&) {}
  virtual float agent_hit_points(int) const { return 0.0f; }
  virtual float agent_max_hit_points(int) const { return 0.0f; }
  virtual void set_agent_hit_points(int, float) {}
  // A blow from the attacker's best wielded damage, applied at once; nothing
  // unless the victim is alive.
  virtual void deliver_scripted_blow(int /*attacker*/, int /*victim*/) {}
  // The item kind wielded in hand 0 or 1 (-1 none).
  virtual int wielded_item_kind(int, int) const { return -1; }
  virtual int remaining_ammo(int) const { return 0; }
  virtual void refill_agent_ammo(int, int) {}
  // Whether one of the ten equipment slots holds the item kind.
  virtual bool agent_has_item(int, std::int64_t) const { return false; }
  // The scripted destination: set (the agent then goes there at once), read,
  // dropped.
  virtual void set_scripted_destination(int, const frame&) {}
  virtual frame scripted_destination(int) const { return frame::identity(); }
  virtual void clear_scripted_destination(int) {}
  // Metres per second.
  virtual void set_speed_limit(int, float) {}
  // An action on animation channel 0, and the progress of the first channel.
  virtual void set_agent_action(int, int) {}
  virtual void set_animation_progress(int, float) {}
  virtual void play_agent_voice(int, int) {}
  // Moves the agent to a team (0..7; other values keep its team), then makes
  // it the leader of its team when that has none.
  virtual void set_agent_team(int, std::int64_t) {}

  // --- teams and their battle orders: teams are 0..7; a class group is one
  // class 0..2 or script_all_classes ---
  enum class order_field { movement, riding, weapons, firing };
  // The value of the first selected class among `group` after selecting it;
  // -1 when none or when the value is outside its set. The selection is kept.
  virtual std::int32_t class_order(int, int, order_field) const { return -1; }
  virtual bool class_selected(int, int) const { return false; }
  virtual void select_classes(int, int) {}
  // Gives an order (0..13) to the classes of `group` (-1: the classes already
  // selected), with the order message when the player is in the team.
  virtual void give_order(int, int, int) {}
  // Hold positions of the selected classes among `group`: set (when the point
  // lies in the scene) and read (zero when none is selected).
  virtual void set_hold_position(int, int, const vec3&) {}
  virtual vec3 hold_position(int, int) const { return {}; }
  virtual int team_leader(int) const { return -1; }
  virtual void set_team_leader(int, int) {}
  virtual void set_team_relation(int, int, int) {}
  // Entry point 0..63's frame; false without a mission.
  virtual bool entry_point_frame(int, frame&) const { return false; }
  // The scene rectangle's corners (x, y; z 0).
  virtual void scene_rectangle(vec3& low, vec3& high) const { low = high = vec3(); }
  // Whether the point lies in the ground area (min <= x < max, likewise y).
  virtual bool in_ground_area(float, float) const { return false; }
  // The mission values scripts set: the first two (and the third it implies),
  // and the others by number.
  virtual void set_battle_values(std::int64_t, std::int64_t) {}
  // Words by number: mission_word_mode and mission_word_sub_mode, and the
  // values 5 and 6 that scripts set.
  virtual void set_mission_word(int, std::int32_t) {}
  virtual std::int32_t mission_word(int) const { return 0; }
  // Starts the mission's countdown of `seconds`.
  virtual void start_countdown(float) {}
  // The last live agent of a troop, -1 none.
  virtual int last_live_agent_of_troop(int) const { return -1; }

  // --- scene-prop instances (ids already checked) ---
  // Instances in use of a scene-prop kind, and the n-th of them (-1 none).
  virtual int count_prop_instances(int) const { return 0; }
  virtual int nth_prop_instance(int, int) const { return -1; }
  // 0 the current frame, 1 the placement frame, 2 identity with the scale on
  // the diagonal.
  virtual frame prop_instance_frame(int, int) const { return frame::identity(); }
  virtual void set_prop_instance_frame(int, const frame&) {}
  virtual void start_prop_move(int, const frame&, float) {}
  // Every instance in use whose kind name is kind a's name becomes kind b.
  virtual void replace_prop_kind(int, int) {}

  // --- lights and spawning ---
  // A point light of the mission's scene at a point, in a colour, with the
  // flicker's magnitude and interval.
  virtual void add_scene_light(const vec3&, const vec3&, float, float) {}
  // Brings the agents of a spawn record of the mission's template
  // (unchecked: a bad record is reported on the message list).
  virtual void add_reinforcements(int, int) {}
  // A new agent of a troop, or a horse of an item kind (with a modifier,
  // -1 none), at a frame; the agent's id, -1 when none was made.
  virtual int spawn_agent_at(int, const frame&) { return -1; }
  virtual int spawn_horse_at(int, int, const frame&) { return -1; }

  // A particle system of a kind on the object whose trigger runs (context
  // -40, -42, -43 a scene-prop instance, -50, -51 an agent's item at its
  // bone), at a point local to it; nothing for any other context.
  virtual void add_trigger_particle_system(int /*context*/, int /*kind*/, const vec3& /*local*/) {}
  // Restarts the trigger object's particle system of a kind with a number of
  // emissions; nothing when it has none.
  virtual void restart_trigger_particle_system(int /*context*/, int /*kind*/, int /*emissions*/) {}
  // A particle system of a kind in the mission's scene at a frame, with a
  // strength value (100 the kind's own).
  virtual void add_mission_particle_system(int /*kind*/, const frame& /*where*/, int /*value*/) {}
  // An item of a kind (modifier 0..42, -1 none), with its full amount, lying
  // at a frame: its scene-prop instance, -1 when none was made.
  virtual int spawn_item_at(int /*item_kind*/, int /*modifier*/, const frame& /*where*/) { return -1; }

  // --- the camera scripts steer; null without a mission ---
  virtual script_camera* scripted_camera() { return nullptr; }

  // --- the mission's scene ---
  // The fog module code sets: the mission keeps the distance, and its scene
  // (when it has one) is fogged from 1 to the distance (scene_world's
  // set_fog_range) in the colour, or in its skybox's fog colour when
  // skybox_colour is set. Called only while has_mission().
  virtual void set_fog(float, bool, std::uint32_t) {}
};

// The widgets module code makes for the running presentation.
enum class presentation_widget_kind : std::uint8_t {
  text,           // a text (flags a)
  mesh,           // module mesh a
  text_button,    // a text button (flags a)
  image_button,   // module meshes a (up) and b (down)
  slider,         // range a to b
  progress_bar,   // range a to b
  combobox,
  text_box,
  check_box,      // module meshes a and b, toggling
  medium_button,  // a text
};

// The properties module code sets (or animates) on a presentation widget.
enum class presentation_property : std::uint8_t {
  text,
  colour,            // low 24 bits; the alpha byte kept
  alpha,             // the low byte
  highlight_colour,  // low 24 bits
  highlight_alpha,   // the low byte
  size,              // x, y
  position,          // x, y
  value,
  scroll,            // x, y
  range,             // value to value_2 (sliders and progress bars)
  second_text,       // the text shown while the mouse is over it (text widgets)
};

// Windows and the on-screen message list.
class script_ui_host {
 public:
  virtual ~script_ui_host() = default;
  // Adds a line to the on-screen message list; colour is ARGB.
  virtual void add_message_line(std::string_view text, std::uint32_t colour) = 0;
  // Queues a message for the message list's next free moment; the queue drops
  // it when full.
  virtual void post_pending_message(std::string_view text, std::uint32_t colour) = 0;
  // The window on top of the window stack, -1 when the stack is empty.
  virtual int top_window() const = 0;
  virtual void push_window(int window) = 0;
  // The mouse in UI space (x, y; z 0).
  virtual vec3 mouse_position() const = 0;
  // The message list's flag that module code switches.
  virtual void set_message_list_flag(bool on) = 0;
  // The UI manager's message text.
  virtual void set_message_text(std::string_view text, std::uint32_t colour) = 0;
  // The message box (window 0) in its two forms; push_window(0) shows it. A
  // question's answer (0 first button, 1 second) goes to answer_target.
  virtual void set_notice(const ruv_string& title, const ruv_string& text) = 0;
  virtual void set_question(const ruv_string& text, const ruv_string& first_answer, const ruv_string& second_answer,
                            std::int32_t* answer_target) = 0;
  // Ending a game: every window entry back to its start, then a window.
  virtual void reset_window_entries() = 0;
  virtual void set_window(int window) = 0;

  // --- the running presentation; without one nothing happens ---
  // The presentation shown over the mission screen.
  virtual void set_mission_presentation(int /*presentation*/) {}
  // How long the timed windows show the running presentation.
  virtual void set_presentation_duration(float /*seconds*/) {}
  // A new widget's id, -1 without a running presentation. The text is
  // already formatted.
  virtual std::int32_t create_presentation_widget(presentation_widget_kind /*kind*/, const ruv_string& /*text*/,
                                                  std::int64_t /*a*/, std::int64_t /*b*/) {
    return -1;
  }
  // Sets a widget's property now (seconds 0) or animates it there over the
  // seconds; an id the presentation lacks is ignored.
  virtual void set_presentation_property(presentation_property /*property*/, std::int64_t /*widget*/,
                                         const ruv_string& /*text*/, std::int64_t /*value*/, float /*x*/,
                                         float /*y*/, float /*seconds*/) {}
  // Sets a property that takes two values (the range); an id the
  // presentation lacks is ignored.
  virtual void set_presentation_values(presentation_property /*property*/, std::int64_t /*widget*/,
                                       std::int64_t /*value*/, std::int64_t /*value_2*/) {}
  // Places and turns the widget's meshes by a whole frame.
  virtual void set_presentation_widget_frame(std::int64_t /*widget*/, const frame& /*f*/) {}
  // A new image button (button) or picture showing tableau `tableau` drawn for
  // `object`, on module mesh `mesh` or, for -1, on a quad of the tableau's
  // own size; its id, or -1 when none was made.
  virtual std::int32_t create_presentation_tableau_widget(bool /*button*/, int /*mesh*/, int /*tableau*/,
                                                          std::int64_t /*object*/) {
    return -1;
  }
};

// What the tableau operations set on the tableau scene being drawn, read by
// the tableau renderer once the material's block has run.
struct tableau_scene_values {
  static constexpr int list_capacity = 80;
  // The clear colour's word (0xAARRGGBB; 0: a transparent background).
  std::int32_t background = 0;
  // Replaces the clear colour's red, green and blue (0..1 each) when set.
  vec3 background_colour;
  bool background_colour_set = false;
  // The camera's frame (its third axis points back at the viewer).
  frame camera_frame = frame::identity();
  bool camera_frame_set = false;
  // The projection: orthographic or perspective, then the view window's
  // width and height (at the near distance in perspective), near and far.
  bool orthographic = true;
  float projection[4] = {0.0f, 0.0f, 0.0f, 0.0f};
  bool projection_set = false;
  std::int32_t value = 0;
  std::int32_t list_count = 0;
  std::array<std::int32_t, list_capacity> list{};
};

// A posed figure for a tableau: a troop's (troop 0 or more) or a horse item's
// (troop -1, horse_item its item kind).
struct tableau_figure_request {
  std::int32_t troop = -1;
  std::int32_t horse_item = -1;
  std::int32_t animation = -1;
  // The animation's time, -1 for its start.
  std::int64_t time = -1;
  frame placement = frame::identity();
};

// Scene rendering: tableau materials and the tableau scene being drawn. The
// scene-filling calls do nothing while no tableau is being drawn.
class script_render_host {
 public:
  virtual ~script_render_host() = default;
  virtual int tableau_count() const = 0;
  // The values of the scene on top of the tableau scene stack; null when no
  // tableau is being drawn.
  virtual tableau_scene_values* current_tableau_scene() { return nullptr; }
  // The tableau manager's flag word becomes 1.
  virtual void set_tableau_flag() {}
  // Tableau `tableau` drawn for `object`, placed and scaled.
  virtual void add_tableau_mesh(int /*tableau*/, std::int64_t /*object*/, const frame& /*placement*/,
                                const vec3& /*scale*/) {}
  // Module mesh `mesh`, placed and scaled; alpha below 0.99 sets its vertices'
  // alpha, a colour other than -1 their colour (0xAARRGGBB).
  virtual void add_tableau_module_mesh(int /*mesh*/, const frame& /*placement*/, const vec3& /*scale*/,
                                       float /*alpha*/, std::int64_t /*colour*/) {}
  virtual void add_tableau_map_icon(int /*icon*/, const frame& /*placement*/, float /*scale*/) {}
  virtual void add_tableau_figure(const tableau_figure_request& /*figure*/) {}
  // A light of colour (r, g, b): directional along the placement's forward
  // axis, or a point light at the placement's origin less 1000 times it.
  virtual void add_tableau_light(bool /*point*/, const frame& /*placement*/, const vec3& /*colour*/) {}
  // Puts the instance of (tableau, object) on the meshes of the object whose
  // trigger runs with that event code (-50 an item's visual, -40 a scene-prop
  // instance, -70 a map icon); nothing without such an object.
  virtual void put_tableau_on_trigger_object(std::int32_t /*event_code*/, int /*tableau*/,
                                             std::int64_t /*object*/) {}
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
  // A module sound: flags bit 0 plays it flat (at the listener), otherwise at
  // position.
  virtual void play_sound(int sound, std::uint32_t flags, const vec3& position) = 0;
  virtual void stop_all_sounds() = 0;
  // The module's sound mapped to an engine sound slot, flat at the listener.
  virtual void play_engine_sound(int slot) = 0;
  // Keys by key code (0 to 255): down now; down now and up in the previous
  // frame.
  virtual bool is_key_down(int key_code) const = 0;
  virtual bool is_key_clicked(int key_code) const = 0;
  // Key code `which` (0 or 1) bound to a game control (0 to 36); -1 for none.
  virtual int control_key(int control, int which) const = 0;
  // Expands the inside of one "{...}" token of a module text (register values,
  // string registers, the player's name...).
  virtual ruv_string expand_text_tokens(const ruv_string& token) = 0;
  // Appends that expansion to out; an expander that can write straight into
  // out saves the strings in between.
  virtual void append_expanded_token(std::string_view token, ruv_string& out) {
    out.append(expand_text_tokens(ruv_string(token)));
  }
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
