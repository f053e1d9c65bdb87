// render_scene: draws a scene described in a small text file offscreen on
// OpenGL with the module's meshes and writes it to a PNG.
//
//   render_scene <scene.txt> <out.png> [--data <dir>] [--generated <dir>] [--module <name>]
//
// The scene file, one statement a line ("#" starts a comment):
//   size <width> <height>                      the picture (default 640 480)
//   camera <x> <y> <z> <yaw> <pitch> <fov>     eye, turns in degrees (yaw 0 looks
//                                              along +y, pitch up), horizontal
//                                              field of view in degrees
//   sun <dx> <dy> <dz> <r> <g> <b>             where the sunlight goes, its colour
//   ambient <r> <g> <b>
//   background <rrggbb>                        the clear colour, hex
//   mesh <name> <x> <y> <z> [<yaw> [<scale>]]  a mesh of the resources, placed
//   ground <size> <rrggbb>                     a flat square ground at z 0
//   character <skeleton> <mesh> <animation> <frame> <x> <y> <z> [<yaw>]
//                                              a mesh skinned to a skeleton,
//                                              posed by the animation at that
//                                              frame of its keys
//   hold <mesh> <bone>                         a mesh of the resources held by
//                                              that bone (its number) of the
//                                              last character, as a hand holds
//                                              a weapon
//   terrain <code>                             the generated terrain of a
//                                              terrain code (0 to size along
//                                              x and y), with its river and
//                                              flora
//   shadows on|off                             the sun's shadow map (default off)
//   water <height> <size> [<material>]         a square of water that mirrors
//                                              the scene (material "river" by
//                                              default: a reflecting material)
//   reflections full|fast                      what water mirrors: the whole
//                                              scene (default) or the sky only
//
// Everything stands in one scene: the meshes, the ground and the terrain's
// blocks as entities the scene culls and submits, the characters as skeleton
// entities the scene steps once, lit by the sun as a light of the scene.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/core/log.h"
#include "engine/core/timer.h"
#include "engine/device/device_resources.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/skeleton.h"
#include "engine/settings/game_options.h"
#include "engine/settings/ruv_config.h"
#include "module/loading/module_start.h"
#include "platform/fs.h"
#include "platform/gpu/gl_system.h"
#include "platform/png_file.h"
#include "platform/window.h"
#include "render/entity/entity.h"
#include "render/scene/light.h"
#include "render/shadow/render_pass_state.h"
#include "render/scene/scene_environment.h"
#include "render/view/scene_view.h"
#include "render/scene/scene_world.h"
#include "render/entity/skeleton_instance.h"
#include "render/terrain/terrain_generator.h"
#include "tool_usage.h"

namespace {

using namespace hm;
namespace gpu = platform::gpu;

constexpr float degrees = 3.14159265f / 180.0f;

struct placed_mesh {
  std::string name;
  vec3 at;
  float yaw = 0.0f;
  float scale = 1.0f;
};

struct placed_character {
  std::string skeleton;
  std::string mesh;
  std::string animation;
  int key_frame = 0;
  vec3 at;
  float yaw = 0.0f;
  std::vector<std::pair<std::string, int>> held;  // mesh, bone
};

struct scene_file {
  std::uint32_t width = 640;
  std::uint32_t height = 480;
  vec3 eye{0.0f, -10.0f, 2.0f};
  float yaw = 0.0f;
  float pitch = 0.0f;
  float fov = 60.0f;
  vec3 sun_direction{0.3f, 0.5f, -0.8f};
  hm::color sun{1.0f, 0.95f, 0.85f, 1.0f};
  hm::color ambient{0.25f, 0.25f, 0.3f, 1.0f};
  std::uint32_t background = 0xFF8098B0u;
  float ground_size = 0.0f;
  std::uint32_t ground_colour = 0xFF507040u;
  std::vector<placed_mesh> meshes;
  std::vector<placed_character> characters;
  std::string terrain_code;
  bool shadows = false;
  float water_height = 0.0f;
  float water_size = 0.0f;
  std::string water_material = "river";
  bool fast_reflections = false;
};

bool read_switch(std::istringstream& s, const char* on, const char* off, bool& out) {
  std::string word;
  if (!(s >> word) || (word != on && word != off)) return false;
  out = word == on;
  return true;
}

bool read_scene(const std::string& path, scene_file& out, std::string& error) {
  std::ifstream in(path);
  if (!in) {
    error = "cannot open " + path;
    return false;
  }
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    std::istringstream s(line);
    std::string word;
    if (!(s >> word)) continue;
    bool ok = true;
    if (word == "size") {
      ok = static_cast<bool>(s >> out.width >> out.height) && out.width > 0 && out.height > 0 && out.width <= 4096 &&
           out.height <= 4096;
    } else if (word == "camera") {
      ok = static_cast<bool>(s >> out.eye.x >> out.eye.y >> out.eye.z >> out.yaw >> out.pitch >> out.fov) &&
           out.fov > 1.0f && out.fov < 179.0f;
    } else if (word == "sun") {
      ok = static_cast<bool>(s >> out.sun_direction.x >> out.sun_direction.y >> out.sun_direction.z >> out.sun.r >>
                             out.sun.g >> out.sun.b);
    } else if (word == "ambient") {
      ok = static_cast<bool>(s >> out.ambient.r >> out.ambient.g >> out.ambient.b);
    } else if (word == "background") {
      ok = static_cast<bool>(s >> std::hex >> out.background);
      out.background |= 0xFF000000u;
    } else if (word == "ground") {
      ok = static_cast<bool>(s >> out.ground_size >> std::hex >> out.ground_colour) && out.ground_size > 0.0f;
      out.ground_colour |= 0xFF000000u;
    } else if (word == "mesh") {
      placed_mesh m;
      ok = static_cast<bool>(s >> m.name >> m.at.x >> m.at.y >> m.at.z);
      if (ok && (s >> m.yaw)) s >> m.scale;
      out.meshes.push_back(m);
    } else if (word == "character") {
      placed_character c;
      ok = static_cast<bool>(s >> c.skeleton >> c.mesh >> c.animation >> c.key_frame >> c.at.x >> c.at.y >> c.at.z);
      if (ok) s >> c.yaw;
      out.characters.push_back(c);
    } else if (word == "hold") {
      std::string mesh_name;
      int bone = -1;
      ok = static_cast<bool>(s >> mesh_name >> bone) && !out.characters.empty() && bone >= 0;
      if (ok) out.characters.back().held.emplace_back(mesh_name, bone);
    } else if (word == "terrain") {
      ok = static_cast<bool>(s >> out.terrain_code);
    } else if (word == "shadows") {
      ok = read_switch(s, "on", "off", out.shadows);
    } else if (word == "water") {
      ok = static_cast<bool>(s >> out.water_height >> out.water_size) && out.water_size > 0.0f;
      if (ok && !(s >> out.water_material)) out.water_material = "river";
    } else if (word == "reflections") {
      ok = read_switch(s, "fast", "full", out.fast_reflections);
    } else {
      ok = false;
    }
    if (!ok) {
      error = path + ":" + std::to_string(number) + ": cannot read \"" + line + "\"";
      return false;
    }
  }
  return true;
}

// A flat square of the colour at z 0, facing up.
void build_ground(mesh& m, float size, std::uint32_t colour) {
  const float h = size * 0.5f;
  const vec3 corners[4] = {{-h, -h, 0}, {h, -h, 0}, {h, h, 0}, {-h, h, 0}};
  for (int i = 0; i < 4; ++i) {
    m.add_point(corners[i]);
    m.add_vertex(i, corners[i].x * 0.1f, corners[i].y * 0.1f, colour, vec3(0.0f, 0.0f, 1.0f));
  }
  m.add_face(0, 1, 2);
  m.add_face(0, 2, 3);
  m.add_face(0, 2, 1);
  m.add_face(0, 3, 2);
}

// A flat square of water at the height, facing up.
void build_water(mesh& m, float height, float size) {
  const float h = size * 0.5f;
  const vec3 corners[4] = {{-h, -h, height}, {h, -h, height}, {h, h, height}, {-h, h, height}};
  for (int i = 0; i < 4; ++i) {
    m.add_point(corners[i]);
    m.add_vertex(i, corners[i].x * 0.125f, corners[i].y * 0.125f, 0xC0506878u, vec3(0.0f, 0.0f, 1.0f));
  }
  m.add_face(0, 1, 2);
  m.add_face(0, 2, 3);
}

// The scene's entity that draws the mesh in the frame.
void place(scene_world& scene, std::unique_ptr<mesh> m, const hm::frame& f, bool casts_shadow) {
  if (casts_shadow) m->visibility_mask |= shadow_map_view_mask;
  m->compute_bounding_box();
  auto e = std::make_unique<mesh_entity>();
  e->add_mesh(std::move(m));
  e->set_frame(f);
  e->compute_local_bounds();
  scene.adopt_entity(std::move(e));
}

int fail(const std::string& message) {
  std::fprintf(stderr, "render_scene: %s\n", message.c_str());
  return 1;
}

// Turned by yaw degrees about the up axis, scaled, standing at `at`.
frame placement(const vec3& at, float yaw) {
  frame f = frame::identity();
  f.rotate_z(yaw * degrees);
  f.origin = at;
  return f;
}

// A skeleton entity of the scene wearing a copy of the mesh, posed by one
// channel that holds the animation at the key frame. Empty text when done,
// else what is missing.
std::string add_character(scene_world& scene, const placed_character& pc, std::vector<skeleton_entity*>& out) {
  // Looked up without the fatal end of a missing resource, to say what is missing.
  const auto* skel = static_cast<const skeleton*>(
      g_resource_manager.find(skeleton_resource_type_id, ruv_string(pc.skeleton.c_str())));
  if (!skel) return "no skeleton named " + pc.skeleton;
  const auto* body = g_resource_manager.find_mesh<const mesh>(ruv_string(pc.mesh.c_str()));
  if (!body) return "no mesh named " + pc.mesh;
  const auto* anim = static_cast<const skeleton_anim*>(
      g_resource_manager.find(skeleton_anim_resource_type_id, ruv_string(pc.animation.c_str())));
  if (!anim) return "no animation named " + pc.animation;
  auto* e = static_cast<skeleton_entity*>(scene.create_entity(skeleton_entity_type));
  e->set_frame(placement(pc.at, pc.yaw));
  e->animated_skeleton = std::make_unique<skeleton_instance>(clock_real_time);
  skeleton_instance& pose = *e->animated_skeleton;
  pose.set_skeleton(*skel);
  pose.add_channels(1);
  anim_channel& hold = pose.channels[0];
  hold.animation = anim;
  hold.frame_range[0] = hold.frame_range[1] = pc.key_frame;
  hold.play_mode = anim_play_once;
  hold.weight = hold.target_weight = 1.0f;
  hold.start_tick = clock_ticks(clock_real_time);
  pose.skinned_meshes.push_back(body->create_copy());
  for (const auto& [name, bone] : pc.held) {
    const auto* held = g_resource_manager.find_mesh<const mesh>(ruv_string(name.c_str()));
    if (!held) return "no mesh named " + name;
    if (bone >= pose.bone_count) return "no bone " + std::to_string(bone) + " in " + pc.skeleton;
    pose.attach_mesh_to_bone(bone, held->create_copy(), frame::identity());
  }
  out.push_back(e);
  return {};
}

}  // namespace

int main(int argc, char** argv) {
  const bool help = hm::tools::asks_for_help(argc, argv);
  if (help || argc < 3) {
    return hm::tools::print_usage(
        "usage: render_scene <scene.txt> <out.png> [--data <dir>] [--generated <dir>] [--module <name>]\n", help);
  }
  std::string data_dir = HOOFMARCH_DEFAULT_DATA_DIR;
  std::string generated_dir = HOOFMARCH_DEFAULT_GENERATED_DIR;
  std::string module = "Sample";
  for (int i = 3; i + 1 < argc; i += 2) {
    const std::string arg = argv[i];
    if (arg == "--data") data_dir = argv[i + 1];
    else if (arg == "--generated") generated_dir = argv[i + 1];
    else if (arg == "--module") module = argv[i + 1];
    else return fail("unknown option " + arg);
  }
  const std::filesystem::path scene_path = std::filesystem::absolute(argv[1]);
  const std::filesystem::path out_path = std::filesystem::absolute(argv[2]);
  scene_file scene;
  std::string error;
  if (!read_scene(scene_path.string(), scene, error)) return fail(error);

  std::error_code ec;
  const std::filesystem::path generated = std::filesystem::absolute(generated_dir, ec);
  std::filesystem::current_path(data_dir, ec);
  if (ec) return fail("cannot enter the data folder " + data_dir);
  platform::set_generated_data_folder(generated);

  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  if (!platform::init_video()) return fail("no video driver");
  auto window = platform::make_sdl_window();
  if (!window->create({"render_scene", static_cast<int>(scene.width), static_cast<int>(scene.height), false}))
    return fail("cannot make the offscreen window");
  auto system = gpu::make_gl_system();
  gpu::present_parameters p;
  p.back_buffer_width = scene.width;
  p.back_buffer_height = scene.height;
  p.back_buffer_format = gpu::format::x8r8g8b8;
  p.enable_auto_depth_stencil = true;
  p.auto_depth_stencil_format = gpu::format::d24s8;
  p.device_window = window.get();
  p.interval = gpu::present_interval::immediate;
  std::unique_ptr<gpu::device> device;
  if (system->create_device(0, gpu::device_type::hal, window.get(), gpu::vertex_processing::hardware, p, device) !=
      gpu::result::ok)
    return fail("no OpenGL 3.3 context");

  install_mesh_hooks(g_resource_manager);
  for (const char* name : {"core_shaders", "core_textures", "core_materials", "core_ui_meshes", "core_pictures"})
    g_resource_manager.load_resource_file(ruv_string(name), 0);
  load_module_info_and_data_files(module);
  init_device_resources(g_device_resources, *device);
  restore_device_resources(g_device_resources);

  scene_view& view = g_scene_view;
  view.set_up_buffers(15);
  view.set_device(device.get());
  view.pixel_shaders = true;
  view.set_effect(g_device_resources.effect ? &g_device_resources.effect->get() : nullptr);
  if (!g_device_resources.effect) return fail("the effect file did not compile");
  view.render_to_depth_shader = g_device_resources.render_to_depth_shader;
  view.render_to_depth_skin_shader = g_device_resources.render_to_depth_skin_shader;
  view.restore_device_objects();
  set_view_renderer(&view);
  g_game_options.environment_shadows = scene.shadows ? 1 : 0;
  g_ruv_config.fake_reflections = scene.fast_reflections ? 1 : 0;
  g_ruv_config.active_shadowmap_quality = g_ruv_config.shadowmap_quality = 1;

  render_view v;
  v.viewport = {0, 0, scene.width, scene.height, 0.0f, 1.0f};
  v.flags = view_flag_clear_colour | view_flag_clear_depth;
  v.clear_colour = scene.background;
  auto world = std::make_unique<scene_world>();
  world->ambient_colour = scene.ambient;
  v.fog = &world->environment;
  v.lights_enabled = 1;
  camera& c = v.camera;
  // Yaw 0 looks along +y; the camera looks along its negative third axis.
  const vec3 forward(std::sin(scene.yaw * degrees) * std::cos(scene.pitch * degrees),
                     std::cos(scene.yaw * degrees) * std::cos(scene.pitch * degrees), std::sin(scene.pitch * degrees));
  vec3 right = cross_product(forward, vec3(0.0f, 0.0f, 1.0f));
  right.normalize();
  vec3 up = cross_product(right, forward);
  c.frame.rot.s = right;
  c.frame.rot.f = up;
  c.frame.rot.u = -forward;
  c.frame.origin = scene.eye;
  c.set_perspective(scene.fov * degrees, static_cast<float>(scene.height) / static_cast<float>(scene.width), 0.5f,
                    2000.0f);
  mesh_light sun;
  sun.type = mesh_light::directional;
  sun.diffuse = scene.sun;
  sun.direction = scene.sun_direction;
  sun.direction.normalize();
  v.lights.push_back(&sun);
  light& scene_sun = world->create_light();
  scene_sun.type = light_type_directional;
  scene_sun.colour = scene.sun;
  scene_sun.direction = sun.direction;

  if (scene.ground_size > 0.0f) {
    auto ground = std::make_unique<mesh>();
    build_ground(*ground, scene.ground_size, scene.ground_colour);
    ground->set_material(g_resource_manager.get_material(ruv_string("default")));
    place(*world, std::move(ground), frame::identity(), false);
  }
  if (scene.water_size > 0.0f) {
    auto water = std::make_unique<mesh>();
    build_water(*water, scene.water_height, scene.water_size);
    water->set_material(g_resource_manager.get_material(ruv_string(scene.water_material.c_str())));
    place(*world, std::move(water), frame::identity(), false);
  }
  for (const placed_mesh& pm : scene.meshes) {
    const auto* source = g_resource_manager.find_mesh<const mesh>(ruv_string(pm.name.c_str()));
    if (!source) return fail("no mesh named " + pm.name);
    auto copy = source->create_copy();
    frame placed = frame::identity();
    placed.rotate_z(pm.yaw * degrees);
    placed.rot.s = placed.rot.s * pm.scale;
    placed.rot.f = placed.rot.f * pm.scale;
    placed.rot.u = placed.rot.u * pm.scale;
    placed.origin = pm.at;
    place(*world, std::move(copy), placed, true);
  }
  std::vector<skeleton_entity*> characters;
  for (const placed_character& pc : scene.characters) {
    const std::string missing = add_character(*world, pc, characters);
    if (!missing.empty()) return fail(missing);
  }
  if (!scene.terrain_code.empty()) {
    terrain_generator& terrain = g_terrain_generator;
    terrain.pixel_shaders = true;
    terrain.code.parse(scene.terrain_code);
    terrain.generate_terrain(world.get());
    terrain.add_features();
    std::printf("render_scene: terrain %d x %d cells of %.0f units, %d blocks, flora %d %d %d\n", terrain.cells_x,
                terrain.cells_y, terrain.cell_size, terrain.blocks_x * terrain.blocks_y,
                terrain.placed_items[0].count(), terrain.placed_items[1].count(), terrain.placed_items[2].count());
  }
  // One step: the entities join the scene and the skeletons take their pose.
  world->update_entities(1.0f / 30.0f);
  // What casts shadows: every entity's boxes.
  g_render_pass_state.begin_shadow_bounds(*world);
  for (const auto& e : world->active_entities) {
    for (const auto& m : e->meshes) {
      const bounding_box& b = m->bbox;
      for (int corner = 0; corner < 8; ++corner) {
        const vec3 local((corner & 1) ? b.max.x : b.min.x, (corner & 2) ? b.max.y : b.min.y,
                         (corner & 4) ? b.max.z : b.min.z);
        g_render_pass_state.extend_shadow_bounds(e->frame.transform_point_to_global(local));
      }
    }
  }
  g_render_pass_state.finish_shadow_bounds();

  if (device->begin_scene() == gpu::result::ok) device->end_scene();
  ++view.frame_counter;
  world->submit_to_view(v, true);
  for (skeleton_entity* e : characters) e->submit_skinned_meshes(v);
  render_passes(g_render_pass_state);
  view.render();
  std::vector<std::uint32_t> argb;
  if (device->read_back_buffer(0, 0, scene.width, scene.height, argb) != gpu::result::ok)
    return fail("cannot read the picture back");
  if (!platform::write_argb_png(out_path.string(), static_cast<int>(scene.width), static_cast<int>(scene.height), argb))
    return fail("cannot write " + out_path.string());
  std::printf("render_scene: %u draws, %s\n", view.draw_calls, out_path.string().c_str());
  if (world->environment.shadow_map_ready)
    std::printf("render_scene: shadow map %d x %d\n", g_render_pass_state.shadow_width,
                g_render_pass_state.shadow_height);
  if (v.sub_view && v.render_target) std::printf("render_scene: water reflects the scene\n");
  g_render_pass_state.release_targets();
  v.destroy();
  world.reset();
  set_view_renderer(nullptr);
  view.set_device(nullptr);
  delete_device_resources(g_device_resources);
  return 0;
}
