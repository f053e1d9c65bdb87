#pragma once
// Operand encoding. A negative 64-bit parameter is a constant; otherwise bits
// 56-62 hold a tag and bits 0-55 the payload.
#include <cstdint>

namespace hm {

inline constexpr int operand_tag_shift = 56;
inline constexpr std::int64_t operand_payload_mask = (std::int64_t{1} << operand_tag_shift) - 1;

namespace operand_tag {
inline constexpr int constant = 0;  // also a string register where a string is expected
inline constexpr int reg = 1;
inline constexpr int global_variable = 2;
inline constexpr int module_string = 3;
inline constexpr int local_variable = 17;
inline constexpr int quick_string = 22;
}  // namespace operand_tag

inline constexpr int operand_tag_of(std::int64_t param) {
  return param < 0 ? 0 : static_cast<int>((param >> operand_tag_shift) & 0x7F);
}
inline constexpr std::int64_t operand_payload_of(std::int64_t param) { return param & operand_payload_mask; }

// Builds an operand of a tag; a payload wider than 56 bits is cut.
inline constexpr std::int64_t make_operand(int tag, std::int64_t payload) {
  return (static_cast<std::int64_t>(tag & 0x7F) << operand_tag_shift) | (payload & operand_payload_mask);
}
inline constexpr std::int64_t register_operand(std::int64_t index) { return make_operand(operand_tag::reg, index); }
inline constexpr std::int64_t global_operand(std::int64_t index) {
  return make_operand(operand_tag::global_variable, index);
}
inline constexpr std::int64_t local_operand(std::int64_t index) {
  return make_operand(operand_tag::local_variable, index);
}

}  // namespace hm
