#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "util/Regex.hpp"
#include "util/RegexCache.hpp"

namespace mv {
namespace {

TEST(Regex, AnywhereWholeAndStart) {
  auto digits = Regex::make("[0-9]+");
  ASSERT_TRUE(digits);
  EXPECT_TRUE(digits->find("ab12cd"));
  EXPECT_FALSE(digits->matches("ab12cd"));
  EXPECT_TRUE(digits->matches("12"));
  EXPECT_FALSE(digits->lookingAt("ab12"));
  EXPECT_TRUE(digits->lookingAt("12ab"));
  EXPECT_FALSE(digits->find(""));

  // The price validator must refuse a single decimal.
  auto price = Regex::make("^([0-9]{1}[0-9]*(\\.[0-9]{2})?)$", Regex::kMultiline);
  ASSERT_TRUE(price);
  EXPECT_TRUE(price->matches("12.50"));
  EXPECT_TRUE(price->matches("7"));
  EXPECT_FALSE(price->matches("12.5"));
  EXPECT_FALSE(price->matches(".50"));

  // Multi-line anchors match at line ends only when asked for.
  auto letters = Regex::make("^[a-zA-Z]*$");
  auto lettersByLine = Regex::make("^[a-zA-Z]+$", Regex::kMultiline);
  ASSERT_TRUE(letters && lettersByLine);
  EXPECT_FALSE(letters->find("abc\n123"));
  EXPECT_TRUE(lettersByLine->find("123\nabc"));
  EXPECT_FALSE(lettersByLine->matches("123\nabc"));

  auto caseless = Regex::make("^hello$", Regex::kCaseInsensitive);
  ASSERT_TRUE(caseless);
  EXPECT_TRUE(caseless->matches("HeLLo"));
  auto dotAll = Regex::make("a.b", Regex::kDotAll);
  ASSERT_TRUE(dotAll);
  EXPECT_TRUE(dotAll->matches("a\nb"));
  EXPECT_FALSE(Regex::make("a.b")->matches("a\nb"));
}

TEST(Regex, CapturesAndReplaceOnUtf8) {
  auto re = Regex::make("(a)(x)?(b)");
  ASSERT_TRUE(re);
  auto groups = re->captures("zzab");
  ASSERT_TRUE(groups);
  ASSERT_EQ(groups->size(), 4u);
  EXPECT_EQ((*groups)[0], "ab");
  EXPECT_EQ((*groups)[1], "a");
  EXPECT_FALSE((*groups)[2]);
  EXPECT_EQ((*groups)[3], "b");
  EXPECT_FALSE(re->captures("none"));

  // Offsets are in characters, not bytes: multi-byte text is cut correctly.
  auto accents = Regex::make("(\xC3\xA9+)(.)");
  ASSERT_TRUE(accents);
  auto cut = accents->captures("x\xC3\xA9\xC3\xA9\xE4\xB8\xADy");
  ASSERT_TRUE(cut);
  EXPECT_EQ((*cut)[1], "\xC3\xA9\xC3\xA9");
  EXPECT_EQ((*cut)[2], "\xE4\xB8\xAD");

  auto swap = Regex::make("(\\w+)@(\\w+)");
  ASSERT_TRUE(swap);
  EXPECT_EQ(swap->replaceAll("mail ann@home and bo@work", "$2 at $1 \\$"), "mail home at ann $ and work at bo $");
  auto number = Regex::make("[0-9]+");
  EXPECT_EQ(number->replaceAll("caf\xC3\xA9 12 na\xC3\xAFve 3", "#"), "caf\xC3\xA9 # na\xC3\xAFve #");
  EXPECT_EQ(number->replaceAll("no digits", "#"), "no digits");
  EXPECT_EQ(number->replaceAll("", "#"), "");
  EXPECT_EQ(number->replaceAll("123", ""), "");
  base::Error error;
  EXPECT_FALSE(number->replaceAll("a1", "$9", &error));
  EXPECT_EQ(error.domain, kICURegexErrorDomain);
}

TEST(Regex, SignUpChecksAndBadPatterns) {
  const char* companyId = "^[A-Za-z0-9_]{3,}$";
  EXPECT_TRUE(isMatchedByRegex("abc_1", companyId));
  EXPECT_FALSE(isMatchedByRegex("ab", companyId));
  EXPECT_FALSE(isMatchedByRegex("a b c", companyId));
  EXPECT_FALSE(isMatchedByRegex("", companyId));
  const char* email = "\\b([a-zA-Z0-9%_.+\\-]+)@([a-zA-Z0-9.\\-]+?\\.[a-zA-Z]{2,6})\\b";
  EXPECT_TRUE(isMatchedByRegex("write to john.doe@example.com today", email));
  EXPECT_FALSE(isMatchedByRegex("john.doe@example", email));
  EXPECT_TRUE(isMatchedByRegex("", "^$"));

  base::Error error;
  EXPECT_FALSE(Regex::make("(unclosed", Regex::kNone, &error));
  EXPECT_EQ(error.domain, kICURegexErrorDomain);
  EXPECT_NE(error.code, 0);
  EXPECT_FALSE(error.failureReason.empty());
  base::Error viaCache;
  EXPECT_FALSE(isMatchedByRegex("anything", "[z-a]", &viaCache));
  EXPECT_EQ(viaCache.domain, kICURegexErrorDomain);
}

TEST(Regex, CacheFromSeveralThreads) {
  // A small cache makes the threads evict each other's patterns while they
  // match with them.
  RegexCache cache(3);
  const std::vector<std::string> patterns = {"^a+$", "^b+$", "^c+$", "^[0-9]{3}$", "^x.y$", "^(ab)+$"};
  const std::vector<std::string> hits = {"aaa", "bb", "c", "123", "x-y", "abab"};
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 400; ++i) {
        std::size_t k = static_cast<std::size_t>(t + i) % patterns.size();
        auto re = cache.regex(patterns[k]);
        auto other = RegexCache::shared().regex(patterns[(k + 1) % patterns.size()]);
        if (!re || !other || !re->matches(hits[k]) || re->matches(hits[(k + 1) % hits.size()]) ||
            !other->matches(hits[(k + 1) % hits.size()])) {
          ++wrong;
        }
        if (!isMatchedByRegex(hits[k], patterns[k])) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  EXPECT_LE(cache.size(), 3u);

  // One compiled pattern shared by several threads at once.
  auto shared = Regex::make("^([a-z]+)-([0-9]+)$");
  ASSERT_TRUE(shared);
  std::vector<std::thread> users;
  for (int t = 0; t < 8; ++t) {
    users.emplace_back([&, t] {
      for (int i = 0; i < 300; ++i) {
        std::string text = "id-" + std::to_string(t * 1000 + i);
        auto groups = shared->captures(text);
        if (!groups || (*groups)[2] != std::to_string(t * 1000 + i)) ++wrong;
      }
    });
  }
  for (auto& thread : users) thread.join();
  EXPECT_EQ(wrong.load(), 0);
  cache.clear();
  EXPECT_EQ(cache.size(), 0u);
}

}  // namespace
}  // namespace mv
