#include "module/base/code_mapping.h"

#include <string>

#include "engine/core/log.h"
#include "engine/audio/sound_manager.h"

namespace hm {

const char* const particle_system_code_names[particle_system_code_count] = {
    "psys_game_rain",           "psys_game_snow",           "psys_game_blood",         "psys_game_blood_2",
    "psys_game_hoof_dust",      "psys_game_hoof_dust_snow", "psys_game_hoof_dust_mud", "psys_game_water_splash_1",
    "psys_game_water_splash_2", "psys_game_water_splash_3", "psys_game_rain",
};

const char* const presentation_code_names[presentation_code_count] = {
    "prsnt_game_start",
    "prsnt_game_escape",
    "prsnt_game_credits",
};

const char* const tableau_code_names[tableau_code_count] = {
    "tab_game_character_sheet",
    "tab_game_inventory_window",
    "tab_game_party_window",
};

void map_engine_codes(const std::function<std::string_view(int code)>& code_name, int code_count, int record_count,
                      const record_name_of& record_name, std::int32_t* codes, const char* warning) {
  for (int k = 0; k < code_count; ++k) {
    const std::string_view name = code_name(k);
    std::int32_t found = -1;
    for (int i = 0; i < record_count; ++i) {
      if (record_name(i).view() == name) {
        found = i;
        break;
      }
    }
    codes[k] = found;
    if (found < 0) log_line(std::string(warning).append(name).append("\n"));
  }
}

void map_engine_codes(const char* const* code_names, int code_count, int record_count,
                      const record_name_of& record_name, std::int32_t* codes, const char* warning) {
  map_engine_codes([code_names](int k) { return std::string_view(code_names[k]); }, code_count, record_count,
                   record_name, codes, warning);
}

void map_sound_codes(sound_manager& sounds) {
  map_engine_codes(
      sound_slot_names, sound_slot_count, sounds.sound_count(),
      [&](int i) -> const ruv_string& { return sounds.sounds[static_cast<std::size_t>(i)].name; },
      sounds.slot_sound_ids, "WARNING: UNABLE TO MAP SOUND CODE: ");
}

void map_tableau_codes(int record_count, const record_name_of& record_name, std::int32_t (&codes)[tableau_code_count]) {
  map_engine_codes(tableau_code_names, tableau_code_count, record_count, record_name, codes,
                   "WARNING: UNABLE TO MAP GAME TABLEAU CODE: ");
}

}  // namespace hm
