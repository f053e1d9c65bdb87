#include "engine/core/xml_depth.h"

#include <gtest/gtest.h>

#include <string>

namespace hm {
namespace {

TEST(XmlNestingDepth, CountsElementsOnly) {
  struct depth_case {
    const char* text;
    int depth;
  };
  const depth_case cases[] = {
      {"", 0},
      {"<?xml version=\"1.0\"?><a/>", 1},
      {"<a><b/><b/></a>", 2},
      {"<a><b><c></c></b></a>", 3},
      {"<a><!-- <b><c><d> --></a>", 1},
      {"<!DOCTYPE x><a x=\"<b>\" y='/>'><c/></a>", 2},
      {"<a></a><a></a>", 1},
      {"</a></a><b>", 1},  // stray closings never count below zero
      {"<a><b", 2},        // an unfinished tag still opens a level
  };
  for (const depth_case& c : cases) EXPECT_EQ(xml_nesting_depth(c.text), c.depth) << c.text;
}

TEST(XmlNestingDepth, StopsPastTheLimit) {
  std::string deep;
  for (int i = 0; i < 100000; ++i) deep += "<a>";
  EXPECT_EQ(xml_nesting_depth(deep), max_xml_depth + 1);
  EXPECT_EQ(xml_nesting_depth(deep, 3), 4);
}

}  // namespace
}  // namespace hm
