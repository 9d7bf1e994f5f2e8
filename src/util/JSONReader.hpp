#pragma once
// Reading JSON text piece by piece, so that a large reply can go straight
// into records instead of first becoming one value of the whole text.
//
// The grammar is strict JSON (RFC 8259): text must be UTF-8, numbers that do
// not fit a double are errors, and nesting stops at kJSONMaxDepth. A reader
// walks the text once: open an array or object, step through its elements or
// members, read each value as a scalar, skip it, or take it as a value. A
// value that is stepped over without being read is skipped, so the caller
// reads only what it needs. After the first error every read gives nothing
// and failed() stays set; finish() tells whether the text as a whole was
// valid JSON holding exactly one value. What readValue() makes is bounded:
// an object of more members than the bounds allow (kJSONMaxMembers), or
// values past their most bytes from one text (kJSONMostBuilt), fail with
// kJSONErrorTooLarge.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/Value.hpp"
#include "util/Json.hpp"

namespace mv {

class MappedFile;

class JSONReader {
 public:
  // Reads `text` as received (see jsonText); the bytes must outlive the reader.
  explicit JSONReader(std::string_view text, const JSONBounds& bounds = {});
  // Reads the text of `file`, which must outlive the reader, from its start
  // as it goes, giving back the pages of what it has passed as it steps
  // through arrays and objects. A file that changes while it is read fails
  // the reading.
  explicit JSONReader(const MappedFile& file);

  JSONReader(const JSONReader&) = delete;
  JSONReader& operator=(const JSONReader&) = delete;

  // Opens the array / object that comes next. Reads nothing and answers false
  // when the next value is something else.
  [[nodiscard]] bool beginArray();
  [[nodiscard]] bool beginObject();
  // Within the innermost open array: true when another element follows (to be
  // read next); false once the array has ended (it is then closed) or on error.
  [[nodiscard]] bool nextElement();
  // Within the innermost open object: the key of the next member, whose value
  // is read next; nothing once the object has ended (it is then closed) or on
  // error. The key stays valid until the next call on the reader.
  [[nodiscard]] std::optional<std::string_view> nextMember();

  // Reads the next value: a scalar with its contents, or an array or object,
  // skipped and reported by kind only. Text stays valid until the next call.
  JSONScalar readScalar();
  void skipValue();
  // Reads the next value as a whole; null on error. Of repeated keys in an
  // object the last one counts, in the place of the first. Takes time in
  // proportion to the text, however many members an object has.
  base::Value readValue();

  // Reads whatever is left and answers whether the whole text was exactly
  // one valid value.
  [[nodiscard]] bool finish();

  bool failed() const { return error_ != 0; }
  // kJSONErrorInvalid, kJSONErrorTooDeep or kJSONErrorTooLarge once failed;
  // 0 before.
  long error() const { return error_; }
  // What was wrong, and where, for the log.
  const std::string& errorReason() const { return reason_; }
  // How many times reading objects compared two members' names so far: in
  // proportion to the members times the log of an object's size, never to
  // their square (the work a test can hold the reader to).
  std::size_t namesCompared() const { return namesCompared_; }

 private:
  void start(std::string_view text);
  // Whether `bytes` from `from` on are in the text; a file's text is read
  // on for them first. Its start never moves, so pointers into what was
  // read stay valid.
  bool has(const char* from, std::size_t bytes) {
    return static_cast<std::size_t>(end_ - from) >= bytes || readMore(from, bytes);
  }
  // Reads on until `bytes` from `from` on are in the text, or it ends.
  void reach(const char* from, std::size_t bytes) { has(from, bytes); }
  bool readMore(const char* from, std::size_t bytes);
  // A step through an array or object: the pages of a mapped file passed
  // now and then go back.
  void passed();
  bool atValue();
  void fail(long code, const char* what);
  void skipSpace();
  bool open(bool object);
  void close();
  bool readString(std::string& scratch, std::string_view& out);
  bool readEscaped(const char* from, std::string& scratch, std::string_view& out);
  bool readNumber(JSONScalar& out);
  bool readScalarText(JSONScalar& out);
  bool readLiteral(std::string_view word);
  base::Value readObject();
  base::Value readArray();
  // Counts `bytes` more of values made; false, failed, past the bounds.
  bool build(std::size_t bytes);

  JSONBounds bounds_;
  const char* begin_ = nullptr;
  const char* p_ = nullptr;
  const char* end_ = nullptr;
  const MappedFile* file_ = nullptr;
  std::size_t steps_ = 0;
  // Open containers, innermost last: true for an object.
  std::vector<bool> open_;
  // The innermost container has had no element or member yet.
  bool first_ = false;
  // The reader stands at a value that has not been read.
  bool pendingValue_ = true;
  long error_ = 0;
  std::string reason_;
  std::string keyScratch_;
  std::string textScratch_;
  std::size_t built_ = 0;
  std::size_t namesCompared_ = 0;
};

}  // namespace mv
