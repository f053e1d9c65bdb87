#pragma once
// The operation numbers the script language defines.
#include <cstdint>

namespace hm {

// True for a number (opcode bits only) that names an operation of the script
// language, built or not.
bool is_defined_opcode(std::uint32_t number);

}  // namespace hm
