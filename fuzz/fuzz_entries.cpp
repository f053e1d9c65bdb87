#include "engine/app/recorded_input.h"
#include "fuzz/fuzz_entries.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <limits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "campaign/game/campaign_game.h"
#include "campaign/map/map_file.h"
#include "campaign/map/map_navigation.h"
#include "campaign/party/party_pool.h"
#include "campaign/save/save_format.h"
#include "script/script_state.h"
#include "engine/audio/sound_manager.h"
#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/game_options.h"
#include "engine/settings/key_bindings.h"
#include "engine/settings/ruv_config.h"
#include "engine/text/font_details.h"
#include "platform/net.h"
#include "module/records/action_table.h"
#include "module/records/conversation_loader.h"
#include "module/data/data_files.h"
#include "module/loading/game.h"
#include "module/records/game_menu.h"
#include "module/base/ini_table.h"
#include "module/records/item_kind.h"
#include "module/records/map_icon.h"
#include "module/records/mission_template.h"
#include "module/loading/module_info.h"
#include "module/records/module_mesh.h"
#include "module/base/module_text.h"
#include "module/media/music_player.h"
#include "module/records/particle_system.h"
#include "module/records/party_template.h"
#include "module/records/presentation_table.h"
#include "module/records/scene_prop.h"
#include "module/records/script_table.h"
#include "module/data/skeleton_bodies.h"
#include "module/media/face_code_text.h"
#include "module/media/skin.h"
#include "module/text/string_table.h"
#include "module/media/tableau_material.h"
#include "module/text/translation_table.h"
#include "module/records/trigger_loaders.h"
#include "module/troops/troop.h"
#include "module/records/world_records.h"
#include "platform/audio/audio_file.h"
#include "platform/gpu/effect.h"
#include "platform/gpu/image_file.h"
#include "platform/png_file.h"
#include "tools/tones.h"
#include "ui/character/character_file.h"
#include "platform/settings_store.h"
#include "render/scene/scene_objects.h"
#include "render/terrain/ai_mesh.h"
#include "render/terrain/ground_paint.h"
#include "render/terrain/terrain_generator.h"
#include "script/debugger/script_debugger.h"
#include "script/debugger/watch_text.h"
#include "script/operation.h"
#include "script/script_state.h"
#include "ui/manager/ui_manager.h"
#include "ui/widget/widget_kinds.h"

namespace hm::fuzz {
namespace {

namespace fs = std::filesystem;

// A private scratch folder for the readers that take a file name; the user
// settings folder points into it so options.dat and controls.dat are read from
// there. The folder goes with its name when the process ends: the one object
// owns both, so the clean-up never reads a name already destroyed.
class scratch_folder {
 public:
  scratch_folder() : path_(fs::temp_directory_path() / ("hoofmarch_fuzz_" + std::to_string(getpid()))) {
    fs::create_directories(path_ / "Hoofmarch");
    setenv("XDG_DATA_HOME", path_.c_str(), 1);
  }
  ~scratch_folder() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  scratch_folder(const scratch_folder&) = delete;
  scratch_folder& operator=(const scratch_folder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

const fs::path& scratch() {
  static const scratch_folder folder;
  return folder.path();
}

std::string write_scratch(const char* name, const std::uint8_t* data, std::size_t size) {
  const fs::path p = scratch() / name;
  std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  return p.string();
}

// The resources the sample data defines (meshes, bodies, skeletons, materials),
// loaded once into the global resource manager, so that the module loaders'
// lookups of them succeed and the fuzzers reach past them.
void load_sample_resources() {
  static const bool loaded = [] {
    install_mesh_hooks(g_resource_manager);
    const fs::path data = fs::path(HOOFMARCH_SOURCE_DIR) / "data";
    const fs::path core = data / "CommonRes";
    const fs::path sample = data / "Modules" / "Sample" / "Resource";
    // In the order the game loads them: what a file names must come first.
    const fs::path files[] = {core / "core_shaders.trf",        core / "core_textures.trf",
                              core / "core_materials.trf",      core / "core_ui_meshes.trf",
                              core / "core_pictures.trf",       sample / "sample_materials.trf",
                              sample / "sample_meshes.trf",     sample / "sample_bodies.trf",
                              sample / "sample_skeletons.trf",  sample / "sample_props.trf",
                              sample / "sample_faces.trf"};
    for (const fs::path& file : files) {
      scoped_fatal_throw fatal_is_reported;
      try {
        text_reader r;
        if (r.open(file.string())) g_resource_manager.read_resource_file(r);
      } catch (const fatal_error& error) {
        std::fprintf(stderr, "fuzz set-up: %s: %s\n", file.c_str(), error.what());
      }
    }
    engine_log().clear();
    return true;
  }();
  (void)loaded;
}

std::string text_of(const std::uint8_t* data, std::size_t size) {
  return std::string(reinterpret_cast<const char*>(data), size);
}

void tga(const std::uint8_t* data, std::size_t size) {
  platform::gpu::image img;
  std::string error;
  platform::gpu::read_tga(data, size, img, error);
}

void png(const std::uint8_t* data, std::size_t size) { platform::decode_png(data, size); }

// A module's Sounds/tones.txt as make_module and make_sounds read it.
void tone_list(const std::uint8_t* data, std::size_t size) {
  std::vector<tools::tone> tones;
  std::string error;
  tools::read_tone_list(write_scratch("tones.txt", data, size), tones, error);
}

void dds(const std::uint8_t* data, std::size_t size) {
  platform::gpu::image img;
  std::string error;
  if (platform::gpu::read_dds(data, size, img, error) && !img.levels.empty()) {
    platform::gpu::decode_level(img.fmt, img.width, img.height, img.levels[0].data(), img.levels[0].size());
  }
}

void resource_file(stream& s) {
  resource_manager manager;
  install_mesh_hooks(manager);
  manager.read_resource_file(s);
}

void brf(const std::uint8_t* data, std::size_t size) {
  binary_reader r;
  r.open_memory("fuzz.brf", data, size);
  resource_file(r);
}

void trf(const std::uint8_t* data, std::size_t size) {
  text_reader r;
  r.open_memory("fuzz.trf", data, size);
  resource_file(r);
}

// Values of every kind in an order the input's first byte chooses.
void read_values(stream& s, std::uint8_t order) {
  for (int i = 0; i < 64; ++i) {
    switch ((order + i) % 8) {
      case 0: { std::int32_t v; s.read_int(v); break; }
      case 1: { float v; s.read_float(v); break; }
      case 2: { ruv_string v; s.read_string(v); break; }
      case 3: { std::uint64_t v; s.read_u64(v); break; }
      case 4: { std::int64_t v; s.read_i64(v); break; }
      case 5: { bool v; s.read_bool(v); break; }
      case 6: { char v; s.read_char(v); break; }
      case 7: {
        binary_writer nested;
        s.read_stream(nested);
        break;
      }
    }
  }
}

void binary_stream_values(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  binary_reader r;
  r.open_memory("fuzz.bin", data + 1, size - 1);
  read_values(r, data[0]);
}

void text_stream_values(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  text_reader r;
  r.open_memory("fuzz.txt", data + 1, size - 1);
  read_values(r, data[0]);
}

void options(const std::uint8_t* data, std::size_t size) {
  write_scratch("Hoofmarch/options.dat", data, size);
  game_options o;
  read_options(o);
}

void controls(const std::uint8_t* data, std::size_t size) {
  write_scratch("Hoofmarch/controls.dat", data, size);
  key_bindings k;
  load_controls(k);
}

void ruv_config_file(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (!file) return;
  ruv_config c;
  set_ruv_config_defaults(c);
  read_ruv_config(c, file);
  std::fclose(file);
}

// A version server's answer: split into status and body, then the version
// number its body starts with.
void http_answer(const std::uint8_t* data, std::size_t size) {
  const std::string answer(reinterpret_cast<const char*>(data), size);
  platform::http_response out;
  if (platform::parse_http_response(answer, out)) platform::leading_decimal(out.body);
  platform::leading_decimal(answer);
}

void settings_store_file(const std::uint8_t* data, std::size_t size) {
  platform::settings_store store(write_scratch("settings", data, size));
  store.load();
}

void effect(const std::uint8_t* data, std::size_t size) {
  platform::gpu::effect_source source;
  std::string error;
  platform::gpu::parse_effect_source(text_of(data, size), source, error);
}

void recorded_input_file(const std::uint8_t* data, std::size_t size) {
  std::vector<recorded_input_event> events;
  recorded_input_error error;
  if (!parse_recorded_input(text_of(data, size), events, error)) return;
  // Replaying every frame of a parsed file stays within the devices' tables.
  recorded_input replay(std::move(events));
  std::array<std::uint8_t, platform::key_code_count> keys{};
  platform::mouse_report report;
  for (std::uint32_t frame = 1; !replay.finished() && frame < 4096; ++frame) {
    replay.advance_to(frame);
    replay.keyboard().read_state(keys);
    replay.mouse().read_state(report);
  }
  replay.advance_to(std::numeric_limits<std::uint32_t>::max());
}

void font(const std::uint8_t* data, std::size_t size) {
  font_details f;
  read_font_details(f, write_scratch("font_data.xml", data, size).c_str());
}

void skeleton_bodies(const std::uint8_t* data, std::size_t size) {
  load_skeleton_bodies_from_text(text_of(data, size).c_str());
}

// A character file of the player's data folder: read as key and value lines,
// applied to a character, and the text taken as a typed name for the file.
void character_file(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (!file) return;
  ini_table table;
  read_ini_file(table, file);
  std::fclose(file);
  troop t;
  t.name = ruv_string("Fuzzed");
  import_character(t, table);
  (void)write_character_text(t);
  (void)safe_character_file_name(std::string_view(reinterpret_cast<const char*>(data), size));
}

void module_ini(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (!file) return;
  ini_table table;
  read_ini_file(table, file);
  std::fclose(file);
  process_module_info(table, [](const ruv_string&, bool) {});
}

// The module system's source files the script debugger reads: the script
// list, each listed script's statements and their annotated texts.
void script_sources(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> names = parse_script_ids(text);
  names.push_back("first_script");
  if (names.size() > 4) names.resize(4);
  statement_block block;
  block.operations.resize(3);
  for (operation& op : block.operations) {
    op.opcode_word = 2133;
    op.param_count = 3;
    op.params[0] = make_operand(operand_tag::reg, 1);
    op.params[1] = make_operand(operand_tag::local_variable, 2);
    op.params[2] = -1;
  }
  std::int64_t locals[script_local_count] = {};
  for (std::string& name : names) {
    if (name.rfind("script_", 0) == 0) name.erase(0, 7);
    list_script_statements(text, name);
    block.name = ruv_string(std::string_view("script: " + name));
    for (int statement = 0; statement < 5; ++statement) {
      std::size_t start = 0, end = 0;
      debugger_watch_text(text, block, locals, statement, start, end);
    }
  }
}

void statement_block_text(const std::uint8_t* data, std::size_t size) {
  text_reader r;
  r.open_memory("fuzz.txt", data, size);
  statement_block block;
  load_statement_block(block, r);
}

// A module text with its "{...}" tokens and carets, shown through the
// engine's own token expander over the script state.
void text_format(const std::uint8_t* data, std::size_t size) {
  const ruv_string text(std::string_view(reinterpret_cast<const char*>(data), size));
  const ruv_string shown = format_text(text);
  static_cast<void>(shown);
}

// The module's text files: the first byte chooses the loader. Each reads the
// file as the module's loading does, header included where it has one.
void module_text(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  load_sample_resources();
  text_reader r;
  r.open_memory("fuzz.txt", data + 1, size - 1);
  const auto with_header = [&r]() -> text_reader& {
    read_module_header(r);
    return r;
  };
  switch (data[0] % 32) {
    case 0: { script_table t; load_scripts(t, r); break; }
    case 1: { string_table t; load_module_strings(t, with_header()); break; }
    case 2: { string_table t; load_quick_strings(t, r); break; }
    case 3: { std::vector<game_menu> t; load_record_table(with_header(), t, "menus", load_game_menus); break; }
    case 4: { std::vector<map_icon> t; read_map_icons_header(r); load_record_table(r, t, "map icons", load_map_icons); break; }
    case 5: { std::vector<mission_template> t; load_record_table(with_header(), t, "mission templates", load_mission_templates); break; }
    case 6: { module_mesh_table t; load_module_meshes(t, r); break; }
    case 7: { particle_system_table t; load_particle_systems(t, with_header()); break; }
    case 8: { std::vector<party_template> t; load_record_table(with_header(), t, "party templates", load_party_templates); break; }
    case 9: { presentation_table t; load_presentations(t, r); break; }
    case 10: { std::vector<scene_prop> t; load_scene_props(t, r); break; }
    case 11: { tableau_material_table t; load_tableau_materials(t, r); break; }
    case 12: { std::vector<item_kind> t; load_item_kinds(t, r); break; }
    case 13: { music_player p; load_music(p, r); break; }
    case 14: { trigger_list t; load_triggers(t, with_header(), ruv_string("fuzz")); break; }
    case 15: { action_table t; read_action_table(r, t); break; }
    case 16: { std::vector<troop> t; load_record_table(with_header(), t, "troops", [](troop& x, text_reader& in) { x.read(in); }); break; }
    case 17: { game g; read_factions(g, with_header()); break; }
    case 18: { game g; read_scenes(g, with_header()); break; }
    case 19: { std::vector<quest> t; load_record_table(with_header(), t, "quests", [](quest& x, text_reader& in) { x.read(in); }); break; }
    case 20: { std::array<skill, skill_count> t; load_skills(t, r); break; }
    case 21: { party_pool p; p.read(with_header(), 8); break; }
    case 22: { skin_table t; read_skins(t, with_header()); break; }
    case 23: { sound_manager m; load_sounds(m, with_header(), 1, scratch().string() + "/"); break; }
    case 24: { simple_trigger_list t; load_simple_triggers(t, with_header(), ruv_string("fuzz"), 2); break; }
    default: { conversation c; load_dialogs(c, with_header()); break; }
  }
}

// conversation.txt after its header.
void conversation_text(const std::uint8_t* data, std::size_t size) {
  text_reader r;
  r.open_memory("conversation.txt", data, size);
  read_module_header(r);
  conversation c;
  load_dialogs(c, r);
}

// A scene-object file, against a few scene-prop kinds.
void scene_objects_file(const std::uint8_t* data, std::size_t size) {
  static const std::vector<scene_prop_kind_ref> kinds = {
      {ruv_string("spr_barrel"), 0}, {ruv_string("spr_door"), 500}, {ruv_string("spr_tree"), 0}};
  binary_reader r;
  r.open_memory("fuzz.sco", data, size);
  scene_objects scene;
  read_scene_objects(r, scene, 0, kinds, "fuzz");
  // The two blobs the file carries, as the mission set-up reads them.
  binary_reader graph_blob;
  graph_blob.open_memory("fuzz.sco navigation graph", scene.ai_mesh_data.data(), scene.ai_mesh_data.size());
  ai_mesh graph;
  if (graph.read(graph_blob, "fuzz")) graph.link_edges_to_faces();
  binary_reader paint_blob;
  paint_blob.open_memory("fuzz.sco ground paint", scene.ground_paint_data.data(), scene.ground_paint_data.size());
  if (!scene.ground_paint_data.empty()) {
    ground_paint paint;
    read_ground_paint(paint_blob, paint, {ruv_string("gray_stone"), ruv_string("snow")});
  }
}

// A translation file's lines, then lookups of what it may have defined.
void translations(const std::uint8_t* data, std::size_t size) {
  translation_table table;
  const std::string contents = text_of(data, size);
  table.read_translation_lines(contents);
  table.find_translation(contents.substr(0, contents.find('|')));
  table.get_string_by_id("ui_value_money");
}

// A terrain code in its text form, then the terrain it describes, generated
// without a scene or module kinds.
void terrain_code_text(const std::uint8_t* data, std::size_t size) {
  terrain_generator generator;
  generator.code.parse(text_of(data, size));
  generator.code.to_string();
  generator.generate_terrain();
  generator.add_features();
}

// A face code typed or pasted by a player: refused, or read into words whose
// texts read back to the same words, and whose face on a skin of every size
// codes and decodes again without leaving the fields' ranges.
void face_code_text(const std::uint8_t* data, std::size_t size) {
  face_code code{};
  if (!parse_face_code(text_of(data, size), code)) return;
  face_code again{};
  if (!parse_face_code(face_code_clipboard_text(code), again) || again != code) std::abort();
  if (!parse_face_code(face_code_display_text(code), again) || again != code) std::abort();
  skin s;
  s.hair_meshes.assign(static_cast<std::size_t>(size % (max_skin_hair_meshes + 1)), nullptr);
  s.beards.resize(size % (max_skin_beards + 1));
  s.face_textures.resize(size % (max_skin_face_textures + 1));
  s.hair_textures.assign(size % (max_skin_hair_textures + 1), ruv_string("hair"));
  s.face_keys.resize(size % (face_morph_slots + 1));
  const face_state f = decode_face_code(code, s, 0);
  if (f.hair >= static_cast<int>(s.hair_meshes.size()) || f.beard >= static_cast<int>(s.beards.size()) ||
      f.hair < -1 || f.beard < -1 || f.face_texture < 0 || f.hair_material < 0)
    std::abort();
  if (decode_face_code(encode_face_code(f, s), s, 0).hair != f.hair) std::abort();
}

// The game's Data files: the first byte chooses the reader.
void data_files(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return;
  load_sample_resources();
  text_reader r;
  r.open_memory("fuzz.txt", data + 1, size - 1);
  switch (data[0] % 5) {
    case 0: { std::array<item_modifier, item_modifier_count> t; read_item_modifiers(r, t); break; }
    case 1: { std::vector<flora_kind> t; read_flora_kinds(r, t); break; }
    case 2: { std::array<ground_spec, ground_spec_count> t; read_ground_specs(r, t); break; }
    case 3: { std::vector<skybox> t; read_skyboxes(r, t); break; }
    default: { std::array<mission_type, mission_type_count> t; read_mission_types(r, t); break; }
  }
}

// The party pool in the short form of the module's parties.txt (after its
// header), with eight troops.
void parties(const std::uint8_t* data, std::size_t size) {
  text_reader r;
  r.open_memory("parties.txt", data, size);
  party_pool pool;
  pool.read(r, 8);
}

// A saved game read into a small world: five troops (the first a hero),
// three factions, two scenes, two quests, two triggers, a simple trigger, two
// party templates and three item kinds.
void save_game_file(const std::uint8_t* data, std::size_t size) {
  game g;
  g.troops.resize(5);
  g.troops[0].flags = troop_flag::hero;
  g.factions.resize(3);
  for (int i = 0; i < 2; ++i) g.scenes.push_back(std::make_unique<scene>());
  g.quests.resize(2);
  g.triggers.triggers.resize(2);
  g.simple_triggers.triggers.resize(1);
  g_party_templates.assign(2, party_template{});
  g_item_kinds.assign(3, item_kind{});
  campaign_game c(g);
  g.parties = &c;
  binary_reader r;
  r.open_memory("sg00.sav", data, size);
  save_header header;
  read_save_header(header, r);
  read_game_state(g, c, r);
}

// The world map's map.txt: read, linked and prepared for movement, then the
// face under a few points and a path between the first and last faces.
void map_text(const std::uint8_t* data, std::size_t size) {
  world_map m;
  map_file_error error;
  if (!parse_map_text(text_of(data, size), m, error)) return;
  m.link_records();
  init_map(m);
  for (const map_vertex& v : m.vertices) {
    const int face = m.find_face_at(v.x + 0.01f, v.y + 0.01f);
    if (face >= 0) (void)m.height_at(face, v.x, v.y);
  }
  if (m.faces.empty()) return;
  map_path_result path;
  const int last = m.face_count() - 1;
  search_map_path(m, 0, last, m.faces.back().centre.x, m.faces.back().centre.y, 10000.0f, path);
  walk_straight(m, 0, m.faces[0].centre.x, m.faces[0].centre.y, last, m.faces.back().centre.x,
                m.faces.back().centre.y, 0xFFFFFFFFu, 200);
}

void sound(const std::uint8_t* data, std::size_t size) {
  platform::decoded_sound out;
  platform::decode_sound_file(write_scratch("sound.ogg", data, size), (size & 1) != 0, out);
}

// A text from the language files as the widgets show it: decoded, laid out in a
// label that sizes itself to it, fitted on a button and in a combo box, and
// typed into a text box a byte a character (those below 32 as its keys).
void widget_text(const std::uint8_t* data, std::size_t size) {
  load_sample_resources();
  static font_details font;
  g_ui_manager.default_font = &font;
  const std::string text = text_of(data, size);
  std::int32_t codes[64];
  decode_utf8(text, codes, 64);
  {
    widget label;
    label.set_size({0.3f, 0.05f});
    label.text_flags |= ui_text_flag::size_to_text;
    label.set_text(ruv_string(text));
    medium_button button;
    button.set_size({0.2f, 0.04f});
    button.set_text(ruv_string(text));
    combobox box;
    box.add_item(ruv_string(text));
    box.set_value(static_cast<std::int32_t>(size));
    text_box entry;
    entry.handle_event(ui_event::press);
    for (const char ch : text) {
      const auto c = static_cast<std::int32_t>(static_cast<unsigned char>(ch));
      g_ui_manager.typed_character = c < 32 ? c : c | (c << 4);
      entry.handle_event(ui_event::character);
    }
  }
  g_ui_manager.typed_character = -1;
  g_ui_manager.clear();
  g_ui_manager.release_meshes();
  g_ui_manager.default_font = nullptr;
}

}  // namespace

const std::vector<entry>& entries() {
  static const std::vector<entry> all = {
      {"tga", tga},
      {"png", png},
      {"tone_list", tone_list},
      {"dds", dds},
      {"brf", brf},
      {"trf", trf},
      {"binary_stream", binary_stream_values},
      {"text_stream", text_stream_values},
      {"options", options},
      {"controls", controls},
      {"ruv_config", ruv_config_file},
      {"settings_store", settings_store_file},
      {"http_answer", http_answer},
      {"effect", effect},
      {"font", font},
      {"skeleton_bodies", skeleton_bodies},
      {"module_ini", module_ini},
      {"statement_block", statement_block_text},
      {"script_sources", script_sources},
      {"text_format", text_format},
      {"module_text", module_text},
      {"data_files", data_files},
      {"sound", sound},
      {"parties", parties},
      {"save_game", save_game_file},
      {"map_text", map_text},
      {"conversation", conversation_text},
      {"scene_objects", scene_objects_file},
      {"translations", translations},
      {"terrain_code", terrain_code_text},
      {"face_code", face_code_text},
      {"widget_text", widget_text},
      {"recorded_input", recorded_input_file},
      {"character_file", character_file},
  };
  return all;
}

bool run_entry(std::string_view name, const std::uint8_t* data, std::size_t size) {
  for (const entry& e : entries()) {
    if (name != e.name) continue;
    scoped_fatal_throw fatal_is_a_clean_end;
    try {
      e.run(data, size);
    } catch (const fatal_error& error) {
      // Set to see where each seed stops, when checking that a seed reaches
      // deep into its reader.
      static const bool verbose = std::getenv("HOOFMARCH_FUZZ_VERBOSE") != nullptr;
      if (verbose) std::fprintf(stderr, "%s: fatal: %s\n", e.name, error.what());
    }
    // The log is not open here: what the readers wrote to it is kept in memory,
    // which must not grow over millions of inputs.
    engine_log().clear();
    return true;
  }
  return false;
}

}  // namespace hm::fuzz
