#pragma once
// A world map drawn as a picture of characters, one square face per
// character: the readable source from which a module's map.txt is made.
//
//   # a comment
//   cell 2.0             size of a square in map units
//   origin -40 -30       map position of the picture's lower-left corner
//   terrain . 3          a character and the terrain kind it stands for
//   height ~ -0.4        the height of that character's corners (default 0)
//   map                  the picture follows, top row first (highest y),
//   ~~~...               every row as wide as the first; a blank in the
//   end                  picture leaves a hole
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "campaign/map/map_file.h"

namespace hm {

struct map_picture {
  float cell = 1.0f;
  float origin[2] = {0.0f, 0.0f};
  std::map<char, int> kinds;
  std::map<char, float> heights;
  std::vector<std::string> rows;

  int width() const { return rows.empty() ? 0 : static_cast<int>(rows[0].size()); }
  int height() const { return static_cast<int>(rows.size()); }
  // The map position of a picture square's centre (column from the left, row
  // from the top).
  float centre_x(int column) const { return origin[0] + (static_cast<float>(column) + 0.5f) * cell; }
  float centre_y(int row) const { return origin[1] + (static_cast<float>(height() - row) - 0.5f) * cell; }
};

// Reads a picture source; false with the line of the first fault.
bool parse_map_picture(std::string_view text, map_picture& out, map_file_error& error);
// The map.txt text of the picture: a vertex at every square corner (its
// height the mean of the squares around it), one quad per square.
std::string map_text_of_picture(const map_picture& picture);

}  // namespace hm
