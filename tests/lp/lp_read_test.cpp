// LP reader: sections, relations, ranged constraints, bounds, integer declarations, names and bad input.
#include <cmath>
#include <string>

#include "lp_fixture.h"

using LpRead = LpTest;

TEST_F(LpRead, Smoke) {
  ASSERT_EQ(read("\\ comment\nmaximize\n obj: 2 x + 3y - z\nsubject to\n c1: x + y <= 4\n c2: -3 <= x - z <= 5\nbounds\n x <= 10\n z free\nend\n"), ZRV_RES_OK) << err_.text;
  std::string text;
  ASSERT_EQ(write(&text), ZRV_RES_OK) << err_.text;
  std::cout << text;
}
