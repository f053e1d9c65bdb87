#include "campaign/save/save_format.h"

#include <array>
#include <vector>

#include "campaign/game/campaign_game.h"
#include "campaign/party/record_stream.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/core/timer.h"
#include "module/base/module_settings.h"
#include "module/loading/game.h"
#include "module/records/item_kind.h"
#include "module/records/party_template.h"
#include "module/records/world_records.h"
#include "script/script_state.h"

namespace hm {

namespace {

inline constexpr int saved_seeds_per_stack = 32;
// The ten campaign words and six trailing words of the scalar block.
inline constexpr int scalar_words = 10;
inline constexpr int trailing_words = 6;
// Bytes of the smallest record of each kind, to hold a count to the file.
inline constexpr std::size_t quest_min_bytes = 4 * 4 + 3 * 4 + 8 * 12 + 4;
inline constexpr std::size_t faction_min_bytes = 4 + 4 + 1 + 4 + 4 + 8 * 12;
inline constexpr std::size_t track_bytes = 6 * 4;
inline constexpr std::size_t event_slot_min_bytes = 4;
inline constexpr std::size_t troop_min_bytes =
    4 + 4 * 4 + 7 * 4 + 6 * 4 + 8 + 4 * 5 + 4 * 3 + 4 + (96 + 10) * 8 + 4 * 8 + 8 * 12;

void write_item(stream& s, const item& it) {
  s.write_int(it.kind);
  s.write_u32(it.word);
}

void read_item(stream& s, item& it, int item_count, const char* owner) {
  s.read_int(it.kind);
  s.read_u32(it.word);
  if (it.kind < -1 || it.kind >= item_count) {
    ruv_error("Load error: Invalid item kind %d of %s (item kinds: %d)", it.kind, owner, item_count);
  }
}

// The campaign text keeps no blanks in the file and stands for an empty text
// as "-1".
ruv_string encode_campaign_text(const ruv_string& text) {
  if (text.length() == 0) return ruv_string("-1");
  std::string out(text.view());
  for (char& c : out) {
    if (c == ' ') c = '_';
  }
  return ruv_string(out);
}

ruv_string decode_campaign_text(const ruv_string& text) {
  if (text.view() == "-1") return {};
  std::string out(text.view());
  for (char& c : out) {
    if (c == '_') c = ' ';
  }
  return ruv_string(out);
}

// A section count that must not exceed its table.
std::int32_t read_limited_count(stream& s, std::int32_t limit, const char* message) {
  std::int32_t n = 0;
  s.read_int(n);
  if (n > limit) ruv_error(message, n, limit);
  return n;
}

// --- sections ------------------------------------------------------------------------------------

void write_scalars(stream& s, const game& g, campaign_game& c) {
  const campaign_scalars& k = c.scalars;
  game_script_words& w = c.campaign_host.game_words();
  s.write_i64(g.start_time_stamp);
  for (std::int32_t v : k.calendar) s.write_int(v);
  s.write_int(k.last_report_day);
  s.write_float(k.cloud_amount);
  s.write_float(k.haze_amount);
  s.write_float(w.difficulty_average);
  s.write_float(w.difficulty_weight);
  s.write_string(k.rest_end_message);
  s.write_bool(k.timed_rest != 0);
  const std::int32_t second = w.second_encounter_party == -1 ? saved_no_second_party : w.second_encounter_party;
  const std::array<std::int32_t, scalar_words> words = {
      w.game_word_1,  w.game_word_2,  w.encountered_party, second, w.current_menu, w.query_word_3,
      w.query_word_4, w.game_party_word, static_cast<std::int32_t>(w.game_flags), w.encounter_kind};
  for (std::int32_t v : words) s.write_int(v);
  s.write_string(encode_campaign_text(k.campaign_text));
  const std::array<std::int32_t, trailing_words> trailing = {w.mission_query_words[0], w.mission_query_words[1],
                                                            w.mission_query_words[2], w.mission_query_words[3],
                                                            w.next_scene,             w.next_entry_point};
  for (std::int32_t v : trailing) s.write_int(v);
  s.write_i64(k.rest_end_timer_start);
  s.write_float(c.state.rest_time);
  s.write_int(k.rest_speed);
  s.write_int(c.state.rest_flag);
  s.write_int(k.rest_word);
}

void read_scalars(stream& s, game& g, campaign_game& c) {
  campaign_scalars& k = c.scalars;
  game_script_words& w = c.campaign_host.game_words();
  s.read_i64(g.start_time_stamp);
  for (std::int32_t& v : k.calendar) s.read_int(v);
  s.read_int(k.last_report_day);
  s.read_float(k.cloud_amount);
  s.read_float(k.haze_amount);
  s.read_float(w.difficulty_average);
  s.read_float(w.difficulty_weight);
  s.read_string(k.rest_end_message);
  bool timed = false;
  s.read_bool(timed);
  k.timed_rest = timed ? 1 : 0;
  std::array<std::int32_t, scalar_words> words{};
  for (std::int32_t& v : words) s.read_int(v);
  w.game_word_1 = words[0];
  w.game_word_2 = words[1];
  w.encountered_party = words[2];
  w.second_encounter_party = words[3] == saved_no_second_party ? -1 : words[3];
  w.current_menu = words[4];
  w.query_word_3 = words[5];
  w.query_word_4 = words[6];
  w.game_party_word = words[7];
  w.game_flags = static_cast<std::uint32_t>(words[8]);
  w.encounter_kind = words[9];
  ruv_string text;
  s.read_string(text);
  k.campaign_text = decode_campaign_text(text);
  std::array<std::int32_t, trailing_words> trailing{};
  for (std::int32_t& v : trailing) s.read_int(v);
  for (int i = 0; i < 4; ++i) w.mission_query_words[static_cast<std::size_t>(i)] = trailing[static_cast<std::size_t>(i)];
  w.next_scene = trailing[4];
  w.next_entry_point = trailing[5];
  s.read_i64(k.rest_end_timer_start);
  s.read_float(c.state.rest_time);
  s.read_int(k.rest_speed);
  s.read_int(c.state.rest_flag);
  s.read_int(k.rest_word);
}

void write_triggers(stream& s, const game& g) {
  s.write_int(static_cast<std::int32_t>(g.triggers.triggers.size()));
  for (const trigger& t : g.triggers.triggers) {
    s.write_int(t.state);
    s.write_i64(t.check_timer.start_ticks);
    s.write_i64(t.delay_timer.start_ticks);
    s.write_i64(t.rearm_timer.start_ticks);
  }
  s.write_int(static_cast<std::int32_t>(g.simple_triggers.triggers.size()));
  for (const simple_trigger& t : g.simple_triggers.triggers) s.write_i64(t.run_timer.start_ticks);
}

void read_triggers(stream& s, game& g) {
  const std::int32_t n = read_limited_count(s, static_cast<std::int32_t>(g.triggers.triggers.size()),
                                            "Load error: Number of triggers in file: %d, exceeds %d");
  for (int i = 0; i < n; ++i) {
    trigger& t = g.triggers.triggers[static_cast<std::size_t>(i)];
    s.read_int(t.state);
    if (t.state < trigger_idle || t.state > 2) ruv_error("Load error: Invalid state %d of trigger %d", t.state, i);
    s.read_i64(t.check_timer.start_ticks);
    s.read_i64(t.delay_timer.start_ticks);
    s.read_i64(t.rearm_timer.start_ticks);
  }
  const std::int32_t m = read_limited_count(s, static_cast<std::int32_t>(g.simple_triggers.triggers.size()),
                                            "Load error: Number of simple triggers in file: %d, exceeds %d");
  for (int i = 0; i < m; ++i) s.read_i64(g.simple_triggers.triggers[static_cast<std::size_t>(i)].run_timer.start_ticks);
}

void write_quests(stream& s, const game& g) {
  s.write_int(g.quest_count());
  for (const quest& q : g.quests) {
    s.write_int(static_cast<std::int32_t>(q.status));
    s.write_int(q.giver_troop);
    s.write_int(q.run_time_word);
    s.write_float(q.start_time);
    s.write_string(q.giver_text);
    s.write_string(q.text);
    s.write_string(q.name);
    write_note_block(s, q.script_data);
    write_slot_vector(s, q.script_data.slots);
  }
}

void read_quests(stream& s, game& g) {
  const std::int32_t n = read_limited_count(s, g.quest_count(), "Load error: Number of quests in file: %d, exceeds %d");
  checked_count(s, n, quest_min_bytes, "quests");
  for (int i = 0; i < n; ++i) {
    quest& q = g.quests[static_cast<std::size_t>(i)];
    std::int32_t status = 0;
    s.read_int(status);
    q.status = static_cast<std::uint32_t>(status);
    s.read_int(q.giver_troop);
    s.read_int(q.run_time_word);
    s.read_float(q.start_time);
    s.read_string(q.giver_text);
    s.read_string(q.text);
    s.read_string(q.name);
    read_note_block(s, q.script_data);
    read_slot_vector(s, q.script_data.slots);
  }
}

void write_scenes(stream& s, const game& g) {
  s.write_int(g.scene_count());
  for (const auto& sc : g.scenes) write_slot_vector(s, sc->script_data.slots);
}

void read_scenes(stream& s, game& g) {
  std::int32_t n = 0;
  s.read_int(n);
  if (n != g.scene_count()) ruv_error("Load error: Number of scenes in file: %d, exceeds %d", n, g.scene_count());
  for (auto& sc : g.scenes) read_slot_vector(s, sc->script_data.slots);
}

void write_factions(stream& s, const game& g) {
  const int n = g.faction_count();
  s.write_int(n);
  for (const faction& f : g.factions) {
    write_slot_vector(s, f.script_data.slots);
    for (int j = 0; j < n; ++j) s.write_float(f.relations[static_cast<std::size_t>(j)]);
    s.write_string(f.name);
    s.write_char(static_cast<char>(f.name_override));
    s.write_u32(f.colour);
    s.write_int(f.spare_word);
    write_note_block(s, f.script_data);
  }
}

void read_factions(stream& s, game& g) {
  const std::int32_t n =
      read_limited_count(s, g.faction_count(), "Load error: Number of factions in file: %d, exceeds %d");
  checked_count(s, n, faction_min_bytes, "factions");
  for (int i = 0; i < n; ++i) {
    faction& f = g.factions[static_cast<std::size_t>(i)];
    read_slot_vector(s, f.script_data.slots);
    for (int j = 0; j < n; ++j) s.read_float(f.relations[static_cast<std::size_t>(j)]);
    s.read_string(f.name);
    char flag = 0;
    s.read_char(flag);
    f.name_override = static_cast<std::uint8_t>(flag);
    s.read_u32(f.colour);
    s.read_int(f.spare_word);
    read_note_block(s, f.script_data);
  }
}

void write_tracks(stream& s, const campaign_scalars& k) {
  s.write_u32(static_cast<std::uint32_t>(k.tracks.size()));
  for (const saved_track& t : k.tracks) {
    s.write_float(t.x).write_float(t.y).write_float(t.z);
    s.write_float(t.value_1).write_float(t.value_2);
    s.write_int(t.word);
  }
}

void read_tracks(stream& s, campaign_scalars& k) {
  log_line("Loading tracks\n");
  std::uint32_t raw = 0;
  s.read_u32(raw);
  const std::int32_t n = checked_count(s, static_cast<std::int32_t>(raw), track_bytes, "tracks");
  k.tracks.resize(static_cast<std::size_t>(n));
  for (saved_track& t : k.tracks) {
    s.read_float(t.x).read_float(t.y).read_float(t.z);
    s.read_float(t.value_1).read_float(t.value_2);
    s.read_int(t.word);
  }
}

void write_templates(stream& s) {
  s.write_int(static_cast<std::int32_t>(g_party_templates.size()));
  for (const party_template& t : g_party_templates) {
    s.write_int(t.created_count);
    s.write_int(t.removed_count);
    s.write_int(t.beaten_by_player_count);
    write_slot_vector(s, t.script_data.slots);
  }
}

void read_templates(stream& s) {
  const std::int32_t n = read_limited_count(s, static_cast<std::int32_t>(g_party_templates.size()),
                                            "Load error: Number of party_templates in file: %d, exceeds %d");
  for (int i = 0; i < n; ++i) {
    party_template& t = g_party_templates[static_cast<std::size_t>(i)];
    s.read_int(t.created_count);
    s.read_int(t.removed_count);
    s.read_int(t.beaten_by_player_count);
    read_slot_vector(s, t.script_data.slots);
  }
}

// The player's party: the one marked as the player's, else the campaign's
// (or the game's) player party id; null when none is active.
party* find_player_party(const game& g, campaign_game& c) {
  const party_pool& pool = c.state.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    party* p = c.state.find_party(id);
    if (p && (p->flags2 & party_flag2_player_party) != 0) return p;
  }
  if (party* p = c.state.find_party(c.state.player_party)) return p;
  return c.state.find_party(g.player_party);
}

void write_parties(stream& s, game& g, campaign_game& c) {
  c.state.parties.write(s);
  const party* player = find_player_party(g, c);
  if (!player) return;
  for (int i = 0; i < player->stack_count; ++i) {
    const troop_stack& st = player->stacks[static_cast<std::size_t>(i)];
    if (c.state.is_hero(st.troop)) continue;
    s.write_float(st.experience_pool);
    s.write_int(st.ready_to_upgrade);
    for (int j = 0; j < saved_seeds_per_stack; ++j) s.write_int(i < 32 ? c.state.member_seeds[i][j] : 0);
  }
}

void read_parties(stream& s, game& g, campaign_game& c) {
  c.state.parties.read(s, g.troop_count(), true);
  party* player = find_player_party(g, c);
  if (!player) return;
  c.state.player_party = player->id;
  g.player_party = player->id;
  for (int i = 0; i < player->stack_count; ++i) {
    troop_stack& st = player->stacks[static_cast<std::size_t>(i)];
    if (c.state.is_hero(st.troop)) continue;
    s.read_float(st.experience_pool);
    s.read_int(st.ready_to_upgrade);
    for (int j = 0; j < saved_seeds_per_stack; ++j) {
      std::int32_t seed = 0;
      s.read_int(seed);
      if (i < 32) c.state.member_seeds[i][j] = seed;
    }
  }
}

void write_events(stream& s, const map_event_pool& pool) {
  int used = 0;
  for (int i = 0; i < pool.slot_count(); ++i) {
    if (pool.get(i)->state != 0) used = i + 1;
  }
  s.write_int(used);
  s.write_int(pool.next_id());
  for (int i = 0; i < used; ++i) {
    const map_event& e = *pool.get(i);
    if (e.state == 0) {
      s.write_int(0);
      continue;
    }
    s.write_int(1);
    s.write_int(e.id);
    s.write_string(e.name);
    s.write_int(e.type);
    s.write_float(e.position[0]).write_float(e.position[1]);
    s.write_float(e.land_position[0]).write_float(e.land_position[1]);
    s.write_float(e.direction[0]).write_float(e.direction[1]);
    s.write_int(e.side_parties[0]);
    s.write_int(e.side_parties[1]);
    s.write_i64(e.simulation_timer.start_ticks);
    s.write_float(e.simulation_interval);
  }
}

void read_events(stream& s, map_event_pool& pool) {
  std::int32_t n = 0;
  std::int32_t next = 0;
  s.read_int(n);
  s.read_int(next);
  checked_count(s, n, event_slot_min_bytes, "map events");
  pool.reset_slots(n);
  for (int i = 0; i < n; ++i) {
    map_event& e = *pool.get(i);
    std::int32_t active = 0;
    s.read_int(active);
    if (active == 0) continue;
    e.reset();
    e.state = 1;
    e.slot = i;
    s.read_int(e.id);
    s.read_string(e.name);
    s.read_int(e.type);
    s.read_float(e.position[0]).read_float(e.position[1]);
    s.read_float(e.land_position[0]).read_float(e.land_position[1]);
    s.read_float(e.direction[0]).read_float(e.direction[1]);
    s.read_int(e.side_parties[0]);
    s.read_int(e.side_parties[1]);
    s.read_i64(e.simulation_timer.start_ticks);
    s.read_float(e.simulation_interval);
  }
  pool.rebuild_free_slots();
  pool.set_next_id(next);
}

void write_troops(stream& s, const game& g) {
  s.write_int(g.troop_count());
  for (const troop& t : g.troops) {
    write_slot_vector(s, t.script_data.slots);
    for (std::int32_t v : t.attributes) s.write_int(v);
    for (float v : t.proficiencies) s.write_float(v);
    for (std::uint32_t v : t.skill_words) s.write_u32(v);
    s.write_u64(t.flags);
    s.write_int(t.scene_placement);
    s.write_int(t.gold);
    s.write_int(t.experience);
    s.write_float(t.max_hit_points);
    s.write_int(t.faction);
    s.write_int(t.skill_points);
    s.write_int(t.attribute_points);
    s.write_int(t.proficiency_points);
    s.write_int(t.level);
    for (const item& it : t.inventory) write_item(s, it);
    for (const item& it : t.equipment) write_item(s, it);
    for (std::uint64_t v : t.face_code_1) s.write_u64(v);
    write_note_block(s, t.script_data);
  }
  for (const skill& k : g_skills) s.write_int(k.saved_max_level);
}

void read_troops(stream& s, game& g) {
  std::int32_t n = 0;
  s.read_int(n);
  if (n < 0 || n > g.troop_count()) ruv_error("Load error: Invalid number of troops: %d", n);
  checked_count(s, n, troop_min_bytes, "troops");
  const int items = static_cast<int>(g_item_kinds.size());
  for (int i = 0; i < n; ++i) {
    troop& t = g.troops[static_cast<std::size_t>(i)];
    read_slot_vector(s, t.script_data.slots);
    for (std::int32_t& v : t.attributes) s.read_int(v);
    for (float& v : t.proficiencies) s.read_float(v);
    for (std::uint32_t& v : t.skill_words) s.read_u32(v);
    s.read_u64(t.flags);
    s.read_int(t.scene_placement);
    s.read_int(t.gold);
    s.read_int(t.experience);
    s.read_float(t.max_hit_points);
    s.read_int(t.faction);
    if (t.faction < -1 || t.faction >= g.faction_count()) {
      ruv_error("Load error: Invalid faction %d of troop %d (factions: %d)", t.faction, i, g.faction_count());
    }
    s.read_int(t.skill_points);
    s.read_int(t.attribute_points);
    s.read_int(t.proficiency_points);
    s.read_int(t.level);
    if (t.level < 0 || t.level > max_troop_level) ruv_error("Load error: Invalid level %d of troop %d", t.level, i);
    const std::string owner = "troop " + std::to_string(i);
    for (item& it : t.inventory) read_item(s, it, items, owner.c_str());
    for (item& it : t.equipment) read_item(s, it, items, owner.c_str());
    for (std::uint64_t& v : t.face_code_1) s.read_u64(v);
    read_note_block(s, t.script_data);
  }
  for (skill& k : g_skills) s.read_int(k.saved_max_level);
}

void write_item_kinds(stream& s) {
  s.write_int(static_cast<std::int32_t>(g_item_kinds.size()));
  for (const item_kind& k : g_item_kinds) write_slot_vector(s, k.script_data.slots);
}

void read_item_kinds(stream& s) {
  std::int32_t n = 0;
  s.read_int(n);
  if (n < 0 || n > static_cast<std::int32_t>(g_item_kinds.size())) {
    ruv_error("Load error: Invalid number of item kinds: %d", n);
  }
  for (int i = 0; i < n; ++i) read_slot_vector(s, g_item_kinds[static_cast<std::size_t>(i)].script_data.slots);
}

}  // namespace

// --- header ------------------------------------------------------------------------------------------

void fill_save_header(const game& g, const campaign_game& campaign, save_header& header) {
  header = save_header{};
  header.module_version = g_module_version;
  if (const troop* t = g.find_troop(g.player_troop)) {
    if (!find_world_translation(t->id, header.player_name)) header.player_name = t->name;
    header.player_level = t->level;
  }
  header.save_name = campaign.scalars.save_name.length() > 0 ? campaign.scalars.save_name : header.player_name;
  header.game_hours =
      static_cast<float>(static_cast<double>(clock_ticks(clock_campaign) - g.start_time_stamp) * 1e-5);
}

int write_save_header(const save_header& header, stream& writer) {
  writer.write_int(header.tag);
  writer.write_int(header.file_version);
  writer.write_int(header.module_version);
  writer.write_string(header.save_name);
  writer.write_string(header.player_name);
  writer.write_int(header.player_level);
  writer.write_float(header.game_hours);
  return 0;
}

bool read_save_header(save_header& header, stream& reader) {
  reader.read_int(header.tag);
  reader.read_int(header.file_version);
  header.module_version = 0;
  if (header.file_version >= save_version_with_module_version) reader.read_int(header.module_version);
  const bool has_save_name = header.file_version > save_version_without_save_name;
  if (has_save_name) reader.read_string(header.save_name);
  reader.read_string(header.player_name);
  if (!has_save_name) header.save_name = header.player_name;
  reader.read_int(header.player_level);
  reader.read_float(header.game_hours);
  return true;
}

// --- game state --------------------------------------------------------------------------------------

int save_game_state(game& g, campaign_game& c, stream& s) {
  s.write_i64(clock_ticks(clock_campaign));
  s.write_int(c.scalars.game_word);
  s.write_int(c.scalars.save_mode);
  write_scalars(s, g, c);
  write_slot_vector(s, slot_vector{g_script_state.global_variables});
  write_triggers(s, g);
  write_quests(s, g);
  write_scenes(s, g);
  write_factions(s, g);
  write_tracks(s, c.scalars);
  write_templates(s);
  write_parties(s, g, c);
  write_events(s, c.state.events);
  write_troops(s, g);
  write_item_kinds(s);
  const troop* player = g.find_troop(g.player_troop);
  s.write_u64(player ? player->face_code_1[0] : 0);
  s.write_u64(player ? player->face_code_1[1] : 0);
  const auto& w = c.scalars.closing_words;
  s.write_int(w[0]).write_int(w[2]).write_int(w[1]).write_int(w[3]);
  return 0;
}

void read_game_state(game& g, campaign_game& c, stream& s) {
  std::int64_t clock = 0;
  s.read_i64(clock);
  s.read_int(c.scalars.game_word);
  s.read_int(c.scalars.save_mode);
  read_scalars(s, g, c);
  slot_vector globals;
  read_slot_vector(s, globals);
  g_script_state.global_variables = std::move(globals.values);
  read_triggers(s, g);
  read_quests(s, g);
  read_scenes(s, g);
  read_factions(s, g);
  read_tracks(s, c.scalars);
  read_templates(s);
  read_parties(s, g, c);
  read_events(s, c.state.events);
  read_troops(s, g);
  read_item_kinds(s);
  std::uint64_t face[2] = {0, 0};
  s.read_u64(face[0]);
  s.read_u64(face[1]);
  if (troop* player = g.find_troop(g.player_troop)) {
    player->face_code_1[0] = face[0];
    player->face_code_1[1] = face[1];
  }
  auto& w = c.scalars.closing_words;
  s.read_int(w[0]).read_int(w[2]).read_int(w[1]).read_int(w[3]);
  set_clock_ticks(clock_campaign, clock);
  c.state.player_troop = g.player_troop;
  g.game_start_done = true;
}

// --- reading without ending the program ----------------------------------------------------------

namespace {

// What the reader changes outside the game object, to be put back when the
// file turns out broken.
struct outside_tables {
  std::vector<std::int64_t> globals;
  struct template_state {
    std::int32_t created = 0;
    std::int32_t removed = 0;
    std::int32_t beaten = 0;
    slot_vector slots;
  };
  std::vector<template_state> templates;
  std::vector<slot_vector> item_slots;
  std::array<std::int32_t, skill_count> skill_maxima{};
  std::int64_t clock = 0;

  void take() {
    globals = g_script_state.global_variables;
    for (const party_template& t : g_party_templates)
      templates.push_back({t.created_count, t.removed_count, t.beaten_by_player_count, t.script_data.slots});
    for (const item_kind& k : g_item_kinds) item_slots.push_back(k.script_data.slots);
    for (int i = 0; i < skill_count; ++i) skill_maxima[static_cast<std::size_t>(i)] = g_skills[static_cast<std::size_t>(i)].saved_max_level;
    clock = clock_ticks(clock_campaign);
  }
  void put_back() {
    g_script_state.global_variables = std::move(globals);
    for (std::size_t i = 0; i < templates.size() && i < g_party_templates.size(); ++i) {
      party_template& t = g_party_templates[i];
      t.created_count = templates[i].created;
      t.removed_count = templates[i].removed;
      t.beaten_by_player_count = templates[i].beaten;
      t.script_data.slots = std::move(templates[i].slots);
    }
    for (std::size_t i = 0; i < item_slots.size() && i < g_item_kinds.size(); ++i)
      g_item_kinds[i].script_data.slots = std::move(item_slots[i]);
    for (int i = 0; i < skill_count; ++i) g_skills[static_cast<std::size_t>(i)].saved_max_level = skill_maxima[static_cast<std::size_t>(i)];
    set_clock_ticks(clock_campaign, clock);
  }
};

}  // namespace

std::string load_error_text(const std::string& error, const std::string& file) {
  static constexpr std::string_view prefix = "Load error: ";
  std::string text = error.compare(0, prefix.size(), prefix) == 0 ? error : std::string(prefix) + error;
  if (!file.empty() && text.find(file) == std::string::npos) text += " (" + file + ")";
  return text;
}

std::string try_read_game_state(game& g, campaign_game& c, stream& reader) {
  outside_tables before;
  before.take();
  scoped_fatal_throw report_instead_of_ending;
  try {
    read_game_state(g, c, reader);
  } catch (const fatal_error& e) {
    before.put_back();
    return load_error_text(e.what(), reader.name.c_str());
  }
  return {};
}

std::string try_read_save_header(save_header& header, stream& reader) {
  scoped_fatal_throw report_instead_of_ending;
  try {
    read_save_header(header, reader);
  } catch (const fatal_error& e) {
    return load_error_text(e.what(), reader.name.c_str());
  }
  return {};
}

}  // namespace hm
