#include <gtest/gtest.h>

#include "foundation/localized_strings.hpp"

namespace {

TEST(StringTable, parsesPairsCommentsAndEscapes) {
  const auto table = foundation::StringTable::parse(
      "\xEF\xBB\xBF/* a comment */\n"
      "\"A\" = \"a\";\n"
      "// a line comment\n"
      "\"quote \\\" and \\\\\" = \"line\\nbreak\\ttab\";\n"
      "\"unicode\" = \"\\u042F\\u00e9\\uD83D\\uDCB0\\uD83D!\";\n"
      "\"broken\" = ;\n"
      "\"after broken\"=\"still read\";"
      "\"A\" = \"last wins\";\n"
      "\"unterminated\" = \"no end");
  EXPECT_EQ(table.lookup("A"), "last wins");
  EXPECT_EQ(table.lookup("quote \" and \\"), "line\nbreak\ttab");
  // An escaped surrogate pair is one character; a lone surrogate U+FFFD.
  EXPECT_EQ(table.lookup("unicode"), "Яé\U0001F4B0\uFFFD!");
  EXPECT_EQ(table.lookup("broken"), std::nullopt);
  EXPECT_EQ(table.lookup("after broken"), "still read");
  EXPECT_EQ(table.lookup("unterminated"), std::nullopt);
  EXPECT_EQ(table.size(), 4u);
  // Garbage yields an empty table, never a crash.
  EXPECT_TRUE(foundation::StringTable::parse("\"\\u12").empty());
  EXPECT_TRUE(foundation::StringTable::parse(std::string("\0\0\"=;", 5)).empty());
}

TEST(LocalizedStrings, picksTheTableForTheLanguageElseTheKey) {
  foundation::LocalizedStrings strings;
  strings.add("en", foundation::StringTable::parse(R"("k" = "english";)"));
  strings.add("ru", foundation::StringTable::parse(R"("k" = "русский";)"));
  strings.add("zh-Hans", foundation::StringTable::parse(R"("k" = "简体";)"));
  strings.add("pt-BR", foundation::StringTable::parse(R"("k" = "brasileiro";)"));
  // A language without a table falls to the user's next language, then to the development
  // language: never to the keys, which are in another language.
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"en_US"}, "english"}, {{"en_US_POSIX"}, "english"},
      {{"en_GB"}, "english"}, {{"ru_RU"}, "русский"},
      {{"zh_CN"}, "简体"},    {{"zh_Hans_SG"}, "简体"},
      {{"zh_TW"}, "english"}, {{"pt_BR"}, "brasileiro"},
      {{"pt_PT"}, "english"}, {{"de_DE", "ru_RU"}, "русский"},
      {{}, "english"},
  };
  for (const auto& [languages, expected] : cases) {
    EXPECT_EQ(strings.localized("k", languages), expected) << testing::PrintToString(languages);
  }
  EXPECT_EQ(strings.localized("missing", foundation::Locale("en_US")), "missing");
}

TEST(LocalizedStrings, theShippedTablesTranslateTheWidgetsTexts) {
  const auto strings = foundation::LocalizedStrings::load(
      std::filesystem::path(POCKETTA_SOURCE_DIR) / "resources/strings");
  const std::string name = "Лимрада";
  const std::string description = "Баланс и быстрые доходы или расходы.";
  EXPECT_EQ(strings.localized(name, foundation::Locale("ru_RU")), name);
  EXPECT_EQ(strings.localized(description, foundation::Locale("ru_RU")), description);
  EXPECT_NE(strings.localized(description, foundation::Locale("zh_CN")), description);
  EXPECT_NE(strings.localized(description, foundation::Locale("zh_TW")),
            strings.localized(description, foundation::Locale("zh_CN")));
  // Every table holds both keys (and there are eight).
  EXPECT_EQ(strings.languageTags().size(), 8u);
  for (const auto& tag : strings.languageTags()) {
    EXPECT_NE(strings.localized(name, foundation::Locale(tag)), "") << tag;
    EXPECT_NE(strings.tableFor(foundation::Locale(tag))->lookup(description), std::nullopt) << tag;
  }
  EXPECT_TRUE(foundation::LocalizedStrings::load("/nonexistent/folder").languageTags().empty());
}

}  // namespace
