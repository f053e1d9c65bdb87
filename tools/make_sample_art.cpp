// make_sample_art: the sample module's figures (skeletons, meshes skinned on
// them or held by a bone, and the animation of each skeleton) written as a
// text resource file from a readable description.
//
//   make_sample_art <description> <output.trf>
//
// The description, one statement a line ('#' starts a comment):
//
//   skeleton <name>
//     bone <name> <parent name or -> <x> <y> <z>
//       A bone at rest, in the order the engine numbers them, its origin in
//       the figure's space (metres; x to the figure's right, y forward, z up).
//       Every bone at rest keeps the figure's axes.
//   mesh <name> <material> skinned <skeleton>     (boxes in the figure's space)
//   mesh <name> <material> held                   (boxes in the holding bone's space)
//     box <bone or -> <colour AARRGGBB> <x0> <y0> <z0> <x1> <y1> <z1>
//       A box between two corners, painted with the colour, following the
//       bone (skinned meshes) or standing where it is (held meshes).
//     wedge ... as box, the top face shrunk to a line along y (a blade's
//       edge, a roof, a nose).
//     morph <time> <dx> <dy> <dz>
//       A face key: at key <time> the last box's points move by (dx, dy, dz).
//   animation <name> <skeleton>
//     sequence <label> <first frame> <last frame>
//       pose <frame>
//         turn <bone> <about x> <about y> <about z>
//           Degrees, turned about x, then y, then z of the parent's axes;
//           a bone a pose does not turn stands as at rest.
//         move <dx> <dy> <dz>
//           The root bone moved from where it rests.
//
// Exit code 0 on success, 1 on a line it cannot read (with its number).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tool_usage.h"

namespace {

struct vec {
  double x = 0, y = 0, z = 0;
};
struct quat {
  double x = 0, y = 0, z = 0, w = 1;
};

quat multiply(const quat& a, const quat& b) {
  return quat{a.w * b.x + a.x * b.w + a.y * b.z - a.z * b.y, a.w * b.y - a.x * b.z + a.y * b.w + a.z * b.x,
              a.w * b.z + a.x * b.y - a.y * b.x + a.z * b.w, a.w * b.w - a.x * b.x - a.y * b.y - a.z * b.z};
}

quat about(int axis, double degrees) {
  const double h = degrees * 3.14159265358979323846 / 360.0;
  quat q;
  q.w = std::cos(h);
  (axis == 0 ? q.x : axis == 1 ? q.y : q.z) = std::sin(h);
  return q;
}

struct bone {
  std::string name;
  int parent = -1;
  vec at;
};
struct skeleton {
  std::string name;
  std::vector<bone> bones;
  int find(const std::string& n) const {
    for (std::size_t i = 0; i < bones.size(); ++i)
      if (bones[i].name == n) return static_cast<int>(i);
    return -1;
  }
};

struct face {
  int a, b, c;
};
struct mesh {
  std::string name, material;
  const skeleton* skin = nullptr;
  std::vector<vec> points;
  std::vector<int> point_bone;
  struct vertex {
    int point;
    std::uint32_t colour;
    vec normal;
    double u, v;
  };
  std::vector<vertex> vertices;
  std::vector<face> faces;
  std::vector<std::pair<int, int>> last_box;  // first point, point count
  std::map<int, std::vector<vec>> morphs;    // key time: position of every point
};

struct pose {
  int frame = 0;
  std::map<int, quat> turns;
  vec move;
};
struct animation {
  std::string name;
  const skeleton* skel = nullptr;
  std::vector<pose> poses;
};

vec cross(const vec& a, const vec& b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
vec minus(const vec& a, const vec& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
vec normalised(const vec& a) {
  const double l = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
  return l > 0 ? vec{a.x / l, a.y / l, a.z / l} : vec{0, 0, 1};
}

// Eight corners (bottom four then top four, each counter-clockwise seen from
// above) made into six outward quads.
void add_solid(mesh& m, int bone, std::uint32_t colour, const vec (&c)[8]) {
  const int first = static_cast<int>(m.points.size());
  for (const vec& p : c) {
    m.points.push_back(p);
    m.point_bone.push_back(bone);
  }
  for (auto& [time, key] : m.morphs) key.insert(key.end(), std::begin(c), std::end(c));
  static const int quads[6][4] = {{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4}, {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  for (const auto& q : quads) {
    vec n = cross(minus(c[q[1]], c[q[0]]), minus(c[q[2]], c[q[0]]));
    if (n.x == 0 && n.y == 0 && n.z == 0) n = cross(minus(c[q[2]], c[q[0]]), minus(c[q[3]], c[q[0]]));
    n = normalised(n);
    const int v0 = static_cast<int>(m.vertices.size());
    static const double uv[4][2] = {{0, 1}, {1, 1}, {1, 0}, {0, 0}};
    for (int k = 0; k < 4; ++k) m.vertices.push_back({first + q[k], colour, n, uv[k][0], uv[k][1]});
    m.faces.push_back({v0, v0 + 1, v0 + 2});
    m.faces.push_back({v0, v0 + 2, v0 + 3});
  }
  m.last_box.push_back({first, 8});
}

int fail(int line, const std::string& what) {
  std::fprintf(stderr, "make_sample_art: line %d: %s\n", line, what.c_str());
  return 1;
}

void write_quat(std::ostream& o, const quat& q) { o << ' ' << q.x << ' ' << q.y << ' ' << q.z << ' ' << q.w; }

}  // namespace

int main(int argc, char** argv) {
  const bool help = hm::tools::asks_for_help(argc, argv);
  if (help || argc != 3) return hm::tools::print_usage("usage: make_sample_art <description> <output.trf>\n", help);
  std::ifstream in(argv[1]);
  if (!in) {
    std::fprintf(stderr, "make_sample_art: cannot open %s\n", argv[1]);
    return 1;
  }
  std::vector<skeleton> skeletons;
  std::vector<mesh> meshes;
  std::vector<animation> animations;
  skeletons.reserve(16);
  enum { none, in_skeleton, in_mesh, in_animation } state = none;
  pose* current_pose = nullptr;
  std::string text;
  int line_number = 0;
  while (std::getline(in, text)) {
    ++line_number;
    if (const auto hash = text.find('#'); hash != std::string::npos) text.erase(hash);
    std::istringstream line(text);
    std::string word;
    if (!(line >> word)) continue;
    const auto find_skeleton = [&](const std::string& n) -> const skeleton* {
      for (const skeleton& s : skeletons)
        if (s.name == n) return &s;
      return nullptr;
    };
    if (word == "skeleton") {
      skeleton s;
      if (!(line >> s.name)) return fail(line_number, "skeleton without a name");
      skeletons.push_back(s);
      state = in_skeleton;
    } else if (word == "bone" && state == in_skeleton) {
      skeleton& s = skeletons.back();
      bone b;
      std::string parent;
      if (!(line >> b.name >> parent >> b.at.x >> b.at.y >> b.at.z)) return fail(line_number, "bone wants a name, a parent and x y z");
      if (parent != "-") {
        b.parent = s.find(parent);
        if (b.parent < 0) return fail(line_number, "no earlier bone named " + parent);
      } else if (!s.bones.empty()) {
        return fail(line_number, "only the first bone has no parent");
      }
      s.bones.push_back(b);
    } else if (word == "mesh") {
      mesh m;
      std::string kind;
      if (!(line >> m.name >> m.material >> kind)) return fail(line_number, "mesh wants a name, a material and skinned or held");
      if (kind == "skinned") {
        std::string skel;
        line >> skel;
        m.skin = find_skeleton(skel);
        if (m.skin == nullptr) return fail(line_number, "no skeleton named " + skel);
      } else if (kind != "held") {
        return fail(line_number, "a mesh is skinned or held, not " + kind);
      }
      meshes.push_back(m);
      state = in_mesh;
    } else if ((word == "box" || word == "wedge") && state == in_mesh) {
      mesh& m = meshes.back();
      std::string bone_name, colour_text;
      vec a, b;
      if (!(line >> bone_name >> colour_text >> a.x >> a.y >> a.z >> b.x >> b.y >> b.z))
        return fail(line_number, word + " wants a bone, a colour and two corners");
      int bone_index = -1;
      if (m.skin != nullptr) {
        bone_index = m.skin->find(bone_name);
        if (bone_index < 0) return fail(line_number, "no bone named " + bone_name);
      }
      const std::uint32_t colour = static_cast<std::uint32_t>(std::stoul(colour_text, nullptr, 16));
      const double x0 = std::min(a.x, b.x), x1 = std::max(a.x, b.x), y0 = std::min(a.y, b.y), y1 = std::max(a.y, b.y);
      const double z0 = std::min(a.z, b.z), z1 = std::max(a.z, b.z);
      const double xm = (x0 + x1) / 2;
      const double tx0 = word == "wedge" ? xm : x0, tx1 = word == "wedge" ? xm : x1;
      const vec c[8] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0},
                        {tx0, y0, z1}, {tx1, y0, z1}, {tx1, y1, z1}, {tx0, y1, z1}};
      add_solid(m, bone_index, colour, c);
    } else if (word == "morph" && state == in_mesh) {
      mesh& m = meshes.back();
      int time = 0;
      vec d;
      if (!(line >> time >> d.x >> d.y >> d.z) || m.last_box.empty()) return fail(line_number, "morph wants a time, dx dy dz after a box");
      std::vector<vec>& key = m.morphs[time];
      if (key.empty()) key = m.points;
      const auto [first, count] = m.last_box.back();
      for (int i = first; i < first + count; ++i) key[static_cast<std::size_t>(i)] = {key[i].x + d.x, key[i].y + d.y, key[i].z + d.z};
    } else if (word == "animation") {
      animation a;
      std::string skel;
      if (!(line >> a.name >> skel)) return fail(line_number, "animation wants a name and a skeleton");
      a.skel = find_skeleton(skel);
      if (a.skel == nullptr) return fail(line_number, "no skeleton named " + skel);
      animations.push_back(a);
      state = in_animation;
    } else if (word == "sequence" && state == in_animation) {
      // A label and the frame range, for the reader and the action table.
      current_pose = nullptr;
    } else if (word == "pose" && state == in_animation) {
      animation& a = animations.back();
      pose p;
      if (!(line >> p.frame)) return fail(line_number, "pose wants a frame");
      if (!a.poses.empty() && p.frame <= a.poses.back().frame) return fail(line_number, "poses come in rising frames");
      a.poses.push_back(p);
      current_pose = &a.poses.back();
    } else if (word == "turn" && current_pose != nullptr) {
      std::string bone_name;
      double rx = 0, ry = 0, rz = 0;
      if (!(line >> bone_name >> rx >> ry >> rz)) return fail(line_number, "turn wants a bone and three angles");
      const int b = animations.back().skel->find(bone_name);
      if (b < 0) return fail(line_number, "no bone named " + bone_name);
      current_pose->turns[b] = multiply(about(2, rz), multiply(about(1, ry), about(0, rx)));
    } else if (word == "move" && current_pose != nullptr) {
      if (!(line >> current_pose->move.x >> current_pose->move.y >> current_pose->move.z))
        return fail(line_number, "move wants dx dy dz");
    } else {
      return fail(line_number, "unexpected \"" + word + "\"");
    }
  }

  std::ostringstream out;
  out.precision(6);
  out << "skeleton " << skeletons.size() << '\n';
  for (const skeleton& s : skeletons) {
    out << "  " << s.name << ' ' << s.bones.size() << '\n';
    for (const bone& b : s.bones) {
      const vec at = b.parent < 0 ? b.at : minus(b.at, s.bones[static_cast<std::size_t>(b.parent)].at);
      out << "    " << b.parent << ' ' << b.name << " 0  1 0 0  0 1 0  0 0 1  " << at.x << ' ' << at.y << ' ' << at.z
          << '\n';
    }
  }
  out << "skeleton_anim " << animations.size() << '\n';
  for (const animation& a : animations) {
    out << "  " << a.name << ' ' << a.skel->bones.size() << '\n';
    for (std::size_t b = 0; b < a.skel->bones.size(); ++b) {
      out << "    " << a.poses.size() << ' ';
      for (const pose& p : a.poses) {
        const auto t = p.turns.find(static_cast<int>(b));
        out << ' ' << p.frame;
        write_quat(out, t != p.turns.end() ? t->second : quat{});
        out << ' ';
      }
      out << '\n';
    }
    out << "    " << a.poses.size() << ' ';
    for (const pose& p : a.poses) out << ' ' << p.frame << ' ' << p.move.x << ' ' << p.move.y << ' ' << p.move.z << ' ';
    out << '\n';
  }
  out << "mesh " << meshes.size() << '\n';
  for (const mesh& m : meshes) {
    out << "  " << m.name << " 0 " << m.material << '\n';
    out << "    " << m.points.size();
    for (const vec& p : m.points) out << "  " << p.x << ' ' << p.y << ' ' << p.z;
    out << '\n';
    if (m.skin != nullptr) {
      std::map<int, std::vector<int>> by_bone;
      for (std::size_t i = 0; i < m.points.size(); ++i) by_bone[m.point_bone[i]].push_back(static_cast<int>(i));
      out << "    " << by_bone.size() << '\n';
      for (const auto& [b, points] : by_bone) {
        out << "      " << b << ' ' << points.size();
        for (int p : points) out << "  " << p << " 1";
        out << '\n';
      }
    } else {
      out << "    0\n";
    }
    out << "    " << m.morphs.size() << '\n';
    for (const auto& [time, key] : m.morphs) {
      out << "      " << time << ' ' << key.size();
      for (const vec& p : key) out << "  " << p.x << ' ' << p.y << ' ' << p.z;
      out << "\n        " << m.vertices.size();
      for (const mesh::vertex& v : m.vertices) out << "  " << v.normal.x << ' ' << v.normal.y << ' ' << v.normal.z;
      out << '\n';
    }
    out << "    " << m.vertices.size();
    for (const mesh::vertex& v : m.vertices)
      out << "\n       " << v.point << ' ' << v.colour << ' ' << v.normal.x << ' ' << v.normal.y << ' ' << v.normal.z << "  "
          << v.u << ' ' << v.v << " 0 0";
    out << "\n    " << m.faces.size();
    for (const face& f : m.faces) out << "  " << f.a << ' ' << f.b << ' ' << f.c;
    out << '\n';
  }
  out << "end\n";
  std::ofstream file(argv[2]);
  file << out.str();
  file.close();
  if (!file) {
    std::fprintf(stderr, "make_sample_art: cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
