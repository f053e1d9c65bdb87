#pragma once
// The engine refers to a few module records by fixed code numbers (the click
// sound, the game_start script, the start presentation, the blood particles).
// After each kind is loaded, every code is bound to the index of the first
// record whose identifier equals the code's name exactly (case-sensitive), or to
// -1 with a warning line in the log when the module has none.
#include <cstdint>
#include <functional>
#include <string_view>

#include "engine/core/ruv_string.h"

namespace hm {

class sound_manager;

inline constexpr int particle_system_code_count = 11;
inline constexpr int presentation_code_count = 3;
inline constexpr int tableau_code_count = 3;

// Code 10 repeats code 0's name, so both always hold the same record.
extern const char* const particle_system_code_names[particle_system_code_count];
extern const char* const presentation_code_names[presentation_code_count];
extern const char* const tableau_code_names[tableau_code_count];

// The name of record i of the kind being mapped.
using record_name_of = std::function<const ruv_string&(int index)>;

// The shared binding: for each code k in ascending order, codes[k] = the first
// record i (0 .. record_count - 1) whose name equals code_names[k]; else -1 and
// the line warning + name + "\n" in the log.
void map_engine_codes(const char* const* code_names, int code_count, int record_count,
                      const record_name_of& record_name, std::int32_t* codes, const char* warning);
// The same with the code names given by a function.
void map_engine_codes(const std::function<std::string_view(int code)>& code_name, int code_count, int record_count,
                      const record_name_of& record_name, std::int32_t* codes, const char* warning);

// Sounds: the sound player's slot table from its sound records
// ("WARNING: UNABLE TO MAP SOUND CODE: ").
void map_sound_codes(sound_manager& sounds);

// Tableau materials ("WARNING: UNABLE TO MAP GAME TABLEAU CODE: "), for the
// tableau-material loader.
void map_tableau_codes(int record_count, const record_name_of& record_name, std::int32_t (&codes)[tableau_code_count]);

}  // namespace hm
