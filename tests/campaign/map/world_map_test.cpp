#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "campaign/map/map_file.h"
#include "campaign/map/map_navigation.h"
#include "campaign/map/world_map.h"
#include "campaign/support/map_fixture.h"
#include "engine/core/log.h"

namespace hm {
namespace {

using test::build_picture_map;

int face_at(const world_map& m, float x, float y) { return m.find_face_at(x, y); }

// Land on both sides of a river, joined by one bridge square.
constexpr const char* river_with_bridge =
    "..r..\n"
    "..r..\n"
    "..=..\n"
    "..r..\n";

TEST(world_map_regions, land_split_by_a_river_is_joined_only_by_the_bridge) {
  world_map m;
  build_picture_map(river_with_bridge, m);
  const int west = face_at(m, 0.5f, 0.5f);
  const int east = face_at(m, 4.5f, 3.5f);
  const int river = face_at(m, 2.5f, 0.5f);
  const int bridge = face_at(m, 2.5f, 1.5f);
  const map_face& w = m.faces[static_cast<std::size_t>(west)];
  const map_face& e = m.faces[static_cast<std::size_t>(east)];
  const map_face& b = m.faces[static_cast<std::size_t>(bridge)];
  EXPECT_NE(w.region, e.region);
  EXPECT_EQ(b.region, bridge_region);
  // The bridge joins the two land regions, not the river beneath it.
  const std::set<int> joined{b.bridge_regions[0], b.bridge_regions[1]};
  EXPECT_EQ(joined, (std::set<int>{w.region, e.region}));
  EXPECT_TRUE(m.faces_are_linked(west, bridge));
  EXPECT_TRUE(m.faces_are_linked(bridge, east));
  EXPECT_FALSE(m.faces_are_linked(west, east));
  EXPECT_FALSE(m.faces_are_linked(west, river));
  // Regions are numbered densely from 0: the two land regions and the river
  // north and south of the bridge.
  std::set<int> regions;
  for (const map_face& f : m.faces)
    if (f.region != bridge_region) regions.insert(f.region);
  EXPECT_EQ(regions, (std::set<int>{0, 1, 2, 3}));
}

TEST(world_map_regions, edge_costs_close_coasts_and_mountains) {
  world_map m;
  build_picture_map("..r\n^^.\n", m);
  const map_face& land = m.faces[static_cast<std::size_t>(face_at(m, 1.5f, 1.5f))];
  // Land beside land 2.0, land beside river closed.
  for (int i = 0; i < land.vertex_count; ++i) {
    const int n = land.neighbours[i];
    if (n < 0) continue;
    const int kind = m.faces[static_cast<std::size_t>(n)].terrain;
    EXPECT_FLOAT_EQ(land.edge_costs[i], kind == 3 ? 2.0f : closed_edge_cost) << "towards kind " << kind;
  }
  // A mountain is closed on every edge, towards another mountain too: each
  // mountain square is a region of its own.
  const map_face& m1 = m.faces[static_cast<std::size_t>(face_at(m, 0.5f, 0.5f))];
  const map_face& m2 = m.faces[static_cast<std::size_t>(face_at(m, 1.5f, 0.5f))];
  for (int i = 0; i < m1.vertex_count; ++i)
    if (m1.neighbours[i] >= 0) {
      EXPECT_FLOAT_EQ(m1.edge_costs[i], closed_edge_cost);
    }
  EXPECT_NE(m1.region, m2.region);
}

TEST(world_map_regions, a_second_init_changes_nothing) {
  world_map m;
  build_picture_map(river_with_bridge, m);
  std::vector<int> before;
  for (const map_face& f : m.faces) before.push_back(f.region);
  m.faces[0].region = 42;  // were Init_map to label again, this would be undone
  init_map(m);
  EXPECT_EQ(m.faces[0].region, 42);
}

TEST(world_map_faces, the_face_under_a_point_and_its_height) {
  world_map m;
  build_picture_map("..\n..\n", m);
  EXPECT_EQ(face_at(m, 0.5f, 1.5f), 0);  // the top row comes first in the file
  EXPECT_EQ(face_at(m, -0.5f, 0.5f), -1);
  EXPECT_EQ(face_at(m, 2.5f, 0.5f), -1);
  EXPECT_FLOAT_EQ(m.height_at(0, 0.3f, 1.2f), 0.0f);
}

// Land around a lake: the way from the west shore to the east shore goes
// round it, over land only.
constexpr const char* lake =
    ".........\n"
    "..~~~~~..\n"
    "..~~~~~..\n"
    "..~~~~~..\n"
    ".........\n";

TEST(world_map_paths, a_path_goes_around_a_lake) {
  world_map m;
  build_picture_map(lake, m);
  const int start = face_at(m, 1.5f, 2.5f);
  const int goal = face_at(m, 7.5f, 2.5f);
  map_path_result path;
  ASSERT_TRUE(search_map_path(m, start, goal, 7.5f, 2.5f, 10000.0f, path));
  EXPECT_EQ(path.faces.back(), goal);
  int previous = start;
  for (const int f : path.faces) {
    EXPECT_TRUE(is_land_terrain(m.faces[static_cast<std::size_t>(f)].terrain));
    // Every step crosses an edge the two faces share.
    float x = 0.0f;
    float y = 0.0f;
    EXPECT_TRUE(m.shared_edge_point(previous, f, x, y));
    previous = f;
  }
  // Around the lake: at least its width plus the two steps up and down.
  EXPECT_GE(path.faces.size(), 8u);
  EXPECT_FLOAT_EQ(path.points[path.points.size() - 2], 7.5f);
  // The straight walk across the lake is refused, along the shore allowed.
  EXPECT_FALSE(walk_straight(m, start, 1.5f, 2.5f, goal, 7.5f, 2.5f, 0xFFFFFFFFu, 50));
  EXPECT_TRUE(walk_straight(m, face_at(m, 0.5f, 0.5f), 0.5f, 0.5f, face_at(m, 8.5f, 0.5f), 8.5f, 0.5f, 0xFFFFFFFFu, 50));
  EXPECT_FALSE(walk_straight(m, face_at(m, 0.5f, 0.5f), 0.5f, 0.5f, face_at(m, 8.5f, 0.5f), 8.5f, 0.5f, 0xFFFFFFFFu, 5));
}

TEST(world_map_paths, no_path_across_the_sea) {
  world_map m;
  build_picture_map("..~~..\n..~~..\n", m);
  map_path_result path;
  EXPECT_FALSE(search_map_path(m, face_at(m, 1.5f, 0.5f), face_at(m, 4.5f, 0.5f), 4.5f, 0.5f, 10000.0f, path));
  // Not even to the sea square next to the shore: the coast is closed.
  EXPECT_FALSE(search_map_path(m, face_at(m, 1.5f, 0.5f), face_at(m, 2.5f, 0.5f), 2.5f, 0.5f, 10000.0f, path));
  // A ship's way over the water is open.
  EXPECT_TRUE(search_map_path(m, face_at(m, 2.5f, 0.5f), face_at(m, 3.5f, 1.5f), 3.5f, 1.5f, 10000.0f, path));
}

TEST(world_map_paths, a_path_keeps_at_most_1024_faces) {
  world_map m;
  build_picture_map(std::string(1100, '.') + "\n", m);
  map_path_result path;
  ASSERT_TRUE(search_map_path(m, 0, 1099, 1099.5f, 0.5f, 1000000.0f, path));
  EXPECT_EQ(path.faces.size(), 1024u);
  EXPECT_EQ(path.faces.front(), 1);
}

// --- map.txt -----------------------------------------------------------------------------

constexpr const char* good_map =
    "4\n"
    "0 0 0\n1 0 0\n1 1 0\n0 1 0\n"
    "2\n"
    "3 0 3 0 1 2\n"
    "0 7 3 0 2 3\n";

TEST(map_file, a_good_file_reads_with_its_neighbours) {
  world_map m;
  map_file_error error;
  ASSERT_TRUE(parse_map_text(good_map, m, error)) << error.message;
  m.link_records();
  ASSERT_EQ(m.faces.size(), 2u);
  EXPECT_EQ(m.faces[1].second_value, 7);
  EXPECT_EQ(m.faces[0].neighbours[2], 1);  // edge 2 -> 0 is the diagonal
  EXPECT_EQ(m.faces[1].neighbours[0], 0);
  EXPECT_EQ(m.faces[0].neighbours[0], -1);
  EXPECT_FLOAT_EQ(m.vertices[2].light, -1.0f);
}

TEST(map_file, broken_files_are_refused_with_their_line) {
  struct broken_case {
    const char* text;
    int line;
    const char* says;
  };
  const broken_case cases[] = {
      {"4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n1\n3 0 3 0 1 4\n", 7, "vertex index 4 is outside the 4 vertices"},
      {"4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n1\n3 0 3 0 -1 2\n", 7, "vertex index -1"},
      {"4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n1\n3 0 2 0 1\n", 7, "a face has 2 vertices"},
      {"4\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n1\n3 0 5 0 1 2 3 0\n", 7, "a face has 5 vertices"},
      {"4\n0 0 0\n1 0 0\n1 x 0\n0 1 0\n1\n3 0 3 0 1 2\n", 4, "is not a number"},
      {"4\n0 0 0\n1 0 0\n1 nan 0\n0 1 0\n1\n3 0 3 0 1 2\n", 4, "is not a number"},
      {"3\n0 0 0\n1 0 0\n1 1 0\n1\n3 0 4 0 1 2", 6, "the file ends inside a face"},
      {"999999999\n0 0 0\n", 1, "more vertices than the file can hold"},
      {"3\n0 0 0\n1 0 0\n1 1 0\n2000000000\n", 5, "more faces than the file can hold"},
      {"3\n0 0 0\n1 0 0\n1 1 0\n1\n3 0 3 0 1 2\n9\n", 7, "text after the last face"},
      {"-1\n", 1, "the vertex count"},
  };
  for (const broken_case& c : cases) {
    world_map m;
    map_file_error error;
    EXPECT_FALSE(parse_map_text(c.text, m, error)) << c.says;
    EXPECT_EQ(error.line, c.line) << c.says << ": " << error.message;
    EXPECT_NE(error.message.find(c.says), std::string::npos) << error.message;
    EXPECT_TRUE(m.faces.empty());
  }
}

TEST(map_file, loading_a_broken_file_is_fatal_with_the_file_and_line) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / "map_file_test";
  std::filesystem::create_directories(dir);
  const std::string path = (dir / "map.txt").string();
  {
    std::ofstream out(path);
    out << "3\n0 0 0\n1 0 0\n1 1 0\n1\n3 0 3 0 1 3\n";
  }
  scoped_fatal_throw fatal;
  world_map m;
  try {
    load_map_file(path, m);
    FAIL() << "a broken map was taken";
  } catch (const fatal_error& e) {
    EXPECT_NE(std::string(e.what()).find(path + ":6: map.txt format broken: vertex index 3"), std::string::npos)
        << e.what();
  }
  try {
    load_map_file((dir / "missing.txt").string(), m);
    FAIL() << "a missing map was taken";
  } catch (const fatal_error& e) {
    EXPECT_NE(std::string(e.what()).find("Unable to open"), std::string::npos) << e.what();
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace hm
