#pragma once
// Skins (skins.txt): the module's kinds of body (humans and other races):
// body, calf, hand and head meshes, the face keys that morph the head, hair
// and beard meshes with their textures and colours, voices, the skeleton and
// the constraints on the face sliders.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/core/math.h"
#include "engine/core/ruv_string.h"
#include "engine/resource/face_generation.h"

namespace hm {

class mesh;
class skeleton;
class text_reader;
class texture;

// A face code stores each index in six bits, hair and beard one up (0 is
// none): a skin keeps at most 63 hairs and beards and 64 face textures and
// hair textures; the loader drops the rest.
inline constexpr int face_code_field_bits = 6;
inline constexpr int max_skin_hair_meshes = 63;
inline constexpr int max_skin_beards = 63;
inline constexpr int max_skin_face_textures = 64;
inline constexpr int max_skin_hair_textures = 64;
inline constexpr int skin_voice_count = 7;

struct skin_face_texture {
  ruv_string name;
  texture* face_texture = nullptr;
  texture* lod_texture = nullptr;  // name + ".LOD"; the face texture itself when there is none
  std::uint32_t color_word = 0;
  std::vector<std::int32_t> hair_textures;  // indices into the skin's hair textures
  std::vector<color> colors;                // hair colour keys
};

struct skin_beard {
  ruv_string name;
  mesh* beard_mesh = nullptr;
  std::vector<std::int32_t> point_map;  // its points' nearest head points
};

struct skin {
  ruv_string id;
  std::uint32_t flags = 0;
  mesh* body_mesh = nullptr;
  mesh* calf_left = nullptr;
  mesh* calf_right = nullptr;
  mesh* hand_left = nullptr;
  mesh* hand_right = nullptr;
  mesh* head_mesh = nullptr;
  ruv_string head_mesh_name;
  std::vector<morph_key> face_keys;
  std::vector<mesh*> hair_meshes;  // at most 64
  std::vector<std::vector<std::int32_t>> hair_point_maps;
  std::vector<skin_beard> beards;
  std::vector<ruv_string> hair_textures;
  std::vector<ruv_string> beard_textures;
  std::vector<skin_face_texture> face_textures;
  std::int32_t voices[skin_voice_count] = {-1, -1, -1, -1, -1, -1, -1};  // sound ids
  skeleton* body_skeleton = nullptr;
  float scale = 1.0f;
  std::int32_t values[2] = {0, 0};
  std::vector<face_constraint> constraints;

  // One record (see skin.cpp for the order). Missing head and beard meshes are
  // fatal ("Unable to find face mesh: %s", "Unable to find beard mesh: %s");
  // constraint pairs naming no slider (outside 0..62) or with weight 0 are
  // dropped with a log line, and pairs past 63 are read and dropped.
  void read(text_reader& reader);
  // Fills face key k's offsets from the head mesh's vertex animation.
  void build_morph_deltas(int k);
  // Brings the sliders within the skin's constraints; `excluded` (-1 for
  // none) keeps its value.
  void apply_face_key_constraints(int excluded, float (&sliders)[face_morph_slots]) const;
};

struct skin_table {
  std::vector<skin> skins;
  // The current selection of the face generator.
  std::int32_t selection[2] = {-1, -1};
  std::int32_t words[3] = {0, 0, 0};
  float sliders[face_morph_slots] = {};
  float extra[2] = {0.3f, 0.5f};

  int count() const { return static_cast<int>(skins.size()); }
};

extern skin_table g_skins;

// skins.txt after its header: the count and the records, replacing the table;
// then the selection is reset (sliders 0.5) and skin 0's constraints applied
// to the sliders.
void read_skins(skin_table& table, text_reader& reader);

// A face built for a skin: the morphed, mirrored head with its face material,
// the hair and the beard (null when none is chosen or the skin has none),
// with their hair material, hair colour and age alpha. The caller owns them.
struct skin_face {
  std::unique_ptr<mesh> head;
  std::unique_ptr<mesh> hair;
  std::unique_ptr<mesh> beard;
  std::uint32_t hair_color = 0xFFFFFFFFu;
};

// Builds the face of a face state on a skin. The skin's last face key takes
// full weight whatever the state holds. With use_texture_hair_list the
// state's hair material picks among the hair textures the chosen face texture
// allows (the index wrapped around that list); without it, it names a hair
// texture of the skin. Indices out of the skin's lists are brought into them:
// the hair and face texture wrap around their counts, a beard outside the
// beards is none, the hair-material index is clamped to the names (0 when
// negative). The head takes the material named as its face texture, the hair
// the material of the hair-material name and the beard that of the
// beard-material name at the same index; a name that no material has leaves
// the mesh's own material. Null head when the skin has no head mesh.
skin_face build_skin_face(const skin& s, const face_state& state, bool use_texture_hair_list, bool pixel_shaders);

// A face code: four words packing hair, beard, face texture, variant (the
// hair material), hair colour and age into word 0 (six bits each, hair and
// beard stored one up so that 0 is none) and up to 42 morph keys of three
// bits into words 1 and 2 (21 keys each); word 3 is unused.
using face_code = std::array<std::uint64_t, 4>;
inline constexpr int face_code_keys = 42;

// The face of a code on a skin (the state's skin is skin_index): hair or a
// beard the skin lacks is none, a face texture or variant it lacks is 0, and
// only the skin's morph keys are read (the others stay 0).
face_state decode_face_code(const face_code& code, const skin& s, int skin_index);
// The code of a face on a skin: every field cut to its width (an index
// outside its six bits never spills into the next field), hair colour, age
// and keys taken within 0..1, keys x 7 rounded with halves down, only the
// skin's keys written (at most 42).
face_code encode_face_code(const face_state& face, const skin& s);

// The right-hand twin of a left mesh name: the last character becomes 'r'
// when it was 'l', else 'R'.
ruv_string right_mesh_name(const ruv_string& left);

}  // namespace hm
