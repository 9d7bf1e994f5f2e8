#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <limits>
#include <string>

#include "util/Json.hpp"
#include "util/JSONReader.hpp"
#include "util/JsonWriter.hpp"

namespace mv {
namespace {

// An object of `count` members "m0", "m1", ... of the value 0.
std::string objectOf(std::size_t count) {
  std::string text = "{";
  for (std::size_t i = 0; i < count; ++i) text += (i ? ",\"m" : "\"m") + std::to_string(i) + "\":0";
  return text + "}";
}

std::string nested(int depth) { return std::string(static_cast<std::size_t>(depth), '[') + std::string(static_cast<std::size_t>(depth), ']'); }

TEST(Json, WriterEscapesAndKeepsOrder) {
  base::Value object = base::Value::object();
  object["zeta"] = std::string("q\"b\\s/\b\f\n\r\t\x01\x1f");
  object["alpha"] = "caf\xC3\xA9 \xE4\xB8\xAD";  // non-ASCII stays raw UTF-8
  object["yes"] = true;
  object["no"] = false;
  object["none"] = nullptr;
  object["list"] = base::Value::array({1, -2, 2.5, "x"});
  JsonWriter writer;
  auto text = writer.stringWithObject(object);
  ASSERT_TRUE(text);
  EXPECT_EQ(*text,
            "{\"zeta\":\"q\\\"b\\\\s/\\b\\f\\n\\r\\t\\u0001\\u001f\","
            "\"alpha\":\"caf\xC3\xA9 \xE4\xB8\xAD\",\"yes\":true,\"no\":false,\"none\":null,"
            "\"list\":[1,-2,2.5,\"x\"]}");
  // What is written reads back to the same value, in the same key order.
  auto back = JSONValue(*text);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, object);
  EXPECT_EQ(back->begin().key(), "zeta");

  // Roots other than containers, text that is not UTF-8 and numbers JSON
  // cannot hold are refused rather than written wrongly.
  EXPECT_FALSE(writer.stringWithObject(base::Value("text")));
  EXPECT_FALSE(writer.stringWithObject(base::Value(3)));
  EXPECT_FALSE(writer.stringWithObject(base::Value()));
  EXPECT_EQ(writer.error().domain, kJSONErrorDomain);
  EXPECT_FALSE(writer.stringWithObject(base::Value::array({std::string("\xFF\xFE")})));
  EXPECT_FALSE(writer.stringWithObject(base::Value::array({std::numeric_limits<double>::quiet_NaN()})));
  EXPECT_EQ(writer.stringWithObject(base::Value::array()), "[]");
  EXPECT_EQ(writer.stringWithObject(base::Value::object()), "{}");
}

// Single-precision values go out as the decimal a person typed, and read
// back as the same float.
TEST(Json, FloatsAreWrittenAsTheirShortestDecimal) {
  const std::pair<float, const char*> table[] = {
      {0.3f, "[0.3]"}, {0.25f, "[0.25]"}, {12.5f, "[12.5]"}, {0.1f, "[0.1]"}, {-7.7f, "[-7.7]"}, {100.0f, "[100.0]"},
      {0.0f, "[0.0]"},   {1e-7f, "[1e-07]"}, {3.4028235e38f, "[3.4028235e+38]"},
  };
  JsonWriter writer;
  for (const auto& [value, text] : table) {
    const double sent = floatForJson(value);
    EXPECT_EQ(static_cast<float>(sent), value) << text;
    EXPECT_EQ(writer.stringWithObject(base::Value::array({sent})), text) << text;
  }
  EXPECT_TRUE(std::isinf(floatForJson(std::numeric_limits<float>::infinity())));
}

TEST(Json, ReaderTakesExactlyTheGivenBytes) {
  // A byte-order mark is skipped.
  auto bom = JSONValue("\xEF\xBB\xBF{\"a\":1}");
  ASSERT_TRUE(bom);
  EXPECT_EQ((*bom)["a"], 1);

  // A reply buffer ends at its zero byte, whatever follows it.
  std::string withNul("{\"a\":[true]}\0garbage", 20);
  auto nul = JSONValue(withNul);
  ASSERT_TRUE(nul);
  EXPECT_EQ((*nul)["a"][0], true);

  // Only the bytes in the view are read.
  std::string buffer = "[1][2]";
  auto first = JSONValue(std::string_view(buffer).substr(0, 3));
  ASSERT_TRUE(first);
  EXPECT_EQ(*first, base::Value::array({1}));
  EXPECT_FALSE(JSONValue(buffer));

  // Keys keep the order of the text.
  auto ordered = JSONValue("{\"b\":1,\"a\":2,\"c\":3}");
  ASSERT_TRUE(ordered);
  std::string keys;
  for (auto it = ordered->begin(); it != ordered->end(); ++it) keys += it.key();
  EXPECT_EQ(keys, "bac");

  // Invalid text gives no value and an error in the codec's domain.
  for (const char* bad : {"", "{", "{\"a\":}", "[1,]", "nul", "{'a':1}", "[\"\xFF\"]", "[1] x"}) {
    base::Error error;
    EXPECT_FALSE(JSONValue(bad, &error)) << bad;
    EXPECT_EQ(error.domain, kJSONErrorDomain) << bad;
    EXPECT_EQ(error.code, kJSONErrorInvalid) << bad;
  }
  base::Error scalar;
  EXPECT_FALSE(JSONValue("3", &scalar));
  EXPECT_EQ(scalar.code, kJSONErrorNotContainer);
  EXPECT_FALSE(JSONValue("\"text\""));
}

TEST(Json, NestingLimit) {
  EXPECT_TRUE(JSONValue(nested(kJSONMaxDepth)));
  base::Error error;
  EXPECT_FALSE(JSONValue(nested(kJSONMaxDepth + 1), &error));
  EXPECT_EQ(error.domain, kJSONErrorDomain);
  EXPECT_EQ(error.code, kJSONErrorTooDeep);
  // A hostile reply far beyond the limit fails cleanly too.
  EXPECT_FALSE(JSONValue(nested(200000)));
  // Brackets inside strings (also after escaped quotes) are text, not nesting.
  std::string inString = "[\"\\\"" + std::string(2000, '[') + "\"]";
  auto value = JSONValue(inString);
  ASSERT_TRUE(value);
  EXPECT_EQ((*value)[0].get<std::string>().size(), 2001u);

  // The writer refuses what the reader would not take back.
  base::Value deep = base::Value::array();
  base::Value* inner = &deep;
  for (int i = 1; i < kJSONMaxDepth + 1; ++i) {
    inner->push_back(base::Value::array());
    inner = &(*inner)[0];
  }
  JsonWriter writer;
  EXPECT_FALSE(writer.stringWithObject(deep));
  (*inner) = 1;  // now exactly at the limit
  EXPECT_TRUE(writer.stringWithObject(deep));
}

// An object is read in one pass however many members it has, and what a
// text may make is bounded: a damaged or hostile reply is refused long
// before it takes the memory, or the time, of the whole process. The bounds
// are lowered here, with the texts; the bench reads them at full size.
TEST(Json, ObjectsOfManyMembersAndTextsOfManyValuesAreBounded) {
  const JSONBounds bounds{.maxMembers = 256, .mostBuilt = kJSONMostBuilt / 100};
  // As many members as an object may have, a name repeated once the object
  // is past a handful: read in order, the repeat taking the first place.
  std::string most = objectOf(bounds.maxMembers);
  most.back() = ',';
  most += R"("m5":"again","m200":[1]})";
  auto read = JSONValue(most, nullptr, bounds);
  ASSERT_TRUE(read);
  ASSERT_EQ(read->size(), bounds.maxMembers);
  EXPECT_EQ(read->begin().key(), "m0");
  EXPECT_EQ(std::next(read->begin(), 5).key(), "m5");
  EXPECT_EQ(std::prev(read->end()).key(), "m" + std::to_string(bounds.maxMembers - 1));
  EXPECT_EQ((*read)["m5"], "again");
  EXPECT_EQ((*read)["m200"], base::Value::array({1}));
  EXPECT_EQ((*read)["m201"], 0);
  // A small object keeps the same rule.
  auto small = JSONValue(R"({"a":1,"b":2,"a":{"c":3}})");
  ASSERT_TRUE(small);
  EXPECT_EQ(small->dump(), R"({"a":{"c":3},"b":2})");

  // One member more is too large, and so is a reply of one object of many
  // times that; without bounds of its own a reader keeps the product's.
  base::Error error;
  EXPECT_FALSE(JSONValue(objectOf(bounds.maxMembers + 1), &error, bounds));
  EXPECT_EQ(error.code, kJSONErrorTooLarge);
  EXPECT_FALSE(JSONValue(R"({"content":)" + objectOf(bounds.maxMembers * 12) + "}", &error, bounds));
  EXPECT_EQ(error.code, kJSONErrorTooLarge);
  EXPECT_FALSE(JSONValue(objectOf(kJSONMaxMembers + 1), &error));
  EXPECT_EQ(error.code, kJSONErrorTooLarge);

  // Each member's name is looked up among those before it in a few steps,
  // not by comparing it with each: a search of every name before it would
  // take members squared over two, forty times this bound.
  constexpr std::size_t kMany = 4096;
  std::string many = objectOf(kMany);
  many.back() = ',';
  many += R"("m4000":"again"})";
  JSONReader reader(many);
  const base::Value whole = reader.readValue();
  ASSERT_TRUE(reader.finish());
  ASSERT_EQ(whole.size(), kMany);
  EXPECT_EQ(whole["m4000"], "again");
  EXPECT_GT(reader.namesCompared(), kMany);
  EXPECT_LE(reader.namesCompared(), 4 * kMany * 12) << "log2 of the members is 12";

  // Empty objects under a hundredth of the transport's body limit would
  // make values of some forty times their text: refused as too large.
  std::string empties = "{},";
  while (empties.size() < (std::size_t{2} << 20)) empties += empties;
  empties = R"({"content":[)" + empties + "{}]}";
  EXPECT_FALSE(JSONValue(empties, &error, bounds));
  EXPECT_EQ(error.domain, kJSONErrorDomain);
  EXPECT_EQ(error.code, kJSONErrorTooLarge);
  empties = std::string();

  // A table of a thousand rows of a dozen members is read whole within a
  // hundredth of the bound: one of a hundred thousand within the whole.
  std::string table = R"({"content":[)";
  for (int i = 0; i < 1000; ++i) {
    table += (i ? "," : "") + std::string(R"({"customerId":)") + std::to_string(i + 1) +
             R"(,"customerName":"Customer number )" + std::to_string(i) +
             R"(","customerInfoId":"C-1000","customerPublish":1,"customerOrdering":2,"customerDiscount":"0.15",)"
             R"("address":"1 Main Street","city":"Springfield","state":"ST","zip_code":"12345",)"
             R"("attributes":[{"attributeId":7,"attributeFieldsId":2,"attributeValue":"gold"}]})";
  }
  table += R"(],"results":[{"status":"200"}]})";
  auto rows = JSONValue(table, nullptr, bounds);
  ASSERT_TRUE(rows);
  ASSERT_EQ((*rows)["content"].size(), 1000u);
  EXPECT_EQ((*rows)["content"][999]["customerName"], "Customer number 999");
}

TEST(Json, MembersOfTheWrongTypeAreAbsent) {
  auto reply = JSONValue(
      "{\"list\":\"x\",\"object\":[1],\"none\":null,\"count\":\"12abc\",\"price\":\"3.5\","
      "\"flag\":\"YES\",\"number\":3,\"real\":2.5,\"rows\":[{\"id\":7}],\"info\":{\"k\":\"v\"}}");
  ASSERT_TRUE(reply);
  EXPECT_EQ(arrayMember(*reply, "list"), nullptr);
  EXPECT_EQ(objectMember(*reply, "object"), nullptr);
  EXPECT_EQ(member(*reply, "none"), nullptr);
  EXPECT_EQ(member(*reply, "missing"), nullptr);
  ASSERT_NE(arrayMember(*reply, "rows"), nullptr);
  EXPECT_EQ(intMember((*arrayMember(*reply, "rows"))[0], "id"), 7);
  ASSERT_NE(objectMember(*reply, "info"), nullptr);
  EXPECT_EQ(stringMember(*objectMember(*reply, "info"), "k"), "v");
  // Lookups on something that is not an object find nothing.
  EXPECT_EQ(member(base::Value::array({1}), "0"), nullptr);
  EXPECT_EQ(member(static_cast<const base::Value*>(nullptr), "a"), nullptr);
  EXPECT_EQ(arrayMember(objectMember(*reply, "absent"), "x"), nullptr);

  EXPECT_EQ(intMember(*reply, "count"), 12);
  EXPECT_DOUBLE_EQ(doubleMember(*reply, "price"), 3.5);
  EXPECT_TRUE(boolMember(*reply, "flag"));
  EXPECT_EQ(intMember(*reply, "missing"), 0);
  EXPECT_FALSE(boolMember(*reply, "none"));
  EXPECT_EQ(stringMember(*reply, "number"), "3");
  EXPECT_EQ(stringMember(*reply, "real"), "2.5");
  EXPECT_EQ(stringMember(*reply, "rows"), "");
  EXPECT_FALSE(optionalStringMember(*reply, "rows"));
  EXPECT_FALSE(optionalStringMember(*reply, "none"));
  EXPECT_EQ(optionalStringMember(*reply, "count"), "12abc");
  EXPECT_EQ(stringValue(base::Value(3.0)), "3");
  EXPECT_EQ(stringValue(base::Value(true)), "1");
  EXPECT_EQ(stringValue(base::Value(std::uint64_t{18446744073709551615u})), "18446744073709551615");
}

TEST(Json, TextToNumberRules) {
  EXPECT_EQ(textIntValue("12abc"), 12);
  EXPECT_EQ(textIntValue(" 12"), 12);
  EXPECT_EQ(textIntValue("\t\n 42"), 42);
  EXPECT_EQ(textIntValue("abc"), 0);
  EXPECT_EQ(textIntValue(""), 0);
  EXPECT_EQ(textIntValue("-7x"), -7);
  EXPECT_EQ(textIntValue("+5"), 5);
  EXPECT_EQ(textIntValue("- 5"), 0);
  EXPECT_EQ(textIntValue("3.9"), 3);
  EXPECT_EQ(textIntValue("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(textIntValue("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
  EXPECT_EQ(textIntValue("99999999999999999999"), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(textIntValue("-99999999999999999999"), std::numeric_limits<std::int64_t>::min());

  EXPECT_EQ(intValue(base::Value(3.9)), 3);
  EXPECT_EQ(intValue(base::Value(-3.9)), -3);
  EXPECT_EQ(intValue(base::Value(1e30)), std::numeric_limits<std::int64_t>::max());
  EXPECT_EQ(intValue(base::Value(true)), 1);
  EXPECT_EQ(intValue(base::Value()), 0);
  EXPECT_EQ(intValue(base::Value::array({5})), 0);
  EXPECT_EQ(intValue(base::Value(" 12")), 12);
  EXPECT_EQ(intValue(base::Value(std::int64_t{1} << 40)), std::int64_t{1} << 40);

  EXPECT_DOUBLE_EQ(textDoubleValue("3.5kg"), 3.5);
  EXPECT_DOUBLE_EQ(textDoubleValue(" -2.5e2x"), -250.0);
  EXPECT_DOUBLE_EQ(textDoubleValue(".5"), 0.5);
  EXPECT_DOUBLE_EQ(textDoubleValue("1e"), 1.0);
  EXPECT_DOUBLE_EQ(textDoubleValue("1,5"), 1.0);  // the decimal point is always "."
  EXPECT_DOUBLE_EQ(textDoubleValue("abc"), 0.0);
  EXPECT_DOUBLE_EQ(textDoubleValue("."), 0.0);
  EXPECT_DOUBLE_EQ(textDoubleValue("inf"), 0.0);
  EXPECT_DOUBLE_EQ(textDoubleValue("0x10"), 0.0);
  EXPECT_DOUBLE_EQ(doubleValue(base::Value(7)), 7.0);

  // A single-precision read is rounded through float.
  EXPECT_EQ(floatValue(base::Value("0.1")), static_cast<double>(0.1f));
  EXPECT_NE(floatValue(base::Value(0.1)), 0.1);
  EXPECT_EQ(floatValue(base::Value(1372636800)), static_cast<double>(1372636800.0f));

  EXPECT_TRUE(textBoolValue("+01"));
  EXPECT_TRUE(textBoolValue(" y"));
  EXPECT_TRUE(textBoolValue("T"));
  EXPECT_TRUE(textBoolValue("YES"));
  EXPECT_TRUE(textBoolValue("-0009"));
  EXPECT_FALSE(textBoolValue("0"));
  EXPECT_FALSE(textBoolValue("000"));
  EXPECT_FALSE(textBoolValue(""));
  EXPECT_FALSE(textBoolValue("NO"));
  EXPECT_FALSE(textBoolValue("false"));
  EXPECT_FALSE(textBoolValue("+-1"));
  EXPECT_TRUE(boolValue(base::Value(2)));
  EXPECT_FALSE(boolValue(base::Value(0)));
  EXPECT_FALSE(boolValue(base::Value(0.0)));
  EXPECT_TRUE(boolValue(base::Value(true)));
  EXPECT_FALSE(boolValue(static_cast<const base::Value*>(nullptr)));
}

}  // namespace
}  // namespace mv
