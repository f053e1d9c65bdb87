#pragma once
// The program's side of the conversation and meeting windows: the
// conversation's scene is the running mission (its agents, its frame, its
// drawing), and a meeting's encounter is the game's. Until the world map
// sets encounters up, a meeting that opens without choices gets the
// engine's plain pair: attack, or leave the party be.
#include <cstdint>
#include <functional>
#include <memory>

#include "mission/screen/battle_drawing.h"
#include "ui/conversation/conversation_window.h"

namespace hm {

class mission;
class meeting_window;
class window_manager;

class mission_conversation_scene final : public conversation_scene_host {
 public:
  explicit mission_conversation_scene(std::function<mission*()> current) : current_(std::move(current)) {}

  void step_scene(float seconds) override;
  int partner_agent() override;
  int player_agent() override;
  int last_agent_of_troop(std::int32_t troop) override;
  bool agent_view(int agent, vec3& position, vec3& eye, vec3& forward) override;
  void rebuild_troop_visuals(std::int32_t troop) override;
  void queue_scene(const camera& eye, const widget& area, std::uint32_t width, std::uint32_t height) override;

  mission_scene_drawing drawing;

 private:
  std::function<mission*()> current_;
};

// Starts the conversation with a troop in the mission's scene: its agent
// (the last live one of that troop, -1 none) is the partner.
void start_conversation_in_scene(mission* m, std::int32_t troop, std::int32_t party);

// The release of an encounter party: the game's pending encounter ids let it
// go, and with no party left to meet the encounter is over (the way back to
// the map follows).
void release_encounter_party(std::int32_t party);

// The plain choices of a meeting no encounter set-up filled: attack (a
// battle of the field-battle kind against the met party) and leave.
void fill_plain_meeting_choices(meeting_window& w);

// Puts the scene into window 16 and the game's encounter into window 6.
void install_conversation_windows(window_manager& windows, conversation_scene_host& scene);

}  // namespace hm
