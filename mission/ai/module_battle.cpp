#include "mission/ai/module_battle.h"

#include <cstdlib>
#include <string>

#include "campaign/party/campaign_state.h"
#include "campaign/party/party.h"
#include "engine/core/timer.h"
#include "mission/ai/ai_neighbours.h"
#include "mission/combat/combat_hooks.h"
#include "mission/records/agent.h"
#include "mission/records/mission.h"
#include "mission/records/mission_services.h"
#include "mission/setup/module_mission_setup.h"
#include "module/loading/game.h"
#include "module/records/mission_template.h"

namespace hm {

namespace {

// A whole decimal number, or -1.
int parse_index(const char* text) {
  if (text == nullptr || *text == 0) return -1;
  char* end = nullptr;
  const long v = std::strtol(text, &end, 10);
  if (*end != 0 || v < 0 || v > 1000000) return -1;
  return static_cast<int>(v);
}

// A party of the campaign holding the troops, or -1 when the pool is full.
int make_party(campaign_state& campaign, const std::vector<battle_troops>& troops) {
  const std::int32_t id = campaign.parties.take_free_party();
  party* p = campaign.parties.get_party_by_id(id);
  if (p == nullptr) return -1;
  p->reset();
  p->stack_count = 0;
  for (const battle_troops& t : troops) {
    if (t.troop < 0 || t.count <= 0) continue;
    if (p->stacks.size() <= static_cast<std::size_t>(p->stack_count)) p->stacks.resize(p->stacks.size() + 1);
    troop_stack& s = p->stacks[static_cast<std::size_t>(p->stack_count++)];
    s = troop_stack{};
    s.troop = t.troop;
    s.count = t.count;
  }
  return p->id;
}

}  // namespace

// The program's own services; they only count as the frames go.
class module_battle::services : public mission_services {
 public:
  explicit services(battle_counts& counts) : counts_(counts) {}

  void refresh_shadow_passes(mission&) override {}
  void update_scene_entities(mission&, float) override {}
  void agent_frame(mission& m, agent& a, float dt) override {
    const bool was_alive = a.is_alive();
    if (was_alive && a.presence < agent_presence_removed) count_pending_blow(a, counts_);
    mission_services::agent_frame(m, a, dt);
    count_kill(was_alive, a, counts_);
  }
  void agent_post_frame(mission& m, agent& a, float dt) override {
    const bool was_alive = a.is_alive();
    mission_services::agent_post_frame(m, a, dt);
    count_kill(was_alive, a, counts_);
  }

 private:
  battle_counts& counts_;
};

module_battle::module_battle(game& g, campaign_state& campaign)
    : game_(g),
      campaign_(campaign),
      mission_(std::make_unique<mission>()),
      services_(std::make_unique<services>(counts_)),
      start_(std::make_unique<mission_start>()) {
  mission_->set_services(services_.get());
}

module_battle::~module_battle() {
  mission_->clear();
  mission_->set_services(nullptr);
  remove_parties();
}

void module_battle::remove_parties() {
  for (const int id : parties_) campaign_.remove_party(id);
  parties_.clear();
}

bool module_battle::start(const module_battle_setup& setup) {
  frame_time_ = setup.frame_time > 0.0f ? setup.frame_time : 1.0f / 60.0f;
  seconds_ = 0.0;
  counts_ = battle_counts{};
  remove_parties();
  const int friends = make_party(campaign_, setup.friends);
  if (friends >= 0) parties_.push_back(friends);
  const int enemies = make_party(campaign_, setup.enemies);
  if (enemies >= 0) parties_.push_back(enemies);
  if (friends < 0 || enemies < 0) return false;

  mission& m = *mission_;
  m.side_value = 1;
  m.side_lists[0].count = 1;
  m.side_lists[0].parties[0] = friends;
  m.side_lists[1].count = 1;
  m.side_lists[1].parties[0] = enemies;
  // The game prepares a battle's teams as hostile to each other; the two
  // sides here are teams 0 and 1.
  m.set_team_relation(0, 0, 1);
  m.set_team_relation(1, 1, 1);
  m.set_team_relation(0, 1, -1);
  reset_clocks();
  reset_combat_hooks();
  if (!start_mission(m, game_, campaign_, setup.template_index, setup.scene_index, *start_)) return false;
  ai_agent_buckets(m).forget();
  ai_target_buckets(m).forget();
  // Nobody steers: the player's agent fights as the AI has it.
  if (agent* player = m.get_agent(m.player_agent)) player->controller = agent_controller_ai;
  count_battle(m, counts_);
  return true;
}

void module_battle::frame() {
  mission_->frame(frame_time_, true);
  seconds_ += static_cast<double>(frame_time_);
  count_battle(*mission_, counts_);
}

int find_mission_template(const char* id_or_number) {
  for (std::size_t i = 0; i < g_mission_templates.size(); ++i) {
    if (g_mission_templates[i].id.equals_cstr(id_or_number)) return static_cast<int>(i);
  }
  const int n = parse_index(id_or_number);
  return n < static_cast<int>(g_mission_templates.size()) ? n : -1;
}

int find_scene(const game& g, const char* id_or_number) {
  for (int i = 0; i < g.scene_count(); ++i) {
    if (g.scenes[static_cast<std::size_t>(i)]->id.equals_cstr(id_or_number)) return i;
  }
  const int n = parse_index(id_or_number);
  return n < g.scene_count() ? n : -1;
}

}  // namespace hm
