#pragma once
// Hands the module's flora kinds and ground kinds to the terrain generator,
// which takes them as plain values.

namespace hm {

struct terrain_module_data;

// Fills data from the loaded flora-kind and ground-spec tables.
void make_terrain_module_data(terrain_module_data& data);

// Gives the game's terrain generator the module's kinds (after the Data files
// are read).
void hand_module_kinds_to_terrain_generator();

}  // namespace hm
