// What lies under the mouse on the world map: the ground, the party among
// overlapping ones, and the context menu's row.
#include <gtest/gtest.h>

#include <vector>

#include "campaign/map/map_file.h"
#include "campaign/map/map_navigation.h"
#include "campaign/map/map_picture.h"
#include "campaign/map/world_map.h"
#include "ui/world_map/map_picking.h"

using namespace hm;

namespace {

// Land on the left (plain, height 0), a channel of water, land again on the
// right raised to 2.
world_map small_map() {
  const char* source =
      "cell 2.0\n"
      "origin -6 -2\n"
      "terrain . 3\n"
      "terrain ~ 0\n"
      "terrain h 3\n"
      "height ~ -0.5\n"
      "height h 2\n"
      "map\n"
      "..~hh\n"
      "..~hh\n"
      "end\n";
  map_picture picture;
  map_file_error error;
  EXPECT_TRUE(parse_map_picture(source, picture, error)) << error.message;
  world_map m;
  EXPECT_TRUE(parse_map_text(map_text_of_picture(picture), m, error)) << error.message;
  m.link_records();
  init_map(m);
  return m;
}

TEST(MapPicking, TheRayFindsTheGroundAndItsFace) {
  const world_map m = small_map();
  vec3 p;
  int face = -1;
  // Straight down over the left land.
  ASSERT_TRUE(pick_map_ground(m, vec3(-4.5f, 0.5f, 10.0f), vec3(-4.5f, 0.5f, -10.0f), p, face));
  EXPECT_NEAR(p.z, 0.0f, 1e-3f);
  EXPECT_EQ(m.faces[static_cast<std::size_t>(face)].terrain, 3);
  EXPECT_TRUE(m.face_contains(face, -4.5f, 0.5f));
  // Over the high land the ray stops at height 2.
  ASSERT_TRUE(pick_map_ground(m, vec3(3.0f, 0.0f, 10.0f), vec3(3.0f, 0.0f, -10.0f), p, face));
  EXPECT_NEAR(p.z, 2.0f, 1e-3f);
  // A slanted ray that meets the raised land's side before the low ground
  // behind it: the first crossing counts.
  ASSERT_TRUE(pick_map_ground(m, vec3(-10.0f, 0.0f, 3.0f), vec3(10.0f, 0.0f, 1.0f), p, face));
  EXPECT_LT(p.x, 4.0f);
  EXPECT_NEAR(p.z, m.height_at(face, p.x, p.y), 1e-2f);
  // Off the map, or a ray of no length, meets nothing.
  EXPECT_FALSE(pick_map_ground(m, vec3(50.0f, 0.0f, 10.0f), vec3(50.0f, 0.0f, -10.0f), p, face));
  EXPECT_FALSE(pick_map_ground(m, vec3(0.0f, 0.0f, 1.0f), vec3(0.0f, 0.0f, 1.0f), p, face));
}

TEST(MapPicking, TheNearestOfOverlappingPartiesIsTakenAndThePlayersOwnLast) {
  // A ray down at 45 degrees along +y through (0, -0.5, 0.5).
  const vec3 a(0.0f, -10.0f, 10.0f);
  const vec3 b(0.0f, 10.0f, -10.0f);
  // Both icons meet the ray; a's origin is 13.79 from the start, b's 14.00.
  map_pick_candidate first{1, vec3(0.0f, -0.5f, 0.0f)};
  map_pick_candidate second{2, vec3(0.0f, -0.2f, 0.0f)};
  EXPECT_EQ(pick_map_party({first, second}, a, b, 100.0f), 1);
  EXPECT_EQ(pick_map_party({second, first}, a, b, 100.0f), 1);
  // The player's own counts 0.35 further: the other party wins.
  map_pick_candidate player = first;
  player.is_player = true;
  EXPECT_EQ(pick_map_party({player, second}, a, b, 100.0f), 2);
  // Hidden parties are never taken.
  map_pick_candidate hidden = first;
  hidden.excluded = true;
  EXPECT_EQ(pick_map_party({hidden, second}, a, b, 100.0f), 2);
  // Ground nearer than every party hides them.
  EXPECT_EQ(pick_map_party({first, second}, a, b, 5.0f), -1);
  // An icon beside the ray is not under the mouse.
  map_pick_candidate aside{3, vec3(3.0f, -0.5f, 0.0f)};
  EXPECT_EQ(pick_map_party({aside}, a, b, 100.0f), -1);
}

TEST(MapPicking, OnlyTheMenusItemRowsAct) {
  // Three items under a header: rows of 0.015 from the bottom up.
  const float w = 0.2f;
  const float h = 0.06f;
  struct row_case {
    float rx;
    float ry;
    int item;
  };
  const row_case cases[] = {
      {0.1f, 0.01f, 2},     // the bottom row is the last item
      {0.1f, 0.02f, 1},
      {0.1f, 0.04f, 0},
      {0.1f, 0.05f, -1},    // the header line
      {0.1f, 0.069f, -1},   // the margin above it
      {0.1f, -0.005f, -1},  // the margin below
      {-0.02f, 0.01f, -1},  // left of the margin
      {0.205f, 0.01f, 2},   // inside the right margin
      {0.25f, 0.01f, -1},
  };
  for (const row_case& k : cases) EXPECT_EQ(context_menu_item_at(3, k.rx, k.ry, w, h), k.item) << k.rx << " " << k.ry;
  EXPECT_EQ(context_menu_item_at(0, 0.1f, 0.01f, w, h), -1);
}

}  // namespace
