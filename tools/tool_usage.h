#pragma once
// Every tool answers --help (or -h) as its first argument by printing its
// usage on standard output and ending with status 0; a wrong call prints the
// same usage on standard error and ends with 2.
#include <cstdio>
#include <string_view>

namespace hm::tools {

inline bool asks_for_help(int argc, char** argv) {
  if (argc < 2) return false;
  const std::string_view first = argv[1];
  return first == "--help" || first == "-h";
}

// Prints the usage where the call wants it and gives the tool's exit status.
inline int print_usage(const char* usage, bool help) {
  std::fputs(usage, help ? stdout : stderr);
  return help ? 0 : 2;
}

}  // namespace hm::tools
