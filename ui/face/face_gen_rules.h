#pragma once
// The face generator's choices as numbers: which skin a troop shows, the
// counts the arrows step through, the arrows' steps, Randomise and Reset. The
// window keeps its selections one up for hair and beard (0 is none) and lets
// them run past their counts between a click and the frame's reduction.
#include <cstdint>
#include <functional>

#include "engine/resource/face_generation.h"

namespace hm {

struct skin;
struct skin_table;

// The counts of a skin the arrows and the code's fields run over. A skin
// with no face textures or no hair textures still has one choice of each,
// index 0, so that reducing a selection never divides by zero.
struct face_skin_counts {
  int beards = 0;
  int hairs = 0;
  int face_textures = 1;
  int variants = 1;
  int keys = 0;
};
face_skin_counts face_counts_of(const skin& s);

// A troop's skin (its flags' low four bits) within the table: 0 .. count - 1,
// and 0 when the table is empty (which the caller must check before use).
int face_skin_index(std::uint64_t troop_flags, int skin_count);

// The window's selections: beard and hair one up (0 none), the variant before
// reduction and the face texture.
struct face_selection {
  std::int32_t beard = 0;
  std::int32_t hair = 0;
  std::int32_t variant = 0;
  std::int32_t face = 0;
};

// The arrows. Next adds one (the frame's reduction wraps it); previous steps
// back over none and the meshes (beard and hair) or over the textures.
void previous_beard(face_selection& s, const face_skin_counts& c);
void previous_hair(face_selection& s, const face_skin_counts& c);
void previous_face(face_selection& s, const face_skin_counts& c);
// Beard within 0..B, hair within 0..H, face within 0..F-1; the variant is
// reduced when the face state is made.
void reduce_selection(face_selection& s, const face_skin_counts& c);
// A non-negative remainder (0 for a count below 1).
int wrap_count(std::int64_t value, int count);

// Randomise: every key the mean of two draws of (random mod 15817) / 15817,
// the hair colour one such draw, the skin's key constraints met with none
// fixed; hair 1 + random mod H when the skin has two hairs or more, else 1;
// beard, face and variant take raw draws (reduced later). `random` gives
// non-negative integers.
void randomize_face_selection(face_selection& s, float (&keys)[face_morph_slots], float& hair_colour,
                              const skin& sk, const face_skin_counts& c, const std::function<int()>& random);
// Reset: every key 0.5, the constraints met with none fixed.
void reset_face_keys(float (&keys)[face_morph_slots], const skin& sk);

// The face state the selections, keys, age and hair colour give on skin
// `skin_index`: beard and hair one down, the variant reduced by the variant
// count.
face_state face_state_from_selection(const face_selection& s, const float (&keys)[face_morph_slots], float age,
                                     float hair_colour, int skin_index, const face_skin_counts& c);

}  // namespace hm
