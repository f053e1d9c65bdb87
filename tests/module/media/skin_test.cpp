// Skins: the record with its right-hand mesh names, face keys built from the
// head's frames, 63 hair meshes at most, face textures and voices, the
// constraints with their refused pairs, the selection reset and the fatal
// missing head and beard meshes.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "engine/audio/sound_manager.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/texture_record.h"
#include "module/media/skin.h"
#include "module/support/module_test_support.h"

namespace hm {
namespace {

using test::fatal_message;
using test::memory_reader;

void adopt_mesh(const char* name, std::unique_ptr<mesh> m = nullptr) {
  if (!m) m = std::make_unique<mesh>();
  m->name = ruv_string(name);
  g_resource_manager.adopt_resource(std::move(m));
}

// Registers, once, the skin meshes: a head with keys at times 10 and 30 (each
// moving one point), limbs, a hair and a beard; the texture sk_face.
void register_skin_resources() {
  static bool done = false;
  if (done) return;
  done = true;
  test::register_test_resources();
  auto head = std::make_unique<mesh>();
  head->add_point(vec3(0.0f, 0.0f, 0.0f));
  head->add_point(vec3(0.1f, 0.0f, 0.0f));
  vertex_anim_key a, b;
  a.positions = {vec3(0.0f, 0.0f, 0.0f), vec3(0.1f, 0.2f, 0.0f)};
  b.positions = {vec3(0.0f, 0.0f, -0.3f), vec3(0.1f, 0.0f, 0.0f)};
  head->add_vertex_anim_key(10, a);
  head->add_vertex_anim_key(30, b);
  adopt_mesh("sk_head", std::move(head));
  for (const char* m : {"sk_body", "sk_calf_l", "sk_calf_r", "sk_hand_x", "sk_hand_R", "sk_hair", "sk_beard"})
    adopt_mesh(m);
  auto face = std::make_unique<texture>();
  face->name = "sk_face.dds";
  g_resource_manager.adopt_resource(std::move(face));
}

std::string skin_record(const std::string& head = "sk_head", const std::string& hairs = "1 sk_hair",
                        const std::string& beards = "1 sk_beard", const std::string& constraints = "0") {
  return "sk_man 5 sk_body sk_calf_l sk_hand_x " + head +
         " 2 fk_a 18 0 -0.5 1.0 Nose_Length fk_b 20 0 -1.0 1.0 Chin\n" + hairs + "\n" + beards +
         "\n2 blond dark\n1 grey\n"
         "1 sk_face 4294967295 3 2 dark red blond 4278190080 4294967295\n"
         "3 0 snd_voice 1 snd_missing 9 snd_voice\n"
         "skel_human 1.1 3 4\n" +
         constraints + "\n";
}

class Skins : public ::testing::Test {
 protected:
  void SetUp() override {
    register_skin_resources();
    g_sound_manager.clear();
    g_sound_manager.sounds.resize(2);
    g_sound_manager.sounds[1].name = "snd_voice";
  }
  void TearDown() override {
    g_sound_manager.clear();
    g_skins.skins.clear();
  }
};

TEST_F(Skins, ReadsTheRecordWithItsMeshesKeysTexturesAndVoices) {
  memory_reader reader("1\n" + skin_record());
  read_skins(g_skins, reader);
  ASSERT_EQ(g_skins.count(), 1);
  const skin& s = g_skins.skins[0];
  EXPECT_EQ(s.id, "sk_man");
  EXPECT_EQ(s.flags, 5u);
  EXPECT_EQ(s.calf_right->name, "sk_calf_r");
  EXPECT_EQ(s.hand_right->name, "sk_hand_R");
  ASSERT_EQ(s.face_keys.size(), 2u);
  EXPECT_EQ(s.face_keys[1].name, "Chin");
  EXPECT_FLOAT_EQ(s.face_keys[0].min, -0.5f);
  // Time 18 is nearer the frame at 10, time 20 (half way) takes the one at 30.
  EXPECT_FLOAT_EQ(s.face_keys[0].offsets[1].y, 0.2f);
  EXPECT_FLOAT_EQ(s.face_keys[1].offsets[0].z, -0.3f);
  EXPECT_FLOAT_EQ(s.face_keys[1].offsets[1].y, 0.0f);
  EXPECT_EQ(s.hair_meshes.size(), 1u);
  EXPECT_EQ(s.beards.size(), 1u);
  ASSERT_EQ(s.face_textures.size(), 1u);
  const skin_face_texture& t = s.face_textures[0];
  EXPECT_NE(t.face_texture, nullptr);
  EXPECT_EQ(t.lod_texture, t.face_texture);
  // "red" is not a hair texture of the skin and adds nothing.
  EXPECT_EQ(t.hair_textures, (std::vector<std::int32_t>{1, 0}));
  ASSERT_EQ(t.colors.size(), 2u);
  EXPECT_FLOAT_EQ(t.colors[1].g, 1.0f);
  EXPECT_EQ(s.voices[0], 1);
  EXPECT_EQ(s.voices[1], -1);
  EXPECT_FLOAT_EQ(s.scale, 1.1f);
  EXPECT_EQ(s.values[1], 4);
  for (float v : g_skins.sliders) EXPECT_EQ(v, 0.5f);
  EXPECT_EQ(g_skins.selection[0], -1);
}

TEST_F(Skins, SeventyHairMeshesKeepTheSixtyThreeAFaceCodeCanName) {
  test::log_capture log;
  std::string hairs = "70";
  for (int i = 0; i < 70; ++i) hairs += " sk_hair";
  memory_reader reader("1\n" + skin_record("sk_head", hairs));
  read_skins(g_skins, reader);
  // Hair 63 would pack as 64, which six bits cannot hold.
  EXPECT_EQ(g_skins.skins[0].hair_meshes.size(), 63u);
  EXPECT_EQ(g_skins.skins[0].hair_point_maps.size(), 63u);
  EXPECT_NE(log.text().find("hair meshes past 63 cannot be carried by a face code"), std::string::npos);
  EXPECT_EQ(g_skins.skins[0].voices[0], 1);  // the rest of the record still reads in step
}

TEST_F(Skins, ConstraintsDropPairsWithoutASliderOrWeightAndApplyToTheSliders) {
  test::log_capture log;
  memory_reader reader("1\n" + skin_record("sk_head", "1 sk_hair", "1 sk_beard",
                                           "1 1.5 -1 5  1.0 0  1.0 1  2.0 63  3.0 -1  0.0 2"));
  read_skins(g_skins, reader);
  const skin& s = g_skins.skins[0];
  ASSERT_EQ(s.constraints.size(), 1u);
  ASSERT_EQ(s.constraints[0].terms.size(), 2u);
  EXPECT_EQ(log.lines_starting_with("WARNING: skin sk_man: face-key constraint pair").size(), 3u);
  // 0.5 + 0.5 falls short of 1.5: each slider takes half the shortfall.
  EXPECT_FLOAT_EQ(g_skins.sliders[0], 0.75f);
  EXPECT_FLOAT_EQ(g_skins.sliders[1], 0.75f);
  EXPECT_FLOAT_EQ(g_skins.sliders[2], 0.5f);

  // More than 63 pairs: the rest are read and dropped.
  std::string many = "1 0.0 0 65";
  for (int i = 0; i < 65; ++i) many += " 1.0 " + std::to_string(i % 63);
  memory_reader more("1\n" + skin_record("sk_head", "1 sk_hair", "1 sk_beard", many));
  read_skins(g_skins, more);
  EXPECT_EQ(g_skins.skins[0].constraints[0].terms.size(), 63u);
}

TEST_F(Skins, MissingHeadOrBeardIsFatal) {
  memory_reader no_head("1\n" + skin_record("sk_no_head"));
  EXPECT_EQ(fatal_message([&] { read_skins(g_skins, no_head); }), "Unable to find face mesh: sk_no_head");
  memory_reader no_beard("1\n" + skin_record("sk_head", "0", "1 sk_no_beard"));
  EXPECT_EQ(fatal_message([&] { read_skins(g_skins, no_beard); }), "Unable to find beard mesh: sk_no_beard");
}

TEST_F(Skins, BuiltFaceTakesItsMaterialsColourAndAgeWithIndicesBroughtIntoTheLists) {
  static bool materials = false;
  if (!materials) {
    materials = true;
    for (const char* name : {"sk_face", "dark", "grey"}) {
      auto m = std::make_unique<material>();
      m->name = ruv_string(name);
      g_resource_manager.adopt_resource(std::move(m));
    }
  }
  memory_reader reader("1\n" + skin_record());
  read_skins(g_skins, reader);
  const skin& s = g_skins.skins[0];
  face_state state;
  state.hair = 1;            // one hair: wraps to 0
  state.face_texture = 5;    // one face texture: wraps to 0
  state.hair_material = 7;   // past the names: the last hair name ("dark"), the last beard name ("grey")
  state.beard = 0;
  state.age = 1.0f;
  state.hair_color = 1.0f;
  state.morph_weights[0] = 1.0f;  // factor -0.5 + 1.5 x 1 moves point 1 by the key's 0.2
  // The last key (fk_b, -1 .. 1) always weighs 1: factor 1 moves point 0 by
  // its -0.3, where the state's weight of 0 would give factor -1 and +0.3.
  state.morph_weights[1] = 0.0f;
  const skin_face face = build_skin_face(s, state, false, true);
  ASSERT_TRUE(face.head && face.hair && face.beard);
  EXPECT_FLOAT_EQ(face.head->points[1].position.y, 0.2f);
  EXPECT_FLOAT_EQ(face.head->points[0].position.z, -0.3f);
  ASSERT_NE(face.head->mat, nullptr);
  EXPECT_EQ(face.head->mat->name, "sk_face");
  ASSERT_NE(face.hair->mat, nullptr);
  EXPECT_EQ(face.hair->mat->name, "dark");
  ASSERT_NE(face.beard->mat, nullptr);
  EXPECT_EQ(face.beard->mat->name, "grey");
  EXPECT_EQ(face.hair_color, skin_hair_color(s.face_textures[0].colors, 1.0f, true));
  EXPECT_EQ(face.hair->color, face.hair_color);
  EXPECT_EQ(face.beard->color, face.hair_color);
  EXPECT_EQ(face.beard->color2, 0xFFFFFFFFu);

  // No hair, a beard outside the beards, a hair name no material has.
  state.hair = -1;
  state.beard = 3;
  state.age = 0.0f;
  const skin_face bare = build_skin_face(s, state, false, true);
  EXPECT_TRUE(bare.head);
  EXPECT_FALSE(bare.hair);
  EXPECT_FALSE(bare.beard);
  state.hair = 0;
  state.hair_material = 0;  // "blond": no such material, the hair keeps its own
  const skin_face blond = build_skin_face(s, state, false, true);
  ASSERT_TRUE(blond.hair);
  EXPECT_EQ(blond.hair->mat, nullptr);
  EXPECT_EQ(blond.hair->color2, 0x00FFFFFFu);

  // Through the face texture's own list: sk_face allows dark (1), red (no
  // such hair texture: left out) and blond (0), so the list is {1, 0}.
  state.beard = 0;
  state.hair_material = 0;  // entry 0: dark
  const skin_face listed = build_skin_face(s, state, true, true);
  ASSERT_TRUE(listed.hair && listed.beard);
  ASSERT_NE(listed.hair->mat, nullptr);
  EXPECT_EQ(listed.hair->mat->name, "dark");
  EXPECT_EQ(listed.beard->mat->name, "grey");  // index 1 clamped to the one beard name
  state.hair_material = 3;  // 3 mod 2 = entry 1: blond, which no material has
  const skin_face wrapped = build_skin_face(s, state, true, true);
  ASSERT_TRUE(wrapped.hair);
  EXPECT_EQ(wrapped.hair->mat, nullptr);
}

TEST(SkinNames, RightHandTwins) {
  EXPECT_EQ(right_mesh_name("calf_l"), "calf_r");
  EXPECT_EQ(right_mesh_name("hand_L"), "hand_R");
  EXPECT_EQ(right_mesh_name("hand"), "hanR");
  EXPECT_EQ(right_mesh_name(""), "");
}

// A skin as far as face codes see it: three hairs, two beards, two face
// textures, four hair textures (the variants) and `keys` morph keys.
skin counted_skin(int keys) {
  skin s;
  s.hair_meshes.assign(3, nullptr);
  s.beards.resize(2);
  s.face_textures.resize(2);
  s.hair_textures.assign(4, ruv_string("hair"));
  s.face_keys.resize(static_cast<std::size_t>(keys));
  return s;
}

TEST(FaceCodes, AFaceOfTwentyTwoKeysPacksAndUnpacks) {
  const skin s = counted_skin(22);
  face_state f;
  f.hair = 2;
  f.beard = 1;
  f.face_texture = 1;
  f.hair_material = 3;
  f.hair_color = 0.5f;  // 31.5 truncated
  f.age = 0.25f;        // 15.75 truncated
  f.morph_weights[0] = 0.5f;     // 3.5 rounds down to 3
  f.morph_weights[1] = 0.5715f;  // 4.0005 gives 4
  f.morph_weights[2] = 1.0f;     // 7
  f.morph_weights[21] = 1.0f;    // the first key of word 2
  f.morph_weights[30] = 1.0f;    // beyond the skin's keys: not written
  const face_code code = encode_face_code(f, s);
  // 3 | 2 << 6 | 1 << 12 | 3 << 18 | 31 << 24 | 15 << 30
  EXPECT_EQ(code[0], 0x3DF0C1083ull);
  // 3 | 4 << 3 | 7 << 6
  EXPECT_EQ(code[1], 0x1E3ull);
  EXPECT_EQ(code[2], 7ull);
  EXPECT_EQ(code[3], 0ull);

  const face_state back = decode_face_code(code, s, 5);
  EXPECT_EQ(back.skin, 5);
  EXPECT_EQ(back.hair, 2);
  EXPECT_EQ(back.beard, 1);
  EXPECT_EQ(back.face_texture, 1);
  EXPECT_EQ(back.hair_material, 3);
  EXPECT_FLOAT_EQ(back.hair_color, 31 * 0.015873017f);
  EXPECT_FLOAT_EQ(back.age, 15 * 0.015873017f);
  EXPECT_FLOAT_EQ(back.morph_weights[0], 3 * 0.14285715f);
  EXPECT_FLOAT_EQ(back.morph_weights[1], 4 * 0.14285715f);
  EXPECT_FLOAT_EQ(back.morph_weights[2], 7 * 0.14285715f);
  EXPECT_FLOAT_EQ(back.morph_weights[21], 7 * 0.14285715f);
  EXPECT_EQ(back.morph_weights[30], 0.0f);
}

TEST(FaceCodes, EdgesOfTheFields) {
  // No hair and no beard pack as 0; full hair colour as 63, 0.999 as 62.
  face_state bare;
  bare.hair = -1;
  bare.beard = -1;
  bare.hair_color = 1.0f;
  EXPECT_EQ(encode_face_code(bare, counted_skin(0))[0], 63ull << 24);
  bare.hair_color = 0.999f;
  EXPECT_EQ(encode_face_code(bare, counted_skin(0))[0], 62ull << 24);
  const face_state none = decode_face_code(face_code{}, counted_skin(0), 0);
  EXPECT_EQ(none.hair, -1);
  EXPECT_EQ(none.beard, -1);

  // Twenty-one keys fill word 1 alone.
  face_state full;
  for (float& w : full.morph_weights) w = 1.0f;
  const face_code keys21 = encode_face_code(full, counted_skin(21));
  EXPECT_EQ(keys21[1], 0x7FFFFFFFFFFFFFFFull);
  EXPECT_EQ(keys21[2], 0ull);

  // Fields the skin lacks: hair 9 and beard 5 are none, face texture 7 and
  // variant 10 are 0; word 3 and the unused high bits of word 0 are ignored.
  const face_code odd{10ull | (6ull << 6) | (7ull << 12) | (10ull << 18) | (0xFull << 40), 0, 0, ~0ull};
  const face_state f = decode_face_code(odd, counted_skin(0), 0);
  EXPECT_EQ(f.hair, -1);
  EXPECT_EQ(f.beard, -1);
  EXPECT_EQ(f.face_texture, 0);
  EXPECT_EQ(f.hair_material, 0);
  EXPECT_EQ(f.age, 0.0f);
}

skin wide_skin(int keys) {
  skin s = counted_skin(keys);
  s.hair_meshes.assign(max_skin_hair_meshes, nullptr);
  s.beards.resize(max_skin_beards);
  s.face_textures.resize(max_skin_face_textures);
  s.hair_textures.assign(max_skin_hair_textures, ruv_string("hair"));
  return s;
}

TEST(FaceCodes, EveryFieldAtItsLimitsRoundTripsWithoutTouchingItsNeighbours) {
  const skin s = wide_skin(42);
  struct limits {
    int hair, beard, face_texture, hair_material;
    float colour, age, key;
    std::uint64_t word0;
  };
  const limits table[] = {
      // Each index at its top with everything else at its bottom, then all at
      // the top: hair 62 packs as 63 and leaves the beard bits alone.
      {62, -1, 0, 0, 0.0f, 0.0f, 0.0f, 63ull},
      {-1, 62, 0, 0, 0.0f, 0.0f, 0.0f, 63ull << 6},
      {-1, -1, 63, 0, 0.0f, 0.0f, 0.0f, 63ull << 12},
      {-1, -1, 0, 63, 0.0f, 0.0f, 0.0f, 63ull << 18},
      {-1, -1, 0, 0, 1.0f, 0.0f, 0.0f, 63ull << 24},
      {-1, -1, 0, 0, 0.0f, 1.0f, 0.0f, 63ull << 30},
      {62, 62, 63, 63, 1.0f, 1.0f, 1.0f, (1ull << 36) - 1},
      {-1, -1, 0, 0, 0.0f, 0.0f, 0.0f, 0ull},
  };
  for (const limits& l : table) {
    face_state f;
    f.hair = l.hair;
    f.beard = l.beard;
    f.face_texture = l.face_texture;
    f.hair_material = l.hair_material;
    f.hair_color = l.colour;
    f.age = l.age;
    for (float& w : f.morph_weights) w = l.key;
    const face_code code = encode_face_code(f, s);
    EXPECT_EQ(code[0], l.word0) << "hair " << l.hair << " beard " << l.beard;
    EXPECT_EQ(code[1], l.key == 1.0f ? 0x7FFFFFFFFFFFFFFFull : 0ull);
    EXPECT_EQ(code[2], code[1]);
    EXPECT_EQ(code[3], 0ull);
    const face_state back = decode_face_code(code, s, 0);
    EXPECT_EQ(back.hair, l.hair);
    EXPECT_EQ(back.beard, l.beard);
    EXPECT_EQ(back.face_texture, l.face_texture);
    EXPECT_EQ(back.hair_material, l.hair_material);
    EXPECT_FLOAT_EQ(back.hair_color, l.colour == 1.0f ? 63 * 0.015873017f : 0.0f);
    EXPECT_FLOAT_EQ(back.age, l.age == 1.0f ? 63 * 0.015873017f : 0.0f);
    EXPECT_FLOAT_EQ(back.morph_weights[41], l.key == 1.0f ? 7 * 0.14285715f : 0.0f);
    EXPECT_EQ(encode_face_code(back, s), code);
  }
}

TEST(FaceCodes, ValuesPastTheirFieldsAreCutToTheirWidthNotSpilledIntoTheNext) {
  const skin s = wide_skin(2);
  face_state f;
  f.hair = 63;            // packs as 64: six bits keep 0
  f.beard = -1;
  f.face_texture = 65;    // 1 in six bits
  f.hair_material = 64;   // 0
  f.hair_color = 2.0f;    // taken as 1.0: 63
  f.age = -0.5f;          // taken as 0.0
  f.morph_weights[0] = 3.0f;   // 7
  f.morph_weights[1] = -1.0f;  // 0
  const face_code code = encode_face_code(f, s);
  EXPECT_EQ(code[0], (1ull << 12) | (63ull << 24));
  EXPECT_EQ(code[1], 7ull);
  EXPECT_EQ(code[2], 0ull);
}

TEST(FaceCodes, ASkinOfMoreThanFortyTwoKeysCodesOnlyTheFirstFortyTwo) {
  const skin s = wide_skin(63);
  face_state f;
  for (float& w : f.morph_weights) w = 1.0f;
  const face_code code = encode_face_code(f, s);
  EXPECT_EQ(code[1], 0x7FFFFFFFFFFFFFFFull);
  EXPECT_EQ(code[2], 0x7FFFFFFFFFFFFFFFull);
  EXPECT_EQ(code[3], 0ull);
  const face_state back = decode_face_code(code, s, 0);
  EXPECT_FLOAT_EQ(back.morph_weights[41], 7 * 0.14285715f);
  EXPECT_EQ(back.morph_weights[42], 0.0f);
}

}  // namespace
}  // namespace hm
