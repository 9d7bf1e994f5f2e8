#pragma once
// Decoding a table reply that may be stored while it is read (see
// SyncTableStore): the text is read on a thread of its own, its rows handed
// to the store in batches on the calling thread, in their order. Of a reply
// that names its content more than once the last copy counts: the reply is
// read once more, storing that copy. Without a store the reply is read whole
// into the result.
#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/base/HandOff.hpp"
#include "sync/ReplyReader.hpp"
#include "sync/SyncTableRequest.hpp"

namespace mv {

// Hands the rows read on to be stored, when there is somewhere to hand them.
// Without it it does nothing, and the result keeps every row.
template <typename Rows>
class RowBatches {
 public:
  // Takes one batch; false when the rest of the reply is not wanted.
  using Hand = std::function<bool(Rows&&)>;

  // Only the rows of the `storedCopy`-th copy of the content (1 for the
  // first) are handed on, `perBatch` rows of a table at a time.
  RowBatches(const Hand* hand, std::size_t perBatch, std::size_t storedCopy)
      : hand_(hand), perBatch_(perBatch > 0 ? perBatch : 1), storedCopy_(storedCopy) {}

  std::size_t perBatch() const { return perBatch_; }
  // The copies of the content read so far.
  std::size_t copies() const { return copies_; }
  // Whether the copy being read is handed on.
  bool storing() const { return storing_; }

  void beginContent() { storing_ = hand_ && ++copies_ == storedCopy_; }
  // Once a batch was refused, the rest is only read.
  void handOn(Rows&& rows) {
    if (storing_ && wanted_) wanted_ = (*hand_)(std::move(rows));
  }

 private:
  const Hand* hand_;
  std::size_t perBatch_;
  std::size_t storedCopy_;
  std::size_t copies_ = 0;
  bool storing_ = false;
  bool wanted_ = true;
};

// A result with the outcome of `reply` and none of its rows.
template <typename Rows>
std::shared_ptr<Rows> statusOf(const Rows& reply) {
  auto bare = std::make_shared<Rows>();
  static_cast<NetBaseRst&>(*bare) = static_cast<const NetBaseRst&>(reply);
  return bare;
}

// The result of the reply `text` of command `cmdCode` (the text of `file`,
// when given: read from it as the reading goes, its pages given back as they
// are passed).
// `readContent(in,
// rows, batches)` reads the value of "content" into `rows`, handing rows on
// through `batches`, and answers whether it had the expected shape
// (`malformed` says what was wrong, for the log, when a "200" came without
// it). With a store the result keeps no rows: they were stored, or (the
// store refused them) none of them was kept. A result that is not a success
// keeps no rows either.
template <typename Rows, typename ReadContent>
std::shared_ptr<Rows> decodeTableReply(std::string_view text, const MappedFile* file, SyncTableStore<Rows>* store,
                                       std::size_t perBatch, int cmdCode, std::string_view malformed,
                                       ReadContent readContent) {
  // Batches read ahead of the one being stored: enough that the reading never
  // waits for a store that is slow on one batch, few enough to keep the
  // memory of a batched reply.
  constexpr std::size_t kBatchesAhead = 8;
  std::shared_ptr<Rows> result;
  auto reader = [&] { return file ? std::make_unique<ReplyReader>(*file) : std::make_unique<ReplyReader>(text); };
  auto readWhole = [&] {
    auto opened = reader();
    ReplyReader& in = *opened;
    RowBatches<Rows> none(nullptr, perBatch, 0);
    auto whole = in.template decode<Rows>(cmdCode, malformed, [&](Rows& content) { return readContent(in, content, none); });
    if (whole->isSuccess()) markMalformedWhenRowsUnreadable(*whole, in.unreadableCount());
    return whole;
  };
  if (!store) {
    result = readWhole();
  } else {
    for (std::size_t copy = 1;;) {
      result.reset();
      auto opened = reader();
      ReplyReader& in = *opened;
      std::size_t copies = 0;
      bool storedAll = true;
      const bool kept = store->whileReading([&] {
        // The store stays on this thread.
        auto content = std::make_shared<Rows>();
        ReplyReader::Reading reading;
        base::produceBeside<Rows>(
            kBatchesAhead,
            [&](const typename RowBatches<Rows>::Hand& hand) {
              RowBatches<Rows> batches(&hand, perBatch, copy);
              reading = in.read([&] {
                *content = Rows();
                return readContent(in, *content, batches);
              });
              copies = batches.copies();
            },
            [&](Rows& rows) {
              storedAll = store->store(rows);
              return storedAll;
            });
        result = in.conclude(std::move(reading), std::move(content), cmdCode, malformed);
        if (result->isSuccess()) markMalformedWhenRowsUnreadable(*result, in.unreadableCount());
        return result->isSuccess() && storedAll && copies == copy;
      });
      if (!result) {
        // The store would not begin (its owner is gone): the reply counts
        // as read, with nothing of it kept.
        result = statusOf(*readWhole());
      }
      if (result->isSuccess() && copies > copy) {
        copy = copies;
        continue;
      }
      if (result->isSuccess()) {
        result = statusOf(*result);
        result->storedWhileRead = true;
        result->storeFailed = !kept;
      }
      break;
    }
  }
  if (!result->isSuccess()) return statusOf(*result);
  return result;
}

}  // namespace mv
