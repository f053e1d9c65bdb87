#pragma once
// Telling the player through the message box (window 0) that a settings file
// could not be written: the settings stay in force for this run.
#include <string>

#include "engine/core/ruv_string.h"

namespace hm {

// The translated "ui_unable_to_save_settings" filled with the file's path.
std::string unable_to_save_text(const char* file_name);

// Fills the message box as a notice (one OK button) with the title and text
// and pushes it over the current window.
void push_notice(const ruv_string& title, const ruv_string& text);

}  // namespace hm
