#include "recording_services.h"

#include <cstdio>

#include "engine/core/timer.h"
#include "mission/records/agent.h"

namespace hm {

std::string recording_services::number(float v) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(v));
  return buffer;
}

void recording_services::check_reinforcements(mission&) {
  steps.push_back("reinforcements");
  clock_at_reinforcements = clock_ticks(clock_mission);
}

void recording_services::agent_frame(mission&, agent& a, float) {
  steps.push_back(std::string(a.is_horse() ? "horse frame " : "human frame ") + std::to_string(a.index));
}

void recording_services::agent_post_frame(mission&, agent& a, float) {
  steps.push_back("post frame " + std::to_string(a.index));
}

void recording_services::set_river_animation(mission&, float phase, float flow) {
  steps.push_back("river");
  river_phase = phase;
  river_flow = flow;
}

void recording_services::run_prop_triggers(mission&, int instance, int event_code, int damage) {
  prop_triggers.push_back({instance, event_code, damage});
}

int recording_services::random_next() { return next_draw < draws.size() ? draws[next_draw++] : 0; }

}  // namespace hm
