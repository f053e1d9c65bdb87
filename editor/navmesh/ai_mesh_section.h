#pragma once
// The navigation graph as the scene's ".sco" file carries it: the bytes of
// its section, and the graph read back from them with its face links and
// face data made again, as the mission's set-up reads it.
#include <string>

namespace hm {

struct ai_mesh;

std::string ai_mesh_section_bytes(const ai_mesh& mesh);
// False, with an empty graph and a log line naming `source`, for bytes that
// do not hold a sound graph.
bool read_ai_mesh_section(const std::string& bytes, ai_mesh& out, const char* source = "AI mesh");

}  // namespace hm
