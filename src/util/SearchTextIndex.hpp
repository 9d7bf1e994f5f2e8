#pragma once
// Many small documents of text in search form (each a few fields), laid end
// to end, and an index of the byte pairs each document holds, so that a
// search reads only the documents that may hold the text: the others lack
// one of its pairs. Built once per load; searched on every keystroke.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

class SearchTextIndex {
 public:
  // Closes each field; no field holds it, so no match spans two fields.
  static constexpr char kFieldEnd = '\0';

  void clear();
  // Starts the next document; the fields added after it are its own.
  void beginDocument();
  // Appends a field of the current document; its offset in text().
  std::size_t addField(std::string_view field);

  std::size_t documentCount() const { return begins_.size(); }
  std::string_view text() const { return text_; }
  // The offset where document `document` begins, or the end of the text.
  std::size_t beginOf(std::size_t document) const {
    return document < begins_.size() ? begins_[document] : text_.size();
  }

  // Per document, whether it holds `needle` within one of its fields. A
  // needle holding kFieldEnd is found nowhere.
  [[nodiscard]] std::vector<bool> documentsHolding(std::string_view needle) const;

  // The offset of the first match of `needle` in `text` from `from`, else npos.
  static std::size_t find(std::string_view text, std::string_view needle, std::size_t from = 0);

 private:
  static constexpr std::size_t kBuckets = 1024;
  static std::size_t bucketOf(unsigned char first, unsigned char second);
  void addPairs(std::string_view field);

  std::string text_;
  std::vector<std::size_t> begins_;
  // Per block of 64 documents, per bucket of byte pairs, a bit per document
  // of the block that holds a pair of it: a block's words side by side, so a
  // block is added at once.
  std::vector<std::uint64_t> pairs_;
};

}  // namespace mv
