#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "finder/app/findings/FindingText.h"

namespace {

constexpr const char* kTree = "/work/tree";

}  // namespace

TEST(FindingText, EscapingForEachFormat) {
  const std::string nasty = "a\"b\\c\td\x1b[2Je\x7f" "f\xC2\x85g\xFFh中";
  std::string json;
  findings::AppendJsonString(json, nasty);
  EXPECT_EQ(json, "\"a\\\"b\\\\c\\td\\u001B[2Je\\u007Ff\\u0085g\xEF\xBF\xBDh中\"");
  EXPECT_TRUE(nlohmann::json::accept(json));

  std::string terminal;
  findings::AppendTerminalSafe(terminal, nasty);
  EXPECT_EQ(terminal, "a\"b\\c\\x09d\\x1B[2Je\\x7Ff\\x85g\\xFFh中");

  std::string uri;
  findings::AppendPercentEncoded(uri, "docs/页面 一.html?#%~");
  EXPECT_EQ(uri, "docs/%E9%A1%B5%E9%9D%A2%20%E4%B8%80.html%3F%23%25~");

  std::string data, property;
  findings::AppendWorkflowData(data, "50%:a,b\r\n中");
  findings::AppendWorkflowProperty(property, "50%:a,b\r\n中");
  EXPECT_EQ(data, "50%25:a,b%0D%0A中");
  EXPECT_EQ(property, "50%25%3Aa%2Cb%0D%0A中");

  // Overlong forms, surrogates and cut sequences are not UTF-8.
  EXPECT_TRUE(findings::IsValidUtf8("中文 \xF0\x9F\x98\x80"));
  EXPECT_FALSE(findings::IsValidUtf8("\xC0\xAF"));
  EXPECT_FALSE(findings::IsValidUtf8("\xED\xA0\x80"));
  EXPECT_FALSE(findings::IsValidUtf8("\xE4\xB8"));
}

TEST(FindingText, PathsRelativeToTheCurrentFolder) {
  EXPECT_EQ(findings::RelativePath("docs/a.html", kTree), "docs/a.html");
  EXPECT_EQ(findings::RelativePath("./docs//x/../a.html", kTree), "docs/a.html");
  EXPECT_EQ(findings::RelativePath("/work/tree/docs/a.html", kTree), "docs/a.html");
  EXPECT_EQ(findings::RelativePath("/work/tree/./docs/a.html", "/work/tree/"), "docs/a.html");
  EXPECT_EQ(findings::RelativePath("/work/other/a.html", kTree), "../other/a.html");
  EXPECT_EQ(findings::RelativePath("/a.html", "/"), "a.html");
}
