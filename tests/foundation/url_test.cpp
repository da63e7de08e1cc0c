#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "foundation/url.hpp"

namespace foundation {
namespace {

struct Parts {
  const char* text;
  const char* scheme;
  std::optional<std::string> host;
  const char* path;
  std::optional<std::string> query;
  std::optional<std::string> fragment;
};

TEST(URL, absoluteUrlsSplitIntoTheirParts) {
  const auto none = std::nullopt;
  const Parts cases[] = {
      {"pocketta://add-income", "pocketta", "add-income", "", none, none},
      {"pocketta://add-expense", "pocketta", "add-expense", "", none, none},
      {"https://user:pw@example.com:8443/a/b%20c?x=1&y=2#top", "https", "example.com", "/a/b%20c",
       "x=1&y=2", "top"},
      {"http://[::1]:80/p", "http", "::1", "/p", none, none},
      {"x://a?#", "x", "a", "", "", ""},
      {"x://a/?q?r#f?/g", "x", "a", "/", "q?r", "f?/g"},
      {"file:///etc/hosts", "file", "", "/etc/hosts", none, none},
      {"mailto:someone@example.com", "mailto", none, "someone@example.com", none, none},
      {"urn:isbn:0451450523", "urn", none, "isbn:0451450523", none, none},
      {"HTTP://Example.COM/%41", "HTTP", "Example.COM", "/%41", none, none},
      {"a+b.c-d:", "a+b.c-d", none, "", none, none},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const auto url = URL::string(c.text);
    ASSERT_TRUE(url.has_value());
    EXPECT_EQ(url->absoluteString(), c.text);
    EXPECT_EQ(url->scheme(), c.scheme);
    EXPECT_EQ(url->host(), c.host);
    EXPECT_EQ(url->path(), c.path);
    EXPECT_EQ(url->query(), c.query);
    EXPECT_EQ(url->fragment(), c.fragment);
  }
  EXPECT_EQ(URL::string("pocketta://add-income"), URL::string("pocketta://add-income"));
  EXPECT_NE(URL::string("pocketta://add-income"), URL::string("pocketta://add-expense"));
}

TEST(URL, anythingButAValidAbsoluteUrlYieldsNothing) {
  using namespace std::string_literals;
  const std::string rejected[] = {
      "",
      " ",
      "add-income",
      "/add-income",
      "//add-income",
      "?q",
      "#f",
      "x://a#f#g",
      "pocketta://add income",
      " pocketta://add-income",
      "pocketta://add-income ",
      "pocketta://add-income\n",
      "pocketta://add-%zzincome",
      "pocketta://add-income%",
      "1http://x",
      "://x",
      "http://[::1/",
      "http://a:b:c/",
      "http://x/<>",
      "pocketta://add-\xC3\xA9",
      "pocketta://add-income\0evil"s,
      std::string(1 << 16, '%'),
  };
  for (const auto& text : rejected) {
    SCOPED_TRACE(text.substr(0, 40));
    EXPECT_EQ(URL::string(text), std::nullopt);
  }
}

}  // namespace
}  // namespace foundation
