#include "engine/resource/resource_manager.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "engine/resource/body.h"
#include "engine/resource/skeleton.h"
#include "engine/support/resource_test_helpers.h"

namespace hm {
namespace {

using test::add_material;
using test::add_shader;
using test::add_texture;
using test::fatal_message;

// A resource of a kind given at construction (meshes are not built here, and
// id 5 belongs to no kind).
class fake_resource : public resource {
 public:
  fake_resource(int type_id, const char* n) : type_id_(type_id) { name = n; }
  int get_type_id() const override { return type_id_; }
  const char* get_type_name() const override { return "fake"; }

 private:
  int type_id_;
};

// Device hooks that support exactly the named shaders and count the calls.
class fake_device : public null_resource_device {
 public:
  bool is_supported(const shader& s) const override { return supported.count(s.name.c_str()) != 0; }
  int load_texture(texture& t, bool try_module_folder, const ruv_string& folder) override {
    ++loads;
    last_folder = folder.c_str();
    last_try_module = try_module_folder;
    return null_resource_device::load_texture(t, try_module_folder, folder);
  }
  void release_texture(texture& t) override {
    released.insert(t.name.c_str());
    null_resource_device::release_texture(t);
  }
  void release_pixel_shader(shader& s) override {
    released_shaders.insert(s.name.c_str());
    null_resource_device::release_pixel_shader(s);
  }

  std::set<std::string> supported;
  int loads = 0;
  std::string last_folder;
  bool last_try_module = false;
  std::set<std::string> released;
  std::set<std::string> released_shaders;
};

// An effect holding a fixed set of techniques.
class fake_effect : public effect_techniques {
 public:
  explicit fake_effect(std::set<std::string> names) : names_(std::move(names)) {}
  technique_handle get_technique_by_name(const char* name) override {
    auto it = names_.find(name);
    return it == names_.end() ? nullptr : &*it;
  }
  std::string name_of(technique_handle h) const { return h ? *static_cast<const std::string*>(h) : "(null)"; }

 private:
  std::set<std::string> names_;
};

std::string log_text() { return std::string(engine_log().contents()); }

int count_of(const std::string& text, const std::string& part) {
  int n = 0;
  for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
  return n;
}

TEST(resource_manager, texture_lookup_tries_dds_then_as_given_then_jpg_then_tga) {
  resource_manager m;
  texture* plain = add_texture(m, "stone");
  texture* dds = add_texture(m, "stone.dds");
  texture* jpg = add_texture(m, "wood.jpg");
  texture* tga = add_texture(m, "wood.tga");
  texture* cloth = add_texture(m, "cloth");
  add_texture(m, "cloth.jpg");
  texture* only_tga = add_texture(m, "sky.tga");

  EXPECT_EQ(m.get_texture("stone"), dds);
  EXPECT_EQ(m.get_texture("stone.dds"), dds);  // "stone.dds.dds" is not there: as given
  EXPECT_EQ(m.get_texture("wood"), jpg);
  EXPECT_EQ(m.get_texture("wood.tga"), tga);
  EXPECT_EQ(m.get_texture("cloth"), cloth);
  EXPECT_EQ(m.get_texture("sky"), only_tga);
  (void)plain;
  EXPECT_EQ(fatal_message([&] { m.get_texture("Stone"); }), "get_object failed for texture: Stone");
}

TEST(resource_manager, lookup_misses_are_fatal_with_the_kind_message) {
  resource_manager m;
  add_shader(m, "Water");
  struct miss_case {
    const char* what;
    std::function<void()> lookup;
    const char* message;
  };
  const miss_case cases[] = {
      {"mesh", [&] { m.get_mesh<resource>("m"); }, "get_object failed for: m"},
      {"shader (case differs)", [&] { m.get_shader("water"); }, "get_shader failed for: water"},
      {"body", [&] { m.get_body("b"); }, "get_object failed for: b"},
      {"skeleton", [&] { m.get_skeleton("s"); }, "get_object failed for: s"},
      {"skeleton anim", [&] { m.get_skeleton_anim("a"); }, "get_skeleton_anim failed for: a"},
  };
  for (const miss_case& c : cases) EXPECT_EQ(fatal_message(c.lookup), c.message) << c.what;
  EXPECT_EQ(m.find_mesh<resource>("m"), nullptr);
  EXPECT_EQ(m.find_technique_record("t"), nullptr);
}

TEST(resource_manager, lookups_find_registered_kinds_by_exact_name) {
  resource_manager m;
  fake_resource mesh_a(mesh_resource_type_id, "tree");
  fake_resource mesh_b(mesh_resource_type_id, "tree.1");
  m.register_resource(&mesh_a);
  m.register_resource(&mesh_b);
  skeleton skel;
  skel.name = "skel_human";
  m.register_resource(&skel);
  skeleton_anim anim;
  anim.name = "walk";
  m.register_resource(&anim);
  body b;
  b.name = "bo_wall";
  m.register_resource(&b);

  EXPECT_EQ(m.get_mesh<resource>("tree.1"), &mesh_b);
  EXPECT_EQ(m.find_mesh<resource>("tree"), &mesh_a);
  EXPECT_EQ(m.get_skeleton("skel_human"), &skel);
  EXPECT_EQ(m.get_skeleton_anim("walk"), &anim);
  EXPECT_EQ(m.get_body("bo_wall"), &b);
  EXPECT_EQ(m.current_file_resources.size(), 5u);
}

TEST(resource_manager, missing_material_falls_back_to_default_with_one_warning_per_call) {
  resource_manager m;
  add_material(m, "first");
  material* def = add_material(m, "default");
  const std::string warning = "WARNING: Unable to find material grass\n";
  int before = count_of(log_text(), warning);

  EXPECT_EQ(m.get_material("grass"), def);
  EXPECT_EQ(count_of(log_text(), warning), before + 1);
  EXPECT_EQ(m.get_material("grass"), def);
  EXPECT_EQ(count_of(log_text(), warning), before + 2);
  EXPECT_EQ(m.get_material("default"), def);
}

TEST(resource_manager, missing_default_gives_first_material_and_an_empty_table_is_fatal) {
  resource_manager m;
  EXPECT_EQ(fatal_message([&] { m.get_material("grass"); }),
            "Unable to find material default: no material \"default\" and no materials loaded");
  material* first = add_material(m, "first");
  add_material(m, "second");
  EXPECT_EQ(m.get_material("grass"), first);
  EXPECT_EQ(m.get_material("default"), first);
}

TEST(resource_manager, registering_a_name_twice_is_fatal_per_kind) {
  struct dup_case {
    int type_id;
    const char* message;
  };
  const dup_case cases[] = {
      {mesh_resource_type_id, "attempt to reregister mesh x"},
      {body_resource_type_id, "attempt to reregister body x"},
  };
  for (const dup_case& c : cases) {
    resource_manager m;
    fake_resource a(c.type_id, "x"), b(c.type_id, "x");
    m.register_resource(&a);
    EXPECT_EQ(fatal_message([&] { m.register_resource(&b); }), c.message);
  }
  resource_manager m;
  add_texture(m, "x");
  add_shader(m, "x");
  add_material(m, "x");
  skeleton s1, s2;
  s1.name = s2.name = "x";
  m.register_resource(&s1);
  skeleton_anim a1, a2;
  a1.name = a2.name = "x";
  m.register_resource(&a1);
  EXPECT_EQ(fatal_message([&] { add_texture(m, "x"); }), "attempt to reregister texture x");
  EXPECT_EQ(fatal_message([&] { add_shader(m, "x"); }), "attempt to reregister shader x");
  EXPECT_EQ(fatal_message([&] { add_material(m, "x"); }), "attempt to reregister material x");
  EXPECT_EQ(fatal_message([&] { m.register_resource(&s2); }), "attempt to reregister skeleton model x");
  EXPECT_EQ(fatal_message([&] { m.register_resource(&a2); }), "attempt to reregister skeleton anim x");
}

TEST(resource_manager, empty_names_repeat_for_textures_shaders_and_materials_only) {
  resource_manager m;
  EXPECT_EQ(fatal_message([&] {
              add_texture(m, "");
              add_texture(m, "");
              add_shader(m, "");
              add_shader(m, "");
              add_material(m, "");
              add_material(m, "");
            }),
            "");
  EXPECT_EQ(m.textures.size(), 2u);
  fake_resource a(mesh_resource_type_id, ""), b(mesh_resource_type_id, "");
  m.register_resource(&a);
  EXPECT_EQ(fatal_message([&] { m.register_resource(&b); }), "attempt to reregister mesh ");
}

TEST(resource_manager, unknown_kind_is_fatal) {
  resource_manager m;
  fake_resource odd(5, "odd");
  fake_resource record(technique_record_resource_type_id, "tech");
  EXPECT_EQ(fatal_message([&] { m.register_resource(&odd); }), "Unrecognized resource type.");
  EXPECT_EQ(fatal_message([&] { m.register_resource(&record); }), "Unrecognized resource type.");
}

TEST(resource_manager, running_ids_count_per_kind_and_wrap_after_1000) {
  resource_manager m;
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(add_texture(m, ("t" + std::to_string(i)).c_str())->id, i + 1);
  EXPECT_EQ(add_texture(m, "t1000")->id, 1);
  EXPECT_EQ(add_texture(m, "t1001")->id, 2);
  // The other kinds have counters of their own.
  EXPECT_EQ(add_shader(m, "s")->id, 1);
  EXPECT_EQ(add_material(m, "a")->id, 1);
  EXPECT_EQ(add_material(m, "b")->id, 2);
  // Unnamed resources take ids too.
  EXPECT_EQ(add_material(m, "")->id, 3);
}

// --- shader choice -------------------------------------------------------------------

struct shader_choice_case {
  const char* what;
  std::set<std::string> supported;
  const char* expected;
};

TEST(resource_manager, shader_choice_walks_alternatives_then_their_own_choices) {
  // a -> (missing_alt? no: only registered ones count in the first walk) b, c
  // b -> d; c -> e; d, e plain shaders.
  const shader_choice_case cases[] = {
      {"named supported", {"a", "b", "c"}, "a"},
      {"first supported alternative", {"c", "b"}, "b"},
      {"second alternative when the first is not", {"c"}, "c"},
      {"an alternative's own choice", {"e"}, "e"},
      {"first alternative's choice before the second's", {"d", "e"}, "d"},
      {"nothing usable gives the default", {}, "def_shader_ffp"},
  };
  for (const shader_choice_case& c : cases) {
    resource_manager m;
    fake_device device;
    device.supported = c.supported;
    m.set_device_hooks(&device);
    add_shader(m, "def_shader_ffp");
    add_shader(m, "a", 0, {"b", "c"});
    add_shader(m, "b", 0, {"d"});
    add_shader(m, "c", 0, {"e"});
    add_shader(m, "d");
    add_shader(m, "e");
    EXPECT_EQ(m.get_shader_or_default("a")->name.c_str(), std::string(c.expected)) << c.what;
  }
}

TEST(resource_manager, shader_choice_ends_on_alternative_cycles) {
  resource_manager m;
  fake_device device;
  m.set_device_hooks(&device);
  add_shader(m, "def_shader_ffp");
  add_shader(m, "a", 0, {"b"});
  add_shader(m, "b", 0, {"c", "a"});
  add_shader(m, "c", 0, {"a", "c"});
  add_shader(m, "self", 0, {"self"});
  EXPECT_EQ(m.get_shader_or_default("a")->name, "def_shader_ffp");
  EXPECT_EQ(m.get_shader_or_default("self")->name, "def_shader_ffp");
  // A usable shader behind the cycle is still found.
  add_shader(m, "z");
  add_shader(m, "p", 0, {"q"});
  add_shader(m, "q", 0, {"p", "z"});
  device.supported = {"z"};
  EXPECT_EQ(m.get_shader_or_default("p")->name, "z");
}

TEST(resource_manager, shader_choice_needs_the_named_and_default_shaders) {
  resource_manager m;
  add_shader(m, "a", shader::flag_never_usable, {"ghost"});
  EXPECT_EQ(fatal_message([&] { m.get_shader_or_default("nope"); }), "get_shader failed for: nope");
  EXPECT_EQ(fatal_message([&] { m.get_shader_or_default("a"); }), "get_shader failed for: def_shader_ffp");
  add_shader(m, "def_shader_ffp");
  // An unregistered alternative is passed over in the first walk but its own
  // choice needs it.
  EXPECT_EQ(fatal_message([&] { m.get_shader_or_default("a"); }), "get_shader failed for: ghost");
  fake_device device;
  device.caps.pixel_shaders_in_use = true;
  m.set_device_hooks(&device);
  EXPECT_EQ(fatal_message([&] { m.get_shader_or_default("def_shader_ffp"); }), "get_shader failed for: def_shader");
}

TEST(resource_manager, shader_support_follows_the_flag_rules) {
  shader s;
  shader_support_caps ffp;  // no shaders in use, no device versions
  shader_support_caps full{true, 0x200, 0x200, true, true};
  struct support_case {
    std::uint32_t flags, requirements;
    bool ffp, full;
  };
  const support_case cases[] = {
      {0, 0, true, false},                         // fixed function only without pixel shaders
      {shader::flag_effect, 0, false, true},       // effect shaders only with them
      {shader::flag_effect | shader::flag_never_usable, 0, false, false},
      {0, shader::requires_pixel_shader, false, false},
      {shader::flag_effect, shader::requires_pixel_shader, false, true},
  };
  for (const support_case& c : cases) {
    s.flags = c.flags;
    s.requirements = c.requirements;
    EXPECT_EQ(shader_supported_by(s, ffp), c.ffp) << std::hex << c.flags << " " << c.requirements;
    EXPECT_EQ(shader_supported_by(s, full), c.full) << std::hex << c.flags << " " << c.requirements;
  }
  shader_support_caps old_vertex = full;
  old_vertex.vertex_shader_version = 0x100;
  s.flags = shader::flag_effect;
  s.requirements = 0;
  EXPECT_FALSE(shader_supported_by(s, old_vertex));
}

// --- device objects ------------------------------------------------------------------

TEST(resource_manager, device_objects_cycle_through_the_hooks) {
  resource_manager m;
  fake_device device;
  device.caps = {true, 0x200, 0x200, true, true};
  device.supported = {"def_shader", "fx1", "fx2"};
  m.set_device_hooks(&device);
  texture* file_tex = add_texture(m, "grass.dds");
  texture* target = add_texture(m, "render_target");
  target->kind = texture::kind_render_target;
  texture* needs_ps = add_texture(m, "bump.dds", texture::flag_needs_pixel_shaders);
  add_shader(m, "def_shader", shader::flag_effect, {}, "tech_default");
  shader* fx1 = add_shader(m, "fx1", shader::flag_effect, {}, "tech_shared");
  shader* fx2 = add_shader(m, "fx2", shader::flag_effect, {}, "tech_shared");
  shader* ffp = add_shader(m, "ffp", shader::flag_assembled_pixel_shader);
  material* mat_fx = add_material(m, "m1", "fx1");
  material* mat_ffp = add_material(m, "m2", "ffp");

  m.init_device_objects(true, "Modules\\Sample\\");
  EXPECT_EQ(device.loads, 3);
  EXPECT_EQ(device.last_folder, "Modules\\Sample\\");
  EXPECT_TRUE(file_tex->loaded && target->loaded && needs_ps->loaded);
  EXPECT_TRUE(ffp->device_objects_created);
  // One record per technique name, shared by the shaders that use it.
  ASSERT_EQ(m.technique_records.size(), 2u);
  EXPECT_EQ(fx1->technique_rec, fx2->technique_rec);
  EXPECT_EQ(fx1->technique_rec, m.find_technique_record("tech_shared"));
  EXPECT_EQ(mat_fx->shader_ptr, fx1);
  EXPECT_EQ(mat_ffp->shader_ptr->name, "def_shader");  // not usable with pixel shaders
  // Created again, the records are kept.
  m.init_device_objects(false, "");
  EXPECT_EQ(m.technique_records.size(), 2u);

  fake_effect effect({"tech_shared", "tech_shared_SHDWNVIDIA", "tech_default", "tech_default_SHDW",
                      "tech_default_PRESHADED"});
  m.restore_device_textures(&effect);
  technique_record* shared = m.find_technique_record("tech_shared");
  technique_record* def = m.find_technique_record("tech_default");
  EXPECT_EQ(shared->resolved, 1);
  EXPECT_EQ(effect.name_of(shared->plain), "tech_shared");
  EXPECT_EQ(effect.name_of(shared->shadowed), "tech_shared");  // no _SHDW: plain
  EXPECT_EQ(effect.name_of(shared->vendor_shadowed), "tech_shared_SHDWNVIDIA");
  EXPECT_EQ(effect.name_of(shared->preshaded), "tech_shared");
  EXPECT_EQ(effect.name_of(def->vendor_shadowed), "tech_default_SHDW");  // through the shadowed one
  EXPECT_EQ(effect.name_of(def->preshaded), "tech_default_PRESHADED");

  // Losing the device releases render targets only and clears the records.
  m.release_render_target_textures();
  EXPECT_EQ(device.released, std::set<std::string>{"render_target"});
  EXPECT_TRUE(file_tex->loaded);
  EXPECT_EQ(shared->resolved, 0);
  EXPECT_EQ(shared->plain, nullptr);

  m.update_technique_records(&effect);
  EXPECT_EQ(shared->resolved, 1);
  m.clear_technique_records();
  EXPECT_EQ(shared->resolved, 0);

  ffp->pixel_shader = &device;
  m.delete_device_objects();
  EXPECT_FALSE(file_tex->loaded || needs_ps->loaded);
  EXPECT_TRUE(device.released_shaders.empty());  // pixel shaders in use: left alone
  device.caps.pixel_shaders_in_use = false;
  m.delete_device_objects();
  EXPECT_EQ(device.released_shaders, std::set<std::string>{"ffp"});
}

TEST(resource_manager, textures_needing_pixel_shaders_wait_for_them) {
  resource_manager m;
  texture* bump = add_texture(m, "bump.dds", texture::flag_needs_pixel_shaders);
  texture* frames = add_texture(m, "water.dds", 0x02000000);
  add_shader(m, "def_shader_ffp");
  m.init_device_objects(false, "");
  EXPECT_FALSE(bump->loaded);
  EXPECT_EQ(frames->frame_count, 8);
  m.release_file_textures();
  EXPECT_FALSE(frames->loaded);
  m.reload_file_textures();
  EXPECT_TRUE(frames->loaded);
}

TEST(resource_manager, technique_without_its_plain_technique_is_fatal) {
  technique_record record;
  record.name = "missing";
  fake_effect effect({"missing_SHDW"});
  EXPECT_EQ(fatal_message([&] { record.find_technique(effect); }), "Unable to get technique with name missing");
}

TEST(resource_manager, vertex_colors_are_made_linear_once_and_only_with_pixel_shaders) {
  resource_manager m;
  fake_device device;
  m.set_device_hooks(&device);
  fake_resource mesh_a(mesh_resource_type_id, "a"), mesh_b(mesh_resource_type_id, "b");
  m.register_resource(&mesh_a);
  m.register_resource(&mesh_b);
  int runs = 0;
  m.linearize_mesh_colors = [&](resource&) { ++runs; };
  m.linearize_vertex_colors_once();
  EXPECT_EQ(runs, 0);
  EXPECT_FALSE(m.vertex_colors_linear);
  device.caps.pixel_shaders_in_use = true;
  m.linearize_vertex_colors_once();
  m.linearize_vertex_colors_once();
  EXPECT_EQ(runs, 2);
  EXPECT_TRUE(m.vertex_colors_linear);
}

TEST(resource_manager, destroying_frees_lod_groups_through_their_deleter) {
  std::vector<lod_mesh_group*> freed;
  {
    resource_manager m;
    m.lod_mesh_groups = {reinterpret_cast<lod_mesh_group*>(0x10), reinterpret_cast<lod_mesh_group*>(0x20)};
    m.lod_mesh_group_deleter = [&](lod_mesh_group* g) { freed.push_back(g); };
  }
  EXPECT_EQ(freed.size(), 2u);
}

}  // namespace
}  // namespace hm
