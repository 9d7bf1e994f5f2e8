// The streaming reader: the same grammar as the JSON library it stands in
// for (checked against it on a corpus and on damaged variants of it), the
// walk through containers, numbers at their limits, and the value rules read
// the same from a scalar as from a value.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "TestEnvironment.hpp"
#include "util/JSONReader.hpp"
#include "util/Json.hpp"
#include "util/MappedFile.hpp"

namespace mv {
namespace {

// What the JSON library makes of the same bytes: a value when they are one
// valid object or array.
std::optional<base::Value> libraryValue(std::string_view text) {
  text = jsonText(text);
  base::Value v = base::Value::parse(text.begin(), text.end(), nullptr, false);
  if (v.is_discarded() || !(v.is_object() || v.is_array())) return std::nullopt;
  return v;
}

void expectSameAsLibrary(const std::string& text) {
  auto ours = JSONValue(text);
  auto theirs = libraryValue(text);
  ASSERT_EQ(ours.has_value(), theirs.has_value()) << text;
  if (ours) {
    // Same members in the same order, same kinds of numbers.
    EXPECT_EQ(ours->dump(), theirs->dump()) << text;
    EXPECT_EQ(*ours, *theirs) << text;
  }
}

const std::vector<std::string>& corpus() {
  static const std::vector<std::string> texts = {
      "{}", "[]", " [ ] ", "{\"a\":1}", "[1,2,3]", "[[[]]]", "[{}]",
      R"({"content":[[{"productID":1001,"productSKU":"SKU-1","price":248.63,"images":[{"imageID":1}]}],[]],)"
      R"("results":[{"status":"200","detail":"","message":""}]})",
      R"({"b":1,"a":2,"b":3})", R"({"k":{"k":{"k":null}}})", "[true,false,null]",
      R"(["\"\\\/\b\f\n\r\t"])", R"(["\u0041\u00e9\u4e2d\ud83d\ude00"])", R"(["\u0000"])",
      "[\"caf\xC3\xA9 \xE4\xB8\xAD \xF0\x9F\x98\x80\"]", "[\"\x7F\"]",
      "[0,-0,1,-1,0.5,-0.5,1e3,1E-3,1.5e+2,123456789012]",
      "[9223372036854775807,-9223372036854775808,18446744073709551615]",
      "[18446744073709551616,-9223372036854775809,1e308,1e-400]", "[1e309]", "[-1e400]",
      "[01]", "[1.]", "[.5]", "[-]", "[1e]", "[1e+]", "[+1]", "[0x10]", "[NaN]", "[Infinity]",
      "[1,]", "[,1]", "{\"a\":1,}", "{\"a\" 1}", "{a:1}", "{'a':1}", "{\"a\":}", "[\"a\",]", "[1 2]",
      "[\"\\x\"]", "[\"\\u12\"]", "[\"\\ud800\"]", "[\"\\udc00\"]", "[\"\\ud800\\u0041\"]", "[\"\\ud800x\"]",
      "[\"\t\"]", "[\"\x01\"]", "[\"\xC0\xAF\"]", "[\"\xED\xA0\x80\"]", "[\"\xF4\x90\x80\x80\"]",
      "[\"\xE0\x80\xAF\"]", "[\"\xF0\x8F\xBF\xBF\"]", "[\"\x80\"]", "[\"\xC3\"]", "[\"\xF5\x80\x80\x80\"]",
      "[tru]", "[truee]", "[nul]", "[null1]", "[true false]", "", " ", "[", "]", "{", "[1] [2]", "[1] x",
      "\"text\"", "3", "null", "[\"unterminated]", "{\"a\":[1,{\"b\":[2,{\"c\":3}]}]}", "\xEF\xBB\xBF[1]",
  };
  return texts;
}

TEST(JSONReader, AcceptsAndReadsExactlyWhatTheLibraryDoes) {
  for (const std::string& text : corpus()) expectSameAsLibrary(text);

  // Damaged variants of valid texts: bytes changed, dropped, doubled and cut
  // off, with bytes that matter to the grammar and to UTF-8.
  const std::string interesting = "{}[],:\"\\/-+.eE0123456789tfnulxu \t\n\x01\x7F\x80\xBF\xC3\xE0\xED\xF0\xF4\xFF";
  std::mt19937 random(20240229);
  int accepted = 0;
  for (const std::string& seed : corpus()) {
    if (!libraryValue(seed)) continue;
    for (int round = 0; round < 300; ++round) {
      std::string text = seed;
      const int edits = 1 + static_cast<int>(random() % 3);
      for (int e = 0; e < edits && !text.empty(); ++e) {
        const std::size_t at = random() % text.size();
        const char byte = interesting[random() % interesting.size()];
        switch (random() % 4) {
          case 0:
            text[at] = byte;
            break;
          case 1:
            text.erase(at, 1);
            break;
          case 2:
            text.insert(at, 1, byte);
            break;
          default:
            text.resize(at);
            break;
        }
      }
      // A leading mark is taken off once by both readers' callers; keep
      // texts from starting with a second one.
      if (!text.empty() && static_cast<unsigned char>(text[0]) == 0xEF) continue;
      SCOPED_TRACE(text);
      expectSameAsLibrary(text);
      if (HasFailure()) return;
      if (JSONValue(text)) ++accepted;
    }
  }
  // The damage left both valid and broken texts to compare.
  EXPECT_GT(accepted, 100);
}

TEST(JSONReader, WalksContainersAndSkipsWhatIsNotRead) {
  const std::string text =
      R"({"skip":{"deep":[1,[2,{"x":"y"}],"\"]"]},"rows":[{"id":1,"name":"a"},7,{"id":"2","extra":[1,2]}],)"
      R"("n\u0061me":"k\u00e9y","last":true})";
  JSONReader reader(text);
  ASSERT_TRUE(reader.beginObject());
  std::vector<std::string> keys;
  std::vector<std::int64_t> ids;
  int nonObjects = 0;
  std::string escapedKeyValue;
  while (auto key = reader.nextMember()) {
    keys.emplace_back(*key);
    if (*key == "rows") {
      ASSERT_TRUE(reader.beginArray());
      while (reader.nextElement()) {
        if (!reader.beginObject()) {
          ++nonObjects;
          continue;  // not read: stepped over
        }
        while (auto member = reader.nextMember()) {
          if (*member == "id") ids.push_back(intValue(reader.readScalar()));
        }
      }
    } else if (*key == "name") {
      escapedKeyValue = stringValue(reader.readScalar());
    }
  }
  EXPECT_TRUE(reader.finish());
  EXPECT_EQ(keys, (std::vector<std::string>{"skip", "rows", "name", "last"}));
  EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2}));
  EXPECT_EQ(nonObjects, 1);
  EXPECT_EQ(escapedKeyValue, "k\xC3\xA9y");

  // Containers come back by kind when read as scalars; an opener for the
  // wrong kind reads nothing.
  JSONReader kinds(R"([[1,2],{"a":[]},"t",null])");
  ASSERT_TRUE(kinds.beginArray());
  ASSERT_TRUE(kinds.nextElement());
  EXPECT_FALSE(kinds.beginObject());
  EXPECT_EQ(kinds.readScalar().kind, JSONScalar::Kind::array);
  ASSERT_TRUE(kinds.nextElement());
  EXPECT_EQ(kinds.readScalar().kind, JSONScalar::Kind::object);
  ASSERT_TRUE(kinds.nextElement());
  EXPECT_FALSE(kinds.beginArray());
  EXPECT_EQ(kinds.readScalar().text, "t");
  ASSERT_TRUE(kinds.nextElement());
  EXPECT_EQ(kinds.readScalar().kind, JSONScalar::Kind::null);
  EXPECT_FALSE(kinds.nextElement());
  EXPECT_TRUE(kinds.finish());

  // A text broken after the part that was read still fails as a whole, and
  // so does reading a value where there is none.
  JSONReader broken(R"({"a":1,"b":[1,2,}])");
  ASSERT_TRUE(broken.beginObject());
  ASSERT_TRUE(broken.nextMember());
  EXPECT_EQ(intValue(broken.readScalar()), 1);
  EXPECT_FALSE(broken.finish());
  EXPECT_EQ(broken.error(), kJSONErrorInvalid);
  EXPECT_FALSE(broken.errorReason().empty());
  EXPECT_FALSE(broken.nextMember());

  JSONReader misuse("[1]");
  ASSERT_TRUE(misuse.beginArray());
  misuse.readScalar();
  EXPECT_TRUE(misuse.failed());

  // An unread root, or one left open, is read to its end by finish.
  JSONReader unread(R"({"a":[1,{"b":2}]})");
  EXPECT_TRUE(unread.finish());
  JSONReader leftOpen(R"({"a":[1,{"b":2}]} x)");
  ASSERT_TRUE(leftOpen.beginObject());
  ASSERT_TRUE(leftOpen.nextMember());
  ASSERT_TRUE(leftOpen.beginArray());
  EXPECT_FALSE(leftOpen.finish());
}

// A text read from its file as the reader goes reads as its bytes do in
// memory (up to a NUL, without the mark), whatever stretch of it each read
// brings (a token cut anywhere), also past the pages the reader gave back,
// and read once more from the start.
TEST(JSONReader, AFileReadAsTheReaderGoesReadsAsItsBytesInMemory) {
  const std::filesystem::path dir = test::makeTempDir("mapped");
  const auto path = dir / "text.json";
  const auto write = [&](const std::string& bytes) { std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes; };
  std::vector<std::string> texts = corpus();
  texts.push_back(std::string("{\"a\":[1]}\0 not read", 19));
  for (const std::string& text : texts) {
    SCOPED_TRACE(text);
    write(text);
    const auto expected = JSONValue(text);
    for (const std::size_t stretch : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{5}, MappedFile::kStretch}) {
      SCOPED_TRACE(stretch);
      auto file = MappedFile::open(path, stretch);
      ASSERT_TRUE(file);
      JSONReader reader(*file);
      base::Value value = reader.readValue();
      const bool read = reader.finish() && (value.is_object() || value.is_array());
      ASSERT_EQ(read, expected.has_value());
      EXPECT_FALSE(file->changed());
      if (read) {
        EXPECT_EQ(value, *expected);
      }
    }
  }

  std::string rows = "[";
  constexpr int kRows = 300000;
  for (int i = 0; i < kRows; ++i) rows += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(i) + "}";
  write(rows + "]");
  auto file = MappedFile::open(path);
  ASSERT_TRUE(file);
  for (int pass = 0; pass < 2; ++pass) {
    JSONReader reader(*file);
    ASSERT_TRUE(reader.beginArray());
    std::int64_t sum = 0;
    while (reader.nextElement()) {
      ASSERT_TRUE(reader.beginObject());
      while (reader.nextMember()) sum += intValue(reader.readScalar());
    }
    EXPECT_TRUE(reader.finish());
    EXPECT_EQ(sum, std::int64_t{kRows} * (kRows - 1) / 2);
  }
  std::filesystem::remove_all(dir);
}

// A file that another program cuts short, or writes over, while it is read
// ends the reading with the reason, never the process; the rows read before
// are as they were.
TEST(JSONReader, AFileChangedWhileItIsReadFailsTheReading) {
  const std::filesystem::path dir = test::makeTempDir("changed");
  const auto path = dir / "rows.json";
  constexpr int kRows = 200000;
  std::string rows = "[";
  for (int i = 0; i < kRows; ++i) rows += (i ? ",{\"id\":" : "{\"id\":") + std::to_string(i) + ",\"name\":\"row\"}";
  rows += "]";
  ASSERT_GT(rows.size(), 3 * MappedFile::kStretch);
  for (const bool cut : {true, false}) {
    SCOPED_TRACE(cut ? "cut short" : "written over");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << rows;
    auto file = MappedFile::open(path);
    ASSERT_TRUE(file);
    JSONReader reader(*file);
    ASSERT_TRUE(reader.beginArray());
    int read = 0;
    for (; read < 1000 && reader.nextElement(); ++read) reader.skipValue();
    ASSERT_EQ(read, 1000);
    if (cut) {
      std::filesystem::resize_file(path, 4096);
    } else {
      // Its length kept, its time of writing moved on.
      std::fstream(path, std::ios::binary | std::ios::in | std::ios::out).write("[", 1);
      std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) + std::chrono::seconds(1));
    }
    while (reader.nextElement()) reader.skipValue();
    EXPECT_TRUE(reader.failed());
    EXPECT_FALSE(reader.finish());
    EXPECT_NE(reader.errorReason().find("the file changed while it was read"), std::string::npos) << reader.errorReason();
    EXPECT_TRUE(file->changed());
  }
  std::filesystem::remove_all(dir);
}

TEST(JSONReader, NumbersKeepTheirKindUpToTheirLimits) {
  JSONReader reader(
      "[9223372036854775807,-9223372036854775808,18446744073709551615,18446744073709551616,"
      "-9223372036854775809,-0,2.50,1e-400,0]");
  ASSERT_TRUE(reader.beginArray());
  std::vector<JSONScalar> n;
  while (reader.nextElement()) n.push_back(reader.readScalar());
  ASSERT_TRUE(reader.finish());
  ASSERT_EQ(n.size(), 9u);
  EXPECT_EQ(n[0].kind, JSONScalar::Kind::unsignedInteger);
  EXPECT_EQ(n[0].unsignedInteger, 9223372036854775807ULL);
  EXPECT_EQ(n[1].kind, JSONScalar::Kind::integer);
  EXPECT_EQ(n[1].integer, INT64_MIN);
  EXPECT_EQ(n[2].unsignedInteger, UINT64_MAX);
  EXPECT_EQ(n[3].kind, JSONScalar::Kind::real);
  EXPECT_EQ(n[3].real, 18446744073709551616.0);
  EXPECT_EQ(n[4].kind, JSONScalar::Kind::real);
  EXPECT_EQ(n[5].kind, JSONScalar::Kind::integer);
  EXPECT_EQ(stringValue(n[5]), "0");
  EXPECT_EQ(stringValue(n[6]), "2.5");
  EXPECT_EQ(n[7].real, 0.0);
  EXPECT_EQ(n[8].kind, JSONScalar::Kind::unsignedInteger);

  for (const char* bad : {"[1e309]", "[-1e309]", "[123456789e999]"}) {
    JSONReader overflow(bad);
    EXPECT_FALSE(overflow.finish()) << bad;
  }
}

TEST(JSONReader, ValueRulesReadScalarsAsTheyReadValues) {
  const std::string text =
      R"([null,true,false,0,-7,42,18446744073709551615,-9223372036854775808,2.5,-2.5,1e300,"12abc"," 7","3.25",)"
      R"("YES","no","",[1],{"a":1},"\u0031\u0032",1.0,100000000000000000000])";
  auto dom = JSONValue(text);
  ASSERT_TRUE(dom);
  JSONReader reader(text);
  ASSERT_TRUE(reader.beginArray());
  std::size_t i = 0;
  while (reader.nextElement()) {
    ASSERT_LT(i, dom->size());
    const base::Value& value = (*dom)[i++];
    const JSONScalar scalar = reader.readScalar();
    SCOPED_TRACE(value.dump());
    EXPECT_EQ(intValue(scalar), intValue(value));
    EXPECT_EQ(doubleValue(scalar), doubleValue(value));
    EXPECT_EQ(boolValue(scalar), boolValue(value));
    EXPECT_EQ(optionalString(scalar), optionalString(value));
  }
  EXPECT_EQ(i, dom->size());
  EXPECT_TRUE(reader.finish());
}

}  // namespace
}  // namespace mv
