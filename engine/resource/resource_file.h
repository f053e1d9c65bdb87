#pragma once
// Resource files: the binary ".brf" form the game loads and its text twin ".trf"
// (the same values as blank-separated tokens). Both are a run of sections
// (a tag naming the kind, a count, that many records) closed by the tag "end";
// there is no magic, version or length field: the order of the stream calls is
// the format.
//
// Each record kind plugs into the reader and writer through a section kind:
// its tag, its type id, how to construct one, and its read and write. The table
// holds the kinds this folder knows; other kinds (meshes) add theirs with
// add_resource_section_kind.
#include <functional>
#include <memory>
#include <string_view>
#include <vector>

#include "engine/resource/resource.h"
#include "engine/core/ruv_string.h"

namespace hm {

class resource_manager;
class stream;

struct resource_section_kind {
  // The section tag ("texture", "shader", ...).
  const char* tag = nullptr;
  int type_id = 0;
  // The fewest values a record of the kind holds (each value takes at least one
  // byte in either form), to reject counts that cannot fit the file.
  int min_record_values = 1;
  std::function<std::unique_ptr<resource>()> create;
  std::function<void(stream&, resource&, resource_manager&)> read;
  std::function<void(stream&, const resource&)> write;
};

// The known section kinds, in writing order (texture, shader, material, mesh,
// body, skeleton, skeleton_anim; kinds without a reader yet are absent).
const std::vector<resource_section_kind>& resource_section_kinds();
// The kind with that tag, or null.
const resource_section_kind* find_resource_section_kind(std::string_view tag);
// The kind with that type id, or null.
const resource_section_kind* find_resource_section_kind(int type_id);
// Adds a kind, or replaces the one with the same tag. Kinds are kept in the
// writing order of their type ids.
void add_resource_section_kind(resource_section_kind kind);

// Rejects a count that is negative or larger than the bytes left in the stream
// could hold (at least one byte per value): fatal
// "Bad count %d of %s in %s of file %s". `owner` names the record (may be empty).
void check_record_count(stream& s, int count, int min_values_per_item, const char* what,
                        const ruv_string& owner);

// Reads the text file and writes its resources to the binary file, as loading
// does in edit mode; the manager's current file starts anew. Everything read
// stays registered with the manager. Returns 0 on success, -1 when the text file
// cannot be opened (nothing is read), 1 when the binary file cannot be written
// (a partly written one is removed).
int convert_resource_file(resource_manager& manager, std::string_view text_path, std::string_view binary_path);

}  // namespace hm
