#include "render/scene/scene_objects.h"

#include <bit>
#include <cmath>
#include <string>

#include "engine/core/log.h"
#include "engine/core/stream.h"
#include "render/view/message_log.h"
#include "render/terrain/ground_paint.h"

namespace hm {
namespace {

[[noreturn]] void bad_count(const stream& s, const char* what, std::int64_t count) {
  ruv_error("Invalid %s count %lld while reading file: %s", what, static_cast<long long>(count), s.name.c_str());
}

// A count read from the file must fit the bytes left at `bytes_each` a record.
void check_count(const stream& s, const char* what, std::int32_t count, std::size_t bytes_each) {
  if (count < 0 || static_cast<std::size_t>(count) > s.unread().size() / bytes_each) bad_count(s, what, count);
}

void read_blob(stream& s, std::string& bytes) {
  binary_reader blob;
  s.read_stream(blob);
  bytes.assign(blob.contents());
}

void write_blob(stream& s, const std::string& bytes) {
  binary_reader blob;
  blob.open_memory("blob", bytes.data(), bytes.size());
  s.write_stream(blob);
}

bool has_prefix(const ruv_string& name) {
  const char* text = name.c_str();
  return name.length() >= 4 && text[0] == 's' && text[1] == 'p' && text[2] == 'r' && text[3] == '_';
}

}  // namespace

std::string get_scene_objects_path(const char* scene_id) {
  return std::string("SceneObj\\").append(scene_id ? scene_id : "").append(".sco");
}

void read_scene_object(stream& s, stored_scene_object& instance, std::int32_t version,
                       const std::vector<scene_prop_kind_ref>& kinds) {
  std::int32_t reserved = 0;
  s.read_int(instance.object_class);
  s.read_int(instance.kind_id);
  s.read_int(reserved);
  read_frame(s, instance.placement);
  instance.initial_frame = instance.placement;
  s.read_string(instance.name);
  instance.max_hit_points = 100.0f;
  if (instance.object_class == 0) {
    if (!has_prefix(instance.name)) {
      ruv_string prefixed("spr_");
      prefixed.append_chars(instance.name.c_str(), instance.name.length());
      instance.name = prefixed;
    }
    std::int32_t found = -1;
    for (std::size_t i = 0; i < kinds.size() && found < 0; ++i) {
      if (kinds[i].id.equals_cstr(instance.name.c_str())) found = static_cast<std::int32_t>(i);
    }
    if (found >= 0) {
      instance.kind_id = found;
    } else if (instance.kind_id >= 0 && instance.kind_id < static_cast<std::int32_t>(kinds.size())) {
      instance.name = kinds[static_cast<std::size_t>(instance.kind_id)].id;
    } else {
      instance.kind_id = 0;
      if (!kinds.empty()) instance.name = kinds[0].id;
    }
    if (instance.kind_id < static_cast<std::int32_t>(kinds.size())) {
      instance.max_hit_points = static_cast<float>(kinds[static_cast<std::size_t>(instance.kind_id)].hit_points);
    }
  }
  s.read_int(instance.variation_id);
  if (version >= 2) s.read_int(instance.variation_id_2);
  if (version >= 3) {
    s.read_float(instance.scale.x);
    s.read_float(instance.scale.y);
    s.read_float(instance.scale.z);
  }
}

void read_scene_objects(stream& s, scene_objects& scene, std::int32_t source,
                        const std::vector<scene_prop_kind_ref>& kinds, const char* display_name) {
  std::int32_t first = 0;
  s.read_int(first);
  std::int32_t version = 0;
  std::int32_t count = first;
  if (static_cast<std::uint32_t>(first) == scene_objects_magic) {
    s.read_int(version);
    s.read_int(count);
  }
  // The smallest record: class, kind, reserved, frame, an empty name, variation.
  std::size_t smallest = 4 * 3 + 48 + 4 + 4;
  if (version >= 2) smallest += 4;
  if (version >= 3) smallest += 12;
  check_count(s, "scene object", count, smallest);
  scene.prop_instances.reserve(scene.prop_instances.size() + static_cast<std::size_t>(count));
  for (std::int32_t i = 0; i < count; ++i) {
    stored_scene_object instance;
    read_scene_object(s, instance, version, kinds);
    instance.source = source;
    scene.prop_instances.push_back(instance);
  }
  if (version >= 4) {
    scene.ai_mesh_data.clear();
    read_blob(s, scene.ai_mesh_data);
  }
  // The previous file's ground paint never outlives this load.
  scene.ground_paint_data.clear();
  if (!s.at_end()) {
    std::uint32_t magic = 0;
    s.read_u32(magic);
    if (magic == ground_paint_saved_magic) {
      read_blob(s, scene.ground_paint_data);
    } else {
      log_line(std::string("WARNING unable to find ground_paint_saved_magic for sco file ")
                   .append(display_name ? display_name : "")
                   .append("\n"));
    }
  }
  scene.objects_loaded = true;
}

void write_scene_objects(stream& s, const scene_objects& scene, std::int32_t source) {
  std::int32_t count = 0;
  for (const stored_scene_object& instance : scene.prop_instances) count += instance.source == source ? 1 : 0;
  s.write_u32(scene_objects_magic);
  s.write_int(scene_objects_version);
  s.write_int(count);
  for (const stored_scene_object& instance : scene.prop_instances) {
    if (instance.source != source) continue;
    s.write_int(instance.object_class);
    s.write_int(instance.kind_id);
    s.write_int(0);
    write_frame(s, instance.initial_frame);
    s.write_string(instance.name);
    s.write_int(instance.variation_id);
    s.write_int(instance.variation_id_2);
    s.write_float(instance.scale.x);
    s.write_float(instance.scale.y);
    s.write_float(instance.scale.z);
  }
  write_blob(s, scene.ai_mesh_data);
  if (!scene.ground_paint_data.empty()) {
    s.write_u32(ground_paint_saved_magic);
    write_blob(s, scene.ground_paint_data);
  }
}

bool load_scene_objects(const std::string& path, const char* scene_id, scene_objects& scene,
                        const std::vector<scene_prop_kind_ref>& kinds, message_log* log, const char* display_name) {
  binary_reader reader;
  if (!reader.open(path)) {
    if (log) {
      add_message_line(*log, ruv_string("Unable to load scene objects!"), 0xffff0000u);
      add_message_line(*log, ruv_string(scene_id ? scene_id : ""), 0xffff0000u);
    }
    return false;
  }
  read_scene_objects(reader, scene, 0, kinds, display_name);
  return true;
}

// --- ground paint ----------------------------------------------------------------------------------

void read_ground_paint(stream& s, ground_paint& paint, const std::vector<ruv_string>& ground_kind_names) {
  paint.clear();
  std::int32_t count = 0;
  s.read_int(count);
  if (count < 0) bad_count(s, "ground paint layer", count);
  if (count > ground_paint_max_layers) count = ground_paint_max_layers;
  paint.layer_count = count;
  paint.elevation_layer = count - 2;
  paint.leveling_layer = count - 1;
  s.read_int(paint.size_x);
  s.read_int(paint.size_y);
  if (paint.size_x < 0 || paint.size_y < 0 || paint.size_x >= 421 || paint.size_y >= 421) {
    const std::int32_t x = paint.size_x;
    const std::int32_t y = paint.size_y;
    paint.size_x = 0;
    paint.size_y = 0;
    // The log line before the error says which size.
    log_line(std::string("Ground paint of ") + s.name.c_str() + " claims " + std::to_string(x) + " x " + std::to_string(y) +
             " vertices\n");
    ruv_error("Illegal terrain size in sco file while reading file: %s", s.name.c_str());
  }
  const std::size_t square = static_cast<std::size_t>(ground_paint_stride) * ground_paint_stride;
  for (std::int32_t i = 0; i < count; ++i) {
    ground_paint_layer& layer = paint.layers[static_cast<std::size_t>(i)];
    s.read_int(layer.id);
    s.read_string(layer.name);
    for (std::size_t k = 0; k < ground_kind_names.size(); ++k) {
      if (ground_kind_names[k].equals_cstr(layer.name.c_str())) layer.id = static_cast<std::int32_t>(k);
    }
    std::int32_t has_values = 0;
    s.read_int(has_values);
    if (has_values == 0) {
      layer.values.clear();
      continue;
    }
    if (layer.values.size() != square) layer.values.assign(square, 0);
    const bool colour = layer.id == ground_paint_colour_id;
    const bool bytes = layer.id >= 0;
    const std::uint32_t empty_value = colour ? 0xFFFFFFFFu : 0u;
    bool in_empty = true;
    std::int32_t left = 0;
    s.read_int(left);
    for (std::int32_t y = 0; y < paint.size_y; ++y) {
      for (std::int32_t x = 0; x < paint.size_x; ++x) {
        while (left == 0) {
          in_empty = !in_empty;
          s.read_int(left);
        }
        if (left < 0) bad_count(s, "ground paint run", left);
        std::uint32_t value = empty_value;
        if (!in_empty) {
          if (bytes) {
            char b = 0;
            s.read_char(b);
            value = std::bit_cast<std::uint32_t>(static_cast<float>(static_cast<unsigned char>(b)) * 0.003921569f);
          } else {
            s.read_u32(value);
          }
        }
        layer.values[static_cast<std::size_t>(x) * ground_paint_stride + static_cast<std::size_t>(y)] = value;
        --left;
      }
    }
  }
}

namespace {

bool vertex_is_empty(const ground_paint_layer& layer, std::uint32_t value) {
  // A colour counts as empty only when its low 24 bits are all set, so black
  // and dark colours (tiny or zero as floats) survive a save.
  if (layer.id == ground_paint_colour_id) return (value & 0xFFFFFFu) == 0xFFFFFFu;
  const float f = std::bit_cast<float>(value);
  return f > -0.001f && f < 0.001f;
}

std::uint8_t value_byte(float value) {
  const float scaled = value * 255.0f;
  const float whole = std::floor(scaled);
  float n = scaled - whole > 0.5f ? whole + 1.0f : whole;
  if (!(n > 0.0f)) n = 0.0f;
  if (n > 255.0f) n = 255.0f;
  return static_cast<std::uint8_t>(n);
}

}  // namespace

void write_ground_paint(stream& s, const ground_paint& paint) {
  const std::int32_t count =
      paint.layer_count < 0 ? 0 : (paint.layer_count > ground_paint_max_layers ? ground_paint_max_layers : paint.layer_count);
  s.write_int(count);
  s.write_int(paint.size_x);
  s.write_int(paint.size_y);
  const std::size_t square = static_cast<std::size_t>(ground_paint_stride) * ground_paint_stride;
  const std::int32_t size_x = paint.size_x < 0 ? 0 : (paint.size_x > ground_paint_stride ? ground_paint_stride : paint.size_x);
  const std::int32_t size_y = paint.size_y < 0 ? 0 : (paint.size_y > ground_paint_stride ? ground_paint_stride : paint.size_y);
  for (std::int32_t i = 0; i < count; ++i) {
    const ground_paint_layer& layer = paint.layers[static_cast<std::size_t>(i)];
    s.write_int(layer.id);
    s.write_string(layer.name);
    const bool has_values = layer.values.size() == square;
    s.write_int(has_values ? 1 : 0);
    if (!has_values) continue;
    // Runs alternate empty, value, empty ...; the first (empty) run may be 0.
    std::vector<std::uint32_t> order;
    order.reserve(static_cast<std::size_t>(size_x) * static_cast<std::size_t>(size_y));
    for (std::int32_t y = 0; y < size_y; ++y) {
      for (std::int32_t x = 0; x < size_x; ++x) {
        order.push_back(layer.values[static_cast<std::size_t>(x) * ground_paint_stride + static_cast<std::size_t>(y)]);
      }
    }
    std::size_t at = 0;
    bool empty_run = true;
    do {
      std::size_t end = at;
      while (end < order.size() && vertex_is_empty(layer, order[end]) == empty_run) ++end;
      s.write_int(static_cast<std::int32_t>(end - at));
      if (!empty_run) {
        for (std::size_t k = at; k < end; ++k) {
          if (layer.id >= 0) {
            s.write_char(static_cast<char>(value_byte(std::bit_cast<float>(order[k]))));
          } else {
            s.write_u32(order[k]);
          }
        }
      }
      at = end;
      empty_run = !empty_run;
    } while (at < order.size());
  }
}

}  // namespace hm
