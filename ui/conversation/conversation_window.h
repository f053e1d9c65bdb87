#pragma once
// The conversation window (16): the running conversation of g_conversation
// with the speaker's name, the line said, and the player's answers as a
// scrollable list of buttons; the partner stands in the running scene, seen
// through a camera on the speaker's face, and the mission keeps stepping
// while the window is open. When a line ends the conversation or asks for
// another screen (trade, a party or character screen, notes, a battle, a
// game menu), the window goes there.
#include <array>
#include <cstdint>
#include <vector>

#include "ui/conversation/conversation_layout.h"
#include "ui/widget/mesh_builders.h"
#include "ui/windows/game_window.h"

namespace hm {

class container;
class scrollable_container;

// The scene the conversation is held in (the mission above this library):
// the program's mission fills it in.
class conversation_scene_host {
 public:
  virtual ~conversation_scene_host() = default;
  // One step of the scene with the conversation on: the partner faces the
  // player with its weapons away, the mission runs its frame and the
  // player's body shows.
  virtual void step_scene(float seconds) = 0;
  // The partner's agent and the player's (-1 none), the last live agent of a
  // troop (-1 none).
  virtual int partner_agent() = 0;
  virtual int player_agent() = 0;
  virtual int last_agent_of_troop(std::int32_t troop) = 0;
  // An agent's position, its eye point and its forward axis; false for no
  // such agent.
  virtual bool agent_view(int agent, vec3& position, vec3& eye, vec3& forward) = 0;
  // The troop's agents get their look rebuilt (back from a trade).
  virtual void rebuild_troop_visuals(std::int32_t troop) = 0;
  // The scene drawn through the camera into the 3D view's area of a back
  // buffer of that size; the lens flare follows the camera.
  virtual void queue_scene(const camera& eye, const widget& area, std::uint32_t width, std::uint32_t height) = 0;
};

class conversation_window final : public editor_window {
 public:
  void build() override;
  void frame(float seconds) override;
  void queue_scene(std::uint32_t width, std::uint32_t height) override;

  // Applies an answer (index >= 0; -2 a continue click with fewer than two
  // answers; below 0 otherwise only a refresh) and lays the screen out
  // again; `result` gets the conversation's close code of that choice (0
  // when none was asked).
  void choose(int index, std::int32_t& result);
  // Acts on a close code: leaves, or opens the screen it names. True when
  // the window switched (or handed over to the dispatcher).
  bool act_on_result(std::int32_t result);

  // The scene (null: the conversation has no scene to show).
  conversation_scene_host* scene = nullptr;

  container* board = nullptr;
  widget* utterer_name_label = nullptr;
  widget* partner_label = nullptr;
  widget* press_mouse_label = nullptr;
  scrollable_container* choice_panel = nullptr;
  container* choice_list = nullptr;
  // One button an answer, made as the answers need them (never more than
  // the conversation can offer).
  std::vector<widget*> choice_buttons;
  std::int32_t choice_count = 0;
  container* relation_box = nullptr;
  widget* relation_pointer = nullptr;
  widget* relation_bar = nullptr;
  std::array<widget*, 5> info_labels{};
  // The troop handed to a trade (its agents are re-dressed on the way back).
  std::int32_t inventory_partner = -1;
  std::int32_t speaker_troop = -1;
  mesh_view_widget* partner_view = nullptr;
  camera view_camera;
  conversation_camera_ease camera_ease;
  conversation_layout_values layout;

 private:
  widget* answer_button(int i);
  void refresh();
  void update_relation_box();
  void update_camera(float seconds);
  void scroll(float wheel);
};

// The pending screen change codes the conversation answers.
namespace conversation_code {
inline constexpr std::int32_t leave = 1;
inline constexpr std::int32_t buy = 2;
inline constexpr std::int32_t trade_partner = 3;
inline constexpr std::int32_t trade = 4;
inline constexpr std::int32_t party_first = 5;
inline constexpr std::int32_t party_last = 7;
inline constexpr std::int32_t party_troop_2 = 9;
inline constexpr std::int32_t party_troop_3 = 10;
inline constexpr std::int32_t character_1 = 11;
inline constexpr std::int32_t character_2 = 12;
inline constexpr std::int32_t mission = 13;
inline constexpr std::int32_t scene_conversation = 14;
inline constexpr std::int32_t notes = 16;
inline constexpr std::int32_t world_map = 17;
inline constexpr std::int32_t menu = 18;
}  // namespace conversation_code

}  // namespace hm
