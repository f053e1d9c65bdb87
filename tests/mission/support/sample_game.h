#pragma once
// The sample module loaded and a new game started, once per process (resource
// names register once), for the tests that set up its battle. The test
// program links the module tests' support.
#include <memory>

#include "../../module/support/module_test_support.h"
#include "campaign/game/campaign_game.h"
#include "engine/core/random.h"
#include "module/loading/game.h"
#include "module/loading/module_loading.h"
#include "module/loading/module_script_host.h"
#include "module/loading/module_start.h"
#include "module/loading/new_game.h"

namespace hm::test {

struct sample_game {
  sample_game() : in_data(HOOFMARCH_DATA_DIR), generated(HOOFMARCH_BINARY_DIR "/data") {
    random_seed(3);
    install_module_script_host();
    load_core_resource_files();
    load_whole_module("Sample");
    g_game = std::make_unique<game>();
    campaign = std::make_unique<campaign_game>(*g_game);
    campaign->install_script_host();
    set_up_new_game(*g_game, campaign.get());
    campaign->run_game_start();
  }
  scoped_working_folder in_data;
  scoped_generated_folder generated;
  std::unique_ptr<campaign_game> campaign;
};

// The index of a troop of the loaded module by its id, -1 when it has none.
inline int troop_index(const char* id) {
  for (int i = 0; i < g_game->troop_count(); ++i) {
    if (g_game->troops[static_cast<std::size_t>(i)].id.equals_cstr(id)) return i;
  }
  return -1;
}

inline sample_game& the_sample() {
  static sample_game s;
  return s;
}

}  // namespace hm::test
