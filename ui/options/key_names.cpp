#include "ui/options/key_names.h"

#include "engine/settings/key_bindings.h"
#include "module/text/translation_table.h"

namespace hm {

namespace {

struct key_name {
  std::int32_t code;
  const char* name;
};

constexpr key_name kKeyNames[] = {
    {0x01, "Esc"},          {0x02, "1"},           {0x03, "2"},           {0x04, "3"},
    {0x05, "4"},            {0x06, "5"},           {0x07, "6"},           {0x08, "7"},
    {0x09, "8"},            {0x0A, "9"},           {0x0B, "0"},           {0x0C, "-"},
    {0x0D, "="},            {0x0E, "Back Space"},  {0x0F, "Tab"},         {0x10, "Q"},
    {0x11, "W"},            {0x12, "E"},           {0x13, "R"},           {0x14, "T"},
    {0x15, "Y"},            {0x16, "U"},           {0x17, "I"},           {0x18, "O"},
    {0x19, "P"},            {0x1A, "["},           {0x1B, "]"},           {0x1C, "Enter"},
    {0x1D, "Ctrl (left)"},  {0x1E, "A"},           {0x1F, "S"},           {0x20, "D"},
    {0x21, "F"},            {0x22, "G"},           {0x23, "H"},           {0x24, "J"},
    {0x25, "K"},            {0x26, "L"},           {0x27, ";"},           {0x28, "'"},
    {0x29, "~"},            {0x2A, "Shift (left)"}, {0x2B, "\\"},         {0x2C, "Z"},
    {0x2D, "X"},            {0x2E, "C"},           {0x2F, "V"},           {0x30, "B"},
    {0x31, "N"},            {0x32, "M"},           {0x33, ","},           {0x34, "."},
    {0x35, "/"},            {0x36, "Shift (right)"}, {0x37, "Numpad *"},  {0x38, "Alt (left)"},
    {0x39, "Space"},        {0x3A, "Caps Lock"},   {0x3B, "F1"},          {0x3C, "F2"},
    {0x3D, "F3"},           {0x3E, "F4"},          {0x3F, "F5"},          {0x40, "F6"},
    {0x41, "F7"},           {0x42, "F8"},          {0x43, "F9"},          {0x44, "F10"},
    {0x45, "Num Lock"},     {0x47, "Numpad 7"},    {0x48, "Numpad 8"},    {0x49, "Numpad 9"},
    {0x4A, "Numpad -"},     {0x4B, "Numpad 4"},    {0x4C, "Numpad 5"},    {0x4D, "Numpad 6"},
    {0x4E, "Numpad +"},     {0x4F, "Numpad 1"},    {0x50, "Numpad 2"},    {0x51, "Numpad 3"},
    {0x52, "Numpad 0"},     {0x53, "Numpad ."},    {0x57, "F11"},         {0x58, "F12"},
    {0x9C, "Numpad Enter"}, {0x9D, "Ctrl (right)"}, {0xB5, "Numpad /"},   {0xB8, "Alt (right)"},
    {0xC7, "Home"},         {0xC8, "Up Arrow"},    {0xC9, "Page Up"},     {0xCB, "Left Arrow"},
    {0xCD, "Right Arrow"},  {0xCF, "End"},         {0xD0, "Down Arrow"},  {0xD1, "Page Down"},
    {0xD2, "Insert"},       {0xD3, "Delete"},      {0xE0, "Left Mouse Btn"}, {0xE1, "Right Mouse Btn"},
    {0xE2, "Middle Mouse Btn"}, {0xE3, "Mouse Btn 4"}, {0xE4, "Mouse Btn 5"}, {0xE5, "Mouse Btn 6"},
    {0xE6, "Mouse Btn 7"},  {0xE7, "Mouse Btn 8"}, {0xEE, "Scroll Up"},   {0xEF, "Scroll Down"},
};
static_assert(sizeof(kKeyNames) / sizeof(kKeyNames[0]) == 108);

constexpr const char* kControlKeys[key_bindings::control_count] = {
    "ui_move_forward",
    "ui_move_backward",
    "ui_move_left",
    "ui_move_right",
    "ui_action",
    "ui_jump",
    "ui_attack",
    "ui_defend",
    "ui_equip_next_weapon",
    "ui_equip_next_shield",
    "ui_sheath_weapon",
    "ui_leave_location_retreat",
    "ui_zoom",
    "ui_view_outfit",
    "ui_toggle_first_person_view",
    "ui_character_window",
    "ui_inventory_window",
    "ui_party_window",
    "ui_quests_window",
    "ui_game_log_window",
    "ui_view_orders",
    "ui_order_hold",
    "ui_order_follow",
    "ui_order_charge",
    "ui_order_dismount_toggle",
    "ui_order_hold_fire_toggle",
    "ui_order_advance",
    "ui_order_fall_back",
    "ui_order_stand_closer",
    "ui_order_spread_out",
    "ui_order_blunt_weapons_toggle",
    "ui_everyone_control",
    "ui_infantry_control",
    "ui_archers_control",
    "ui_cavalry_control",
    "ui_others_control",
    "ui_quick_save",
};

constexpr const char* kMapControlKeys[7] = {"ui_move_forward", "ui_move_backward", "ui_move_left", "ui_move_right",
                                            "ui_zoom_in",      "ui_zoom_out",      "ui_wait"};

ruv_string translated_or_unknown(const char* key) {
  return key ? g_translation_table.get_string_by_id(key) : ruv_string("unknown");
}

}  // namespace

const char* get_key_name(std::int32_t code) {
  for (const key_name& k : kKeyNames) {
    if (k.code == code) return k.name;
  }
  return "unknown";
}

const char* control_name_key(int control) {
  return control >= 0 && control < key_bindings::control_count ? kControlKeys[control] : nullptr;
}

const char* map_control_name_key(int control) { return control >= 0 && control < 7 ? kMapControlKeys[control] : nullptr; }

ruv_string get_control_name(int control) { return translated_or_unknown(control_name_key(control)); }

ruv_string get_map_control_name(int control) { return translated_or_unknown(map_control_name_key(control)); }

std::int32_t map_control_key(int control) {
  if (control >= 0 && control < 4) return g_key_bindings.keys[control][0];
  if (control == 4) return 78;
  if (control == 5) return 74;
  if (control == 6) return 57;
  return key_bindings::no_key;
}

}  // namespace hm
