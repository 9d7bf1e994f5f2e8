#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "util/SearchTextIndex.hpp"

namespace mv::test {
namespace {

// Documents of fields, indexed.
SearchTextIndex indexOf(const std::vector<std::vector<std::string>>& documents) {
  SearchTextIndex index;
  for (const auto& fields : documents) {
    index.beginDocument();
    for (const auto& f : fields) index.addField(f);
  }
  return index;
}

std::vector<std::size_t> holding(const SearchTextIndex& index, const std::string& needle) {
  std::vector<std::size_t> out;
  const auto hit = index.documentsHolding(needle);
  for (std::size_t i = 0; i < hit.size(); ++i)
    if (hit[i]) out.push_back(i);
  return out;
}

TEST(SearchTextIndexTest, FindsTextWithinOneFieldOfADocument) {
  const auto index = indexOf({{"apple trading", "springfield"}, {"北京贸易", "北京"}, {"pear", "le"}, {}});
  ASSERT_EQ(index.documentCount(), 4u);
  EXPECT_EQ(holding(index, "apple"), (std::vector<std::size_t>{0}));
  EXPECT_EQ(holding(index, "field"), (std::vector<std::size_t>{0}));
  EXPECT_EQ(holding(index, "北京"), (std::vector<std::size_t>{1}));
  EXPECT_EQ(holding(index, "贸"), (std::vector<std::size_t>{1}));  // bytes of one character
  EXPECT_EQ(holding(index, "e"), (std::vector<std::size_t>{0, 2}));
  // Across the end of one field and the start of the next: no match.
  EXPECT_TRUE(holding(index, "tradingspring").empty());
  EXPECT_TRUE(holding(index, "pearle").empty());
  EXPECT_TRUE(holding(index, std::string("pear") + SearchTextIndex::kFieldEnd + "le").empty());
  // Across documents neither.
  EXPECT_TRUE(holding(index, "fieldbei").empty());
  EXPECT_TRUE(holding(index, "orange").empty());
  // The empty text is in every document.
  EXPECT_EQ(holding(index, ""), (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_EQ(index.text().substr(index.beginOf(2), 5), std::string("pear") + SearchTextIndex::kFieldEnd);
  EXPECT_EQ(index.beginOf(4), index.text().size());
}

TEST(SearchTextIndexTest, AgreesWithAPlainSearchOverManyDocuments) {
  // More documents than one word of the index holds, with texts that share
  // most of their byte pairs, so that the index narrows without deciding.
  std::vector<std::vector<std::string>> documents;
  for (int i = 0; i < 300; ++i) {
    documents.push_back({"customer " + std::to_string(i * 7919 % 1000), i % 3 ? "长安街 " + std::to_string(i) : "",
                         "contact" + std::to_string(i) + "@example.com"});
  }
  const auto index = indexOf(documents);
  for (const std::string needle : {"customer 1", "79", "长安街 2", "e.c", "ple.com", "9@", "街 29", "x", "zz"}) {
    std::vector<std::size_t> expected;
    for (std::size_t d = 0; d < documents.size(); ++d) {
      bool found = false;
      for (const auto& f : documents[d]) found = found || f.find(needle) != std::string::npos;
      if (found) expected.push_back(d);
    }
    EXPECT_EQ(holding(index, needle), expected) << needle;
  }
}

TEST(SearchTextIndexTest, ClearedIndexHoldsNothingAndIsReused) {
  auto index = indexOf({{"alpha"}, {"beta"}});
  index.clear();
  EXPECT_EQ(index.documentCount(), 0u);
  EXPECT_TRUE(holding(index, "alpha").empty());
  index.beginDocument();
  index.addField("gamma");
  EXPECT_EQ(holding(index, "amm"), (std::vector<std::size_t>{0}));
  EXPECT_TRUE(holding(index, "alpha").empty());
}

}  // namespace
}  // namespace mv::test
