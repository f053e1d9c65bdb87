#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/input/input.h"
#include "platform/input/input_keymap.h"

namespace {

using namespace hm::platform;

// Every key the default key bindings use, with the name the host's keyboard
// layer gives the physical key. Checked both ways through the table.
struct bound_key {
  int key_code;
  const char* host_name;
};
const bound_key k_default_binding_keys[] = {
    {17, "W"},         {31, "S"},        {30, "A"},          {32, "D"},  {33, "F"},   {57, "Space"},
    {43, "\\"},        {15, "Tab"},      {42, "Left Shift"}, {41, "`"},  {19, "R"},   {46, "C"},
    {23, "I"},         {25, "P"},        {16, "Q"},          {38, "L"},  {14, "Backspace"},
    {59, "F1"},        {60, "F2"},       {61, "F3"},         {62, "F4"}, {63, "F5"},  {64, "F6"},
    {65, "F7"},        {66, "F8"},       {67, "F9"},         {87, "F11"}, {88, "F12"}, {2, "1"},
    {3, "2"},          {4, "3"},         {5, "4"},           {6, "5"},
};

TEST(InputKeymap, DefaultBindingKeysMapBothWays) {
  for (const bound_key& k : k_default_binding_keys) {
    SCOPED_TRACE(k.host_name);
    const int scancode = sdl_scancode_from_key_code(k.key_code);
    ASSERT_GE(scancode, 0);
    EXPECT_EQ(sdl_scancode_name(scancode), k.host_name);
    EXPECT_EQ(key_code_from_sdl_scancode(scancode), k.key_code);
  }
}

// Keys that other screens read by code, and the pairs that differ only by the
// 0xE0 prefix (a mix-up there swaps keypad and cursor keys).
TEST(InputKeymap, ExtendedKeysSitAbove0x80) {
  const bound_key keys[] = {
      {1, "Escape"},         {28, "Return"},      {156, "Keypad Enter"}, {29, "Left Ctrl"},
      {157, "Right Ctrl"},   {56, "Left Alt"},    {184, "Right Alt"},    {200, "Up"},
      {208, "Down"},         {203, "Left"},       {205, "Right"},        {211, "Delete"},
      {83, "Keypad ."},      {199, "Home"},       {71, "Keypad 7"},      {181, "Keypad /"},
      {53, "/"},             {55, "Keypad *"},    {86, ""},              {45, "X"},
      {219, "Left GUI"},     {221, "Application"}, {210, "Insert"},      {201, "PageUp"},
  };
  for (const bound_key& k : keys) {
    SCOPED_TRACE(k.key_code);
    const int scancode = sdl_scancode_from_key_code(k.key_code);
    ASSERT_GE(scancode, 0);
    if (*k.host_name) {
      EXPECT_EQ(sdl_scancode_name(scancode), k.host_name);
    }
    EXPECT_EQ(key_code_from_sdl_scancode(scancode), k.key_code);
  }
}

TEST(InputKeymap, TableIsOneToOneAndCoversAFullKeyboard) {
  std::set<int> scancodes, key_codes;
  for (const keymap_entry& e : keymap_entries()) {
    EXPECT_TRUE(scancodes.insert(e.sdl_scancode).second) << "scancode twice: " << e.sdl_scancode;
    EXPECT_TRUE(key_codes.insert(e.key_code).second) << "key code twice: " << e.key_code;
    EXPECT_GT(e.key_code, 0);
    EXPECT_LT(e.key_code, keyboard_key_count);  // 224.. belong to the mouse
  }
  // 105 keys of an ISO keyboard plus the media and layout extras.
  EXPECT_GE(keymap_entries().size(), 105u);
}

// The ISO key beside Enter is the US backslash key moved: one code for both.
TEST(InputKeymap, IsoHashKeyIsTheBackslashKey) {
  const int non_us_hash = 50;  // the host's scancode of that key
  EXPECT_EQ(sdl_scancode_name(non_us_hash), "#");
  EXPECT_EQ(key_code_from_sdl_scancode(non_us_hash), key::backslash);
  EXPECT_EQ(sdl_scancode_name(sdl_scancode_from_key_code(key::backslash)), "\\");
}

TEST(InputKeymap, UnknownValuesGiveNone) {
  EXPECT_EQ(key_code_from_sdl_scancode(-1), -1);
  EXPECT_EQ(key_code_from_sdl_scancode(100000), -1);
  EXPECT_EQ(key_code_from_sdl_scancode(0), -1);  // SDL's "unknown" scancode
  EXPECT_EQ(sdl_scancode_from_key_code(0), -1);
  EXPECT_EQ(sdl_scancode_from_key_code(mouse_button_first), -1);
  EXPECT_EQ(sdl_scancode_from_key_code(wheel_up_key), -1);
  EXPECT_EQ(sdl_scancode_from_key_code(300), -1);
}

}  // namespace
