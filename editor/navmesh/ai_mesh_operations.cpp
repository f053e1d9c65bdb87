#include "editor/navmesh/ai_mesh_operations.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <vector>

#include "editor/navmesh/ai_mesh_editor.h"

namespace hm {

namespace {

std::int32_t count_of(std::size_t n) { return static_cast<std::int32_t>(n); }

std::int32_t corners(const ai_mesh_face& f) { return std::clamp(f.vertex_count, 0, 4); }

const vec3& position_of(const ai_mesh& m, std::int32_t v) { return m.vertices[static_cast<std::size_t>(v)].position; }

// Runs the change on the editor's graph; a change that reports failure, or
// turns a sound graph into an unsound one, is undone.
bool guarded(ai_mesh_editor& ed, const std::function<bool(ai_mesh&)>& change) {
  ai_mesh* mesh = ed.mesh();
  if (!mesh) return false;
  rebuild_ai_mesh_adjacency(*mesh);
  const ai_mesh before = *mesh;
  const std::int32_t primary = ed.primary_vertex;
  const bool was_sound = ai_mesh_fault(*mesh).empty();
  bool ok = change(*mesh);
  if (ok) {
    rebuild_ai_mesh_adjacency(*mesh);
    if (was_sound && !ai_mesh_fault(*mesh).empty()) ok = false;
  }
  if (!ok) {
    *mesh = before;
    ed.primary_vertex = primary;
  }
  return ok;
}

std::int32_t new_vertex(ai_mesh& m, const vec3& p) {
  add_ai_mesh_vertex(m, p);
  return count_of(m.vertices.size()) - 1;
}

// The edge joining a and b, made when there is none.
std::int32_t edge_between(ai_mesh& m, std::int32_t a, std::int32_t b) {
  const std::int32_t found = find_ai_mesh_edge(m, a, b);
  return found >= 0 ? found : add_ai_mesh_edge(m, a, b);
}

std::int32_t new_face(ai_mesh& m, const std::vector<std::int32_t>& ring) {
  std::int32_t vs[4] = {ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner};
  std::int32_t es[4] = {ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner, ai_mesh_no_corner};
  const std::size_t n = ring.size();
  for (std::size_t k = 0; k < n; ++k) {
    vs[k] = ring[k];
    es[k] = edge_between(m, ring[k], ring[(k + 1) % n]);
  }
  return add_ai_mesh_face(m, count_of(n), vs, es);
}

// How many faces use each edge.
std::vector<std::int32_t> face_counts(const ai_mesh& m) {
  std::vector<std::int32_t> counts(m.edges.size(), 0);
  for (const ai_mesh_face& f : m.faces)
    for (std::int32_t k = 0; k < corners(f); ++k) ++counts[static_cast<std::size_t>(f.edges[k])];
  return counts;
}

// The side of the face holding the edge, -1 for none.
std::int32_t side_of(const ai_mesh_face& f, std::int32_t edge) {
  for (std::int32_t k = 0; k < corners(f); ++k)
    if (f.edges[k] == edge) return k;
  return -1;
}

bool face_holds(const ai_mesh_face& f, std::int32_t v) {
  for (std::int32_t k = 0; k < corners(f); ++k)
    if (f.vertices[k] == v) return true;
  return false;
}

// The edge of the face joining a and b, -1 for none.
std::int32_t face_edge_between(const ai_mesh& m, const ai_mesh_face& f, std::int32_t a, std::int32_t b) {
  for (std::int32_t k = 0; k < corners(f); ++k) {
    const ai_mesh_edge& e = m.edges[static_cast<std::size_t>(f.edges[k])];
    if ((e.vertex_a == a && e.vertex_b == b) || (e.vertex_a == b && e.vertex_b == a)) return f.edges[k];
  }
  return -1;
}

std::vector<std::int32_t> selected_vertices(const ai_mesh& m) {
  std::vector<std::int32_t> out;
  for (std::size_t i = 0; i < m.vertices.size(); ++i)
    if (m.vertices[i].selected) out.push_back(count_of(i));
  return out;
}

std::vector<std::int32_t> selected_edges(const ai_mesh& m) {
  std::vector<std::int32_t> out;
  for (std::size_t i = 0; i < m.edges.size(); ++i)
    if (m.edges[i].selected) out.push_back(count_of(i));
  return out;
}

// The unit mean normal of the faces holding any of the vertices, (0, 1, 0)
// when they give none.
vec3 mean_normal_around(const ai_mesh& m, const std::vector<std::int32_t>& vs) {
  vec3 sum;
  for (const ai_mesh_face& f : m.faces) {
    const bool touches = std::any_of(vs.begin(), vs.end(), [&](std::int32_t v) { return face_holds(f, v); });
    if (touches) sum += f.normal;
  }
  sum.normalize();
  return sum;
}

// A face through the vertices in the order given. Refused when one face
// holds them all, or when a vertex is an end of an edge that already has
// two faces.
bool fill_face(ai_mesh& m, const std::vector<std::int32_t>& ring) {
  for (const ai_mesh_face& f : m.faces) {
    if (std::all_of(ring.begin(), ring.end(), [&](std::int32_t v) { return face_holds(f, v); })) return false;
  }
  const std::vector<std::int32_t> counts = face_counts(m);
  for (std::size_t i = 0; i < m.edges.size(); ++i) {
    if (counts[i] < 2) continue;
    const ai_mesh_edge& e = m.edges[i];
    for (std::int32_t v : ring)
      if (e.vertex_a == v || e.vertex_b == v) return false;
  }
  new_face(m, ring);
  return true;
}

// The vertices in turn around the normal, starting from the first.
std::vector<std::int32_t> order_around(const ai_mesh& m, std::vector<std::int32_t> vs, const vec3& normal) {
  vec3 centre;
  for (std::int32_t v : vs) centre += position_of(m, v);
  centre = centre * (1.0f / static_cast<float>(vs.size()));
  const vec3 u = get_normalized(position_of(m, vs[0]) - centre - normal * dot_product(position_of(m, vs[0]) - centre, normal));
  const vec3 w = cross_product(normal, u);
  const auto angle = [&](std::int32_t v) {
    const vec3 d = position_of(m, v) - centre;
    const float a = std::atan2(dot_product(d, w), dot_product(d, u));
    return a < 0.0f ? a + 6.2831853f : a;
  };
  const std::int32_t first = vs[0];
  std::stable_sort(vs.begin() + 1, vs.end(), [&](std::int32_t a, std::int32_t b) { return angle(a) < angle(b); });
  vs[0] = first;
  return vs;
}

}  // namespace

std::int32_t ai_mesh_face_next_vertex(const ai_mesh_face& face, std::int32_t vertex) {
  const std::int32_t n = corners(face);
  for (std::int32_t k = 0; k < n; ++k)
    if (face.vertices[k] == vertex) return face.vertices[(k + 1) % n];
  return -1;
}

void ai_mesh_create_new_face(ai_mesh_editor& ed, const vec3& p) {
  guarded(ed, [&](ai_mesh& m) {
    const std::int32_t a = new_vertex(m, vec3(p.x - 3.0f, p.y - 3.0f, p.z));
    const std::int32_t b = new_vertex(m, vec3(p.x + 3.0f, p.y - 3.0f, p.z));
    const std::int32_t c = new_vertex(m, vec3(p.x + 3.0f, p.y + 3.0f, p.z));
    const std::int32_t d = new_vertex(m, vec3(p.x - 3.0f, p.y + 3.0f, p.z));
    new_face(m, {a, b, c, d});
    return true;
  });
}

bool ai_mesh_connect(ai_mesh_editor& ed) {
  return guarded(ed, [&](ai_mesh& m) {
    const std::vector<std::int32_t> sel = selected_vertices(m);
    if (sel.size() != 2) return false;
    for (std::size_t i = 0; i < m.faces.size(); ++i) {
      ai_mesh_face& f = m.faces[i];
      if (f.vertex_count != 4 || !face_holds(f, sel[0]) || !face_holds(f, sel[1])) continue;
      if (face_edge_between(m, f, sel[0], sel[1]) >= 0) continue;
      std::int32_t k = 0;
      while (f.vertices[k] != sel[0] && f.vertices[k] != sel[1]) ++k;
      const std::int32_t c[4] = {f.vertices[k], f.vertices[(k + 1) % 4], f.vertices[(k + 2) % 4], f.vertices[(k + 3) % 4]};
      const std::int32_t s[4] = {f.edges[k], f.edges[(k + 1) % 4], f.edges[(k + 2) % 4], f.edges[(k + 3) % 4]};
      const std::int32_t diagonal = add_ai_mesh_edge(m, c[0], c[2]);
      ai_mesh_face other = m.faces[i];
      ai_mesh_face& first = m.faces[i];
      first.vertex_count = 3;
      first.vertices[0] = c[0], first.vertices[1] = c[1], first.vertices[2] = c[2], first.vertices[3] = ai_mesh_no_corner;
      first.edges[0] = s[0], first.edges[1] = s[1], first.edges[2] = diagonal, first.edges[3] = ai_mesh_no_corner;
      other.vertex_count = 3;
      other.vertices[0] = c[2], other.vertices[1] = c[3], other.vertices[2] = c[0], other.vertices[3] = ai_mesh_no_corner;
      other.edges[0] = s[2], other.edges[1] = s[3], other.edges[2] = diagonal, other.edges[3] = ai_mesh_no_corner;
      m.faces.push_back(other);
      return true;
    }
    return false;
  });
}

bool ai_mesh_subdivide(ai_mesh_editor& ed) {
  return guarded(ed, [&](ai_mesh& m) {
    const std::vector<std::int32_t> sel = selected_edges(m);
    if (sel.size() != 1) return false;
    const std::int32_t e = sel[0];
    const std::int32_t a = m.edges[static_cast<std::size_t>(e)].vertex_a;
    const std::int32_t b = m.edges[static_cast<std::size_t>(e)].vertex_b;
    const vec3 pa = position_of(m, a);
    const vec3 pb = position_of(m, b);
    const std::int32_t mid = new_vertex(m, vec3((pa.x + pb.x) * 0.5f, (pa.y + pb.y) * 0.5f, (pa.z + pb.z) * 0.5f));
    // The edge keeps the half at a; the half at b is new.
    m.edges[static_cast<std::size_t>(e)].vertex_b = mid;
    const std::int32_t half_b = add_ai_mesh_edge(m, mid, b);
    const std::size_t face_total = m.faces.size();
    for (std::size_t i = 0; i < face_total; ++i) {
      const ai_mesh_face f = m.faces[i];
      const std::int32_t k = side_of(f, e);
      if (k < 0) continue;
      const std::int32_t n = f.vertex_count;
      // The ring from the corner after the split side round to the one
      // before it, with the new vertex closing it.
      std::vector<std::int32_t> ring;
      std::vector<std::int32_t> sides;
      for (std::int32_t j = 1; j <= n; ++j) ring.push_back(f.vertices[(k + j) % n]);
      for (std::int32_t j = 1; j < n; ++j) sides.push_back(f.edges[(k + j) % n]);
      const auto spoke = [&](std::int32_t v) {
        if (v == a) return e;
        if (v == b) return half_b;
        return edge_between(m, mid, v);
      };
      for (std::size_t t = 0; t + 1 < ring.size(); ++t) {
        ai_mesh_face tri = f;
        tri.vertex_count = 3;
        tri.vertices[0] = mid, tri.vertices[1] = ring[t], tri.vertices[2] = ring[t + 1], tri.vertices[3] = ai_mesh_no_corner;
        tri.edges[0] = spoke(ring[t]), tri.edges[1] = sides[t], tri.edges[2] = spoke(ring[t + 1]);
        tri.edges[3] = ai_mesh_no_corner;
        if (t == 0) m.faces[i] = tri;
        else m.faces.push_back(tri);
      }
    }
    return true;
  });
}

bool ai_mesh_weld(ai_mesh_editor& ed) {
  const std::int32_t mode = ed.element_mode;
  return guarded(ed, [&](ai_mesh& m) {
    std::int32_t a = -1;
    std::int32_t b = -1;
    if (mode == ai_element_edges) {
      const std::vector<std::int32_t> sel = selected_edges(m);
      if (sel.size() != 1) return false;
      a = m.edges[static_cast<std::size_t>(sel[0])].vertex_a;
      b = m.edges[static_cast<std::size_t>(sel[0])].vertex_b;
    } else {
      const std::vector<std::int32_t> sel = selected_vertices(m);
      if (sel.size() != 2) return false;
      a = sel[0];
      b = sel[1];
    }
    const std::vector<std::int32_t> counts = face_counts(m);
    const auto on_border = [&](std::int32_t v) {
      for (std::size_t i = 0; i < m.edges.size(); ++i) {
        const ai_mesh_edge& e = m.edges[i];
        if ((e.vertex_a == v || e.vertex_b == v) && counts[i] == 1) return true;
      }
      return false;
    };
    if (find_ai_mesh_edge(m, a, b) < 0 && !(on_border(a) && on_border(b))) return false;
    const vec3 pa = position_of(m, a);
    const vec3 pb = position_of(m, b);
    m.vertices[static_cast<std::size_t>(a)].position =
        vec3((pa.x + pb.x) * 0.5f, (pa.y + pb.y) * 0.5f, (pa.z + pb.z) * 0.5f);
    // b's references go to a. The edge that joined them collapses; a face
    // loses the corner on it, and a face left without three distinct
    // corners goes.
    for (ai_mesh_edge& e : m.edges) {
      if (e.vertex_a == b) e.vertex_a = a;
      if (e.vertex_b == b) e.vertex_b = a;
    }
    std::vector<std::int32_t> doomed;
    for (std::size_t i = 0; i < m.faces.size(); ++i) {
      ai_mesh_face& f = m.faces[i];
      std::int32_t vs[4];
      std::int32_t es[4];
      std::int32_t n = 0;
      const std::int32_t count = corners(f);
      for (std::int32_t k = 0; k < count; ++k) {
        const std::int32_t here = f.vertices[k] == b ? a : f.vertices[k];
        const std::int32_t next_raw = f.vertices[(k + 1) % count];
        const std::int32_t next = next_raw == b ? a : next_raw;
        if (here == next) continue;
        vs[n] = here;
        es[n] = f.edges[k];
        ++n;
      }
      bool distinct = n >= 3;
      for (std::int32_t j = 0; j < n && distinct; ++j)
        for (std::int32_t k = 0; k < j; ++k) distinct = distinct && vs[j] != vs[k];
      if (!distinct) {
        doomed.push_back(count_of(i));
        continue;
      }
      f.vertex_count = n;
      for (std::int32_t k = 0; k < 4; ++k) {
        f.vertices[k] = k < n ? vs[k] : ai_mesh_no_corner;
        f.edges[k] = k < n ? es[k] : ai_mesh_no_corner;
      }
    }
    // Two edges now joining the same pair become the first of them.
    for (std::size_t i = 0; i < m.edges.size(); ++i) {
      for (std::size_t j = i + 1; j < m.edges.size(); ++j) {
        const ai_mesh_edge& x = m.edges[i];
        const ai_mesh_edge& y = m.edges[j];
        if (x.vertex_a == x.vertex_b) continue;
        const bool same = (x.vertex_a == y.vertex_a && x.vertex_b == y.vertex_b) ||
                          (x.vertex_a == y.vertex_b && x.vertex_b == y.vertex_a);
        if (!same) continue;
        for (ai_mesh_face& f : m.faces)
          for (std::int32_t k = 0; k < corners(f); ++k)
            if (f.edges[k] == count_of(j)) f.edges[k] = count_of(i);
      }
    }
    // The collapsed and doubled edges are used by no face now; b by no edge.
    for (std::size_t i = 0; i < m.edges.size(); ++i) {
      ai_mesh_edge& e = m.edges[i];
      if (e.vertex_a == e.vertex_b) {
        for (const ai_mesh_face& f : m.faces)
          if (side_of(f, count_of(i)) >= 0) return false;
      }
    }
    ed.primary_vertex = -1;
    std::sort(doomed.rbegin(), doomed.rend());
    for (std::int32_t f : doomed) {
      m.faces[static_cast<std::size_t>(f)] = m.faces.back();
      m.faces.pop_back();
    }
    ed.prune_orphan_edges();
    ed.prune_orphan_vertices();
    // b, if it survived the pruning (it is used by no edge, so it did not).
    return true;
  });
}

bool ai_mesh_remove_edge(ai_mesh_editor& ed, std::int32_t edge) {
  return guarded(ed, [&](ai_mesh& m) {
    std::int32_t e = edge;
    if (e < 0) {
      const std::vector<std::int32_t> sel = selected_edges(m);
      if (sel.size() != 1) return false;
      e = sel[0];
    }
    if (e >= count_of(m.edges.size())) return false;
    std::vector<std::int32_t> users;
    for (std::size_t i = 0; i < m.faces.size(); ++i)
      if (side_of(m.faces[i], e) >= 0) users.push_back(count_of(i));
    if (users.size() != 2) return false;
    const ai_mesh_face f1 = m.faces[static_cast<std::size_t>(users[0])];
    const ai_mesh_face f2 = m.faces[static_cast<std::size_t>(users[1])];
    if (f1.vertex_count != 3 || f2.vertex_count != 3) return false;
    // f1 turned so that the removed edge is its last side: u0, u1, u2 with
    // u2-u0 the edge; w is f2's corner off the edge.
    const std::int32_t k = side_of(f1, e);
    const std::int32_t u0 = f1.vertices[(k + 1) % 3];
    const std::int32_t u1 = f1.vertices[(k + 2) % 3];
    const std::int32_t u2 = f1.vertices[k];
    std::int32_t w = -1;
    for (std::int32_t j = 0; j < 3; ++j)
      if (f2.vertices[j] != u0 && f2.vertices[j] != u2) w = f2.vertices[j];
    if (w < 0) return false;
    ai_mesh_face& quad = m.faces[static_cast<std::size_t>(users[0])];
    quad.vertex_count = 4;
    quad.vertices[0] = u0, quad.vertices[1] = u1, quad.vertices[2] = u2, quad.vertices[3] = w;
    quad.edges[0] = f1.edges[(k + 1) % 3];
    quad.edges[1] = f1.edges[(k + 2) % 3];
    quad.edges[2] = face_edge_between(m, f2, u2, w);
    quad.edges[3] = face_edge_between(m, f2, w, u0);
    if (quad.edges[2] < 0 || quad.edges[3] < 0) return false;
    ed.delete_edge_raw(e);
    return true;
  });
}

void ai_mesh_extrude(ai_mesh_editor& ed) {
  const std::int32_t mode = ed.element_mode;
  guarded(ed, [&](ai_mesh& m) {
    ed.mark_selection_edges(mode);
    const std::vector<std::int32_t> marks = ed.edge_marks;
    for (ai_mesh_edge& e : m.edges) e.selected = 0;
    const std::vector<std::int32_t> counts = face_counts(m);
    const std::size_t edge_total = m.edges.size();
    // The face of each border edge and the edge's outward direction in it.
    std::vector<std::int32_t> owner(edge_total, -1);
    std::vector<vec3> outward(edge_total);
    for (std::size_t i = 0; i < m.faces.size(); ++i) {
      const ai_mesh_face& f = m.faces[i];
      for (std::int32_t k = 0; k < corners(f); ++k) {
        const std::size_t e = static_cast<std::size_t>(f.edges[k]);
        if (!marks[e] || counts[e] != 1) continue;
        owner[e] = count_of(i);
        const vec3 along = position_of(m, f.vertices[(k + 1) % f.vertex_count]) - position_of(m, f.vertices[k]);
        vec3 out = cross_product(along, f.normal);
        out.normalize();
        outward[e] = out;
      }
    }
    // The vertex each end grew into, and the edge to it.
    std::map<std::int32_t, std::pair<std::int32_t, std::int32_t>> grown;
    const auto grow = [&](std::int32_t end) {
      const auto it = grown.find(end);
      if (it != grown.end()) return it->second.first;
      vec3 sum;
      std::int32_t n = 0;
      for (std::size_t j = 0; j < edge_total; ++j) {
        if (owner[j] < 0) continue;
        const ai_mesh_edge& e = m.edges[j];
        if (e.vertex_a != end && e.vertex_b != end) continue;
        sum += position_of(m, end) + outward[j];
        ++n;
      }
      const std::int32_t v = new_vertex(m, sum * (1.0f / static_cast<float>(n)));
      const std::int32_t spoke = add_ai_mesh_edge(m, end, v);
      grown[end] = {v, spoke};
      return v;
    };
    for (std::size_t i = 0; i < edge_total; ++i) {
      if (owner[i] < 0) continue;
      const ai_mesh_face& f = m.faces[static_cast<std::size_t>(owner[i])];
      const std::int32_t k = side_of(f, count_of(i));
      const std::int32_t c0 = f.vertices[k];
      const std::int32_t c1 = f.vertices[(k + 1) % f.vertex_count];
      const std::int32_t n0 = grow(c0);
      const std::int32_t n1 = grow(c1);
      // The new quad runs the shared edge the other way round, so it faces
      // the same way as the face it grows from.
      new_face(m, {c1, c0, n0, n1});
    }
    return true;
  });
}

bool ai_mesh_fill(ai_mesh_editor& ed) {
  const std::int32_t mode = ed.element_mode;
  return guarded(ed, [&](ai_mesh& m) {
    ed.mark_selection_vertices(mode);
    std::vector<std::int32_t> vs;
    for (std::size_t i = 0; i < ed.vertex_marks.size(); ++i)
      if (ed.vertex_marks[i]) vs.push_back(count_of(i));
    if (vs.size() != 3 && vs.size() != 4) return false;
    if (vs.size() == 4) {
      for (const ai_mesh_face& f : m.faces) {
        const auto held = std::count_if(vs.begin(), vs.end(), [&](std::int32_t v) { return face_holds(f, v); });
        if (held > 2) return false;
      }
    }
    const vec3 normal = mean_normal_around(m, vs);
    return fill_face(m, order_around(m, vs, normal));
  });
}

void ai_mesh_break_selected(ai_mesh_editor& ed) {
  guarded(ed, [&](ai_mesh& m) {
    std::vector<std::int32_t> marks(m.edges.size(), 0);
    vec3 normal_sum;
    std::int32_t selected = 0;
    for (const ai_mesh_face& f : m.faces) {
      if (!f.selected) continue;
      normal_sum += f.normal;
      ++selected;
      for (std::int32_t k = 0; k < corners(f); ++k) ++marks[static_cast<std::size_t>(f.edges[k])];
    }
    if (selected == 0) return true;
    const std::vector<std::int32_t> counts = face_counts(m);
    std::map<std::int32_t, std::int32_t> duplicate;
    const auto copy_of = [&](std::int32_t v) {
      const auto it = duplicate.find(v);
      if (it != duplicate.end()) return it->second;
      const std::int32_t d = new_vertex(m, position_of(m, v));
      duplicate[v] = d;
      return d;
    };
    // A side shared with a face left behind is doubled; the selection takes
    // the copy, with copies of its ends. A side of the graph's own border
    // belongs to the selection alone and is only moved across.
    const std::size_t edge_total = m.edges.size();
    for (std::size_t i = 0; i < edge_total; ++i) {
      if (marks[i] != 1 || counts[i] != 2) continue;
      const std::int32_t a = m.edges[i].vertex_a;
      const std::int32_t b = m.edges[i].vertex_b;
      const std::int32_t da = copy_of(a);
      const std::int32_t db = copy_of(b);
      const std::int32_t copy = add_ai_mesh_edge(m, da, db);
      for (ai_mesh_face& f : m.faces) {
        if (!f.selected) continue;
        for (std::int32_t k = 0; k < corners(f); ++k)
          if (f.edges[k] == count_of(i)) f.edges[k] = copy;
      }
    }
    for (ai_mesh_face& f : m.faces) {
      if (!f.selected) continue;
      for (std::int32_t k = 0; k < corners(f); ++k) {
        const auto it = duplicate.find(f.vertices[k]);
        if (it != duplicate.end()) f.vertices[k] = it->second;
      }
    }
    for (std::size_t i = 0; i < edge_total; ++i) {
      if (marks[i] == 0 || (marks[i] == 1 && counts[i] == 2)) continue;
      ai_mesh_edge& e = m.edges[i];
      if (const auto it = duplicate.find(e.vertex_a); it != duplicate.end()) e.vertex_a = it->second;
      if (const auto it = duplicate.find(e.vertex_b); it != duplicate.end()) e.vertex_b = it->second;
    }
    rebuild_ai_mesh_adjacency(m);
    normal_sum.normalize();
    ed.move_selection(ai_element_faces, normal_sum);
    ed.prune_orphan_edges();
    ed.prune_orphan_vertices();
    return true;
  });
}

}  // namespace hm
