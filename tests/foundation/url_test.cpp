#include "foundation/url.hpp"

#include <gtest/gtest.h>

#include <string>

namespace foundation {
namespace {

// scheme|host|path|query|fragment, with "-" for a part that is absent.
std::string parts(const URL& url) {
  const auto part = [](const std::optional<std::string>& text) { return text.value_or("-"); };
  return url.scheme() + "|" + part(url.host()) + "|" + url.path() + "|" + part(url.query()) + "|" +
         part(url.fragment());
}

TEST(URL, absoluteUrlsSplitIntoTheirPartsAndAnythingElseYieldsNothing) {
  const std::pair<const char*, const char*> accepted[] = {
      {"pocketta://add-income", "pocketta|add-income||-|-"},
      {"https://user:pw@example.com:8443/a/b%20c?x=1&y=2#top",
       "https|example.com|/a/b%20c|x=1&y=2|top"},
      {"http://[::1]:80/p", "http|::1|/p|-|-"},
      {"x://a?#", "x|a|||"},
      {"file:///etc/hosts", "file||/etc/hosts|-|-"},
      {"mailto:someone@example.com", "mailto|-|someone@example.com|-|-"},
      {"a+b.c-d:", "a+b.c-d|-||-|-"}};
  for (const auto& [text, expected] : accepted) {
    const auto url = URL::string(text);
    ASSERT_TRUE(url.has_value()) << text;
    EXPECT_EQ(url->absoluteString(), text);
    EXPECT_EQ(parts(*url), expected);
  }
  for (const char* text :
       {"", " ", "add-income", "/add-income", "//add-income", "?q", "#f", "x://a#f#g",
        "pocketta://add income", " pocketta://add-income", "pocketta://add-income ",
        "pocketta://add-%zzincome", "pocketta://add-income%", "1http://x", "://x", "http://[::1/",
        "http://a:b:c/", "http://x/<>", "pocketta://add-\xC3\xA9"}) {
    EXPECT_EQ(URL::string(text), std::nullopt) << text;
  }
  EXPECT_EQ(URL::string(std::string("pocketta://add-income\0evil", 26)), std::nullopt);
  EXPECT_EQ(URL::string(std::string(1 << 16, '%')), std::nullopt);
  EXPECT_EQ(URL::string("pocketta://add-income\n"), std::nullopt);
}

}  // namespace
}  // namespace foundation
