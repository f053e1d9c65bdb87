#include "editor/navmesh/ai_mesh_editor.h"

#include <algorithm>
#include <set>
#include <utility>

namespace hm {

namespace {

std::int32_t count_of(std::size_t n) { return static_cast<std::int32_t>(n); }

std::int32_t corners(const ai_mesh_face& f) { return std::clamp(f.vertex_count, 0, 4); }

// Replaces references to a by b and to b by a.
void exchange(std::int32_t& ref, std::int32_t a, std::int32_t b) {
  if (ref == a) ref = b;
  else if (ref == b) ref = a;
}

bool face_has_edge(const ai_mesh_face& f, std::int32_t edge) {
  for (std::int32_t k = 0; k < corners(f); ++k)
    if (f.edges[k] == edge) return true;
  return false;
}

}  // namespace

std::int32_t find_ai_mesh_edge(const ai_mesh& mesh, std::int32_t a, std::int32_t b) {
  for (std::size_t i = 0; i < mesh.edges.size(); ++i) {
    const ai_mesh_edge& e = mesh.edges[i];
    if ((e.vertex_a == a && e.vertex_b == b) || (e.vertex_a == b && e.vertex_b == a)) return count_of(i);
  }
  return -1;
}

std::string ai_mesh_fault(const ai_mesh& mesh) {
  const std::int32_t nv = count_of(mesh.vertices.size());
  const std::int32_t ne = count_of(mesh.edges.size());
  std::vector<std::int32_t> uses(mesh.edges.size(), 0);
  std::vector<std::vector<std::int32_t>> users(mesh.edges.size());
  for (std::size_t i = 0; i < mesh.faces.size(); ++i) {
    const ai_mesh_face& f = mesh.faces[i];
    const std::string name = "face " + std::to_string(i);
    if (f.vertex_count < 3 || f.vertex_count > 4) return name + " has " + std::to_string(f.vertex_count) + " corners";
    for (std::int32_t k = 0; k < f.vertex_count; ++k) {
      if (f.vertices[k] < 0 || f.vertices[k] >= nv) return name + " has a corner out of range";
      if (f.edges[k] < 0 || f.edges[k] >= ne) return name + " has a side out of range";
      for (std::int32_t j = 0; j < k; ++j) {
        if (f.vertices[j] == f.vertices[k]) return name + " repeats a corner";
        if (f.edges[j] == f.edges[k]) return name + " repeats a side";
      }
    }
    for (std::int32_t k = 0; k < f.vertex_count; ++k) {
      const ai_mesh_edge& e = mesh.edges[static_cast<std::size_t>(f.edges[k])];
      const std::int32_t a = f.vertices[k];
      const std::int32_t b = f.vertices[(k + 1) % f.vertex_count];
      if (!((e.vertex_a == a && e.vertex_b == b) || (e.vertex_a == b && e.vertex_b == a))) {
        return name + " side " + std::to_string(k) + " does not join its corners";
      }
      ++uses[static_cast<std::size_t>(f.edges[k])];
      users[static_cast<std::size_t>(f.edges[k])].push_back(count_of(i));
    }
  }
  std::vector<std::uint8_t> vertex_used(mesh.vertices.size(), 0);
  std::set<std::pair<std::int32_t, std::int32_t>> pairs;
  for (std::size_t i = 0; i < mesh.edges.size(); ++i) {
    const ai_mesh_edge& e = mesh.edges[i];
    const std::string name = "edge " + std::to_string(i);
    if (e.vertex_a < 0 || e.vertex_a >= nv || e.vertex_b < 0 || e.vertex_b >= nv) return name + " has an end out of range";
    if (e.vertex_a == e.vertex_b) return name + " joins a vertex to itself";
    if (!pairs.insert({std::min(e.vertex_a, e.vertex_b), std::max(e.vertex_a, e.vertex_b)}).second) {
      return name + " repeats another edge";
    }
    vertex_used[static_cast<std::size_t>(e.vertex_a)] = 1;
    vertex_used[static_cast<std::size_t>(e.vertex_b)] = 1;
    if (uses[i] == 0) return name + " is used by no face";
    if (uses[i] > 2) return name + " is used by more than two faces";
    const std::vector<std::int32_t>& u = users[i];
    const std::int32_t f0 = u[0];
    const std::int32_t f1 = u.size() > 1 ? u[1] : ai_mesh_no_face;
    if (e.face_count != uses[i] || e.face_0 != f0 || e.face_1 != f1) return name + " has stale face links";
  }
  for (std::size_t i = 0; i < vertex_used.size(); ++i)
    if (vertex_used[i] == 0) return "vertex " + std::to_string(i) + " is used by no edge";
  return std::string();
}

void rebuild_ai_mesh_adjacency(ai_mesh& mesh) {
  for (ai_mesh_edge& e : mesh.edges) {
    e.face_0 = ai_mesh_no_face;
    e.face_1 = ai_mesh_no_face;
    e.face_count = 0;
  }
  mesh.update_faces();
}

// --- selection ----------------------------------------------------------------------------------

void ai_mesh_editor::select_all(std::int32_t kind, std::uint8_t value) {
  if (!mesh_) return;
  if (kind == ai_element_vertices) {
    for (ai_mesh_vertex& v : mesh_->vertices) v.selected = value;
    primary_vertex = value != 0 ? count_of(mesh_->vertices.size()) - 1 : -1;
    return;
  }
  primary_vertex = value != 0 ? count_of(mesh_->vertices.size()) - 1 : -1;
  if (kind == ai_element_edges) {
    for (ai_mesh_edge& e : mesh_->edges) e.selected = value;
  } else if (kind == ai_element_faces) {
    for (ai_mesh_face& f : mesh_->faces) f.selected = value;
  }
}

void ai_mesh_editor::mark_selection_vertices(std::int32_t mode) {
  vertex_marks.assign(mesh_ ? mesh_->vertices.size() : 0, 0);
  if (!mesh_) return;
  const auto mark = [this](std::int32_t v) {
    if (v >= 0 && v < count_of(vertex_marks.size())) vertex_marks[static_cast<std::size_t>(v)] = 1;
  };
  if (mode == ai_element_vertices) {
    for (std::size_t i = 0; i < mesh_->vertices.size(); ++i)
      if (mesh_->vertices[i].selected) vertex_marks[i] = 1;
  } else if (mode == ai_element_edges) {
    for (const ai_mesh_edge& e : mesh_->edges) {
      if (!e.selected) continue;
      mark(e.vertex_a);
      mark(e.vertex_b);
    }
  } else {
    for (const ai_mesh_face& f : mesh_->faces) {
      if (!f.selected) continue;
      for (std::int32_t k = 0; k < corners(f); ++k) mark(f.vertices[k]);
    }
  }
}

void ai_mesh_editor::mark_selection_edges(std::int32_t mode) {
  edge_marks.assign(mesh_ ? mesh_->edges.size() : 0, 0);
  if (!mesh_) return;
  const auto selected_vertex = [this](std::int32_t v) {
    return v >= 0 && v < count_of(mesh_->vertices.size()) && mesh_->vertices[static_cast<std::size_t>(v)].selected != 0;
  };
  if (mode == ai_element_vertices) {
    for (std::size_t i = 0; i < mesh_->edges.size(); ++i) {
      const ai_mesh_edge& e = mesh_->edges[i];
      if (selected_vertex(e.vertex_a) || selected_vertex(e.vertex_b)) edge_marks[i] = 1;
    }
  } else if (mode == ai_element_edges) {
    for (std::size_t i = 0; i < mesh_->edges.size(); ++i)
      if (mesh_->edges[i].selected) edge_marks[i] = 1;
  } else {
    for (const ai_mesh_face& f : mesh_->faces) {
      if (!f.selected) continue;
      for (std::int32_t k = 0; k < corners(f); ++k) {
        const std::int32_t e = f.edges[k];
        if (e >= 0 && e < count_of(edge_marks.size())) edge_marks[static_cast<std::size_t>(e)] = 1;
      }
    }
  }
}

void ai_mesh_editor::convert_selection_to_vertices() {
  if (!mesh_) return;
  primary_vertex = -1;
  for (ai_mesh_vertex& v : mesh_->vertices) v.selected = 0;
  const auto pick = [this](std::int32_t v) {
    if (v < 0 || v >= count_of(mesh_->vertices.size())) return;
    mesh_->vertices[static_cast<std::size_t>(v)].selected = 1;
    primary_vertex = v;
  };
  if (element_mode == ai_element_edges) {
    for (const ai_mesh_edge& e : mesh_->edges) {
      if (!e.selected) continue;
      pick(e.vertex_a);
      pick(e.vertex_b);
    }
  } else {
    for (const ai_mesh_face& f : mesh_->faces) {
      if (!f.selected) continue;
      for (std::int32_t k = 0; k < corners(f); ++k) pick(f.vertices[k]);
    }
  }
}

void ai_mesh_editor::convert_selection_to_edges() {
  if (!mesh_) return;
  primary_vertex = -1;
  if (element_mode != ai_element_vertices) {
    mark_selection_edges(ai_element_faces);
  } else {
    mark_selection_edges(ai_element_vertices);
  }
  for (std::size_t i = 0; i < mesh_->edges.size(); ++i) mesh_->edges[i].selected = edge_marks[i] != 0 ? 1 : 0;
}

void ai_mesh_editor::convert_selection_to_faces() {
  if (!mesh_) return;
  primary_vertex = -1;
  std::vector<std::uint8_t> edge_selected(mesh_->edges.size());
  for (std::size_t i = 0; i < mesh_->edges.size(); ++i) edge_selected[i] = mesh_->edges[i].selected;
  for (ai_mesh_face& f : mesh_->faces) {
    f.selected = 0;
    for (std::int32_t k = 0; k < corners(f); ++k) {
      if (element_mode != ai_element_vertices) {
        const std::int32_t e = f.edges[k];
        if (e >= 0 && e < count_of(edge_selected.size()) && edge_selected[static_cast<std::size_t>(e)]) f.selected = 1;
      } else {
        const std::int32_t v = f.vertices[k];
        if (v >= 0 && v < count_of(mesh_->vertices.size()) && mesh_->vertices[static_cast<std::size_t>(v)].selected) {
          f.selected = 1;
        }
      }
    }
  }
}

void ai_mesh_editor::grow_selection() {
  if (!mesh_) return;
  if (element_mode == ai_element_vertices) {
    mark_selection_vertices(ai_element_vertices);
    for (const ai_mesh_edge& e : mesh_->edges) {
      const bool a = vertex_marks[static_cast<std::size_t>(e.vertex_a)] != 0;
      const bool b = vertex_marks[static_cast<std::size_t>(e.vertex_b)] != 0;
      if (a == b) continue;
      const std::int32_t other = a ? e.vertex_b : e.vertex_a;
      mesh_->vertices[static_cast<std::size_t>(other)].selected = 1;
      primary_vertex = other;
    }
  } else if (element_mode == ai_element_edges) {
    mark_selection_vertices(ai_element_edges);
    for (ai_mesh_edge& e : mesh_->edges) {
      if (vertex_marks[static_cast<std::size_t>(e.vertex_a)] || vertex_marks[static_cast<std::size_t>(e.vertex_b)]) {
        e.selected = 1;
      }
    }
  } else {
    mark_selection_edges(ai_element_faces);
    for (ai_mesh_face& f : mesh_->faces) {
      for (std::int32_t k = 0; k < corners(f); ++k)
        if (edge_marks[static_cast<std::size_t>(f.edges[k])]) f.selected = 1;
    }
  }
}

void ai_mesh_editor::move_selection(std::int32_t mode, const vec3& offset) {
  if (!mesh_) return;
  mark_selection_vertices(mode);
  for (std::size_t i = 0; i < mesh_->vertices.size(); ++i) {
    if (vertex_marks[i]) mesh_->vertices[i].position += offset;
  }
}

void ai_mesh_editor::toggle_element(std::int32_t mode, std::int32_t index) {
  if (!mesh_ || index < 0) return;
  if (mode == ai_element_vertices && index < count_of(mesh_->vertices.size())) {
    std::uint8_t& s = mesh_->vertices[static_cast<std::size_t>(index)].selected;
    s = s ? 0 : 1;
    primary_vertex = s ? index : -1;
  } else if (mode == ai_element_edges && index < count_of(mesh_->edges.size())) {
    std::uint8_t& s = mesh_->edges[static_cast<std::size_t>(index)].selected;
    s = s ? 0 : 1;
  } else if (mode == ai_element_faces && index < count_of(mesh_->faces.size())) {
    std::uint8_t& s = mesh_->faces[static_cast<std::size_t>(index)].selected;
    s = s ? 0 : 1;
  }
}

std::int32_t ai_mesh_editor::selected_vertex_count() const {
  if (!mesh_) return 0;
  return count_of(std::count_if(mesh_->vertices.begin(), mesh_->vertices.end(), [](const ai_mesh_vertex& v) { return v.selected != 0; }));
}

std::int32_t ai_mesh_editor::selected_edge_count() const {
  if (!mesh_) return 0;
  return count_of(std::count_if(mesh_->edges.begin(), mesh_->edges.end(), [](const ai_mesh_edge& e) { return e.selected != 0; }));
}

std::int32_t ai_mesh_editor::selected_face_count() const {
  if (!mesh_) return 0;
  return count_of(std::count_if(mesh_->faces.begin(), mesh_->faces.end(), [](const ai_mesh_face& f) { return f.selected != 0; }));
}

// --- deletion -----------------------------------------------------------------------------------

void ai_mesh_editor::delete_face_raw(std::int32_t index) {
  std::vector<ai_mesh_face>& faces = mesh_->faces;
  faces[static_cast<std::size_t>(index)] = faces.back();
  faces.pop_back();
  prune_orphan_edges();
}

void ai_mesh_editor::delete_edge_raw(std::int32_t index) {
  std::vector<ai_mesh_edge>& edges = mesh_->edges;
  const std::int32_t last = count_of(edges.size()) - 1;
  if (index != last) {
    std::swap(edges[static_cast<std::size_t>(index)], edges[static_cast<std::size_t>(last)]);
    for (ai_mesh_face& f : mesh_->faces)
      for (std::int32_t k = 0; k < corners(f); ++k) exchange(f.edges[k], index, last);
  }
  edges.pop_back();
  prune_orphan_vertices();
  // The removed edge's id is now one past the end; its faces go with it.
  delete_faces_using_edge(last);
}

void ai_mesh_editor::delete_vertex_raw(std::int32_t index) {
  std::vector<ai_mesh_vertex>& vertices = mesh_->vertices;
  const std::int32_t last = count_of(vertices.size()) - 1;
  if (index != last) {
    std::swap(vertices[static_cast<std::size_t>(index)], vertices[static_cast<std::size_t>(last)]);
    for (ai_mesh_edge& e : mesh_->edges) {
      exchange(e.vertex_a, index, last);
      exchange(e.vertex_b, index, last);
    }
    for (ai_mesh_face& f : mesh_->faces)
      for (std::int32_t k = 0; k < corners(f); ++k) exchange(f.vertices[k], index, last);
    if (primary_vertex == index) primary_vertex = last;
    else if (primary_vertex == last) primary_vertex = index;
  }
  vertices.pop_back();
  if (primary_vertex == last) primary_vertex = -1;
  delete_edges_using_vertex(last);
}

void ai_mesh_editor::prune_orphan_edges() {
  for (;;) {
    std::vector<std::uint8_t> used(mesh_->edges.size(), 0);
    for (const ai_mesh_face& f : mesh_->faces) {
      for (std::int32_t k = 0; k < corners(f); ++k) {
        const std::int32_t e = f.edges[k];
        if (e >= 0 && e < count_of(used.size())) used[static_cast<std::size_t>(e)] = 1;
      }
    }
    const auto it = std::find(used.begin(), used.end(), std::uint8_t{0});
    if (it == used.end()) return;
    delete_edge_raw(count_of(static_cast<std::size_t>(it - used.begin())));
  }
}

void ai_mesh_editor::prune_orphan_vertices() {
  for (;;) {
    std::vector<std::uint8_t> used(mesh_->vertices.size(), 0);
    for (const ai_mesh_edge& e : mesh_->edges) {
      if (e.vertex_a >= 0 && e.vertex_a < count_of(used.size())) used[static_cast<std::size_t>(e.vertex_a)] = 1;
      if (e.vertex_b >= 0 && e.vertex_b < count_of(used.size())) used[static_cast<std::size_t>(e.vertex_b)] = 1;
    }
    const auto it = std::find(used.begin(), used.end(), std::uint8_t{0});
    if (it == used.end()) return;
    delete_vertex_raw(count_of(static_cast<std::size_t>(it - used.begin())));
  }
}

void ai_mesh_editor::delete_faces_using_edge(std::int32_t edge) {
  std::size_t i = 0;
  while (i < mesh_->faces.size()) {
    if (face_has_edge(mesh_->faces[i], edge)) {
      delete_face_raw(count_of(i));
    } else {
      ++i;
    }
  }
}

void ai_mesh_editor::delete_edges_using_vertex(std::int32_t vertex) {
  std::size_t i = 0;
  while (i < mesh_->edges.size()) {
    const ai_mesh_edge& e = mesh_->edges[i];
    if (e.vertex_a == vertex || e.vertex_b == vertex) {
      delete_edge_raw(count_of(i));
    } else {
      ++i;
    }
  }
}

void ai_mesh_editor::delete_face(std::int32_t index) {
  if (!mesh_ || index < 0 || index >= count_of(mesh_->faces.size())) return;
  delete_face_raw(index);
  rebuild_ai_mesh_adjacency(*mesh_);
}

void ai_mesh_editor::delete_edge(std::int32_t index) {
  if (!mesh_ || index < 0 || index >= count_of(mesh_->edges.size())) return;
  delete_edge_raw(index);
  rebuild_ai_mesh_adjacency(*mesh_);
}

void ai_mesh_editor::delete_vertex(std::int32_t index) {
  if (!mesh_ || index < 0 || index >= count_of(mesh_->vertices.size())) return;
  delete_vertex_raw(index);
  rebuild_ai_mesh_adjacency(*mesh_);
}

void ai_mesh_editor::delete_selection() {
  if (!mesh_) return;
  // The last element moves into a freed slot, and a cascade may move a
  // selected element below the scan, so each round starts again from the
  // first selected element.
  const auto first_selected = [](const auto& list) {
    for (std::size_t i = 0; i < list.size(); ++i)
      if (list[i].selected) return count_of(i);
    return -1;
  };
  for (;;) {
    std::int32_t i = -1;
    if (element_mode == ai_element_vertices) {
      if ((i = first_selected(mesh_->vertices)) >= 0) delete_vertex_raw(i);
    } else if (element_mode == ai_element_edges) {
      if ((i = first_selected(mesh_->edges)) >= 0) delete_edge_raw(i);
    } else if ((i = first_selected(mesh_->faces)) >= 0) {
      delete_face_raw(i);
    }
    if (i < 0) break;
  }
  rebuild_ai_mesh_adjacency(*mesh_);
}

}  // namespace hm
