#include "mission/ai/ai_think.h"

#include "engine/core/timer.h"
#include "engine/settings/game_options.h"
#include "mission/agent/agent_perception.h"
#include "mission/agent/agent_queries.h"
#include "mission/ai/ai_behaviour.h"
#include "mission/ai/ai_movement.h"
#include "mission/ai/ai_steering.h"
#include "mission/control/weapon_choice.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "module/loading/game.h"
#include "module/troops/troop.h"

namespace hm {

namespace {

enum ai_timer_index : int { retarget_timer = 0, movement_timer = 1, combat_timer = 2 };

// Scales every movement period; a tuning knob kept at 1.
constexpr float movement_period_factor = 1.0f;

// The agent's troop level, or -1 without a troop record.
int troop_level(const agent& a) {
  if (a.troop < 0 || g_game == nullptr) return -1;
  const troop* t = g_game->find_troop(a.troop);
  return t != nullptr ? t->level : -1;
}

}  // namespace

ai_passes::~ai_passes() = default;
void ai_passes::select_target(mission& m, agent& a, int) { agent_ai_select_target(m, a, *this); }
void ai_passes::set_weapon_mode(mission& m, agent& a, int mode) { set_ai_weapon_mode(m, a, mode); }
void ai_passes::decide_movement(mission& m, agent& a) { agent_ai_decide_movement(m, a); }
void ai_passes::decide_combat(mission& m, agent& a, ai_combat_words& words) { agent_ai_decide_combat(m, a, words); }
void ai_passes::check_alarm(mission& m, agent& a) { hm::check_alarm(m, a); }

ai_passes& default_ai_passes() {
  static ai_passes passes;
  return passes;
}

float ai_combat_period(int combat_ai, int level, float u) {
  const float l = static_cast<float>(level < 0 ? 0 : level);
  return 0.05f + 0.2f / (l + 10.0f) + static_cast<float>(combat_ai) * 0.02f + 0.03f * u;
}

float ai_reaction_delay(int combat_ai, int level, float u) {
  float d = static_cast<float>(combat_ai) * 0.1f + (1.0f + u) * 0.1f;
  if (level >= 0) d = d / (static_cast<float>(level) + 30.0f) * 40.0f;
  return d;
}

void agent_ai_think(mission& m, agent& a, float, ai_passes& passes) {
  agent_ai& ai = a.ai;
  ai_combat_words words;
  if (a.state != agent_state_alive) {
    ai.current_input.action_flags = 0;
    return;
  }
  timer& retarget = ai.timers[retarget_timer];
  if (retarget.elapsed() > ai.retarget_period) {
    retarget.reset();
    ai.retarget_period = 5.0f + 2.0f * mission_random_unit(m);
    passes.select_target(m, a, 0);
  }
  timer& movement = ai.timers[movement_timer];
  if (movement.elapsed() > ai.movement_period) {
    ai.movement_seed = m.services().random_next();
    passes.decide_movement(m, a);
    words.extra_flags |= ai.extra_flags;
    ai.extra_flags = 0;
    movement.reset();
    ai.movement_period = (0.5f + mission_random_unit(m)) * movement_period_factor;
  }
  timer& combat = ai.timers[combat_timer];
  if (combat.elapsed() >= ai.combat_period) {
    passes.check_alarm(m, a);
    words.previous_action_flags = ai.action_flags;
    ai.current_input.action_flags = 0;
    ai.action_flags = 0;
    passes.decide_combat(m, a, words);
    combat.reset();
    const int combat_ai = g_game_options.combat_ai;
    const int level = troop_level(a);
    ai.combat_period = ai_combat_period(combat_ai, level, mission_random_unit(m));
    const float delay = ai_reaction_delay(combat_ai, level, mission_random_unit(m));
    ai.current_input.action_flags |= words.extra_flags;
    ai_delayed_input entry;
    entry.input.action_flags = ai.action_flags;
    entry.due_tick = static_cast<std::int64_t>(static_cast<double>(clock_ticks(clock_mission)) +
                                               static_cast<double>(delay * 100000.0f));
    ai.delayed_inputs.push_back(entry);
  }
}

void agent_get_ai_input(agent& a, agent_input& block) {
  agent_ai& ai = a.ai;
  const std::uint32_t previous = block.action_flags;
  block = ai.current_input;
  const std::int64_t now = clock_ticks(clock_mission);
  while (!ai.delayed_inputs.empty()) {
    const ai_delayed_input& oldest = ai.delayed_inputs.front();
    if (oldest.due_tick >= now) break;
    block.action_flags |= oldest.input.action_flags;
    ai.remembered_input = block;
    ai.delayed_inputs.pop_front();
  }
  block.action_flags |= ai.remembered_input.action_flags;
  if ((previous & input_attack_held) == 0 && (block.action_flags & input_attack_held) != 0) {
    block.action_flags |= input_attack_pressed;
  }
}

}  // namespace hm
