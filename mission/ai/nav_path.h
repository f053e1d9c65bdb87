#pragma once
// Searches over the faces of a scene's navigation graph: the path an agent
// follows from its face to a goal face, the bounded test of whether a goal
// can be reached at all, and whether a straight walk from a point reaches
// another face. Searches mark faces with the running stamp instead of
// clearing them, so a search costs only the faces it touches.
#include <cstdint>
#include <vector>

#include "engine/core/math.h"

namespace hm {

struct ai_mesh;

// The longest path an agent keeps, and the longest parent chain a search
// walks back.
inline constexpr int max_path_length = 1024;
inline constexpr int max_path_chain = 8192;
// A search gives up once the smallest key it takes from the open list
// reaches this.
inline constexpr float path_key_limit = 1000000.0f;
// Clearance at or below which a side counts as narrow: a human on foot, and
// a rider or a horse.
inline constexpr float foot_clearance = 0.45f;
inline constexpr float rider_clearance = 0.6f;

struct nav_open_entry {
  std::int32_t face = -1;
  float cost = 0.0f;
  float key = 0.0f;
};

// The faces reached and not yet expanded, smallest key first. It keeps its
// storage from search to search.
class nav_open_list {
 public:
  void clear() { heap_.clear(); }
  bool empty() const { return heap_.empty(); }
  std::size_t size() const { return heap_.size(); }
  void push(const nav_open_entry& e);
  // The entry with the smallest key; the list must not be empty.
  nav_open_entry pop();

 private:
  std::vector<nav_open_entry> heap_;
};

// The key of a face reached at cost g: g x (1 + weight x |goal - face| /
// |start - face|). A face whose centre lies on the start's has no sensible
// ratio; it is keyed by its cost alone, so the key stays finite and the
// heap keeps its order.
float path_key(float cost, const vec3& start_centre, const vec3& goal_centre, const vec3& face_centre, float weight);

// The cost of stepping into a face across a side with clearance c, for an
// agent that counts sides of at most w as narrow.
float side_step_cost(float clearance, float w);

// The face across side j of the face, or -1 on the border (or for a side
// index out of range).
int nav_neighbour(const ai_mesh& mesh, int face, int side);

struct nav_path {
  std::vector<std::int32_t> faces;
  std::vector<vec3> points;
  std::int32_t length = 0;
  // Faces taken from the open list.
  std::int32_t expanded = 0;
};

// The path from the start face to the goal face: the faces from start to
// goal, the crossing point of each side passed, then the last face's
// centre. False (length 0) when the goal cannot be reached or a face index
// is out of range.
bool find_path(ai_mesh& mesh, std::int32_t& running_stamp, nav_open_list& open, int start, int goal, float w,
               nav_path& out);

// Whether the goal face can be reached from the start face expanding only
// faces within `step_limit` steps.
bool faces_connected(ai_mesh& mesh, std::int32_t& running_stamp, nav_open_list& open, int start, int goal,
                     int step_limit);

// Whether the straight line from p (on face a) reaches face b (where q lies)
// within `face_limit` faces, crossing each side between 10% and 90% of its
// length. With a or b negative: whether b is -1.
bool can_walk_straight(const ai_mesh& mesh, int a, const vec3& p, int b, const vec3& q, int face_limit);

}  // namespace hm
