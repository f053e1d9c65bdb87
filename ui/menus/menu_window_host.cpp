#include "ui/menus/menu_window_host.h"

namespace hm {

namespace {

menu_window_host g_stand_in;
menu_window_host* g_host = nullptr;

}  // namespace

menu_window_host& current_menu_host() { return g_host ? *g_host : g_stand_in; }

menu_window_host* set_menu_window_host(menu_window_host* host) {
  menu_window_host* previous = g_host;
  g_host = host;
  return previous;
}

}  // namespace hm
