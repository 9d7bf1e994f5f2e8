#include "util/JSONReader.hpp"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>

#include <set>

#include "util/MappedFile.hpp"

namespace mv {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the well-formed UTF-8 sequence at `at` (two to four bytes, no
// overlong forms, no surrogates, nothing above U+10FFFF); 0 when there is none.
std::size_t utf8Sequence(const char* at, const char* end) {
  const auto* q = reinterpret_cast<const unsigned char*>(at);
  const std::ptrdiff_t left = end - at;
  auto follows = [&](std::ptrdiff_t i, unsigned lo = 0x80, unsigned hi = 0xBF) {
    return i < left && q[i] >= lo && q[i] <= hi;
  };
  const unsigned c = q[0];
  if (c >= 0xC2 && c <= 0xDF) return follows(1) ? 2 : 0;
  if (c == 0xE0) return follows(1, 0xA0) && follows(2) ? 3 : 0;
  if ((c >= 0xE1 && c <= 0xEC) || c == 0xEE || c == 0xEF) return follows(1) && follows(2) ? 3 : 0;
  if (c == 0xED) return follows(1, 0x80, 0x9F) && follows(2) ? 3 : 0;
  if (c == 0xF0) return follows(1, 0x90) && follows(2) && follows(3) ? 4 : 0;
  if (c >= 0xF1 && c <= 0xF3) return follows(1) && follows(2) && follows(3) ? 4 : 0;
  if (c == 0xF4) return follows(1, 0x80, 0x8F) && follows(2) && follows(3) ? 4 : 0;
  return 0;
}

void appendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The end of the run of plain characters from `q` on: printable ASCII other
// than the quote and the backslash.
const char* plainRun(const char* q, const char* end) {
  while (q < end) {
    const auto c = static_cast<unsigned char>(*q);
    if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') break;
    ++q;
  }
  return q;
}

// The four hexadecimal digits at `q`; nothing when they are not there.
std::optional<std::uint32_t> hex4(const char* q, const char* end) {
  if (end - q < 4) return std::nullopt;
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const char c = q[i];
    std::uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<std::uint32_t>(c - '0');
    } else if (c >= 'a' && c <= 'f') {
      digit = static_cast<std::uint32_t>(c - 'a' + 10);
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<std::uint32_t>(c - 'A' + 10);
    } else {
      return std::nullopt;
    }
    value = value * 16 + digit;
  }
  return value;
}

// A decimal number of the JSON grammar as a double, correctly rounded and
// independent of the process locale; nothing when it does not fit.
std::optional<double> realOf(const char* first, const char* last) {
  double d = 0;
  auto [ptr, ec] = std::from_chars(first, last, d);
  if (ec == std::errc::result_out_of_range) {
    // Overflow stays an error below; underflow gives zero or a subnormal, as
    // strtod makes it.
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", locale_t(0));
    const std::string number(first, last);
    d = cLocale ? strtod_l(number.c_str(), nullptr, cLocale) : std::strtod(number.c_str(), nullptr);
  } else if (ec != std::errc() || ptr != last) {
    return std::nullopt;
  }
  if (!std::isfinite(d)) return std::nullopt;
  return d;
}

}  // namespace

JSONReader::JSONReader(std::string_view text, const JSONBounds& bounds) : bounds_(bounds) { start(jsonText(text)); }

JSONReader::JSONReader(const MappedFile& file) : file_(&file) {
  std::string_view text = file.restart();
  while (text.size() < 3 && !file.ended()) text = file.readMore();
  start(withoutByteOrderMark(text));
}

bool JSONReader::readMore(const char* from, std::size_t bytes) {
  if (!file_) return false;
  while (static_cast<std::size_t>(end_ - from) < bytes && !file_->ended()) {
    const std::string_view text = file_->readMore();
    end_ = text.data() + text.size();
  }
  if (file_->changed()) fail(kJSONErrorInvalid, "the file changed while it was read");
  return static_cast<std::size_t>(end_ - from) >= bytes;
}

void JSONReader::start(std::string_view text) {
  begin_ = text.data();
  p_ = begin_;
  end_ = begin_ + text.size();
}

void JSONReader::fail(long code, const char* what) {
  if (error_) return;
  error_ = code;
  reason_ = std::string(what) + " at byte " + std::to_string(p_ - begin_);
}

bool JSONReader::atValue() {
  if (failed()) return false;
  if (!pendingValue_) {
    fail(kJSONErrorInvalid, "no value to read");
    return false;
  }
  return true;
}

void JSONReader::skipSpace() {
  while (has(p_, 1)) {
    const char c = *p_;
    if (c != ' ' && c != '\n' && c != '\r' && c != '\t') return;
    ++p_;
  }
}

bool JSONReader::open(bool object) {
  if (!atValue()) return false;
  skipSpace();
  if (p_ == end_ || *p_ != (object ? '{' : '[')) return false;
  if (open_.size() >= static_cast<std::size_t>(kJSONMaxDepth)) {
    fail(kJSONErrorTooDeep, "nesting too deep");
    return false;
  }
  ++p_;
  open_.push_back(object);
  first_ = true;
  pendingValue_ = false;
  return true;
}

void JSONReader::close() {
  open_.pop_back();
  // The container just closed was an element of the one around it.
  first_ = false;
  pendingValue_ = false;
}

bool JSONReader::beginArray() { return open(false); }

bool JSONReader::beginObject() { return open(true); }

void JSONReader::passed() {
  // A few thousand rows of a table, or members of an object, at a time.
  constexpr std::size_t kStepsPerRelease = 4096;
  if (file_ && ++steps_ % kStepsPerRelease == 0) file_->release(p_);
}

bool JSONReader::nextElement() {
  if (failed()) return false;
  passed();
  if (open_.empty() || open_.back()) {
    fail(kJSONErrorInvalid, "no array to step through");
    return false;
  }
  if (pendingValue_) {
    skipValue();
    if (failed()) return false;
  }
  skipSpace();
  if (p_ == end_) {
    fail(kJSONErrorInvalid, "text ends inside an array");
    return false;
  }
  if (*p_ == ']') {
    ++p_;
    close();
    return false;
  }
  if (first_) {
    first_ = false;
  } else if (*p_ == ',') {
    ++p_;
  } else {
    fail(kJSONErrorInvalid, "expected ',' or ']'");
    return false;
  }
  pendingValue_ = true;
  return true;
}

std::optional<std::string_view> JSONReader::nextMember() {
  if (failed()) return std::nullopt;
  passed();
  if (open_.empty() || !open_.back()) {
    fail(kJSONErrorInvalid, "no object to step through");
    return std::nullopt;
  }
  if (pendingValue_) {
    skipValue();
    if (failed()) return std::nullopt;
  }
  skipSpace();
  if (p_ == end_) {
    fail(kJSONErrorInvalid, "text ends inside an object");
    return std::nullopt;
  }
  if (*p_ == '}') {
    ++p_;
    close();
    return std::nullopt;
  }
  if (first_) {
    first_ = false;
  } else if (*p_ == ',') {
    ++p_;
    skipSpace();
  } else {
    fail(kJSONErrorInvalid, "expected ',' or '}'");
    return std::nullopt;
  }
  if (p_ == end_ || *p_ != '"') {
    fail(kJSONErrorInvalid, "expected a member name");
    return std::nullopt;
  }
  std::string_view key;
  if (!readString(keyScratch_, key)) return std::nullopt;
  skipSpace();
  if (p_ == end_ || *p_ != ':') {
    fail(kJSONErrorInvalid, "expected ':'");
    return std::nullopt;
  }
  ++p_;
  pendingValue_ = true;
  return key;
}

bool JSONReader::readString(std::string& scratch, std::string_view& out) {
  // p_ stands at the opening quote. Text without escapes is not copied.
  const char* start = p_ + 1;
  const char* q = start;
  while (has(q, 1)) {
    q = plainRun(q, end_);
    if (q == end_) continue;
    const auto c = static_cast<unsigned char>(*q);
    if (c == '"') {
      out = std::string_view(start, static_cast<std::size_t>(q - start));
      p_ = q + 1;
      return true;
    }
    if (c == '\\') {
      scratch.assign(start, q);
      return readEscaped(q, scratch, out);
    }
    if (c < 0x20) {
      p_ = q;
      fail(kJSONErrorInvalid, "control character in text");
      return false;
    }
    reach(q, 4);
    const std::size_t n = utf8Sequence(q, end_);
    if (n == 0) {
      p_ = q;
      fail(kJSONErrorInvalid, "text is not UTF-8");
      return false;
    }
    q += n;
  }
  fail(kJSONErrorInvalid, "text not closed");
  return false;
}

bool JSONReader::readEscaped(const char* from, std::string& scratch, std::string_view& out) {
  const char* q = from;
  while (has(q, 1)) {
    const char* run = plainRun(q, end_);
    scratch.append(q, run);
    q = run;
    if (q == end_) continue;
    const auto c = static_cast<unsigned char>(*q);
    if (c == '"') {
      out = scratch;
      p_ = q + 1;
      return true;
    }
    if (c < 0x20) {
      p_ = q;
      fail(kJSONErrorInvalid, "control character in text");
      return false;
    }
    if (c >= 0x80) {
      reach(q, 4);
      const std::size_t n = utf8Sequence(q, end_);
      if (n == 0) {
        p_ = q;
        fail(kJSONErrorInvalid, "text is not UTF-8");
        return false;
      }
      scratch.append(q, n);
      q += n;
      continue;
    }
    // An escape.
    p_ = q;
    if (!has(++q, 1)) break;
    switch (*q++) {
      case '"':
        scratch += '"';
        break;
      case '\\':
        scratch += '\\';
        break;
      case '/':
        scratch += '/';
        break;
      case 'b':
        scratch += '\b';
        break;
      case 'f':
        scratch += '\f';
        break;
      case 'n':
        scratch += '\n';
        break;
      case 'r':
        scratch += '\r';
        break;
      case 't':
        scratch += '\t';
        break;
      case 'u': {
        reach(q, 4);
        auto code = hex4(q, end_);
        if (!code) {
          fail(kJSONErrorInvalid, "bad \\u escape");
          return false;
        }
        q += 4;
        if (*code >= 0xDC00 && *code <= 0xDFFF) {
          fail(kJSONErrorInvalid, "low surrogate without a high one");
          return false;
        }
        if (*code >= 0xD800 && *code <= 0xDBFF) {
          // A high surrogate must be followed by the escape of a low one.
          std::optional<std::uint32_t> low;
          if (has(q, 6) && q[0] == '\\' && q[1] == 'u') low = hex4(q + 2, end_);
          if (!low || *low < 0xDC00 || *low > 0xDFFF) {
            fail(kJSONErrorInvalid, "high surrogate without a low one");
            return false;
          }
          q += 6;
          code = 0x10000 + ((*code - 0xD800) << 10) + (*low - 0xDC00);
        }
        appendUtf8(scratch, *code);
        break;
      }
      default:
        fail(kJSONErrorInvalid, "bad escape");
        return false;
    }
  }
  fail(kJSONErrorInvalid, "text not closed");
  return false;
}

bool JSONReader::readNumber(JSONScalar& out) {
  const char* q = p_;
  const bool negative = *q == '-';
  if (negative) ++q;
  if (!has(q, 1) || !isDigit(*q)) {
    fail(kJSONErrorInvalid, "not a value");
    return false;
  }
  if (*q == '0') {
    ++q;
  } else {
    while (has(q, 1) && isDigit(*q)) ++q;
  }
  bool integral = true;
  if (has(q, 1) && *q == '.') {
    integral = false;
    if (!has(++q, 1) || !isDigit(*q)) {
      p_ = q;
      fail(kJSONErrorInvalid, "no digits after the decimal point");
      return false;
    }
    while (has(q, 1) && isDigit(*q)) ++q;
  }
  if (has(q, 1) && (*q == 'e' || *q == 'E')) {
    integral = false;
    ++q;
    if (has(q, 1) && (*q == '+' || *q == '-')) ++q;
    if (!has(q, 1) || !isDigit(*q)) {
      p_ = q;
      fail(kJSONErrorInvalid, "no digits in the exponent");
      return false;
    }
    while (has(q, 1) && isDigit(*q)) ++q;
  }
  // Whole numbers are kept whole while they fit; beyond that they are reals.
  if (integral) {
    if (negative) {
      auto [ptr, ec] = std::from_chars(p_, q, out.integer);
      if (ec == std::errc() && ptr == q) {
        out.kind = JSONScalar::Kind::integer;
        p_ = q;
        return true;
      }
    } else {
      auto [ptr, ec] = std::from_chars(p_, q, out.unsignedInteger);
      if (ec == std::errc() && ptr == q) {
        out.kind = JSONScalar::Kind::unsignedInteger;
        p_ = q;
        return true;
      }
    }
  }
  auto real = realOf(p_, q);
  if (!real) {
    fail(kJSONErrorInvalid, "number out of range");
    return false;
  }
  out.kind = JSONScalar::Kind::real;
  out.real = *real;
  p_ = q;
  return true;
}

bool JSONReader::readLiteral(std::string_view word) {
  if (!has(p_, word.size()) || std::memcmp(p_, word.data(), word.size()) != 0) {
    fail(kJSONErrorInvalid, "not a value");
    return false;
  }
  p_ += word.size();
  return true;
}

bool JSONReader::readScalarText(JSONScalar& out) {
  // p_ stands at the first character of a value that is not a container.
  switch (*p_) {
    case '"':
      if (!readString(textScratch_, out.text)) return false;
      out.kind = JSONScalar::Kind::text;
      break;
    case 't':
      if (!readLiteral("true")) return false;
      out.kind = JSONScalar::Kind::boolean;
      out.boolean = true;
      break;
    case 'f':
      if (!readLiteral("false")) return false;
      out.kind = JSONScalar::Kind::boolean;
      out.boolean = false;
      break;
    case 'n':
      if (!readLiteral("null")) return false;
      out.kind = JSONScalar::Kind::null;
      break;
    default:
      if (!readNumber(out)) return false;
      break;
  }
  pendingValue_ = false;
  return true;
}

JSONScalar JSONReader::readScalar() {
  JSONScalar out;
  if (!atValue()) return out;
  skipSpace();
  if (p_ == end_) {
    fail(kJSONErrorInvalid, "text ends where a value should be");
    return out;
  }
  if (*p_ == '{' || *p_ == '[') {
    const auto kind = *p_ == '{' ? JSONScalar::Kind::object : JSONScalar::Kind::array;
    skipValue();
    if (failed()) return JSONScalar();
    out.kind = kind;
    return out;
  }
  if (!readScalarText(out)) return JSONScalar();
  return out;
}

void JSONReader::skipValue() {
  if (!atValue()) return;
  // Iterative, so that skipping needs no stack however the text nests.
  const std::size_t floor = open_.size();
  for (;;) {
    skipSpace();
    if (p_ == end_) {
      fail(kJSONErrorInvalid, "text ends where a value should be");
      return;
    }
    if (*p_ == '{' || *p_ == '[') {
      if (!open(*p_ == '{')) return;
    } else {
      JSONScalar ignored;
      if (!readScalarText(ignored)) return;
    }
    // On to the next value inside, closing the containers that end.
    for (;;) {
      if (failed() || open_.size() == floor) return;
      const bool more = open_.back() ? nextMember().has_value() : nextElement();
      if (more) break;
    }
  }
}

namespace {

// What the values made take on the heap besides their slots, roughly: an
// allocation's own bookkeeping, and a text too long to live in its string.
constexpr std::size_t kAllocation = 16;
std::size_t heapText(std::size_t size) {
  return size < sizeof(std::string) / 2 ? 0 : size + 1 + kAllocation;
}

using Members = base::Value::object_t;
// The members as the vector they are kept in: the object's own lookups
// search it, which is what reading must not do for each member.
using Slots = Members::Container;

// An index on the names of an object's members, by their place in it, so
// that a repeated name is found without a search through all the others.
// Ordered rather than hashed: names chosen to collide cannot make it slow.
struct NameOrder {
  const Slots* members;
  std::size_t* compared;
  bool operator()(std::size_t a, std::size_t b) const {
    ++*compared;
    return (*members)[a].first < (*members)[b].first;
  }
};
using NameIndex = std::set<std::size_t, NameOrder>;

// Objects up to this size are searched; past it their names are indexed.
constexpr std::size_t kSearchedMembers = 16;
// A tree node of the index: three links, a colour and the place.
constexpr std::size_t kIndexEntry = 5 * sizeof(void*) + kAllocation;

}  // namespace

bool JSONReader::build(std::size_t bytes) {
  built_ += bytes;
  if (built_ <= bounds_.mostBuilt) return true;
  fail(kJSONErrorTooLarge, "values too large");
  return false;
}

base::Value JSONReader::readObject() {
  if (!open(true) || !build(sizeof(Members) + kAllocation)) return base::Value();
  base::Value object = base::Value::object();
  Slots& members = object.get_ref<Members&>();
  std::optional<NameIndex> index;
  while (auto key = nextMember()) {
    // Two slots a member: a vector grown by doubling holds up to twice its
    // members, for a while both before and after the move.
    if (!build(2 * sizeof(Slots::value_type) + heapText(key->size()))) return base::Value();
    members.emplace_back(std::string(*key), base::Value());
    base::Value item = readValue();
    if (failed()) return base::Value();
    const std::size_t at = members.size() - 1;
    std::size_t same = at;
    if (index) {
      same = *index->insert(at).first;
      if (same == at && !build(kIndexEntry)) return base::Value();
    } else {
      for (std::size_t i = 0; i < at; ++i) {
        ++namesCompared_;
        if (members[i].first == members[at].first) {
          same = i;
          break;
        }
      }
      if (same == at && members.size() > kSearchedMembers) {
        if (!build(members.size() * kIndexEntry)) return base::Value();
        index.emplace(NameOrder{&members, &namesCompared_});
        for (std::size_t i = 0; i < members.size(); ++i) index->insert(i);
      }
    }
    if (same == at && members.size() > bounds_.maxMembers) {
      fail(kJSONErrorTooLarge, "too many members in an object");
      return base::Value();
    }
    members[same].second = std::move(item);
    if (same != at) members.pop_back();
  }
  if (failed()) return base::Value();
  return object;
}

base::Value JSONReader::readArray() {
  if (!open(false) || !build(sizeof(base::Value::array_t) + kAllocation)) return base::Value();
  base::Value array = base::Value::array();
  while (nextElement()) {
    if (!build(2 * sizeof(base::Value))) return base::Value();
    base::Value item = readValue();
    if (failed()) return base::Value();
    array.push_back(std::move(item));
  }
  if (failed()) return base::Value();
  return array;
}

base::Value JSONReader::readValue() {
  if (!atValue()) return base::Value();
  skipSpace();
  if (p_ != end_ && *p_ == '{') return readObject();
  if (p_ != end_ && *p_ == '[') return readArray();
  const JSONScalar s = readScalar();
  if (failed()) return base::Value();
  switch (s.kind) {
    case JSONScalar::Kind::boolean:
      return base::Value(s.boolean);
    case JSONScalar::Kind::integer:
      return base::Value(s.integer);
    case JSONScalar::Kind::unsignedInteger:
      return base::Value(s.unsignedInteger);
    case JSONScalar::Kind::real:
      return base::Value(s.real);
    case JSONScalar::Kind::text:
      if (!build(sizeof(std::string) + kAllocation + heapText(s.text.size()))) return base::Value();
      return base::Value(std::string(s.text));
    default:
      return base::Value();
  }
}

bool JSONReader::finish() {
  // Steps over what is left, one member or element at a time: a step that
  // finds none closes the innermost level.
  while (!failed() && !open_.empty()) {
    const bool another = open_.back() ? nextMember().has_value() : nextElement();
    if (another) skipValue();
  }
  if (failed()) return false;
  if (pendingValue_) {
    // The root value, never read.
    skipValue();
    if (failed()) return false;
  }
  skipSpace();
  if (p_ != end_) {
    fail(kJSONErrorInvalid, "text goes on after the value");
    return false;
  }
  return true;
}

}  // namespace mv
