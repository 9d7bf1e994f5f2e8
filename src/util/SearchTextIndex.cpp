#include "util/SearchTextIndex.hpp"

#include <string.h>

#include <bit>

namespace mv {

void SearchTextIndex::clear() {
  text_.clear();
  begins_.clear();
  pairs_.clear();
}

void SearchTextIndex::beginDocument() {
  begins_.push_back(text_.size());
  if ((begins_.size() - 1) % 64 == 0) pairs_.resize(pairs_.size() + kBuckets, 0);
}

std::size_t SearchTextIndex::addField(std::string_view field) {
  const std::size_t at = text_.size();
  text_ += field;
  text_ += kFieldEnd;
  if (!begins_.empty()) addPairs(field);
  return at;
}

std::size_t SearchTextIndex::bucketOf(unsigned char first, unsigned char second) {
  const std::uint32_t pair = (static_cast<std::uint32_t>(first) << 8) | second;
  return static_cast<std::size_t>((pair * 2654435761u) >> 22);  // the top 10 bits: kBuckets
}

void SearchTextIndex::addPairs(std::string_view field) {
  const std::size_t document = begins_.size() - 1;
  const std::uint64_t bit = std::uint64_t{1} << (document % 64);
  std::uint64_t* block = pairs_.data() + document / 64 * kBuckets;
  for (std::size_t i = 1; i < field.size(); ++i) {
    block[bucketOf(static_cast<unsigned char>(field[i - 1]), static_cast<unsigned char>(field[i]))] |= bit;
  }
}

std::size_t SearchTextIndex::find(std::string_view text, std::string_view needle, std::size_t from) {
  if (from > text.size()) return std::string_view::npos;
  // The C library's search skips ahead past bytes that cannot end a match,
  // where a plain one stops at every common first byte (such as the lead
  // byte of most Chinese characters).
  const void* at = ::memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
  return at ? static_cast<std::size_t>(static_cast<const char*>(at) - text.data()) : std::string_view::npos;
}

std::vector<bool> SearchTextIndex::documentsHolding(std::string_view needle) const {
  const std::size_t count = begins_.size();
  std::vector<bool> out(count, false);
  if (needle.find(kFieldEnd) != std::string_view::npos) return out;
  // The buckets of the needle's pairs; a document that holds the needle
  // holds a pair of each.
  std::vector<std::size_t> buckets;
  for (std::size_t i = 1; i < needle.size(); ++i) {
    buckets.push_back(bucketOf(static_cast<unsigned char>(needle[i - 1]), static_cast<unsigned char>(needle[i])));
  }
  // The documents that hold every pair of the needle (all, for a needle
  // too short to have one), 64 at a time.
  const std::size_t blocks = (count + 63) / 64;
  for (std::size_t w = 0; w < blocks; ++w) {
    std::uint64_t candidates = ~std::uint64_t{0};
    const std::uint64_t* block = pairs_.data() + w * kBuckets;
    for (std::size_t bucket : buckets) candidates &= block[bucket];
    for (std::uint64_t word = candidates; word != 0; word &= word - 1) {
      const std::size_t document = w * 64 + static_cast<std::size_t>(std::countr_zero(word));
      if (document >= count) break;
      const std::size_t begin = begins_[document];
      const std::string_view fields = std::string_view(text_).substr(begin, beginOf(document + 1) - begin);
      out[document] = find(fields, needle) != std::string_view::npos;
    }
  }
  return out;
}

}  // namespace mv
