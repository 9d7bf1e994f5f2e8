#pragma once
// Decoding a reply while its text is read, for replies so large that a value
// of the whole text would cost more than the records made from it. The
// outcome is the one a decode of the parsed reply gives: statuses from
// "results" (the last object there decides), "115" for text that is not JSON,
// the content only with "200" and only when it has the expected shape, and
// the same rows skipped and logged. Of repeated members the last one counts.
// What is noted of skipped rows takes the same memory however many there
// are, so that a reply of millions of rows that cannot be read is refused
// without filling the memory with notes.
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "sync/ReplyValues.hpp"
#include "sync/requests/RequestInterfaceBase.hpp"
#include "util/JSONReader.hpp"

namespace mv {

// A row as read, with the keys that decide whether it is kept.
template <typename Entity>
struct Keyed {
  Entity e;
  std::optional<int> key;
  std::optional<int> otherKey;
};

class ReplyReader {
 public:
  // The members of one kind of row that are read as scalars, each with what
  // to do with its value.
  template <typename Row>
  class Fields {
   public:
    using Read = void (*)(Row&, const JSONScalar&);
    struct Field {
      std::string_view name;
      Read read;
    };

    Fields(std::initializer_list<Field> fields) : fields_(fields) {}

    // The field of that name; null for another name. The search starts after
    // the field found last: rows list their members in the same order, so it
    // usually ends at once.
    const Field* find(std::string_view name) {
      const std::size_t n = fields_.size();
      for (std::size_t i = 0, at = next_; i < n; ++i, at = at + 1 == n ? 0 : at + 1) {
        if (fields_[at].name == name) {
          next_ = at + 1 == n ? 0 : at + 1;
          return &fields_[at];
        }
      }
      return nullptr;
    }

   private:
    std::vector<Field> fields_;
    std::size_t next_ = 0;
  };

  // Reads `text` as received.
  explicit ReplyReader(std::string_view text) : json_(text) {}
  // Reads the text of `file` in place (see JSONReader).
  explicit ReplyReader(const MappedFile& file) : json_(file) {}

  ReplyReader(const ReplyReader&) = delete;
  ReplyReader& operator=(const ReplyReader&) = delete;

  JSONReader& json() { return json_; }

  // Decodes the whole reply into a `Result` of command `cmdCode`.
  // `readContent(Result&)` is called with the reader at the value of
  // "content"; it reads the records into the result and answers whether the
  // content had the expected shape (leaving a value of another shape unread).
  // `malformed` says what was wrong, for the log, when a "200" came without
  // such content.
  template <typename Result, typename ReadContent>
  std::shared_ptr<Result> decode(int cmdCode, std::string_view malformed, ReadContent readContent) {
    auto decoded = std::make_shared<Result>();
    Reading reading = read([&] {
      *decoded = Result();
      return readContent(*decoded);
    });
    return conclude(std::move(reading), std::move(decoded), cmdCode, malformed);
  }

  // What reading the text found, for conclude().
  struct Reading {
    base::Value results;  // the reply with only its "results"
    bool contentRead = false;
    bool valid = false;
  };

  // The first half of decode(), which touches nothing but the text and what
  // `readContent()` reads into, so that it may run on another thread:
  // `readContent()` is called at each "content", after the notes of an
  // earlier copy were forgotten.
  template <typename ReadContent>
  [[nodiscard]] Reading read(ReadContent readContent) {
    Reading reading;
    if (json_.beginObject()) {
      reading.results = base::Value::object();
      while (auto key = json_.nextMember()) {
        if (*key == "results") {
          reading.results["results"] = json_.readValue();
        } else if (*key == "content") {
          notes_.clear();
          reading.contentRead = readContent();
        }
      }
    }
    reading.valid = json_.finish();
    return reading;
  }

  // The second half of decode(), on the main thread (the status texts are
  // looked up): `decoded` holds what the last content gave.
  template <typename Result>
  std::shared_ptr<Result> conclude(Reading reading, std::shared_ptr<Result> decoded, int cmdCode,
                                   std::string_view malformed) {
    auto outcome = std::make_shared<Result>();
    outcome->cmdCode = cmdCode;
    const bool whole = reading.valid && reading.results.is_object();
    RequestInterfaceBase::DecodeResults(*outcome, whole ? &reading.results : nullptr);
    if (!outcome->isSuccess()) return outcome;
    if (!reading.contentRead) {
      markMalformedReply(*outcome, malformed);
      return outcome;
    }
    decoded->cmdCode = cmdCode;
    RequestInterfaceBase::DecodeResults(*decoded, &reading.results);
    for (const auto& n : notes_) {
      if (n.rows > 0) logSkippedRow(n.table, n.reason, n.rows);
    }
    return decoded;
  }

  // Notes a row that is left out because it cannot be read; the note is
  // logged once the content counts. Both texts must outlive the reader
  // (literals).
  void skipRow(std::string_view table, std::string_view reason) { note(table, reason, true); }
  // Notes a part of a row that is read whole but left out by rule.
  void leaveOut(std::string_view table, std::string_view reason) { note(table, reason, false); }
  std::size_t unreadableCount() const {
    std::size_t rows = 0;
    for (const auto& n : notes_) rows += n.unreadable ? n.rows : 0;
    return rows;
  }
  // A row begins whose notes may go with it (forgetRowNotes).
  void beginRowNotes() {
    for (auto& n : notes_) n.sinceRow = 0;
  }
  // Forgets the notes made since the row began.
  void forgetRowNotes() {
    for (auto& n : notes_) n.rows -= std::exchange(n.sinceRow, 0);
  }

  // Steps through the array that comes next, calling `readRow()` with each
  // object element opened (it must read the object's members to its end).
  // Other elements are skipped and noted. False, with the value skipped, when
  // the value is not an array: the table is then absent.
  template <typename ReadRow>
  bool rows(std::string_view table, ReadRow readRow) {
    if (!json_.beginArray()) {
      json_.skipValue();
      return false;
    }
    while (json_.nextElement()) {
      if (json_.beginObject()) {
        readRow();
      } else {
        skipRow(table, "not an object");
      }
    }
    return !json_.failed();
  }

  // Reads the members of the object just opened into `row`: named fields as
  // scalars, any other member through `other(name)`, which may read its
  // value or leave it to be skipped.
  template <typename Row, typename Other>
  void members(Row& row, Fields<Row>& fields, Other other) {
    while (auto key = json_.nextMember()) {
      if (const auto* field = fields.find(*key)) {
        field->read(row, json_.readScalar());
      } else {
        other(*key);
      }
    }
  }
  template <typename Row>
  void members(Row& row, Fields<Row>& fields) {
    members(row, fields, [](std::string_view) {});
  }

  // The records of a table that comes next: each object row read through
  // `fields` and turned into a record by `make(row)`, which answers nothing
  // for a row without its key (noted with `noKey`). Nothing at all when the
  // value is not an array.
  template <typename Record, typename Row, typename Make>
  std::optional<std::vector<Record>> table(std::string_view name, std::string_view noKey, Fields<Row>& fields,
                                           Make make) {
    std::vector<Record> out;
    const bool present = rows(name, [&] {
      Row row;
      members(row, fields);
      if (std::optional<Record> record = make(std::move(row))) {
        out.push_back(std::move(*record));
      } else {
        skipRow(name, noKey);
      }
    });
    if (!present) return std::nullopt;
    return out;
  }

 private:
  // The rows skipped for one reason in one table.
  struct Notes {
    std::string_view table;
    std::string_view reason;
    bool unreadable = true;
    std::size_t rows = 0;
    std::size_t sinceRow = 0;
  };
  void note(std::string_view table, std::string_view reason, bool unreadable) {
    for (auto& n : notes_) {
      if (n.table == table && n.reason == reason && n.unreadable == unreadable) {
        ++n.rows;
        ++n.sinceRow;
        return;
      }
    }
    notes_.push_back({table, reason, unreadable, 1, 1});
  }
  JSONReader json_;
  // One entry per kind of note, in the order first made: there are few.
  std::vector<Notes> notes_;
};

}  // namespace mv
