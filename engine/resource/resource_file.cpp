#include "engine/resource/resource_file.h"

#include <algorithm>
#include <optional>
#include <string>

#include "engine/resource/body.h"
#include "engine/core/log.h"
#include "engine/resource/material.h"
#include "engine/resource/mesh.h"
#include "engine/resource/resource_manager.h"
#include "engine/settings/ruv_config.h"
#include "engine/resource/shader_record.h"
#include "engine/resource/skeleton.h"
#include "engine/core/stream.h"
#include "engine/resource/texture_record.h"
#include "platform/fs.h"

namespace hm {

namespace {

// Writing order of the kinds, by type id: texture, shader, material, mesh, body,
// skeleton, skeleton_anim.
constexpr int writing_order[] = {texture_resource_type_id, shader_resource_type_id,   material_resource_type_id,
                                 mesh_resource_type_id,    body_resource_type_id,     skeleton_resource_type_id,
                                 skeleton_anim_resource_type_id};

int writing_rank(int type_id) {
  for (int i = 0; i < static_cast<int>(std::size(writing_order)); ++i) {
    if (writing_order[i] == type_id) return i;
  }
  return static_cast<int>(std::size(writing_order));
}

template <class T>
std::unique_ptr<resource> make() {
  return std::make_unique<T>();
}

std::vector<resource_section_kind> built_in_kinds() {
  std::vector<resource_section_kind> kinds;
  // Texture records are read inline: the name (file name, extension included)
  // and the load flags.
  kinds.push_back({"texture", texture_resource_type_id, 2, make<texture>,
                   [](stream& s, resource& r, resource_manager&) {
                     auto& t = static_cast<texture&>(r);
                     s.read_string(t.name);
                     s.read_u32(t.flags);
                   },
                   [](stream& s, const resource& r) {
                     const auto& t = static_cast<const texture&>(r);
                     s.write_string(t.name);
                     s.write_int(static_cast<std::int32_t>(t.flags));
                   }});
  kinds.push_back({"shader", shader_resource_type_id, 7, make<shader>,
                   [](stream& s, resource& r, resource_manager&) { static_cast<shader&>(r).read(s); },
                   [](stream& s, const resource& r) { static_cast<const shader&>(r).write(s); }});
  kinds.push_back({"material", material_resource_type_id, 12, make<material>,
                   [](stream& s, resource& r, resource_manager& m) { static_cast<material&>(r).read(s, m); },
                   [](stream& s, const resource& r) { static_cast<const material&>(r).write(s); }});
  kinds.push_back(mesh_section_kind());
  kinds.push_back({"body", body_resource_type_id, 2, make<body>,
                   [](stream& s, resource& r, resource_manager&) { static_cast<body&>(r).read(s); },
                   [](stream& s, const resource& r) { static_cast<const body&>(r).write(s); }});
  kinds.push_back({"skeleton", skeleton_resource_type_id, 2, make<skeleton>,
                   [](stream& s, resource& r, resource_manager&) { static_cast<skeleton&>(r).read(s); },
                   [](stream& s, const resource& r) { static_cast<const skeleton&>(r).write(s); }});
  kinds.push_back({"skeleton_anim", skeleton_anim_resource_type_id, 3, make<skeleton_anim>,
                   [](stream& s, resource& r, resource_manager&) { static_cast<skeleton_anim&>(r).read(s); },
                   [](stream& s, const resource& r) { static_cast<const skeleton_anim&>(r).write(s); }});
  return kinds;
}

std::vector<resource_section_kind>& section_kinds() {
  static std::vector<resource_section_kind> kinds = built_in_kinds();
  return kinds;
}

int bytes_left(const stream& s) { return static_cast<int>(s.unread().size()); }

}  // namespace

const std::vector<resource_section_kind>& resource_section_kinds() { return section_kinds(); }

const resource_section_kind* find_resource_section_kind(std::string_view tag) {
  for (const resource_section_kind& kind : section_kinds()) {
    if (tag == kind.tag) return &kind;
  }
  return nullptr;
}

const resource_section_kind* find_resource_section_kind(int type_id) {
  for (const resource_section_kind& kind : section_kinds()) {
    if (kind.type_id == type_id) return &kind;
  }
  return nullptr;
}

void add_resource_section_kind(resource_section_kind kind) {
  std::vector<resource_section_kind>& kinds = section_kinds();
  std::erase_if(kinds, [&](const resource_section_kind& k) { return std::string_view(k.tag) == kind.tag; });
  auto at = std::find_if(kinds.begin(), kinds.end(), [&](const resource_section_kind& k) {
    return writing_rank(k.type_id) > writing_rank(kind.type_id);
  });
  kinds.insert(at, std::move(kind));
}

void check_record_count(stream& s, int count, int min_values_per_item, const char* what, const ruv_string& owner) {
  // Every value takes at least one byte in both forms, so a count larger than
  // the bytes left divided by the values per item cannot be honest.
  long long most = min_values_per_item > 0 ? bytes_left(s) / min_values_per_item : bytes_left(s);
  if (count < 0 || count > most) {
    ruv_error("Bad count %d of %s in %s of file %s", count, what, owner.empty() ? "a record" : owner.c_str(),
              s.name.c_str());
  }
}

void resource_manager::read_resource_file(stream& s) {
  ruv_string tag;
  s.read_string(tag);
  while (!tag.equals_cstr("end")) {
    const resource_section_kind* kind = find_resource_section_kind(tag.view());
    if (!kind) ruv_error("Unrecognized resource type %s", tag.c_str());
    std::int32_t count = 0;
    s.read_int(count);
    check_record_count(s, count, kind->min_record_values, "records", ruv_string("section ").concat(tag));
    if (count > 0) {
      // The array is handed to the manager first, so whatever was built is
      // owned even when a record turns out to be broken.
      std::vector<std::unique_ptr<resource>> array;
      array.reserve(static_cast<std::size_t>(count));
      owned_arrays_.push_back(std::move(array));
      for (int i = 0; i < count; ++i) {
        auto& owned = owned_arrays_.back();
        owned.push_back(kind->create());
        resource& r = *owned.back();
        kind->read(s, r, *this);
        register_resource(&r);
      }
    }
    s.read_string(tag);
  }
}

void resource_manager::write_resource_file(stream& s) {
  std::vector<resource*> pending = current_file_resources;
  for (const resource* r : pending) {
    if (!find_resource_section_kind(r->get_type_id())) {
      log_line(std::string("WARNING: no resource file record for ") + r->get_type_name() + " " + r->name.c_str() +
               "\n");
    }
  }
  for (const resource_section_kind& kind : section_kinds()) {
    std::int32_t count = static_cast<std::int32_t>(
        std::count_if(pending.begin(), pending.end(), [&](const resource* r) { return r->get_type_id() == kind.type_id; }));
    if (count == 0) continue;
    s.write_cstr(kind.tag);
    s.write_int(count);
    for (const resource* r : pending) {
      if (r->get_type_id() == kind.type_id) kind.write(s, *r);
    }
  }
  s.write_cstr("end");
}

int convert_resource_file(resource_manager& manager, std::string_view text_path, std::string_view binary_path) {
  text_reader reader;
  if (!reader.open(text_path)) return -1;
  manager.begin_resource_file();
  manager.read_resource_file(reader);
  binary_writer writer;
  if (writer.open(binary_path) != 0) return 1;
  manager.write_resource_file(writer);
  if (writer.close() != 0) {
    // A cut binary file would look newer than its text twin and be read next
    // time; without it the next start converts again.
    platform::remove_file(binary_path);
    return 1;
  }
  return 0;
}

int resource_manager::load_resource_file(const ruv_string& name, int from_module) {
  std::string prefix = from_module ? std::string(module_folder.c_str()) + "Resource\\" : std::string("CommonRes\\");
  std::string text_path = prefix + name.c_str() + ".trf";
  std::string binary_path = prefix + name.c_str() + ".brf";
  begin_resource_file();

  if (g_ruv_config.enable_edit_mode) {
    std::optional<std::int64_t> text_time = platform::file_modification_time(text_path);
    if (text_time) {
      std::optional<std::int64_t> binary_time = platform::file_modification_time(binary_path);
      // A text file that cannot be opened is passed over: the binary file is read.
      if ((!binary_time || *text_time - *binary_time > 0) &&
          convert_resource_file(*this, text_path, binary_path) >= 0) {
        return 0;
      }
    }
  }

  binary_reader reader;
  if (!reader.open(binary_path)) {
    // A copied module has its text sources but not the files made from them:
    // the log says how to make them.
    if (platform::file_exists(text_path))
      log_line(text_path + " has not been converted: make the module's binary files with make_module, or set "
                           "enable_edit_mode = 1 to convert them at load\n");
    ruv_error("Unable to open file: %s\n", binary_path.c_str());
  }
  read_resource_file(reader);
  return 0;
}

}  // namespace hm
