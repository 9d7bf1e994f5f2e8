#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "util/Crypto.hpp"
#include "util/Money.hpp"
#include "util/PublicFunction.hpp"
#include "util/Text.hpp"

namespace mv {
namespace {

TEST(FormattingTest, MoneyRoundsBeforeGrouping) {
  EXPECT_EQ(PublicFunction::doubleFormate(999.995), "1,000.00");  // stored as 999.99499999...
  EXPECT_EQ(PublicFunction::doubleFormate(999.994), "999.99");
  EXPECT_EQ(PublicFunction::doubleFormate(999999.999), "1,000,000.00");
  EXPECT_EQ(PublicFunction::doubleFormate(1.005), "1.01");
  EXPECT_EQ(PublicFunction::doubleFormate(2.675), "2.68");
  EXPECT_EQ(PublicFunction::doubleFormate(0.005), "0.01");
  EXPECT_EQ(PublicFunction::doubleFormate(0.004), "0.00");
  EXPECT_EQ(PublicFunction::doubleFormate(1234567.891), "1,234,567.89");
  EXPECT_EQ(PublicFunction::doubleFormate(100), "100.00");
  EXPECT_EQ(PublicFunction::doubleFormate(0.1), "0.10");
  EXPECT_EQ(PublicFunction::doubleFormate(1e15), "1,000,000,000,000,000.00");
  EXPECT_EQ(PublicFunction::doubleFormate(0), "0.00");
  EXPECT_EQ(PublicFunction::doubleFormate(-0.0), "0.00");
  EXPECT_EQ(PublicFunction::doubleFormate(-12.5), "0.00");
  EXPECT_EQ(PublicFunction::doubleFormate(std::nan("")), "0.00");
  EXPECT_EQ(PublicFunction::doubleFormate(std::numeric_limits<double>::infinity()), "0.00");

  EXPECT_EQ(PublicFunction::intFormate(0), "0");
  EXPECT_EQ(PublicFunction::intFormate(-7), "0");
  EXPECT_EQ(PublicFunction::intFormate(1), "1");
  EXPECT_EQ(PublicFunction::intFormate(999), "999");
  EXPECT_EQ(PublicFunction::intFormate(1000), "1,000");
  EXPECT_EQ(PublicFunction::intFormate(123456), "123,456");
  EXPECT_EQ(PublicFunction::intFormate(1234567), "1,234,567");
  EXPECT_EQ(PublicFunction::intFormate(std::numeric_limits<std::int64_t>::max()), "9,223,372,036,854,775,807");

  // what editing does to a shown amount: the grouping goes, the number stays
  EXPECT_EQ(PublicFunction::stringRemoveTag(PublicFunction::doubleFormate(1234567.5), ","), "1234567.50");
  EXPECT_EQ(PublicFunction::stringRemoveTag("aaaa", "aa"), "");
  EXPECT_EQ(PublicFunction::stringRemoveTag("aaa", "aa"), "a");
  EXPECT_EQ(PublicFunction::stringRemoveTag("abc", ""), "abc");
  EXPECT_FALSE(PublicFunction::stringRemoveTag(std::nullopt, ",").has_value());
  EXPECT_FALSE(PublicFunction::stringRemoveTag("1,000", std::nullopt).has_value());
  EXPECT_DOUBLE_EQ(PublicFunction::absoluteDiscountRatFromShown(PublicFunction::shownDiscountRatFromAbsolute(87.5)),
                   87.5);
}

// Computed amounts are what a person computing by hand writes: the decimal
// product, rounded to cents half away from zero.
TEST(FormattingTest, ComputedAmountsRoundInDecimalAtTies) {
  struct Case {
    double a, b;
    double product;      // a x b in cents
    double percent;      // a x b / 100 in cents
  };
  const std::vector<Case> cases = {
      {1.005, 7, 7.04, 0.07},        // 7.035: the binary product is 7.03499999...
      {7, 1.005, 7.04, 0.07},
      {0.335, 3, 1.01, 0.01},        // 1.005
      {2.675, 1, 2.68, 0.03},        // 0.02675
      {0.005, 1, 0.01, 0},
      {0.004, 1, 0, 0},
      {1.015, 10, 10.15, 0.1},       // exact at cents already
      {0.1, 3, 0.3, 0},
      {100, 33.333, 3333.3, 33.33},
      {1025, 50, 51250, 512.5},
      {2.05, 50, 102.5, 1.03},       // 1.025 rounds up
      {-1.005, 7, -7.04, -0.07},     // half away from zero on both sides
      {0, 5, 0, 0},
      {1e15, 3, 3e15, 3e13},         // large but exact in cents
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.a) + " x " + std::to_string(c.b));
    EXPECT_EQ(moneyProduct(c.a, c.b), c.product);
    EXPECT_EQ(moneyPercent(c.a, c.b), c.percent);
  }
  EXPECT_EQ(PublicFunction::doubleFormate(moneyProduct(7, 1.005)), "7.04");
  // A sum of cent amounts rounds its binary noise away.
  EXPECT_EQ(moneyRounded(0.1 + 0.2), 0.3);
  EXPECT_EQ(moneyRounded(1.005), 1.01);
  // Beyond the exact range the binary product is rounded; nothing fails.
  EXPECT_EQ(moneyProduct(1e300, 10), 1e301);
  EXPECT_TRUE(std::isnan(moneyProduct(std::nan(""), 2)));
  EXPECT_EQ(moneyProduct(1e-300, 1e-300), 0);
}

TEST(FormattingTest, CurrencySymbolsFallBackToDollar) {
  const std::vector<std::pair<const char*, const char*>> table = {
      {"USD", "$"},   {"CAD", "C$"}, {"AUD", "A$"}, {"NZD", "NZ$"}, {"HKD", "HK$"}, {"SGD", "S$"},
      {"TWD", "NT$"}, {"CNY", "¥"},  {"RMB", "¥"},  {"JPY", "¥"},   {"EUR", "€"},   {"GBP", "£"},
      {"CHF", "CHF"}, {"KRW", "₩"},  {"INR", "₹"},  {"RUB", "₽"},   {"THB", "฿"},   {"MYR", "RM"},
  };
  for (const auto& [code, symbol] : table) EXPECT_EQ(PublicFunction::flagWithCurrency(code), symbol) << code;
  EXPECT_EQ(PublicFunction::flagWithCurrency(" eur "), "€");
  EXPECT_EQ(PublicFunction::flagWithCurrency("XYZ"), "$");
  EXPECT_EQ(PublicFunction::flagWithCurrency(""), "$");
  EXPECT_EQ(PublicFunction::flagWithCurrency("EURO"), "$");
}

TEST(FormattingTest, TextRules) {
  EXPECT_EQ(trimWhitespace(" \tab c\n \t"), "ab c\n");
  EXPECT_EQ(trimWhitespaceAndNewlines(" \r\n\tab c\n \t"), "ab c");
  EXPECT_TRUE(isBlank(""));
  EXPECT_TRUE(isBlank(" \t "));
  EXPECT_FALSE(isBlank(" x "));
  // Blank is Unicode white space, whatever the width: an ideographic space,
  // a no-break space, line ends; nothing else (no invalid byte either).
  EXPECT_TRUE(isBlank("\u3000"));
  EXPECT_TRUE(isBlank("\u00A0 \n\u2003"));
  EXPECT_FALSE(isBlank("\u3000x"));
  EXPECT_FALSE(isBlank("\u200B"));  // zero-width space is no white space
  EXPECT_FALSE(isBlank(std::string("\xFF", 1)));
  EXPECT_EQ(trimUnicodeWhitespace("\u3000 北京\u3000"), "北京");
  // Sentences: a space after a Latin full stop, none after a Chinese one.
  EXPECT_EQ(joinSentences("Not found.", "Try again."), "Not found. Try again.");
  EXPECT_EQ(joinSentences("未找到。", "请重试。"), "未找到。请重试。");
  EXPECT_EQ(joinSentences("为什么？", "请重试。"), "为什么？请重试。");
  EXPECT_EQ(joinSentences("停止！", "Retry"), "停止！Retry");
  EXPECT_EQ(joinSentences("", "Try again."), "Try again.");
  EXPECT_EQ(joinSentences("Not found.", " "), "Not found.");
  EXPECT_EQ(trimUnicodeWhitespace(" a b\u00A0"), "a b");
  EXPECT_EQ(trimUnicodeWhitespace("\u3000"), "");
  EXPECT_EQ(withoutUnicodeWhitespace(" a\u3000b c\n"), "abc");
  // Search form: composed and decomposed texts meet, and case never matters.
  EXPECT_EQ(foldForSearch("Cafe\u0301"), foldForSearch("Café"));
  EXPECT_EQ(foldForSearch("CAFÉ"), "café");
  EXPECT_EQ(foldForSearch("Straße"), foldForSearch("STRASSE"));
  EXPECT_EQ(foldForSearch("ABC-1"), "abc-1");
  EXPECT_EQ(foldForSearch(""), "");
  // Full-width letters and digits meet their ASCII forms.
  EXPECT_EQ(foldForSearch("ＩＢＭ中国"), "ibm中国");
  EXPECT_NE(foldForSearch("ＩＢＭ中国").find(foldForSearch("ibm")), std::string::npos);
  EXPECT_EQ(foldForSearch("１号店"), "1号店");

  EXPECT_EQ(caseInsensitiveCompare("Straße", "STRASSE"), 0);
  EXPECT_LT(caseInsensitiveCompare("apple", "Banana"), 0);
  EXPECT_GT(caseInsensitiveCompare("Ωmega", "alpha"), 0);
  EXPECT_TRUE(equalsIgnoringCase("ÆRØ", "ærø"));
  EXPECT_TRUE(containsIgnoringCase("Ærø Trading Ltd", "RØ TRAD"));
  EXPECT_FALSE(containsIgnoringCase("Ærø", "x"));
  EXPECT_FALSE(containsIgnoringCase("abc", ""));
  EXPECT_TRUE(equalsIgnoringCase(std::string("\xff\xfe"), std::string("\xff\xfe")));  // invalid UTF-8 survives

  EXPECT_EQ(lowercase("ÀBÇ-Ab"), "àbç-ab");
  EXPECT_EQ(uppercase("àbç"), "ÀBÇ");
  EXPECT_EQ(lowercase("TITLE"), "title");  // root locale: no dotless i
  EXPECT_EQ(asciiLowercase("ÀcMe"), "Àcme");

  EXPECT_EQ(percentEscapeQueryValue("a b&c=d/é"), "a%20b%26c%3Dd%2F%C3%A9");
  EXPECT_EQ(percentEscapeURL("http://h:1/p q?x=1&y=%;#f"), "http://h:1/p%20q?x=1&y=%25;#f");
  // Decoding undoes escaping and keeps stray or cut-off escapes as they are.
  EXPECT_EQ(percentDecode(percentEscapeQueryValue("a b&c=d/é")), "a b&c=d/é");
  EXPECT_EQ(percentDecode("My%20Chapter%2Exhtml"), "My Chapter.xhtml");
  EXPECT_EQ(percentDecode("100%"), "100%");
  EXPECT_EQ(percentDecode("%zz%4"), "%zz%4");
  EXPECT_EQ(percentDecode("%4a%4A"), "JJ");
}

// Text from the store is valid UTF-8: each ill-formed part reads as U+FFFD,
// everything else as it was.
TEST(FormattingTest, InvalidUtf8IsReplacedAndValidTextKept) {
  const std::string fffd = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> table[] = {
      {"", ""},
      {"Plain ASCII", "Plain ASCII"},
      {"北京 Café 😀", "北京 Café 😀"},
      {std::string("nul\0in", 6), std::string("nul\0in", 6)},
      {"Bad \xFF name", "Bad " + fffd + " name"},
      {"cut \xE4\xB8", "cut " + fffd},               // a three-byte sequence cut short
      {"\xC0\xAF overlong", fffd + fffd + " overlong"},  // an overlong "/"
      {"\xED\xA0\x80 surrogate", fffd + fffd + fffd + " surrogate"},
      {"\x80\x80", fffd + fffd},
  };
  for (const auto& [in, out] : table) EXPECT_EQ(validUtf8(in), out) << in;
}

TEST(FormattingTest, DigestsUnderTheApplicationsNames) {
  EXPECT_EQ(PublicFunction::encryptMD5("abc"), "900150983CD24FB0D6963F7D28E17F72");
  EXPECT_EQ(md5Hex("abc", HexCase::Lower), "900150983cd24fb0d6963f7d28e17f72");
  auto sealed = PublicFunction::TripleDES("pässword 1", kTripleDESEncrypt);
  ASSERT_TRUE(sealed.has_value());
  EXPECT_NE(*sealed, "pässword 1");
  EXPECT_EQ(PublicFunction::TripleDES(*sealed, kTripleDESDecrypt), "pässword 1");
  EXPECT_FALSE(PublicFunction::TripleDES("%%%", kTripleDESDecrypt).has_value());
}

}  // namespace
}  // namespace mv
