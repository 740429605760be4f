#include "base/integer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace orx {
namespace {

struct ParseRow {
  std::string text;
  bool accepted;
  std::int32_t value;
};

TEST(ParseInteger, FollowsTheDecimalAndHexadecimalRules) {
  const std::vector<ParseRow> rows = {
      {"12", true, 12},
      {"   12", true, 12},
      {"12 ", false, 0},
      {"\t12", false, 0},
      {"+5", true, 5},
      {"-0", true, 0},
      {"007", true, 7},
      {"0", true, 0},
      {"2147483647", true, 2147483647},
      {"2147483648", false, 0},
      {"21474836470", false, 0},
      {"-2147483648", true, INT32_MIN},
      {"-2147483649", false, 0},
      {"4294967296", false, 0},
      {"99999999999", false, 0},
      {"$1F", true, 31},
      {"x1F", true, 31},
      {"X1F", true, 31},
      {"0x1F", true, 31},
      {"0X1f", true, 31},
      {"  $ff", true, 255},
      {"$7FFFFFFF", true, 2147483647},
      {"$80000000", true, INT32_MIN},
      {"$FFFFFFFF", true, -1},
      {"$FFFFFFFE", true, -2},
      {"$100000000", false, 0},
      {"$0000000001", true, 1},
      {"$00000000FFFFFFFF", true, -1},
      {"-$1", false, 0},
      {"-x1", false, 0},
      {"-0x1", false, 0},
      {"+$1", false, 0},
      {"$", false, 0},
      {"x", false, 0},
      {"0x", false, 0},
      {"-", false, 0},
      {"+", false, 0},
      {"$G", false, 0},
      {"1F", false, 0},
      {"1 2", false, 0},
      {"1-", false, 0},
      {"--1", false, 0},
      {"", false, 0},
      {"   ", false, 0},
      {std::string("1\0", 2), false, 0},
  };
  for (const ParseRow& row : rows) {
    SCOPED_TRACE("text \"" + row.text + "\"");
    std::int32_t value = 12345;
    EXPECT_EQ(ParseInteger(row.text, &value), row.accepted);
    EXPECT_EQ(value, row.accepted ? row.value : 12345) << "a failure must leave the value";
  }
}

}  // namespace
}  // namespace orx
