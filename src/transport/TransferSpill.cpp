// A message body that goes on in its spill file once it passes what memory
// keeps (see TransferSetup::spillFile), bounded by the disk's room.
#include <algorithm>
#include <cstdio>
#include <system_error>

#include "transport/RequestError.hpp"
#include "transport/Transfer.hpp"

namespace fs = std::filesystem;

namespace mv {

std::int64_t Transfer::heldBeforeSpill() const {
  return spec_.bodyLimit >= 0 ? std::min(spec_.bodyLimit, TransferSetup::kMostHeldBeforeSpill)
                              : TransferSetup::kMostHeldBeforeSpill;
}

bool Transfer::weighAnnouncedBody() {
  if (toFile_ || skipBody_ || expected_ < 0) return true;
  // A compressed length says nothing of what it inflates to.
  if (spills() && encoded_) return true;
  if (spills() && expected_ > heldBeforeSpill()) {
    if (roomFor(expected_)) return true;
    spillRefused_ = true;
  }
  if (spec_.bodyLimit >= 0 && expected_ > spec_.bodyLimit) {
    // Announced past the limit: not a byte of it is read.
    tooLarge_ = !noRoom_;
    return false;
  }
  // Short of room for the file, but within what memory may keep.
  noRoom_ = false;
  failureDetail_.clear();
  return true;
}

bool Transfer::keepBody(const char* data, size_t size) {
  if (!spill_ && spills() && !spillRefused_ && static_cast<std::int64_t>(body_.size() + size) > heldBeforeSpill() &&
      !beginSpill(size)) {
    return false;
  }
  if (spill_) {
    // The room is asked again at each megabyte the file passes: others
    // write to the disk meanwhile.
    constexpr std::int64_t kRoomStep = std::int64_t{1} << 20;
    const auto bytes = static_cast<std::int64_t>(size);
    if ((spilled_ + bytes) / kRoomStep != spilled_ / kRoomStep && !roomFor(kRoomStep + bytes)) return false;
    if (size > 0 && std::fwrite(data, 1, size, spill_) != size) {
      writeFailed(spec_.spillFile.string() + ": ");
      return false;
    }
    spilled_ += bytes;
    return true;
  }
  if (spec_.bodyLimit >= 0 && size > static_cast<std::size_t>(spec_.bodyLimit) - body_.size()) {
    tooLarge_ = true;
    if (spillRefused_) {
      noRoom_ = true;
      failureDetail_ = "the reply passed " + std::to_string(spec_.bodyLimit) +
                       " bytes, and the disk has no room to keep it";
    }
    return false;
  }
  // Growing past the room reserved moves the body.
  if (size > body_.capacity() - body_.size()) bodyWarmer_.stop();
  body_.append(data, size);
  bodyWarmer_.filled(body_.size());
  return true;
}

bool Transfer::beginSpill(size_t coming) {
  if (!roomFor(static_cast<std::int64_t>(body_.size() + coming))) {
    // Kept in memory instead, within the body limit.
    noRoom_ = false;
    failureDetail_.clear();
    spillRefused_ = true;
    return true;
  }
  spill_ = openAt(spec_.spillFile, "wb");
  if (!spill_) {
    writeFailed(spec_.spillFile.string() + ": ");
    return false;
  }
  if (!body_.empty() && std::fwrite(body_.data(), 1, body_.size(), spill_) != body_.size()) {
    writeFailed(spec_.spillFile.string() + ": ");
    return false;
  }
  spilled_ = static_cast<std::int64_t>(body_.size());
  bodyWarmer_.stop();
  std::string().swap(body_);
  return true;
}

void Transfer::deliverSpill(TransferResult& result) {
  if (!spill_) return;
  const bool closed = std::fclose(spill_) == 0;
  spill_ = nullptr;
  if (closed) {
    result.bodyFile = std::make_shared<const ReplyFile>(spec_.spillFile, spilled_);
    return;
  }
  writeFailed(spec_.spillFile.string() + ": ");
  std::error_code ec;
  fs::remove(spec_.spillFile, ec);
  result.errorCode = static_cast<long>(noRoom_ ? RequestError::NoRoom : RequestError::FileWriteFailed);
  result.errorDetail = failureDetail_;
}

void Transfer::dropSpill() {
  if (spill_) {
    std::fclose(spill_);
    spill_ = nullptr;
    std::error_code ec;
    fs::remove(spec_.spillFile, ec);
  }
  spilled_ = 0;
  spillRefused_ = false;
}

}  // namespace mv
