#pragma once
// map.txt, the module's world map: the vertex count, the vertices (x, y, z),
// the face count, then per face its terrain kind, a second value, its vertex
// count and that many vertex indices, all as whitespace-separated numbers.
#include <string>
#include <string_view>

#include "campaign/map/world_map.h"

namespace hm {

// What reading map.txt found wrong: the line (from 1) and what was wrong.
struct map_file_error {
  int line = 0;
  std::string message;
};

// Reads the text into the map's vertices and faces (nothing else of the map
// is touched). A face has 3 or 4 vertices, each index names a vertex, every
// number is a finite number of its kind, and nothing follows the last face;
// anything else is refused with the line it stands on, and the map is left
// empty. Counts are believed only as far as the text can hold them.
bool parse_map_text(std::string_view text, world_map& out, map_file_error& error);

// load_map_data: reads the file into a new map and links its records. A
// missing file is fatal ("Unable to open <path>"); a broken one is fatal
// with "<path>:<line>: map.txt format broken: <what>".
void load_map_file(const std::string& path, world_map& out);

}  // namespace hm
