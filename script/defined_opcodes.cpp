#include "script/defined_opcodes.h"

#include <array>
#include <iterator>

#include "script/operation.h"

namespace hm {
namespace {

struct opcode_range {
  std::uint32_t first, last;
};

// Every operation number the script language defines, family by family. A
// number here without a handler belongs to a family not built yet; a number
// outside is no operation at all.
constexpr opcode_range defined_ranges[] = {
    // Conditions and game-state tests.
    {30, 33}, {36, 37}, {39, 39}, {42, 42}, {44, 44}, {47, 47}, {50, 50}, {60, 60}, {70, 73}, {75, 75},
    {90, 93}, {101, 107}, {110, 110}, {130, 132}, {150, 154}, {200, 204},
    // Object slots: set, get, equal and at-least, each for the eight record
    // kinds (troop, party, faction, scene, party template, agent, quest, item
    // kind).
    {500, 507}, {520, 527}, {540, 547}, {560, 567},
    // Position registers, sound and music.
    {600, 604}, {609, 609}, {700, 702}, {710, 710}, {713, 713}, {715, 716}, {718, 731}, {735, 737},
    {740, 741}, {791, 791},
    // Presentations.
    {900, 902}, {910, 918}, {920, 940},
    // Messages, notes and tableaus.
    {1105, 1122},
    // Party membership.
    {1201, 1204}, {1210, 1211}, {1215, 1216}, {1225, 1225},
    // Experience, party spawning, mission state and item-kind factors.
    {980, 980}, {990, 990}, {1003, 1006}, {1020, 1021}, {1025, 1025}, {1030, 1031}, {1062, 1064},
    {1070, 1070}, {1080, 1080}, {1100, 1100}, {1103, 1103}, {1170, 1172},
    // Scenes, factions, quests and encounters.
    {1230, 1233}, {1250, 1251}, {1261, 1265}, {1270, 1270}, {1275, 1276}, {1280, 1286}, {1290, 1291},
    {1300, 1304}, {1307, 1307}, {1320, 1320}, {1490, 1490}, {1492, 1493},
    // Troops and inventories.
    {1505, 1512}, {1515, 1515}, {1520, 1523}, {1525, 1525}, {1528, 1544}, {1550, 1550}, {1560, 1561},
    {1570, 1570},
    // Parties.
    {1601, 1603}, {1605, 1605}, {1608, 1620}, {1623, 1623}, {1625, 1634}, {1639, 1645}, {1650, 1658},
    {1660, 1663}, {1665, 1667}, {1669, 1681}, {1685, 1685}, {1690, 1691}, {1694, 1698},
    // Mission agents.
    {1700, 1706}, {1708, 1711}, {1714, 1723}, {1726, 1729},
    // Arithmetic, fixed point and random numbers.
    {2071, 2072}, {2075, 2075}, {2105, 2117}, {2119, 2131}, {2133, 2136},
    // Mission agents, teams and battle orders.
    {1730, 1731}, {1735, 1743}, {1750, 1750}, {1770, 1772}, {1775, 1775}, {1780, 1780}, {1784, 1788},
    {1790, 1799},
    // Scene props, lights, particles and the mission's scene.
    {1810, 1811}, {1850, 1852}, {1855, 1855}, {1860, 1860}, {1890, 1890}, {1906, 1907}, {1910, 1912},
    {1920, 1920}, {1930, 1930}, {1935, 1936}, {1940, 1942}, {1950, 1950}, {1955, 1955}, {1960, 1960},
    {1965, 1965}, {1968, 1974},
    // Building tableaus.
    {1980, 1985}, {1987, 2000},
    // Mission camera, menu view and game texts.
    {2001, 2004}, {2010, 2018}, {2020, 2022}, {2031, 2032},
    // Conversation exit requests; troop, faction and party queries (2158 and
    // 2159 among them, whose counts the language leaves without a meaning).
    {2040, 2053}, {2055, 2056}, {2060, 2061}, {2149, 2149}, {2154, 2161}, {2165, 2165}, {2167, 2167},
    {2170, 2173}, {2175, 2176}, {2180, 2180}, {2190, 2190}, {2199, 2204}, {2211, 2211},
    // Random picks, party and quest queries, name texts and mission statistics.
    {2230, 2231}, {2240, 2240}, {2250, 2252}, {2254, 2255}, {2257, 2259}, {2261, 2263}, {2270, 2273},
    {2281, 2281}, {2290, 2294}, {2300, 2302}, {2310, 2311}, {2319, 2327}, {2330, 2330}, {2332, 2332},
    {2335, 2336}, {2340, 2344}, {2360, 2360}, {2370, 2372}, {2375, 2377}, {2380, 2385},
};

constexpr std::size_t table_size = opcode::last_operation + 1;

constexpr std::array<bool, table_size> make_defined_table() {
  std::array<bool, table_size> table{};
  for (const opcode_range& r : defined_ranges) {
    for (std::uint32_t n = r.first; n <= r.last && n < table_size; ++n) table[n] = true;
  }
  return table;
}

constexpr std::array<bool, table_size> defined_table = make_defined_table();

}  // namespace

bool is_defined_opcode(std::uint32_t number) { return number < table_size && defined_table[number]; }

}  // namespace hm
