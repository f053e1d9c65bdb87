#include "script/ops/end_game.h"

#include "script/script_host.h"

namespace hm {
namespace {

constexpr int start_window = 4;
bool g_end_game_requested = false;

}  // namespace

void request_end_game() { g_end_game_requested = true; }

bool end_game_requested() { return g_end_game_requested; }

bool carry_out_end_game_request() {
  if (!g_end_game_requested) return false;
  g_end_game_requested = false;
  const script_host& host = current_script_host();
  host.ui->reset_window_entries();
  host.campaign->destroy_game();
  host.ui->set_window(start_window);
  return true;
}

}  // namespace hm
