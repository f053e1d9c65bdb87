// Loads a module as the game does, starts a new game (with the module's start
// script) and prints the messages module code posts ("[message] text") and
// what the game holds: the table counts, the new game's player, its parties,
// every troop's gold, equipment and inventory, the factions' relations and the
// quests. The same seed gives the same output on every run,
// so module makers can check a module (and compare two versions of it) before
// they play it.
//
//   module_check [--data <dir>] [--generated <dir>] [--seed N]
//                [--export-language template|plain] <module>
//
// <module>    a module's name (a folder of the data folder's Modules/) or the
//             path of a module folder (its data folder is then two above it)
// --data      the data folder holding Modules/<module> (default: the
//             repository's data/)
// --generated the folder of the files the build makes (converted resource
//             files), looked up behind the data folder (default: the build's)
// --seed      the random seed of the run (default 1)
// --export-language
//             after the new game, writes the translators' templates of the
//             module into "new_language" of the data folder: "template" marks
//             every text the current language (language.txt) does not
//             translate with "{***}", "plain" writes translations or the
//             module's own texts unmarked
//
// A broken module stops with the loader's error message and exit code 255.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <utility>

#include "campaign/game/campaign_game.h"
#include "engine/core/log.h"
#include "engine/core/random.h"
#include "engine/resource/resource_manager.h"
#include "module/loading/game.h"
#include "module/records/game_menu.h"
#include "module/records/item_kind.h"
#include "module/loading/language_export.h"
#include "module/records/map_icon.h"
#include "module/records/mission_template.h"
#include "module/loading/module_loading.h"
#include "module/records/module_mesh.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/records/particle_system.h"
#include "module/records/party_template.h"
#include "module/records/presentation_table.h"
#include "module/records/script_table.h"
#include "module/text/string_table.h"
#include "module/text/translation_table.h"
#include "platform/fs.h"
#include "script/script_state.h"
#include "module/data/data_files.h"
#include "module/records/world_records.h"
#include "tools/module_tool.h"
#include "tools/terminal_ui.h"

namespace {

void usage(bool help = false) {
  std::fprintf(help ? stdout : stderr,
               "usage: module_check [--data <dir>] [--generated <dir>] [--seed N] [--export-language template|plain] "
               "<module>\n"
               "  <module>  a module's name (a folder of <data>/Modules/) or a module folder's path\n");
}

using hm::tools::faction_text;
using hm::tools::troop_text;

const char* slot_name(int slot) {
  static const char* const names[] = {"weapon 1", "weapon 2", "weapon 3", "weapon 4", "head",
                                      "body",     "foot",     "hand",     "horse",    "goods"};
  return names[slot];
}

std::string item_text(const hm::item& it) {
  const hm::item_kind* kind = it.get_kind();
  if (!kind) return it.kind < 0 ? "-" : "kind " + std::to_string(it.kind) + " (not in the item kinds)";
  std::string text = kind->id.c_str();
  const int modifier = it.modifier();
  if (modifier != 0) {
    text += " (modifier ";
    text += modifier < hm::item_modifier_count ? hm::g_item_modifiers[static_cast<std::size_t>(modifier)].id.c_str()
                                               : std::to_string(modifier).c_str();
    text += ")";
  }
  return text;
}

// "strength 9, agility 7, intelligence 5, charisma 5"
std::string attributes_text(const hm::troop& t) {
  static const char* const names[] = {"strength", "agility", "intelligence", "charisma"};
  std::string out;
  for (int a = 0; a < hm::troop_attribute_count; ++a)
    out += (a ? ", " : "") + std::string(names[a]) + " " + std::to_string(t.attributes[static_cast<std::size_t>(a)]);
  return out;
}

// The skills the troop has, by name: "Ironflesh 2, Riding 1"; "none".
std::string skills_text(const hm::troop& t) {
  std::string out;
  for (int k = 0; k < hm::skill_count; ++k) {
    const int level = t.get_raw_skill_level(k);
    if (level == 0) continue;
    const hm::skill& s = hm::g_skills[static_cast<std::size_t>(k)];
    const std::string name = s.name.empty() ? "skill " + std::to_string(k) : s.name.c_str();
    out += (out.empty() ? "" : ", ") + name + " " + std::to_string(level);
  }
  return out.empty() ? "none" : out;
}

void print_counts(const hm::game& g, const hm::campaign_game& campaign) {
  std::printf("item kinds %d\n", static_cast<int>(hm::g_item_kinds.size()));
  std::printf("game menus %d\n", static_cast<int>(hm::g_game_menus.size()));
  std::printf("map icons %d\n", static_cast<int>(hm::g_map_icons.size()));
  std::printf("mission templates %d\n", static_cast<int>(hm::g_mission_templates.size()));
  std::printf("party templates %d\n", static_cast<int>(hm::g_party_templates.size()));
  std::printf("particle systems %d\n", hm::g_particle_systems.count());
  std::printf("presentations %d\n", hm::g_presentation_table.count());
  std::printf("scripts %d (interval scripts %d)\n", hm::g_script_table.count(),
              hm::g_script_table.interval_script_count);
  std::printf("strings %d\n", hm::g_string_table.module_string_count());
  std::printf("quick strings %d\n", hm::g_string_table.quick_string_count());
  std::printf("meshes %d\n", hm::g_module_meshes.count());
  int active_skills = 0;
  for (const hm::skill& s : hm::g_skills) active_skills += (s.flags & hm::skill_flag_inactive) ? 0 : 1;
  std::printf("skills %d active\n", active_skills);
  std::printf("factions %d\n", g.faction_count());
  std::printf("troops %d\n", g.troop_count());
  std::printf("scenes %d\n", g.scene_count());
  std::printf("quests %d\n", g.quest_count());
  std::printf("triggers %d\n", g.triggers.count());
  std::printf("simple triggers %d\n", g.simple_triggers.count());
  std::printf("parties %d\n", static_cast<int>(campaign.active_parties().size()));
}

void print_player(const hm::game& g) {
  const hm::troop* p = g.find_troop(g.player_troop);
  if (!p) {
    std::printf("player: none (the module has no troops)\n");
    return;
  }
  std::printf("player %s: level %d, experience %d, hit points %d, gold %d\n", troop_text(g, g.player_troop).c_str(),
              p->level, p->experience, static_cast<int>(p->max_hit_points), p->gold);
  std::printf("  %s; points to spend: attributes %d, skills %d, proficiencies %d\n", attributes_text(*p).c_str(),
              p->attribute_points, p->skill_points, p->proficiency_points);
  std::printf("  skills: %s\n", skills_text(*p).c_str());
}

void print_parties(const hm::campaign_game& campaign) {
  const hm::party_pool& pool = campaign.state.parties;
  const hm::game& g = campaign.world_game;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
    const hm::party& p = *pool.find_active(id);
    const bool has_template =
        p.template_index >= 0 && p.template_index < static_cast<int>(hm::g_party_templates.size());
    const std::string from =
        has_template ? hm::g_party_templates[static_cast<std::size_t>(p.template_index)].id.c_str() : "none";
    // A party spawned from a template carries the template's id as its own.
    if (has_template && from == p.identifier.c_str())
      std::printf("party %d \"%s\", spawned from template %s", p.id, p.name.c_str(), from.c_str());
    else
      std::printf("party %d %s \"%s\", template %s", p.id, p.identifier.c_str(), p.name.c_str(), from.c_str());
    std::printf(": faction %s, at %.2f %.2f%s\n", faction_text(g, p.faction).c_str(),
                static_cast<double>(p.position.x), static_cast<double>(p.position.y),
                p.id == campaign.state.player_party ? ", the player's party" : "");
    for (int i = 0; i < p.stack_count; ++i) {
      const hm::troop_stack& s = p.stacks[static_cast<std::size_t>(i)];
      std::printf("  %d %sx %s", s.count, s.is_prisoners() ? "prisoners " : "", troop_text(g, s.troop).c_str());
      if (s.wounded > 0) std::printf(", %d wounded", s.wounded);
      if (s.ready_to_upgrade > 0) std::printf(", %d ready to upgrade", s.ready_to_upgrade);
      std::printf("\n");
    }
  }
}

void print_equipment(const hm::game& g) {
  for (int i = 0; i < g.troop_count(); ++i) {
    const hm::troop& t = g.troops[static_cast<std::size_t>(i)];
    std::printf("troop %d %s: level %d, gold %d\n", i, troop_text(g, i).c_str(), t.level, t.gold);
    std::printf("  %s\n", attributes_text(t).c_str());
    std::printf("  skills: %s\n", skills_text(t).c_str());
    for (int slot = 0; slot < hm::troop_equipment_slots; ++slot) {
      const hm::item& it = t.equipment[static_cast<std::size_t>(slot)];
      if (it.kind >= 0) std::printf("  %s: %s\n", slot_name(slot), item_text(it).c_str());
    }
    std::string carried;
    for (int slot = 0; slot < t.get_inventory_capacity(); ++slot) {
      const hm::item& it = t.inventory[static_cast<std::size_t>(slot)];
      if (it.kind < 0) continue;
      if (!carried.empty()) carried += ", ";
      carried += item_text(it);
    }
    if (!carried.empty()) std::printf("  inventory: %s\n", carried.c_str());
  }
}

// "started, succeeded"; "not started" for none of the bits; the low byte that
// module code may set follows as its value.
std::string quest_status_text(std::uint32_t status) {
  static const std::pair<std::uint32_t, const char*> bits[] = {
      {0x100, "started"}, {0x200, "completed"}, {0x400, "succeeded"}, {0x800, "failed"}, {0x1000, "concluded"}};
  std::string out;
  for (const auto& [bit, name] : bits)
    if (status & bit) out += (out.empty() ? "" : ", ") + std::string(name);
  if (out.empty()) out = "not started";
  if (status & 0xFF) out += ", value " + std::to_string(status & 0xFF);
  return out;
}

// What the start script left of the factions' relations and the quests.
void print_world(const hm::game& g) {
  const int n = g.faction_count();
  std::size_t id_width = 0;
  for (const hm::faction& f : g.factions) id_width = std::max(id_width, std::string_view(f.id.c_str()).size());
  const int label_width = static_cast<int>(id_width) + 4;
  std::printf("faction relations (-1 hostile .. 1 friendly), row towards column:\n");
  std::printf("  %*s", label_width, "");
  for (int b = 0; b < n; ++b) std::printf(" %6d", b);
  std::printf("\n");
  for (int a = 0; a < n; ++a) {
    const hm::faction& f = g.factions[static_cast<std::size_t>(a)];
    std::printf("  %-3d %-*s", a, static_cast<int>(id_width), f.id.c_str());
    for (int b = 0; b < n; ++b) std::printf(" %6.2f", static_cast<double>(f.relations[static_cast<std::size_t>(b)]));
    std::printf("\n");
  }
  for (int i = 0; i < g.quest_count(); ++i) {
    const hm::quest& q = g.quests[static_cast<std::size_t>(i)];
    std::printf("quest %d %s \"%s\": %s, giver %s\n", i, q.id.c_str(), q.name.c_str(),
                quest_status_text(static_cast<std::uint32_t>(q.status)).c_str(), troop_text(g, q.giver_troop).c_str());
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  std::string module_name;
  unsigned long seed = 1;
  enum class export_mode { none, template_marks, plain } export_language = export_mode::none;
  std::string module_arg;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool has_value = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      usage(true);
      return 0;
    } else if ((arg == "--data" || arg == "--generated" || arg == "--seed" || arg == "--export-language") &&
               !has_value) {
      std::fprintf(stderr, "module_check: %s needs a value\n", arg.c_str());
      usage();
      return 2;
    } else if (arg == "--data") {
      data_dir = argv[++i];
    } else if (arg == "--generated") {
      generated_dir = argv[++i];
    } else if (arg == "--seed") {
      char* end = nullptr;
      errno = 0;
      seed = std::strtoul(argv[++i], &end, 10);
      if (errno != 0 || !end || *end != 0 || argv[i][0] == '-' || seed > 0xFFFFFFFFul) {
        std::fprintf(stderr, "module_check: --seed needs a number from 0 to 4294967295, not \"%s\"\n", argv[i]);
        return 2;
      }
    } else if (arg == "--export-language") {
      const std::string mode = argv[++i];
      if (mode == "template") {
        export_language = export_mode::template_marks;
      } else if (mode == "plain") {
        export_language = export_mode::plain;
      } else {
        std::fprintf(stderr, "module_check: --export-language needs \"template\" or \"plain\", not \"%s\"\n",
                     mode.c_str());
        return 2;
      }
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "module_check: unknown argument \"%s\"\n", arg.c_str());
      usage();
      return 2;
    } else if (!module_arg.empty()) {
      std::fprintf(stderr, "module_check: one module at a time (\"%s\" and \"%s\" given)\n", module_arg.c_str(),
                   arg.c_str());
      return 2;
    } else {
      module_arg = arg;
    }
  }
  if (module_arg.empty()) {
    std::fprintf(stderr, "module_check: name the module to check\n");
    usage();
    return 2;
  }
  hm::tools::split_module_argument(module_arg, data_dir, module_name);
  if (!hm::tools::enter_module("module_check", data_dir, generated_dir, module_name)) return 2;

  hm::random_seed(static_cast<std::uint32_t>(seed));
  hm::install_module_script_host();
  // The messages module code posts (the start script's among them) are
  // printed as they come.
  hm::terminal_ui ui;
  hm::script_host host = hm::current_script_host();
  host.ui = &ui;
  hm::set_script_host(host);
  hm::load_core_resource_files();
  // The engine's own translations; the module's follow when it loads.
  hm::load_translations("");
  hm::load_whole_module(module_name);

  // The running game, as module code sees it.
  hm::g_game = std::make_unique<hm::game>();
  hm::game& g = *hm::g_game;
  hm::campaign_game campaign(g);
  campaign.install_script_host();
  hm::set_up_new_game(g, &campaign);
  campaign.run_game_start();

  std::printf("module %s, seed %lu\n", module_name.c_str(), seed);
  print_counts(g, campaign);
  print_player(g);
  print_parties(campaign);
  print_equipment(g);
  print_world(g);
  if (export_language != export_mode::none) {
    const int files = hm::export_language_templates(export_language == export_mode::template_marks, &g);
    std::printf("language templates: %d files in %s\n", files, hm::language_export_folder);
  }
  return 0;
}
