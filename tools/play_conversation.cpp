// play_conversation: plays a conversation of a module in the terminal, so
// module makers can test their dialogs. It loads the module as the game does
// (every loading step), sets up a new game of it from the world files and
// parties.txt, runs the module's "game_start" script, then shows the partner's line and the player's numbered choices and
// reads the choice as a number from standard input, running the real
// conditions and consequences. Messages that module code shows, script errors
// among them, are printed as "[message] ..." lines.
//
//   play_conversation [--data <dir>] [--generated <dir>] [--seed N] [--state N] [--partner TROOP]
//                     [--party ID] <module>
//
// --data      the data folder that holds Modules/ (default: the repository's data/)
// --generated the folder of the files the build makes (default: the build's)
// --seed      the random seed of the new game (default 1)
// --state    the state the conversation starts in (default 0)
// --partner  the partner's troop (default 0); --party the partner's party (default -1)
//
// A line with nothing to choose waits for Enter ("continue"); a single choice
// is taken at once, as the conversation window does. The end of input ends
// the conversation. Exit code 0 when the conversation closed, 1 when input
// ran out first, 2 for bad arguments.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "engine/core/log.h"
#include "engine/core/random.h"
#include "campaign/campaign_game.h"
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
#include "tools/terminal_ui.h"

namespace {

using namespace hm;

struct options {
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  int seed = 1;
  std::string module;
  int state = 0;
  int partner = 0;
  int party = -1;
};

bool parse(int argc, char** argv, options& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto number = [&](int& value) {
      if (i + 1 >= argc) return false;
      char* end = nullptr;
      const long v = std::strtol(argv[++i], &end, 10);
      if (*end != '\0') return false;
      value = static_cast<int>(v);
      return true;
    };
    if (arg == "--data" && i + 1 < argc) {
      out.data_dir = argv[++i];
    } else if (arg == "--generated" && i + 1 < argc) {
      out.generated_dir = argv[++i];
    } else if (arg == "--seed") {
      if (!number(out.seed)) return false;
    } else if (arg == "--state") {
      if (!number(out.state)) return false;
    } else if (arg == "--partner") {
      if (!number(out.partner)) return false;
    } else if (arg == "--party") {
      if (!number(out.party)) return false;
    } else if (!arg.empty() && arg[0] != '-' && out.module.empty()) {
      out.module = arg;
    } else {
      return false;
    }
  }
  return !out.module.empty();
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
    std::fprintf(stderr,
                 "usage: play_conversation [--data <dir>] [--generated <dir>] [--seed N] [--state N] [--partner TROOP] "
                 "[--party ID] <module>\n");
    return 2;
  }
  std::error_code ec;
  const std::filesystem::path generated = std::filesystem::absolute(opts.generated_dir, ec);
  std::filesystem::current_path(opts.data_dir, ec);
  if (ec) {
    std::fprintf(stderr, "play_conversation: cannot enter the data folder \"%s\": %s\n", opts.data_dir.c_str(),
                 ec.message().c_str());
    return 2;
  }
  terminal_ui ui;
  script_host host = current_script_host();
  host.ui = &ui;
  host.module = &g_module_script_host;
  set_script_host(host);
  install_tableau_render_host();
  install_script_operations();

  // The module as the game loads it, and a new game of it: its troops,
  // factions and parties answer the conditions and consequences.
  platform::set_generated_data_folder(generated);
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
  g_conversation.start(opts.partner, -1, opts.party, opts.state, true);
  const bool closed = play(g_conversation);
  carry_out_end_game_request();
  // The campaign reads the game's tables: it goes first.
  campaign.reset();
  g_game.reset();
  return closed ? 0 : 1;
}
