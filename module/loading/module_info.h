#pragma once
// Applying module.ini: resource files to load, combat and campaign constants,
// map bounds, display switches and version numbers.
#include <functional>

#include "engine/core/ruv_string.h"

namespace hm {

struct ini_table;

// Loads a resource file by name, from the module's "Resource\" folder when
// from_module is set, else from "CommonRes\".
using resource_file_loader = std::function<void(const ruv_string& name, bool from_module)>;

// Applies every pair of the table in file order to g_module_settings and the
// settings kept beside it (map bounds, proficiency display, versions); the
// display switches are first set to 1. Resource files load at once, in the
// order of their lines. Directives that log write "<text><value>\n"; an unknown
// key longer than one character logs "Unrecognized Module_info directive = <key>.
// Skipping.\n".
void process_module_info(const ini_table& table, const resource_file_loader& load_resource);

// The same over g_module_ini_table, loading through the resource manager.
void process_module_info();

}  // namespace hm
