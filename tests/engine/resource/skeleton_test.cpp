#include "engine/resource/skeleton.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "engine/support/resource_test_helpers.h"

namespace hm {
namespace {

using test::fatal_message;

struct bone_spec {
  int parent;
  const char* name;
  frame local;
};

frame translated(float x, float y, float z) {
  frame f = frame::identity();
  f.origin = vec3(x, y, z);
  return f;
}

// A frame turned a quarter about z, at an origin.
frame quarter_turn_at(float x, float y, float z) {
  frame f = frame::identity();
  f.rot.s = vec3(0, 1, 0);
  f.rot.f = vec3(-1, 0, 0);
  f.origin = vec3(x, y, z);
  return f;
}

// A skeleton record in the binary form.
std::string skeleton_record(const char* name, const std::vector<bone_spec>& bones, int count = INT_MIN) {
  binary_writer w;
  w.write_cstr(name);
  w.write_int(count == INT_MIN ? static_cast<int>(bones.size()) : count);
  for (const bone_spec& b : bones) {
    w.write_int(b.parent);
    w.write_cstr(b.name);
    w.write_u32(7);
    write_rotation(w, b.local.rot);
    w.write_float(b.local.origin.x).write_float(b.local.origin.y).write_float(b.local.origin.z);
  }
  return test::bytes_of(w);
}

skeleton read_skeleton(const std::string& bytes) {
  binary_reader r;
  r.open_memory("skeleton.brf", bytes.data(), bytes.size());
  skeleton s;
  s.read(r);
  return s;
}

void expect_vec(const vec3& v, float x, float y, float z) {
  EXPECT_NEAR(v.x, x, 1e-6f);
  EXPECT_NEAR(v.y, y, 1e-6f);
  EXPECT_NEAR(v.z, z, 1e-6f);
}

TEST(skeleton, single_root_bone_keeps_its_local_frame) {
  skeleton s = read_skeleton(skeleton_record("skel_one", {{-1, "root", quarter_turn_at(1, 2, 3)}}));
  ASSERT_EQ(s.bone_count, 1);
  EXPECT_EQ(s.bone_position_count, 1);
  EXPECT_EQ(s.bones[0].name, "root");
  EXPECT_EQ(s.bones[0].flags, 7u);
  expect_vec(s.bones[0].world_frame.rot.s, 0, 1, 0);
  expect_vec(s.bones[0].world_frame.origin, 1, 2, 3);
  expect_vec(s.bone_positions[0], 1, 2, 3);
  EXPECT_EQ(s.bone_positions[0].w, 0.0f);
}

TEST(skeleton, world_frames_compose_down_the_chain) {
  // root turned a quarter about z at (0,0,1); child one unit along its parent's
  // forward axis; grandchild one unit along its parent's side axis; a second
  // root stays as it is.
  skeleton s = read_skeleton(skeleton_record("skel_human", {{-1, "root", quarter_turn_at(0, 0, 1)},
                                                            {0, "spine", translated(0, 1, 0)},
                                                            {1, "head", translated(1, 0, 0)},
                                                            {-5, "other", translated(4, 4, 4)}}));
  expect_vec(s.bones[1].world_frame.origin, -1, 0, 1);
  expect_vec(s.bones[1].world_frame.rot.s, 0, 1, 0);
  expect_vec(s.bones[2].world_frame.origin, -1, 1, 1);
  expect_vec(s.bone_positions[2], -1, 1, 1);
  expect_vec(s.bone_positions[3], 4, 4, 4);
  EXPECT_EQ(s.bone_position_count, 4);
}

TEST(skeleton, bone_masks_depend_on_the_exact_horse_name) {
  struct mask_case {
    const char* name;
    std::uint32_t set_1, set_2, set_3;
  };
  const mask_case cases[] = {
      {"skel_horse", 0x0FFFFF0F, 0x0FFFFFFF, 0x0FFFFFFF},
      {"skel_human", 0x7F, 0xF83FF, 0xFBFFF},
      {"Skel_horse", 0x7F, 0xF83FF, 0xFBFFF},
      {"skel_horse_2", 0x7F, 0xF83FF, 0xFBFFF},
  };
  for (const mask_case& c : cases) {
    skeleton s = read_skeleton(skeleton_record(c.name, {{-1, "root", frame::identity()}}));
    EXPECT_EQ(s.bone_set_1, c.set_1) << c.name;
    EXPECT_EQ(s.bone_set_2, c.set_2) << c.name;
    EXPECT_EQ(s.bone_set_3, c.set_3) << c.name;
  }
}

TEST(skeleton, a_new_skeleton_has_32_zeroed_positions) {
  skeleton s;
  EXPECT_EQ(s.bone_position_count, 32);
  ASSERT_EQ(s.bone_positions.size(), 32u);
  expect_vec(s.bone_positions[31], 0, 0, 0);
}

TEST(skeleton, bone_limit_and_parent_order_are_enforced) {
  std::vector<bone_spec> many(32, {-1, "b", frame::identity()});
  for (int i = 1; i < 32; ++i) many[i].parent = i - 1;
  EXPECT_EQ(fatal_message([&] { read_skeleton(skeleton_record("full", many)); }), "");
  many.push_back({31, "extra", frame::identity()});
  EXPECT_EQ(fatal_message([&] { read_skeleton(skeleton_record("big", many)); }), "Too many bones in skeleton big");

  struct parent_case {
    int parent;
    const char* message;
  };
  const parent_case cases[] = {
      {1, "Bone 1 of skeleton s has parent 1, which does not come before it"},
      {2, "Bone 1 of skeleton s has parent 2, which does not come before it"},
      {1000000, "Bone 1 of skeleton s has parent 1000000, which does not come before it"},
  };
  for (const parent_case& c : cases) {
    std::string rec = skeleton_record(
        "s", {{-1, "root", frame::identity()}, {c.parent, "bad", frame::identity()}, {0, "late", frame::identity()}});
    EXPECT_EQ(fatal_message([&] { read_skeleton(rec); }), c.message) << c.parent;
  }
  EXPECT_EQ(fatal_message([&] { read_skeleton(skeleton_record("neg", {}, -3)); }),
            "Bad count -3 of bones in neg of file skeleton.brf");
}

TEST(skeleton, record_round_trips_in_both_forms) {
  skeleton s = read_skeleton(
      skeleton_record("skel_human", {{-1, "root", quarter_turn_at(0.5f, 0, 1)}, {0, "spine", translated(0, 0.25f, 0)}}));
  binary_writer bin;
  s.write(bin);
  skeleton from_bin = read_skeleton(test::bytes_of(bin));

  text_stream text;
  s.write(text);
  skeleton from_text;
  text.rewind();
  from_text.read(text);

  for (const skeleton* copy : {&from_bin, &from_text}) {
    ASSERT_EQ(copy->bone_count, 2);
    EXPECT_EQ(copy->name, "skel_human");
    EXPECT_EQ(copy->bones[1].parent, 0);
    EXPECT_EQ(copy->bones[1].name, "spine");
    EXPECT_EQ(copy->bones[1].flags, 7u);
    expect_vec(copy->bones[0].local_frame.rot.f, -1, 0, 0);
    expect_vec(copy->bones[1].world_frame.origin, 0.25f, 0, 1);
  }
  // The derived fields are not written: the text is exactly the stored fields.
  EXPECT_EQ(std::string(text.contents()).substr(0, 24), "skel_human 2 -1 root 7 0");
}

// --- animations --------------------------------------------------------------------------

skeleton_anim read_anim(stream& s) {
  skeleton_anim a;
  a.read(s);
  return a;
}

TEST(skeleton_anim, quaternions_are_stored_xyzw_and_kept_on_one_side) {
  binary_writer w;
  w.write_cstr("idle").write_int(1);
  // one rotation track, two keys: (w=1) and (w=-1); stored x, y, z, w
  w.write_int(2);
  w.write_int(0).write_float(0).write_float(0).write_float(0).write_float(1);
  w.write_int(10).write_float(0).write_float(0).write_float(0).write_float(-1);
  // root track, one key
  w.write_int(1).write_int(5).write_float(1).write_float(2).write_float(3);
  binary_reader r;
  std::string bytes = test::bytes_of(w);
  r.open_memory("anim.brf", bytes.data(), bytes.size());
  skeleton_anim a = read_anim(r);

  ASSERT_EQ(a.channels.size(), 1u);
  const rotation_track& t = a.channels[0];
  ASSERT_EQ(t.key_count, 2);
  EXPECT_EQ(t.times[1], 10);
  EXPECT_EQ(t.keys[0].w, 1.0f);
  EXPECT_EQ(t.keys[1].w, 1.0f);  // negated to match its neighbour
  EXPECT_EQ(a.root_track.key_count, 1);
  expect_vec(a.root_track.keys[0], 1, 2, 3);

  // Written back, the components keep the stored order.
  binary_writer out;
  a.write(out);
  std::string written = test::bytes_of(out);
  float stored_w;
  std::memcpy(&stored_w, written.data() + 52, 4);  // second key: name 8, count 4, keys 4, key 20, time 4, xyz 12
  EXPECT_EQ(stored_w, 1.0f);
  EXPECT_EQ(written.size(), bytes.size());
}

TEST(skeleton_anim, continuity_follows_the_adjusted_key) {
  // keys q, -q, q: the second flips to q, then the third matches it unchanged.
  text_reader r;
  std::string text = "walk 1 3 0 0.5 0.5 0.5 0.5 1 -0.5 -0.5 -0.5 -0.5 2 0.5 0.5 0.5 0.5 0 ";
  r.open_memory("walk.trf", text.data(), text.size());
  skeleton_anim a = read_anim(r);
  for (const quaternion& q : a.channels[0].keys) {
    EXPECT_EQ(q.x, 0.5f);
    EXPECT_EQ(q.w, 0.5f);
  }
  EXPECT_EQ(a.root_track.key_count, 0);
  EXPECT_TRUE(a.root_track.keys.empty());
  EXPECT_TRUE(a.root_track.times.empty());
}

TEST(skeleton_anim, round_trips_in_both_forms) {
  skeleton_anim a;
  a.name = "attack";
  a.channels.resize(2);
  a.channels[0].key_count = 2;
  a.channels[0].times = {0, 30};
  a.channels[0].keys = {{1, 0, 0, 0}, {0.5f, 0.5f, 0.5f, 0.5f}};
  a.root_track.key_count = 1;
  a.root_track.times = {7};
  a.root_track.keys = {vec3(0.25f, -1, 2)};

  binary_writer bin;
  a.write(bin);
  binary_reader br;
  std::string bytes = test::bytes_of(bin);
  br.open_memory("a.brf", bytes.data(), bytes.size());
  text_stream text;
  a.write(text);
  text.rewind();

  for (stream* s : {static_cast<stream*>(&br), static_cast<stream*>(&text)}) {
    skeleton_anim b = read_anim(*s);
    EXPECT_EQ(b.name, "attack");
    ASSERT_EQ(b.channels.size(), 2u);
    EXPECT_EQ(b.channels[0].times, (std::vector<std::int32_t>{0, 30}));
    EXPECT_EQ(b.channels[0].keys[1].y, 0.5f);
    EXPECT_EQ(b.channels[1].key_count, 0);
    EXPECT_EQ(b.root_track.times[0], 7);
    expect_vec(b.root_track.keys[0], 0.25f, -1, 2);
    if (s == &br) {
      EXPECT_TRUE(s->at_end());
    }
  }
}

TEST(skeleton_anim, impossible_counts_are_rejected) {
  struct count_case {
    const char* text;
    const char* message;
  };
  const count_case cases[] = {
      {"a -1 0 ", "Bad count -1 of channels in a of file bad.trf"},
      {"a 2000000000 0 0 ", "Bad count 2000000000 of channels in a of file bad.trf"},
      {"a 1 -4 0 ", "Bad count -4 of rotation keys in a record of file bad.trf"},
      {"a 1 99999 0 ", "Bad count 99999 of rotation keys in a record of file bad.trf"},
      {"a 0 3 1 1 1 1 ", "Bad count 3 of translation keys in a record of file bad.trf"},
  };
  for (const count_case& c : cases) {
    text_reader r;
    r.open_memory("bad.trf", c.text, std::strlen(c.text));
    EXPECT_EQ(fatal_message([&] { read_anim(r); }), c.message) << c.text;
  }
}

}  // namespace
}  // namespace hm
