#include "editor/navmesh/ai_mesh_section.h"

#include "editor/navmesh/ai_mesh_editor.h"
#include "engine/core/stream.h"
#include "render/terrain/ai_mesh.h"

namespace hm {

std::string ai_mesh_section_bytes(const ai_mesh& mesh) {
  binary_writer out;
  mesh.write(out);
  return std::string(out.contents());
}

bool read_ai_mesh_section(const std::string& bytes, ai_mesh& out, const char* source) {
  binary_reader in;
  in.open_memory(source, bytes.data(), bytes.size());
  if (!out.read(in, source)) return false;
  rebuild_ai_mesh_adjacency(out);
  return true;
}

}  // namespace hm
