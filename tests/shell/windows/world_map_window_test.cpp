// The world map window in the running game: the dispatcher's way back to the
// map leads to it, it shows its bar, the map's scene and the parties' icons, and a click on
// the map sends the player's party there.
#include <gtest/gtest.h>

#include <cmath>
#include <deque>
#include <memory>

#include "campaign/ai/party_ai.h"
#include "campaign/game/campaign_game.h"
#include "campaign/party/party.h"
#include "engine/core/timer.h"
#include "mission/records/mission.h"
#include "platform/gpu/null_device.h"
#include "platform/window.h"
#include "render/entity/render_view.h"
#include "script/ops/encounter.h"
#include "script/script_host.h"
#include "shell/game_application.h"
#include "shell/state/state_dispatcher.h"
#include "shell/support/shell_test_support.h"
#include "shell/support/started_game.h"
#include "ui/manager/ui_manager.h"
#include "ui/menus/game_menu_window.h"
#include "ui/widget/mesh_builders.h"
#include "ui/widget/widget.h"
#include "ui/windows/window_manager.h"
#include "ui/world_map/world_map_window.h"

using namespace hm;

namespace {


class WorldMapWindow : public test::started_game {
 protected:
  // The way back to the map that the game's dispatcher takes after a menu
  // or an encounter (without the autosave).
  static world_map_window* to_the_map() {
    if (g_window_manager.top_id() != window_id::world_map) {
      g_meta_mission.request_mask |= 0x200;
      app->state_hosts->words.no_autosave = 1;
      g_window_manager.dispatch_meta_mission_requests();
      frame();
    }
    return dynamic_cast<world_map_window*>(g_window_manager.top());
  }

};

TEST_F(WorldMapWindow, StartingTheGameShowsTheMapWithItsBarAndParties) {
  world_map_window* w = to_the_map();
  ASSERT_NE(w, nullptr);
  ASSERT_EQ(w->host != nullptr, true);
  EXPECT_EQ(g_window_manager.stack, std::deque<std::int32_t>{window_id::world_map});
  // Without edit mode the camp button comes first; every other button stands.
  EXPECT_EQ(w->terrain_button, nullptr);
  for (widget* b : {w->camp_button, w->reports_button, w->quests_button, w->inventory_button, w->character_button,
                    w->party_button})
    ASSERT_NE(b, nullptr);
  EXPECT_NEAR(w->camp_button->local_position.x, 0.1f, 1e-6f);
  EXPECT_NEAR(w->party_button->local_position.x, 0.68f, 1e-6f);
  ASSERT_NE(w->map_view, nullptr);
  EXPECT_NEAR(w->map_view->local_position.y, 0.04f, 1e-6f);
  EXPECT_NEAR(w->map_view->size.y, 0.71f, 1e-6f);
  EXPECT_TRUE(w->paused_notice->is_hidden());

  campaign_game* c = app->campaign();
  ASSERT_NE(c, nullptr);
  ASSERT_NE(c->scene.scene, nullptr);
  const party* player = c->state.find_party(c->state.player_party);
  ASSERT_NE(player, nullptr);
  // The camera looks at the player's party from above.
  EXPECT_NEAR(w->camera.target.x, player->position.x, 0.5f);
  EXPECT_NEAR(w->camera.target.y, player->position.y, 0.5f);
  EXPECT_GT(w->camera.view.frame.origin.z, player->position.z);

  // A party button opens the party window, which comes back to the map.
  w->party_button->pending_events |= ui_event::clicked;
  w->frame(0.0f);
  EXPECT_EQ(g_window_manager.top_id(), window_id::party);
  EXPECT_EQ(g_window_manager.top()->return_window, window_id::world_map);
  g_window_manager.set_window(window_id::world_map);
  EXPECT_EQ(g_window_manager.top_id(), window_id::world_map);
}

TEST_F(WorldMapWindow, AClickOnTheGroundSendsThePlayersPartyThere) {
  world_map_window* w = to_the_map();
  ASSERT_NE(w, nullptr);
  campaign_game* c = app->campaign();
  party* player = c->state.find_party(c->state.player_party);
  ASSERT_NE(player, nullptr);
  const world_map& map = c->map.map;
  // A point of the player's own land a few units away, clear of every
  // party's icon.
  auto clear_of_parties = [&](float x, float y) {
    party_pool& pool = c->state.parties;
    for (std::int32_t id = pool.first_active_party(); id < pool.next_id(); id = pool.next_active_party(id))
      if (const party* p = pool.find_active(id); p && std::hypot(p->position.x - x, p->position.y - y) < 3.0f)
        return false;
    return true;
  };
  float gx = 0.0f;
  float gy = 0.0f;
  bool found = false;
  for (float d = 8.0f; d >= 3.0f && !found; d -= 0.5f) {
    for (const auto& [dx, dy] : {std::pair{d, 0.0f}, {-d, 0.0f}, {0.0f, d}, {0.0f, -d}}) {
      const int f = map.find_face_at(player->position.x + dx, player->position.y + dy);
      if (f >= 0 && map.faces_are_linked(f, player->map_face) &&
          clear_of_parties(player->position.x + dx, player->position.y + dy)) {
        gx = player->position.x + dx;
        gy = player->position.y + dy;
        found = true;
        break;
      }
    }
  }
  ASSERT_TRUE(found);
  const int face = map.find_face_at(gx, gy);
  const vec3 ground(gx, gy, map.height_at(face, gx, gy));
  // The mouse over that point of the view.
  float sx = 0.0f;
  float sy = 0.0f;
  ASSERT_TRUE(w->map_view->view_camera.world_to_screen(ground, sx, sy));
  g_ui_manager.mouse_position = {w->map_view->absolute_position.x + sx * w->map_view->size.x,
                                 w->map_view->absolute_position.y + (1.0f - sy) * w->map_view->size.y};
  vec3 picked;
  int picked_face = -1;
  const std::int32_t hovered = w->party_under_mouse(&picked, &picked_face);
  ASSERT_EQ(hovered, -1);
  EXPECT_NEAR(picked.x, gx, 0.05f);
  EXPECT_NEAR(picked.y, gy, 0.05f);

  const vec3 start = player->position;
  w->map_view->pending_events |= ui_event::release;
  w->frame(0.0f);
  EXPECT_EQ(player->current_behaviour, behaviour::go_to_point);
  EXPECT_NEAR(player->current_position_target[0], gx, 0.05f);
  EXPECT_NEAR(player->current_position_target[1], gy, 0.05f);
  // Frames of the map move it there.
  for (int i = 0; i < 200; ++i) w->frame(0.05f);
  const float before = std::hypot(start.x - gx, start.y - gy);
  const float after = std::hypot(player->position.x - gx, player->position.y - gy);
  EXPECT_LT(after, before * 0.5f);
}

}  // namespace

namespace {

TEST_F(WorldMapWindow, OnlyTheContextMenusRowsActAndTheAttackRowSendsTheParty) {
  world_map_window* w = to_the_map();
  ASSERT_NE(w, nullptr);
  campaign_game* c = app->campaign();
  party* player = c->state.find_party(c->state.player_party);
  ASSERT_NE(player, nullptr);
  std::int32_t other = -1;
  party_pool& pool = c->state.parties;
  for (std::int32_t id = pool.first_active_party(); id < pool.next_id() && other < 0; id = pool.next_active_party(id))
    if (id != c->state.player_party) other = id;
  ASSERT_GE(other, 0);
  game_script_words& words = c->campaign_host.game_words();

  // The sample's script gives no row: nothing opens.
  EXPECT_FALSE(w->open_party_context_menu(other));
  EXPECT_FALSE(w->context_menu_open);

  // Three rows as module code would leave them, the attack row at the bottom.
  auto open_three = [&] {
    words.context_menu_count = 3;
    words.context_menu[0] = {ruv_string("Talk"), 5};
    words.context_menu[1] = {ruv_string("Leave"), 6};
    words.context_menu[2] = {ruv_string("Attack"), -7};
    w->context_menu_open = true;
    w->context_party = other;
    w->show_party_context_menu(other);
    ASSERT_NEAR(w->menu_size.y, 0.06f, 1e-6f);
  };
  const std::int32_t behaviour_before = player->current_behaviour;
  // A release over the header line closes the menu and orders nothing.
  open_three();
  w->serve_context_menu({w->menu_corner.x + 0.1f, w->menu_corner.y + 0.05f}, true);
  EXPECT_FALSE(w->context_menu_open);
  EXPECT_EQ(w->highlighted_item, -1);
  EXPECT_EQ(player->current_behaviour, behaviour_before);
  // The mouse far from the menu closes it without a click.
  open_three();
  w->serve_context_menu({w->menu_corner.x + 0.1f, w->menu_corner.y - 0.3f}, false);
  EXPECT_FALSE(w->context_menu_open);
  // Over the menu without a click only highlights: 0.02 up is the second row.
  open_three();
  w->serve_context_menu({w->menu_corner.x + 0.1f, w->menu_corner.y + 0.02f}, false);
  EXPECT_TRUE(w->context_menu_open);
  EXPECT_EQ(w->highlighted_item, 1);
  // A release on the bottom row takes the last item: the attack.
  w->serve_context_menu({w->menu_corner.x + 0.1f, w->menu_corner.y + 0.01f}, true);
  EXPECT_FALSE(w->context_menu_open);
  EXPECT_EQ(player->current_behaviour, behaviour::attack);
  EXPECT_EQ(player->current_target, other);
  EXPECT_TRUE(w->camera_follow);
  words.context_menu_count = 0;
}

}  // namespace
