#pragma once
// Reading JSON text into base::Value and reading members out of it the way the
// server's replies need: numbers may arrive as text and text as numbers, and a
// member of an unexpected type counts as absent instead of breaking the caller.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/base/Error.hpp"
#include "platform/base/Value.hpp"
#include "util/JsonWriter.hpp"

namespace mv {

inline constexpr const char* kJSONErrorDomain = "org.kelmoraft.JSON.ErrorDomain";

// Deepest nesting of arrays and objects the reader accepts; a hostile reply
// cannot exhaust memory or the stack with it.
inline constexpr int kJSONMaxDepth = 512;

// Most members one object may have. The service's objects have tens; a
// lookup in an object is a search through its members, so one of millions
// would make every lookup in it slow.
inline constexpr std::size_t kJSONMaxMembers = 65536;

// Most bytes the values made from one text may take, as counted by the
// reader. Small values cost many times their text (`[{},{},...]` some forty
// times), so a text under the transport's body limit could otherwise take
// gigabytes before it is found wrong; the largest honest reply takes a
// fraction of this.
inline constexpr std::size_t kJSONMostBuilt = std::size_t{512} << 20;

// What one text may make: the bounds above unless a caller sets others.
struct JSONBounds {
  std::size_t maxMembers = kJSONMaxMembers;
  std::size_t mostBuilt = kJSONMostBuilt;
};

enum JSONErrorCode : long {
  kJSONErrorInvalid = 1,      // not JSON text
  kJSONErrorTooDeep = 2,      // nested deeper than kJSONMaxDepth
  kJSONErrorNotContainer = 3, // valid JSON, but the root is neither object nor array
  kJSONErrorTooLarge = 4      // an object past its most members, or values past the most built
};

// One value of JSON text: a scalar with its contents, or only the kind of an
// array or object. Made from a value (scalarOf) or by JSONReader, so that the
// rules below read both the same way. A text view is borrowed from whatever
// the scalar was made from.
struct JSONScalar {
  enum class Kind : unsigned char { null, boolean, integer, unsignedInteger, real, text, array, object };
  Kind kind = Kind::null;
  bool boolean = false;
  std::int64_t integer = 0;            // kind integer (a negative number in the text)
  std::uint64_t unsignedInteger = 0;   // kind unsignedInteger (a positive one)
  double real = 0;                     // kind real
  std::string_view text;               // kind text
};

// The JSON of received bytes: up to the first NUL byte (a reply buffer may
// carry a terminating zero), without a leading UTF-8 byte-order mark.
std::string_view jsonText(std::string_view received);
// The same of bytes that hold no NUL: only the byte-order mark goes.
std::string_view withoutByteOrderMark(std::string_view text);

// Parses `text` as received (see jsonText). Answers the object or array, or
// nothing with `error` filled when asked for.
[[nodiscard]] std::optional<base::Value> JSONValue(std::string_view text, base::Error* error = nullptr,
                                                   const JSONBounds& bounds = {});

// --- text rules -----------------------------------------------------------
// The integer at the start of `text`: leading white space, an optional sign,
// then digits up to the first other character; 0 when there are none. Clamps
// at the int64 range.
std::int64_t textIntValue(std::string_view text);
// The decimal number at the start of `text` (sign, digits, fraction, exponent),
// independent of the process locale; 0 when there is none.
double textDoubleValue(std::string_view text);
// The truth value of `text`: after leading white space, an optional sign and
// leading zeros, it starts with Y, y, T, t or a digit 1 to 9.
bool textBoolValue(std::string_view text);

// --- value rules ----------------------------------------------------------
// The scalar a value holds; arrays and objects by kind only.
JSONScalar scalarOf(const base::Value& value);

// Text follows the text rules above; numbers convert (reals truncate toward
// zero, clamped); booleans are 1 and 0; anything else, or no value, is 0.
std::int64_t intValue(const JSONScalar& value);
std::int64_t intValue(const base::Value& value);
std::int64_t intValue(const base::Value* value);
double doubleValue(const JSONScalar& value);
double doubleValue(const base::Value& value);
double doubleValue(const base::Value* value);
// A finite number, or a text that spells out one and nothing else (blanks
// around it and a leading "+" allowed); nothing otherwise. "NaN", "inf",
// "12 apples", arrays and objects are no number, where doubleValue reads 0.
std::optional<double> exactNumber(const JSONScalar& value);
std::optional<double> exactNumber(const base::Value& value);
// A single-precision read kept as double (the value rounded through float).
double floatValue(const base::Value& value);
double floatValue(const base::Value* value);
// A single-precision value to write: the double of its shortest decimal
// text, so 0.3f goes out as 0.3 (not 0.30000001192092896) and reads back as
// the same float.
double floatForJson(float value);
bool boolValue(const JSONScalar& value);
bool boolValue(const base::Value& value);
bool boolValue(const base::Value* value);
// Text as it is, numbers as decimal text (integral values without ".0"),
// booleans "1"/"0"; nothing for null, absent, arrays and objects.
std::optional<std::string> optionalString(const JSONScalar& value);
std::optional<std::string> optionalString(const base::Value& value);
std::optional<std::string> optionalString(const base::Value* value);
// Like optionalString, with "" where it gives nothing.
std::string stringValue(const JSONScalar& value);
std::string stringValue(const base::Value& value);
std::string stringValue(const base::Value* value);

// --- member lookups -------------------------------------------------------
// The member `key` of `object`; null when `object` is not an object, the key is
// absent or its value is JSON null.
const base::Value* member(const base::Value& object, std::string_view key);
const base::Value* member(const base::Value* object, std::string_view key);
// The member when it is an array / an object; null otherwise.
const base::Value* arrayMember(const base::Value& object, std::string_view key);
const base::Value* arrayMember(const base::Value* object, std::string_view key);
const base::Value* objectMember(const base::Value& object, std::string_view key);
const base::Value* objectMember(const base::Value* object, std::string_view key);
// Typed reads of a member, by the value rules above.
std::int64_t intMember(const base::Value& object, std::string_view key);
double doubleMember(const base::Value& object, std::string_view key);
bool boolMember(const base::Value& object, std::string_view key);
std::optional<std::string> optionalStringMember(const base::Value& object, std::string_view key);
std::string stringMember(const base::Value& object, std::string_view key);

}  // namespace mv
