// play_conversation: plays a conversation of a module in the terminal, so
// module makers can test their dialogs. It loads the module as the game does
// (every loading step), sets up a new game of it from the world files and
// parties.txt, runs the module's "game_start" script, then shows the partner's line and the player's numbered choices and
// reads the choice as a number from standard input, running the real
// conditions and consequences. Messages that module code shows, script errors
// among them, are printed as "[message] ..." lines.
//
//   play_conversation --partner <troop> [--party <party>] [--state N] [--seed N]
//                     [--data <dir>] [--generated <dir>] <module>
//
// <module>    a module's name (a folder of the data folder's Modules/) or the
//             path of a module folder (its data folder is then two above it)
// --partner   the troop the player talks to, by id (trp_merchant) or number;
//             not the player's own troop
// --party     the partner's party, by id (p_looter_band) or number (default:
//             none)
// --state     the state the conversation starts in (default 0)
// --seed      the random seed of the new game (default 1)
// --data      the data folder that holds Modules/ (default: the repository's data/)
// --generated the folder of the files the build makes (default: the build's)
//
// A line with nothing to choose waits for Enter ("continue"); a single choice
// is taken at once, as the conversation window does. The end of input ends
// the conversation. Exit code 0 when the conversation closed, 1 when input
// ran out first, 2 for bad arguments.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "engine/core/log.h"
#include "engine/core/random.h"
#include "campaign/game/campaign_game.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"
#include "module/media/tableau_material.h"
#include "module/text/translation_table.h"
#include "platform/fs.h"
#include "module/loading/module_script_host.h"
#include "script/dialog/conversation.h"
#include "script/ops/end_game.h"
#include "script/game_hooks.h"
#include "script/interpreter.h"
#include "script/script_host.h"
#include "script/script_state.h"
#include "tools/module_tool.h"
#include "tools/terminal_ui.h"

namespace {

using namespace hm;

struct options {
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  int seed = 1;
  std::string module;
  int state = 0;
  std::string partner;
  std::string party;
};

void usage(bool help = false) {
  std::fprintf(help ? stdout : stderr,
               "usage: play_conversation --partner <troop> [--party <party>] [--state N] [--seed N] [--data <dir>] "
               "[--generated <dir>] <module>\n"
               "  <troop>, <party>  an id (trp_merchant, p_looter_band) or a number\n"
               "  <module>          a module's name (a folder of <data>/Modules/) or a module folder's path\n");
}

// False, with the reason printed, for an argument the tool cannot use.
bool parse(int argc, char** argv, options& out) {
  std::string module_arg;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const char* value = nullptr;
    if (arg.starts_with("--") && arg != "--help") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "play_conversation: %s needs a value\n", arg.c_str());
        return false;
      }
      value = argv[i + 1];
    }
    auto number = [&](int& target, int low, int high) {
      char* end = nullptr;
      errno = 0;
      const long v = std::strtol(value, &end, 10);
      if (errno != 0 || end == value || *end != '\0' || v < low || v > high) {
        std::fprintf(stderr, "play_conversation: %s needs a number from %d to %d, not \"%s\"\n", arg.c_str(), low,
                     high, value);
        return false;
      }
      target = static_cast<int>(v);
      return true;
    };
    if (arg == "--help" || arg == "-h") {
      usage(true);
      std::exit(0);
    } else if (arg == "--data") {
      out.data_dir = value;
    } else if (arg == "--generated") {
      out.generated_dir = value;
    } else if (arg == "--seed") {
      if (!number(out.seed, 0, 2147483647)) return false;
    } else if (arg == "--state") {
      if (!number(out.state, 0, 2147483647)) return false;
    } else if (arg == "--partner") {
      out.partner = value;
    } else if (arg == "--party") {
      out.party = value;
    } else if (!arg.empty() && arg[0] == '-') {
      std::fprintf(stderr, "play_conversation: unknown argument \"%s\"\n", arg.c_str());
      return false;
    } else if (!module_arg.empty()) {
      std::fprintf(stderr, "play_conversation: one module at a time (\"%s\" and \"%s\" given)\n", module_arg.c_str(),
                   arg.c_str());
      return false;
    } else {
      module_arg = arg;
      continue;
    }
    if (value) ++i;
  }
  if (module_arg.empty()) {
    std::fprintf(stderr, "play_conversation: name the module\n");
    return false;
  }
  hm::tools::split_module_argument(module_arg, out.data_dir, out.module);
  return true;
}

// A record named by its id or its number: the index, or -1 when none of the
// `count` records answers to the text.
template <typename Id>
int find_record(const std::string& text, int count, Id id_of) {
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (end != text.c_str() && *end == '\0') return v >= 0 && v < count ? static_cast<int>(v) : -1;
  for (int i = 0; i < count; ++i)
    if (text == id_of(i)) return i;
  return -1;
}

// The troops a partner may be, for the message that refuses another.
std::string partner_list(const game& g) {
  std::string out;
  for (int i = 0; i < g.troop_count(); ++i)
    if (i != g.player_troop) out += (out.empty() ? "" : ", ") + std::string(g.troops[static_cast<std::size_t>(i)].id.c_str());
  return out.empty() ? "none" : out;
}

std::string speaker_name(const conversation& talk) {
  const int troop = talk.get_line_speaker_troop();
  if (talk.current_line >= 0 && (talk.lines[static_cast<std::size_t>(talk.current_line)].speaker_word &
                                 dialog_bits::player_line) != 0)
    return "You";
  const ruv_string name = current_script_host().module->troop_name(troop);
  if (!name.empty()) return std::string(name.view());
  // The new game's troop, in the current language.
  if (const hm::troop* t = g_game ? g_game->find_troop(troop) : nullptr)
    return std::string(translate_record_name(t->id, t->name).view());
  return "Troop " + std::to_string(troop);
}

void show_current_line(const conversation& talk) {
  if (talk.current_line < 0) return;
  std::printf("%s: %s\n", speaker_name(talk).c_str(), talk.current_text.c_str());
}

// Reads a choice 1..count; false at the end of input.
bool read_choice(int count, int& choice) {
  std::string line;
  while (true) {
    std::printf("> ");
    std::fflush(stdout);
    if (!std::getline(std::cin, line)) {
      std::printf("\n");
      return false;
    }
    char* end = nullptr;
    const long v = std::strtol(line.c_str(), &end, 10);
    if (end != line.c_str() && v >= 1 && v <= count) {
      choice = static_cast<int>(v) - 1;
      return true;
    }
    std::printf("Choose 1 to %d.\n", count);
  }
}

// Runs the conversation; true when it closed, false when input ran out.
bool play(conversation& talk) {
  while (true) {
    show_current_line(talk);
    if (talk.should_close()) break;
    const int count = talk.advance_automatic_lines_for();
    if (talk.should_close()) {
      show_current_line(talk);
      break;
    }
    if (count == 0) {
      std::printf("  (continue)\n> ");
      std::fflush(stdout);
      std::string line;
      if (!std::getline(std::cin, line)) {
        std::printf("\n");
        return false;
      }
      if (talk.should_close()) break;
      const std::int32_t before = talk.current_line;
      talk.advance_automatic_lines();
      if (talk.current_line == before && !talk.should_close()) {
        std::printf("(the partner has nothing more to say)\n");
        return true;
      }
      continue;
    }
    for (int i = 0; i < count; ++i) std::printf("  %d. %s\n", i + 1, talk.get_option_text(i).c_str());
    int choice = 0;
    if (count > 1 && !read_choice(count, choice)) return false;
    talk.select_option(choice);
    show_current_line(talk);
    if (talk.should_close()) break;
    talk.advance_automatic_lines();
  }
  const int exit_code = current_script_host().campaign->game_words().screen_change_code;
  if (exit_code != 0) std::printf("(the conversation closes with exit code %d)\n", exit_code);
  std::printf("(end of conversation)\n");
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  options opts;
  if (!parse(argc, argv, opts)) {
    usage();
    return 2;
  }
  if (!hm::tools::enter_module("play_conversation", opts.data_dir, opts.generated_dir, opts.module)) return 2;
  terminal_ui ui;
  script_host host = current_script_host();
  host.ui = &ui;
  host.module = &g_module_script_host;
  set_script_host(host);
  install_tableau_render_host();
  install_script_operations();

  // The module as the game loads it, and a new game of it: its troops,
  // factions and parties answer the conditions and consequences.
  random_seed(static_cast<std::uint32_t>(opts.seed));
  load_core_resource_files();
  // The engine's own translations; the module's follow when it loads.
  load_translations("");
  load_whole_module(opts.module);
  g_game = std::make_unique<game>();
  auto campaign = std::make_unique<campaign_game>(*g_game);
  campaign->install_script_host();
  set_up_new_game(*g_game, campaign.get());
  // Then the module's own start.
  campaign->run_game_start();
  if (g_conversation.line_count() == 0) {
    std::printf("The module has no dialog lines.\n");
    return 1;
  }
  const game& g = *g_game;
  if (opts.partner.empty()) {
    std::fprintf(stderr, "play_conversation: name the partner with --partner (troops: %s)\n", partner_list(g).c_str());
    return 2;
  }
  const int partner =
      find_record(opts.partner, g.troop_count(), [&](int i) { return g.troops[static_cast<std::size_t>(i)].id.c_str(); });
  if (partner < 0) {
    std::fprintf(stderr, "play_conversation: no troop \"%s\" in the module (troops: %s)\n", opts.partner.c_str(),
                 partner_list(g).c_str());
    return 2;
  }
  if (partner == g.player_troop) {
    std::fprintf(stderr, "play_conversation: %s is the player's own troop: choose a partner (troops: %s)\n",
                 opts.partner.c_str(), partner_list(g).c_str());
    return 2;
  }
  int party = -1;
  if (!opts.party.empty()) {
    const party_pool& pool = campaign->state.parties;
    std::string known;
    for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id)) {
      const hm::party& p = *pool.find_active(id);
      if (opts.party == p.identifier.c_str() || opts.party == std::to_string(id)) party = id;
      known += (known.empty() ? "" : ", ") + std::to_string(id) + " " + p.identifier.c_str();
    }
    if (party < 0) {
      std::fprintf(stderr, "play_conversation: no party \"%s\" in the new game (parties: %s)\n", opts.party.c_str(),
                   known.c_str());
      return 2;
    }
  }
  std::printf("(talking to %s)\n", hm::tools::troop_text(g, partner).c_str());
  g_conversation.start(partner, -1, party, opts.state, true);
  // The end of input is the player walking away: a normal end.
  if (!play(g_conversation)) std::printf("(input ended before the conversation did)\n");
  carry_out_end_game_request();
  // The campaign reads the game's tables: it goes first.
  campaign.reset();
  g_game.reset();
  return 0;
}
