#pragma once
// The topological operations the edit-mode dialog applies to the navigation
// graph: each works on the selection and element mode, and where the
// selection does not fit, or the result would break one of the graph's rules
// (ai_mesh_editor.h), it changes nothing and returns false so that the dialog
// can show the operation's message. Face links and face data are rebuilt
// after every change.
#include <cstdint>

#include "engine/core/math.h"

namespace hm {

class ai_mesh_editor;

inline constexpr const char* ai_fill_failure_message =
    "Action not performed. You must select only 3 or 4 vertices (or edges that has 3 or 4 different edges) that are "
    "not a member of the same face and that are not members of any edges with 2 faces.";
inline constexpr const char* ai_connect_failure_message =
    "Action not performed. You must select only 2 vertices that are members of a face and do not have any edge "
    "neighborhood.";
inline constexpr const char* ai_single_edge_failure_message = "Action not performed. You must select only 1 edge.";
inline constexpr const char* ai_weld_failure_message =
    "Action not performed. You must select only 2 vertices that are members of the same edge or that are members of "
    "any edge having a neighborhood to only one face.";
inline constexpr const char* ai_remove_failure_message =
    "Action not performed. You must select only 1 edge that has a neighborhood of 2 triangular faces.";

// A 6 x 6 square quad centred on the point's x and y, at its height.
void ai_mesh_create_new_face(ai_mesh_editor& ed, const vec3& position);
// Every selected border edge (one face) gets a quad growing outwards from
// its face; ends shared by several such edges share the new corner.
void ai_mesh_extrude(ai_mesh_editor& ed);
// A triangle through 3, or a quad through 4, vertices the selection covers.
bool ai_mesh_fill(ai_mesh_editor& ed);
// Splits the quad whose opposite corners are the 2 selected vertices.
bool ai_mesh_connect(ai_mesh_editor& ed);
// Splits the one selected edge at its midpoint; its faces become triangles
// fanning from the new vertex.
bool ai_mesh_subdivide(ai_mesh_editor& ed);
// Merges 2 selected vertices (or the ends of the one selected edge) into
// one at their midpoint.
bool ai_mesh_weld(ai_mesh_editor& ed);
// Joins the two triangles of an edge (-1: the one selected edge) into a quad.
bool ai_mesh_remove_edge(ai_mesh_editor& ed, std::int32_t edge = -1);
// Detaches the selected faces from the rest and lifts them one unit along
// their mean normal.
void ai_mesh_break_selected(ai_mesh_editor& ed);

// The vertex after `vertex` going around the face, -1 when the face does not
// hold it.
std::int32_t ai_mesh_face_next_vertex(const struct ai_mesh_face& face, std::int32_t vertex);

}  // namespace hm
