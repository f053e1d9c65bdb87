#include "ui/face/face_gen_rules.h"

#include <algorithm>

#include "module/media/skin.h"

namespace hm {

namespace {

// The randomiser's draw: (random mod 15817) x the float nearest 1/15817.
constexpr int random_draw_range = 15817;
constexpr float random_draw_scale = 0.000063223117f;

float draw(const std::function<int()>& random) {
  return static_cast<float>(wrap_count(random(), random_draw_range)) * random_draw_scale;
}

}  // namespace

face_skin_counts face_counts_of(const skin& s) {
  face_skin_counts c;
  c.beards = static_cast<int>(s.beards.size());
  c.hairs = static_cast<int>(s.hair_meshes.size());
  c.face_textures = std::max(1, static_cast<int>(s.face_textures.size()));
  c.variants = std::max(1, static_cast<int>(s.hair_textures.size()));
  c.keys = static_cast<int>(s.face_keys.size());
  return c;
}

int face_skin_index(std::uint64_t troop_flags, int skin_count) {
  if (skin_count <= 0) return 0;
  return std::clamp(static_cast<int>(troop_flags & 15u), 0, skin_count - 1);
}

int wrap_count(std::int64_t value, int count) {
  if (count < 1) return 0;
  const std::int64_t r = value % count;
  return static_cast<int>(r < 0 ? r + count : r);
}

void previous_beard(face_selection& s, const face_skin_counts& c) {
  s.beard = wrap_count(static_cast<std::int64_t>(s.beard) + c.beards, c.beards + 1);
}

void previous_hair(face_selection& s, const face_skin_counts& c) {
  s.hair = wrap_count(static_cast<std::int64_t>(s.hair) + c.hairs, c.hairs + 1);
}

void previous_face(face_selection& s, const face_skin_counts& c) {
  s.face = wrap_count(static_cast<std::int64_t>(s.face) + c.face_textures - 1, c.face_textures);
}

void reduce_selection(face_selection& s, const face_skin_counts& c) {
  s.beard = wrap_count(s.beard, c.beards + 1);
  s.hair = wrap_count(s.hair, c.hairs + 1);
  s.face = wrap_count(s.face, c.face_textures);
}

void randomize_face_selection(face_selection& s, float (&keys)[face_morph_slots], float& hair_colour,
                              const skin& sk, const face_skin_counts& c, const std::function<int()>& random) {
  for (float& k : keys) {
    const float a = draw(random);
    const float b = draw(random);
    k = (a + b) / 2.0f;
  }
  hair_colour = draw(random);
  sk.apply_face_key_constraints(-1, keys);
  s.hair = c.hairs >= 2 ? 1 + wrap_count(random(), c.hairs) : 1;
  s.beard = wrap_count(random(), 1 << 30);
  s.face = wrap_count(random(), 1 << 30);
  s.variant = wrap_count(random(), 1 << 30);
}

void reset_face_keys(float (&keys)[face_morph_slots], const skin& sk) {
  for (float& k : keys) k = 0.5f;
  sk.apply_face_key_constraints(-1, keys);
}

face_state face_state_from_selection(const face_selection& s, const float (&keys)[face_morph_slots], float age,
                                     float hair_colour, int skin_index, const face_skin_counts& c) {
  face_state f;
  f.skin = skin_index;
  f.beard = s.beard - 1;
  f.hair = s.hair - 1;
  f.hair_material = wrap_count(s.variant, c.variants);
  f.face_texture = s.face;
  std::copy(std::begin(keys), std::end(keys), f.morph_weights);
  f.age = age;
  f.hair_color = hair_colour;
  return f;
}

}  // namespace hm
