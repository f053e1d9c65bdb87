#include "mission/records/agent.h"

#include "module/loading/game.h"

namespace hm {

namespace {

constexpr std::uint64_t troop_flag_middle_class = 1ull << 26;

}  // namespace

int agent_mounted_state(const agent& a) {
  if (a.troop < 0) return 0;
  if (a.mount >= 0) return 2;
  const troop* t = g_game != nullptr ? g_game->find_troop(a.troop) : nullptr;
  if (t == nullptr) return 0;
  return (t->flags & troop_flag_middle_class) != 0 ? 1 : 0;
}

int agent::get_mounted_state() const { return agent_mounted_state(*this); }

}  // namespace hm
