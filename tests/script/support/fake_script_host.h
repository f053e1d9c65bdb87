#pragma once
// Fakes of the script engine's neighbours and a small kit to build blocks.
// A fake_script_host installs itself for its lifetime, clears the script state
// and the interpreter globals, and records every message and log line.
#include <cstdint>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "script/operand.h"
#include "script/operation.h"
#include "script/script_host.h"

namespace hm::test {

class fake_module final : public script_module_host {
 public:
  std::vector<statement_block> scripts;
  int presentations = 0, module_strings = 0, quick_strings = 0, meshes = 0, menus = 0, item_kinds = 0,
      mission_templates = 0, party_templates = 0, map_icons = 0, particle_systems = 0, scene_prop_kinds = 0,
      sounds = 0, music_tracks = 0, animations = 0, troops = 0, factions = 0, quests = 0, scenes = 0;

  int script_count() const override { return static_cast<int>(scripts.size()); }
  statement_block* script_block(int script) override;
  int presentation_count() const override { return presentations; }
  int module_string_count() const override { return module_strings; }
  int quick_string_count() const override { return quick_strings; }
  int mesh_count() const override { return meshes; }
  // Mesh i is named "mesh<i>".
  ruv_string mesh_name(int mesh) const override { return ruv_string("mesh" + std::to_string(mesh)); }
  int menu_count() const override { return menus; }
  int item_kind_count() const override { return item_kinds; }
  int mission_template_count() const override { return mission_templates; }
  int party_template_count() const override { return party_templates; }
  int map_icon_count() const override { return map_icons; }
  int particle_system_count() const override { return particle_systems; }
  int scene_prop_kind_count() const override { return scene_prop_kinds; }
  int sound_count() const override { return sounds; }
  int music_track_count() const override { return music_tracks; }
  int animation_count() const override { return animations; }
  int troop_count() const override { return troops; }
  int faction_count() const override { return factions; }
  int quest_count() const override { return quests; }
  int scene_count() const override { return scenes; }

  // Game-state tables, by id; ids missing from a table read as the null host.
  struct troop_record {
    std::uint64_t flags = 0;
    int level = 1;
    int placement = -1;
    std::vector<int> inventory;  // slot 0.. as scripts number them
  };
  // What the troop queries read, by troop id.
  struct troop_stats {
    std::string name;
    int gold = 0, faction = 0;
    int attributes[4] = {};
    float hit_points = 0.0f;
    int max_hit_points = 0;
    int proficiencies[7] = {};
    std::map<int, int> skills;
    std::string plural;
  };
  std::map<int, troop_stats> troop_stat_records;
  std::map<int, troop_record> troop_records;
  std::map<int, std::uint32_t> quest_status_words;
  std::map<std::pair<int, int>, float> relations;
  std::vector<std::string> script_names;
  struct string_record {
    std::string key;
    std::string text;
  };
  std::vector<string_record> module_string_records, quick_string_records;
  std::map<std::string, std::string> translations;

  ruv_string script_name(int script) const override;
  std::uint64_t troop_flags(int troop) const override;
  int troop_level(int troop) const override;
  int troop_placement(int troop) const override;
  int troop_inventory_slot_count(int troop) const override;
  int troop_inventory_item(int troop, int slot) const override;
  std::uint32_t quest_status(int quest) const override;
  float faction_relation(int faction_a, int faction_b) const override;
  ruv_string module_string_text(int index) const override;
  ruv_string module_string_key(int index) const override;
  ruv_string quick_string_text(int index) const override;
  ruv_string quick_string_key(int index) const override;
  bool find_translation(std::string_view key, ruv_string& out) const override;

  // Script data of every record below its kind's count, made on first use.
  std::map<std::pair<int, int>, script_record_data> record_datas;
  script_record_data* record_data(script_record_kind kind, int id) override;
  ruv_string troop_name(int troop) const override;
  int troop_gold(int troop) const override;
  int troop_faction(int troop) const override;
  int troop_attribute(int troop, int attribute) const override;
  float troop_hit_points(int troop) const override;
  int troop_max_hit_points(int troop) const override;
  int troop_proficiency(int troop, int proficiency) const override;
  int troop_effective_skill_level(int troop, int skill) const override;
  // Inventory entries of the kind.
  int count_troop_items(int troop, int item_kind, int flag) const override;

  // The troop, item, faction, scene and quest changes asked for, one line each
  // in the form "name arg arg ..." (floats with two decimals).
  std::vector<std::string> calls;
  // Item words by (troop, slot); kinds come from the troop's inventory list.
  std::map<std::pair<int, int>, std::uint32_t> item_words;
  std::map<std::pair<int, int>, script_scene_entry> scene_entries;
  std::map<int, std::uint32_t> quest_flag_words;
  std::map<int, script_quest_texts> quest_text_records;
  std::map<int, std::uint32_t> item_flag_words;
  int skins = 0, max_ammo = 0;
  float quality = 1.0f;
  bool money_messages = true;
  script_item_placement placement = script_item_placement::placed;

  void set_troop_flags(int troop, std::uint64_t flags) override;
  int skin_count() const override { return skins; }
  bool troop_is_wounded(int troop) const override;
  std::int64_t troop_word(int troop, script_troop_word word) const override;
  void set_troop_word(int troop, script_troop_word word, std::int64_t value) override;
  void set_troop_hit_points(int troop, float hit_points) override;
  void raise_troop_attribute(int troop, int attribute, int delta) override;
  void raise_troop_skill(int troop, int skill, int delta) override;
  void add_troop_proficiency_points(int troop, int proficiency, float points) override;
  void raise_troop_proficiency(int troop, int proficiency, int delta) override;
  void add_troop_gold(int troop, std::int64_t amount) override;
  void take_troop_gold(int troop, std::int64_t amount) override;
  script_item troop_item(int troop, int slot) const override;
  void set_troop_item(int troop, int slot, script_item item) override;
  script_item make_item(int kind, int modifier) const override;
  int item_max_ammo(script_item) const override { return max_ammo; }
  void clear_troop_inventory(int troop) override;
  void sort_troop_inventory(int troop) override;
  void free_troop_inventory_slots(int troop, int count) override;
  void add_troop_merchandise(int troop, int item_type, int count) override;
  void copy_troop_merchandise(int target, int source, int percent) override;
  void auto_equip_troop(int troop) override;
  std::int32_t remove_troop_items(int troop, int item_kind, int count) override;
  bool put_troop_item(int troop, int item_kind, int modifier) override;
  script_item_placement add_troop_item(int troop, int item_kind, int modifier) override;
  std::uint32_t item_kind_flags(int item_kind) const override;
  ruv_string item_kind_name(int item_kind) const override;
  void set_item_stock_multiplier(int item_kind, float multiplier) override;
  float merchandise_quality() const override { return quality; }
  void set_merchandise_quality(float value) override { quality = value; }
  bool money_and_item_messages() const override { return money_messages; }
  void set_faction_relation(int faction_a, int faction_b, float relation) override;
  ruv_string faction_name(int faction) const override;
  void set_faction_name(int faction, const ruv_string& name) override;
  void set_faction_colour(int faction, std::uint32_t colour) override;
  script_scene_entry scene_entry(int scene, int slot) const override;
  void set_scene_entry(int scene, int slot, const script_scene_entry& entry) override;
  std::uint32_t quest_flags(int quest) const override;
  void set_quest_status(int quest, std::uint32_t status) override;
  void set_quest_giver(int quest, int troop) override;
  script_quest_texts quest_texts(int quest) const override;
  void set_quest_texts(int quest, const script_quest_texts& texts) override;

  // What the query operations read. Upgrades by troop (first, second; a
  // troop missing here reads the generic troop word).
  std::map<int, std::pair<int, int>> upgrades;
  std::map<int, int> item_values, quest_givers;
  std::map<std::pair<int, int>, std::int32_t> quest_words, template_words;
  ruv_string troop_plural_name(int troop) const override;
  ruv_string item_kind_plural_name(int item_kind) const override;
  int item_kind_value(int item_kind) const override;
  int quest_giver(int quest) const override;
  std::int32_t quest_word(int quest, int word) const override;
  std::int32_t party_template_word(int party_template, int word) const override;

 private:
  void record(std::string line) { calls.push_back(std::move(line)); }
  const troop_record* find_troop(int troop) const;
  const troop_stats* find_stats(int troop) const;
};

// Parties by slot; the end id is one past the largest id.
class fake_campaign final : public script_campaign_host {
 public:
  struct party {
    int id = 0;
    int state = 1;  // 1 active
    std::vector<int> attached;
    std::uint64_t flags = 0;
    int ai_mode = 0;
    int ai_target = -1;
    float x = 0.0f, y = 0.0f, radius = 0.0f;
    int faction = -1;
    int attached_to = -1;
    int members = 0, prisoners = 0, wounded = 0;
    int companion_limit = 0, prisoner_limit = 0;
    std::vector<int> stack_troops;
    // Full stacks; when empty, stack_troops gives the troops (count 0).
    std::vector<script_troop_stack> stacks;
    int template_id = -1;
    script_record_data data;
    std::map<int, int> skills;
    std::map<int, int> troops_by_flags;
    std::int32_t words[6] = {};  // party words 1 to 5 by number
    float target_x = 0.0f, target_y = 0.0f;
  };
  std::vector<party> slots;

  void add_party(int id, int state = 1, std::vector<int> attached = {});
  int party_end_id() const override;
  int find_party_slot(int party_id) const override;
  int party_slot_state(int slot) const override;
  int first_active_party() const override;
  int next_active_party(int party_id) const override;
  int attached_party_count(int party_id) const override;
  int attached_party(int party_id, int position) const override;

  // The party record of an id, null when there is none.
  party* find(int party_id);
  const party* find(int party_id) const;

  int player_party_id = -1, player_troop_id = -1, last_option = 0, encounter_flag = 0;
  game_script_words words;
  int games_destroyed = 0, day = 0, hour = 0;
  float rates[2] = {0.0f, 0.0f};
  bool reduction = false;

  int player_party() const override { return player_party_id; }
  int player_troop() const override { return player_troop_id; }
  void set_player_troop(int troop) override { player_troop_id = troop; }
  int last_dialog_option() const override { return last_option; }
  int player_encounter_flag() const override { return encounter_flag; }
  float campaign_rate(int which) const override { return which == 0 || which == 1 ? rates[which] : 0.0f; }
  void set_campaign_rate(int which, float value) override {
    if (which == 0 || which == 1) rates[which] = value;
  }
  game_script_words& game_words() override { return words; }
  void destroy_game() override { ++games_destroyed; }
  int current_day() const override { return day; }
  int current_hour() const override { return hour; }
  bool debug_break(ruv_string& script_name, int& line) const override;
  bool rating_reduction() const override { return reduction; }
  std::uint64_t party_flags(int party_id) const override;
  int party_ai_mode(int party_id) const override;
  int party_ai_target(int party_id) const override;
  vec3 party_map_position(int party_id) const override;
  float party_map_radius(int party_id) const override;
  int party_faction(int party_id) const override;
  int party_attached_to(int party_id) const override;
  int party_member_count(int party_id) const override;
  int party_prisoner_count(int party_id) const override;
  int party_companion_limit(int party_id) const override;
  int party_prisoner_limit(int party_id) const override;
  int party_stack_count(int party_id) const override;
  int party_stack_troop(int party_id, int stack) const override;
  script_troop_stack party_stack(int party_id, int stack) const override;
  // "Party <id>" for a party it holds.
  ruv_string party_display_name(int party_id) const override;
  int party_template_of(int party_id) const override;
  std::int32_t party_word(int party_id, int word) const override;
  vec3 party_target_point(int party_id) const override;
  script_record_data* party_record_data(int party_id) override;
  int party_skill_level(int party_id, int skill) const override;
  void count_party_troops_with_attached(int party_id, int& members, int& wounded) const override;
  int count_troops_by_flags(int party_id, int flags) const override;

  // The party operations of module code: each call is recorded as its name
  // and arguments ("add_troops_to_party 2 3 5 0"); results come from the
  // fields below.
  mutable std::vector<std::string> calls;
  int troops_changed = 0;    // added or removed
  bool stack_inserted = true;
  int seed = 0;
  int spawned_party = -1;
  bool attached = true;
  int opponent = -1;
  int terrain = 0;
  bool placed = true;
  bool terrain_point_found = true;
  vec3 map_point = {};
  bool particle_added = true;
  std::map<std::pair<int, int>, float> shares;

  int add_troops_to_party(int party_id, int troop, int count, bool prisoners) override;
  void add_troops_to_stacks(int party_id, int troop, int count, bool prisoners) override;
  int remove_troops_from_party(int party_id, int troop, int count, bool prisoners, bool wounded_first) override;
  bool insert_first_stack(int party_id, int troop, int count) override;
  void clear_party_stacks(int party_id) override;
  void add_wounded_to_troop(int party_id, int troop, int delta) override;
  void join_party(int partner_id, int host_id, bool as_prisoners) override;
  void remove_party(int party_id) override;
  int create_party_for_troop(int troop, float x, float y) override;
  bool engage_party(int party_a, int party_b) override;
  void mark_faction_parties_changed(int faction) override;
  void heal_party(int party_id) override;
  int stack_seed(int party_id, int stack) const override;
  void add_xp_to_stack(int party_id, int stack, int experience) override;
  void give_party_xp_and_upgrade(int party_id, float experience, int path) override;
  void share_party_xp(int party_id, float experience) override;
  void inflict_casualties(int party_id, int count, int recorder) override;
  void distribute_party_members(int source_id, int party_id) override;
  void copy_party_members(int source_id, int party_id) override;
  void add_template_members(int party_id, int party_template, bool as_prisoners) override;
  int spawn_party_near(int party_template, float x, float y, float radius) override;
  bool attach_party(int party_id, int host_id) override;
  void detach_party(int party_id) override;
  void attach_party_by_kind(int party_id, int kind) override;
  void leave_battle(int party_id) override;
  int battle_opponent(int party_id) const override;
  void set_battle_value(int party_id, float value) override;
  void set_party_flags(int party_id, std::uint64_t flags, bool rebuild_entity) override;
  void set_party_second_icon(int party_id, int icon) override;
  void set_party_faction(int party_id, int faction) override;
  void set_party_name(int party_id, const ruv_string& name) override;
  void set_party_text(int party_id, const ruv_string& text) override;
  int party_terrain(int party_id) const override;
  bool set_party_position(int party_id, float x, float y) override;
  void place_party_near(int party_id, float x, float y, float radius) override;
  vec3 random_reachable_map_point(float x, float y, float radius) const override;
  bool random_map_point_of_terrain(float x, float y, float radius, bool water, vec3& out) const override;
  void set_party_ai_behaviour(int party_id, int behaviour) override;
  void set_party_ai_target_party(int party_id, int target) override;
  void set_party_ai_target_position(int party_id, float x, float y) override;
  void set_party_ai_value(int party_id, float value) override;
  void set_party_ai_mode(int party_id, int mode) override;
  void set_party_attack_delay(int party_id, float hours) override;
  float party_share(int party_id, int which) const override;
  void set_party_share(int party_id, int which, float share) override;
  void copy_second_share(int from_party, int to_party) override;
  bool add_party_particle_system(int party_id, int kind) override;
  void clear_party_particle_systems(int party_id) override;
  void set_party_strength_bounds(float lo, float hi) override;
  void add_troop_experience(int troop, int experience) override;
  void set_item_kind_factor(int kind, float factor) override;
  void set_item_type_factor(int type, float factor) override;

 private:
  int next_active_from_slot(int slot) const;
  template <class... Args>
  void record(const char* name, Args... args) const;
};

class fake_mission final : public script_mission_host {
 public:
  std::vector<bool> agents;  // slot in use
  std::vector<int> agent_troops;
  std::map<int, slot_vector> slots_of_agents;
  int prop_instances = 0;
  int value = 0;
  std::map<int, vec3> event_positions;  // by context word
  // The scene rectangle and its flat ground; no scene while max <= min.
  float scene_min_x = 0.0f, scene_min_y = 0.0f, scene_max_x = 0.0f, scene_max_y = 0.0f, ground = 0.0f;

  int agent_slot_count() const override { return static_cast<int>(agents.size()); }
  bool agent_slot_in_use(int agent) const override;
  int first_live_agent() const override { return next_live_from(0); }
  int next_live_agent(int agent) const override { return next_live_from(agent + 1); }
  int scene_prop_instance_count() const override { return prop_instances; }
  slot_vector* agent_slots(int agent) override;
  int agent_troop(int agent) const override;
  int mission_value() const override { return value; }
  bool event_object_position(int context, vec3& out) const override;
  bool ground_height_in_scene(float x, float y, float& out) const override;
  int player = -1;
  std::map<int, int> states, teams;
  std::map<int, int> team_members;
  std::map<std::pair<int, int>, int> relations;
  float seconds = 0.0f;
  std::vector<int> healed;
  int player_agent() const override { return player; }
  int agent_state(int agent) const override;
  int agent_team(int agent) const override;
  int team_member_count(int team) const override;
  int team_relation(int team_a, int team_b) const override;
  float seconds_since_reference() const override { return seconds; }
  void heal_agent(int agent) override { healed.push_back(agent); }
  bool mission_set_up = false;
  int spawn_flag_clears = 0;
  std::vector<std::pair<int, int>> spawn_group_counts;
  bool has_mission() const override { return mission_set_up; }
  void clear_spawn_flags() override { ++spawn_flag_clears; }
  void count_spawn_group_agents(int slot, int count) override { spawn_group_counts.emplace_back(slot, count); }

  std::map<int, int> horses;  // horse item kinds of agents without troop
  float timers[3] = {};
  int timer_restarts[3] = {};
  int strength = 0;
  // The factor by signed strength word; 1 for a word missing here.
  std::map<int, float> strength_factors;
  int side_word = -1, battle_flag = 0;
  int agent_horse_item(int agent) const override;
  float script_timer_seconds(int timer) const override { return timer >= 0 && timer < 3 ? timers[timer] : 0.0f; }
  void restart_script_timer(int timer) override {
    if (timer >= 0 && timer < 3) ++timer_restarts[timer];
  }
  int strength_word() const override { return strength; }
  float strength_factor(int signed_word) const override;
  int player_side_word() const override { return side_word; }
  int battle_flag_word() const override { return battle_flag; }
  // Each fog set: distance, whether the skybox's colour, the colour.
  struct fog_call {
    float distance;
    bool skybox_colour;
    std::uint32_t colour;
  };
  std::vector<fog_call> fogs;
  void set_fog(float distance, bool skybox_colour, std::uint32_t colour) override {
    fogs.push_back({distance, skybox_colour, colour});
  }
  // The camera, there while the mission is set up.
  script_camera camera;
  script_camera* scripted_camera() override { return mission_set_up ? &camera : nullptr; }
  // Particle systems and spawned items asked for, one line each: "add
  // <context> <kind> <x> <y> <z>", "restart <context> <kind> <n>", "mission
  // <kind> <x> <y> <z> <value>", "item <kind> <modifier> <x> <y> <z>" (two
  // decimals); spawned items get the ids 500, 501...
  std::vector<std::string> particle_calls;
  int spawned_items = 0;
  void add_trigger_particle_system(int context, int kind, const vec3& local) override;
  void restart_trigger_particle_system(int context, int kind, int emissions) override;
  void add_mission_particle_system(int kind, const frame& where, int value) override;
  int spawn_item_at(int item_kind, int modifier, const frame& where) override;

 private:
  int next_live_from(int index) const;
};

class fake_ui final : public script_ui_host {
 public:
  struct line {
    std::string text;
    std::uint32_t colour;
  };
  std::vector<line> messages;
  std::vector<int> windows;

  void add_message_line(std::string_view text, std::uint32_t colour) override {
    messages.push_back({std::string(text), colour});
  }
  std::vector<line> pending_messages;
  void post_pending_message(std::string_view text, std::uint32_t colour) override {
    pending_messages.push_back({std::string(text), colour});
  }
  int top_window() const override { return windows.empty() ? -1 : windows.back(); }
  void push_window(int window) override { windows.push_back(window); }
  vec3 mouse = {};
  vec3 mouse_position() const override { return mouse; }
  bool message_list_flag = false;
  std::string message_text;
  std::uint32_t message_text_colour = 0;
  // The message box as its setters leave it.
  int box_mode = -1;
  std::string box_title, box_text, box_first, box_second;
  std::int32_t* box_answer = nullptr;
  int window_resets = 0;
  std::vector<int> set_windows;
  void set_message_list_flag(bool on) override { message_list_flag = on; }
  void set_message_text(std::string_view text, std::uint32_t colour) override {
    message_text = std::string(text);
    message_text_colour = colour;
  }
  void set_notice(const ruv_string& title, const ruv_string& text) override;
  void set_question(const ruv_string& text, const ruv_string& first_answer, const ruv_string& second_answer,
                    std::int32_t* answer_target) override;
  void reset_window_entries() override { ++window_resets; }
  void set_window(int window) override { set_windows.push_back(window); }
  std::vector<std::string> texts() const;
};

// Records what the tableau operations ask of the scene being drawn, one line
// a call with its numbers ("module_mesh 3 at 1 2 0 scale 1 1 1 alpha 1 colour -1").
class fake_render final : public script_render_host {
 public:
  int tableaus = 0;
  // While set a tableau is being drawn and the operations fill `scene`.
  bool drawing = false;
  tableau_scene_values scene;
  int flag = 0;
  std::vector<std::string> calls;

  int tableau_count() const override { return tableaus; }
  tableau_scene_values* current_tableau_scene() override { return drawing ? &scene : nullptr; }
  void set_tableau_flag() override { flag = 1; }
  void add_tableau_mesh(int tableau, std::int64_t object, const frame& placement, const vec3& scale) override;
  void add_tableau_module_mesh(int mesh, const frame& placement, const vec3& scale, float alpha,
                               std::int64_t colour) override;
  void add_tableau_map_icon(int icon, const frame& placement, float scale) override;
  void add_tableau_figure(const tableau_figure_request& figure) override;
  void add_tableau_light(bool point, const frame& placement, const vec3& colour) override;
  void put_tableau_on_trigger_object(std::int32_t event_code, int tableau, std::int64_t object) override;
};

class fake_engine final : public script_engine_host {
 public:
  std::vector<std::string> log;
  std::vector<std::string> expanded_tokens;
  bool edit_mode = false, sound_disabled = false, music_disabled = false;

  void log_line(std::string_view text) override { log.emplace_back(text); }
  bool enable_edit_mode() const override { return edit_mode; }
  bool disable_sound() const override { return sound_disabled; }
  bool disable_music() const override { return music_disabled; }
  std::int64_t clock_ticks(int) const override { return 0; }
  struct played_sound {
    int sound;
    std::uint32_t flags;
    vec3 position;
  };
  std::vector<played_sound> sounds_played;
  int sound_stops = 0;
  void play_sound(int sound, std::uint32_t flags, const vec3& position) override {
    sounds_played.push_back({sound, flags, position});
  }
  void stop_all_sounds() override { ++sound_stops; }
  std::vector<int> engine_sounds_played;
  void play_engine_sound(int slot) override { engine_sounds_played.push_back(slot); }
  // Keys down now and in the previous frame, and the bindings of the controls.
  bool keys_down[256] = {}, previous_keys_down[256] = {};
  std::map<int, std::pair<int, int>> controls;
  bool is_key_down(int key_code) const override;
  bool is_key_clicked(int key_code) const override;
  int control_key(int control, int which) const override;
  // Records the token and gives "<token>".
  ruv_string expand_text_tokens(const ruv_string& token) override;
};

class fake_script_host {
 public:
  fake_script_host();
  ~fake_script_host();
  fake_script_host(const fake_script_host&) = delete;
  fake_script_host& operator=(const fake_script_host&) = delete;

  fake_module module;
  fake_campaign campaign;
  fake_mission mission;
  fake_ui ui;
  fake_render render;
  fake_engine engine;

  // The on-screen lines so far, then forgotten.
  std::vector<std::string> take_messages();

 private:
  script_host previous_;
};

// --- building blocks ---------------------------------------------------------------
struct op_spec {
  std::uint32_t word;
  std::vector<std::int64_t> params = {};
};

inline std::int64_t reg(std::int64_t n) { return register_operand(n); }
inline std::int64_t gvar(std::int64_t n) { return global_operand(n); }
inline std::int64_t local(std::int64_t n) { return local_operand(n); }
inline std::uint32_t neg(std::uint32_t word) { return word | negate_bit; }
inline std::uint32_t this_or_next(std::uint32_t word) { return word | this_or_next_bit; }

statement_block make_block(std::initializer_list<op_spec> ops, const char* name = "test block");
// Runs one operation as a block of its own, as the engine would (context 0).
bool run_one_operation(std::uint32_t opcode, std::vector<std::int64_t> params);
// Runs a query whose first parameter is register 0, which is set to -777
// first (an operation that stores nothing leaves that), and returns it.
std::int64_t query_one_operation(std::uint32_t opcode, std::vector<std::int64_t> params);
// Loads a block from module text through the text reader.
statement_block load_block_text(const std::string& text, const char* name = "test block");
// The jump index of every operation, after resolution.
std::vector<int> jump_table(statement_block& block);

}  // namespace hm::test
