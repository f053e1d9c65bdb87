#pragma once
// A module's map.txt made from its picture source (map_source.txt): the
// picture is checked, turned into vertices and faces, read back as the game
// reads it, and written through a temporary file so that a failure leaves the
// previous map. Shared by make_map and make_module.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "campaign/map/map_file.h"
#include "campaign/map/map_navigation.h"
#include "campaign/map/map_picture.h"

namespace hm::tools {

// Empty on success (summary then says what was made); otherwise why not, as
// "<source file>:<line>: <what>" for a fault of the picture.
inline std::string make_map_file(const std::string& source_path, const std::string& out_path, std::string& summary) {
  std::ifstream in(source_path, std::ios::binary);
  if (!in) return source_path + ": cannot be read";
  const std::string source((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  map_picture picture;
  map_file_error error;
  if (!parse_map_picture(source, picture, error))
    return std::filesystem::path(source_path).filename().string() + ":" + std::to_string(error.line) + ": " +
           error.message;
  const std::string text = map_text_of_picture(picture);
  world_map map;
  if (!parse_map_text(text, map, error))
    return source_path + ": the map made is broken at line " + std::to_string(error.line) + ": " + error.message;
  map.link_records();
  init_map(map);
  const std::string temp = out_path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
    out.flush();
    if (!out) {
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      return temp + ": cannot be written";
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, out_path, ec);
  if (ec) return out_path + ": cannot be written: " + ec.message();
  std::map<int, int> regions;
  int bridges = 0;
  for (const map_face& f : map.faces) {
    if (f.region == bridge_region)
      ++bridges;
    else
      ++regions[f.region];
  }
  summary = std::to_string(map.vertices.size()) + " vertices, " + std::to_string(map.faces.size()) + " faces, " +
            std::to_string(regions.size()) + " regions, " + std::to_string(bridges) + " bridge faces";
  return {};
}

}  // namespace hm::tools
