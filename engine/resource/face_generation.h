#pragma once
// Faces: a skin's head is stored as the half of a head with x >= 0 and a list
// of morph keys (one offset per point of the head mesh). A face is a weight per
// morph key, an age and the choice of hair; building it morphs a copy of the
// head (and of the hair through its point map), mirrors the half into a whole
// head and sets the age into the vertex alpha.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"

namespace hm {

class mesh;

inline constexpr int face_morph_slots = 63;

struct morph_key {
  ruv_string id;
  ruv_string name;
  std::int32_t key_time = 0;  // the head mesh's vertex-animation time it takes its shape from
  std::uint32_t word = 0;
  float min = 0.0f;
  float max = 0.0f;
  std::vector<vec3> offsets;  // one per point of the head mesh
};

struct face_constraint_term {
  float coefficient = 0.0f;
  std::int32_t key = 0;  // 0 .. 62, checked when the skin is read
};

// The weighted sum of its terms must be at least (comparison -1) or at most
// (comparison 1) the value; any other comparison imposes nothing.
struct face_constraint {
  float value = 0.0f;
  std::int32_t comparison = 0;
  std::vector<face_constraint_term> terms;  // at most 63
};

// The offsets of a morph key: each point's position in the head mesh's
// vertex-animation frame nearest the key time (the later one from half way),
// less its base position; all zero when the mesh has no such frame.
void build_morph_offsets(const mesh& head, std::int32_t key_time, std::vector<vec3>& offsets);

// Brings the weights within the constraints, in order: while a constraint
// fails, its terms (all but the fixed key's; -1 fixes none) move by an equal
// share of the shortfall, clamped to 0..1, at most 32 times per constraint.
void apply_face_constraints(const std::vector<face_constraint>& constraints, int fixed_key,
                            float (&weights)[face_morph_slots]);

// Adds the morph keys to every point: factor = min + (max - min) x weight,
// for each key whose offset at the point is not (nearly) zero. The mesh's
// geometry becomes its own. Keys beyond the 63 weights take weight 0.
void apply_morph_keys(mesh& m, const std::vector<morph_key>& keys, const float (&weights)[face_morph_slots]);

// The same through a point map (the nearest head point of each point, for
// hair, beards and lower levels of detail): the offset's x is negated for
// points with a negative x. A mesh whose point count differs from the map's
// length is left alone.
void apply_morph_keys_mapped(mesh& m, const std::vector<std::int32_t>& point_map, const std::vector<morph_key>& keys,
                             const float (&weights)[face_morph_slots]);

// For each point of `m`, the index of the nearest point of `head` measured
// from (|x|, y, z) (the first nearest wins).
std::vector<std::int32_t> build_point_map(const mesh& m, const mesh& head);

// Completes a half mesh (x >= 0) with its mirror image: points off the plane
// (x > 0.001) get a mirrored twin, vertices and faces follow with reversed
// winding; with flip_texture the mirrored vertices take u = 1 - u.
void mirror_face_mesh(mesh& m, bool flip_texture);

// The hair colour at v (0..1, cut at 0.99) between the colour keys, each
// channel raised to 1/2.2 without pixel shaders; packed A8R8G8B8 with alpha 255.
std::uint32_t skin_hair_color(const std::vector<color>& keys, float v, bool pixel_shaders);

// The face generator's state: the choices of a face and its morph weights.
struct face_state {
  std::int32_t hair = 0;
  std::int32_t beard = -1;  // -1 for none
  std::int32_t skin = 0;
  std::int32_t hair_material = 0;
  std::int32_t face_texture = 0;
  float morph_weights[face_morph_slots] = {};
  float age = 0.0f;         // 0..1
  float hair_color = 0.0f;  // 0..1
};

// A face between two (the low and high bounds, each field drawn on its own)
// from a generator of its own, so a seed always gives the same face: beard,
// hair, face texture, hair material (one of the chosen face texture's allowed
// hair materials when it lists any; the index is clamped to the lists),
// age, hair colour, then the weights, which then meet the constraints. The
// skin is the low bound's.
face_state randomize_face_keys(std::uint32_t seed, const face_state& low, const face_state& high,
                               const std::vector<std::vector<std::int32_t>>& hair_materials_by_face_texture,
                               const std::vector<face_constraint>& constraints);

// The face of a head: a morphed and mirrored copy of the head mesh whose
// vertex alpha is age^2 x 255, and of the hair mesh (may be null) morphed
// through its point map and mirrored. The caller owns both.
struct built_face {
  std::unique_ptr<mesh> head;
  std::unique_ptr<mesh> hair;
};
built_face build_face_mesh(const mesh& head, const std::vector<morph_key>& keys, const float (&weights)[face_morph_slots],
                           float age, const mesh* hair = nullptr, const std::vector<std::int32_t>* hair_point_map = nullptr,
                           std::uint32_t hair_color = 0xFFFFFFFFu);

}  // namespace hm
