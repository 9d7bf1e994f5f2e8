#include "transport/TransferBody.hpp"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <utility>
#include <vector>

#include "transport/TransferSetup.hpp"
#include "util/DiskRoom.hpp"

namespace fs = std::filesystem;

namespace mv {

namespace {

std::atomic<std::uint64_t> gPartialFilesOpened{0};

// The buffers of held files given back (TransferBody::giveBack), bounded in
// count and in bytes: most are taken again at once, one for each file that
// follows.
struct Spares {
  static constexpr std::size_t kMost = 64;
  static constexpr std::size_t kMostBytes = std::size_t{4} << 20;
  Spares() { buffers.reserve(kMost); }
  std::mutex mutex;
  std::vector<std::string> buffers;
  std::size_t bytes = 0;  // their capacity
};

Spares& spares() {
  static Spares* s = new Spares;  // outlives every thread that gives back
  return *s;
}

// A buffer given back that fits a file of `announced` bytes without holding
// much more than it; empty when none does.
std::string spareFor(std::size_t announced) {
  Spares& s = spares();
  std::lock_guard<std::mutex> lock(s.mutex);
  for (auto it = s.buffers.rbegin(); it != s.buffers.rend(); ++it) {
    if (it->capacity() < announced || it->capacity() > 2 * announced + 4096) continue;
    std::string bytes = std::move(*it);
    s.buffers.erase(std::next(it).base());
    s.bytes -= bytes.capacity();
    return bytes;
  }
  return {};
}

}  // namespace

void TransferBody::giveBack(std::string bytes) {
  if (bytes.capacity() == 0) return;
  Spares& s = spares();
  std::lock_guard<std::mutex> lock(s.mutex);
  // Past the bound it is freed here: the network thread has not taken the
  // others yet.
  if (s.buffers.size() >= Spares::kMost || s.bytes + bytes.capacity() > Spares::kMostBytes) return;
  bytes.clear();
  s.bytes += bytes.capacity();
  s.buffers.push_back(std::move(bytes));
}

void TransferBody::dropSpares() {
  std::vector<std::string> dropped;
  {
    Spares& s = spares();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.buffers.empty()) return;
    dropped.reserve(s.buffers.size());
    for (std::string& buffer : s.buffers) dropped.push_back(std::move(buffer));
    s.buffers.clear();
    s.bytes = 0;
  }
}

std::uint64_t TransferBody::partialFilesOpened() { return gPartialFilesOpened.load(); }

TransferBody::TransferBody(fs::path file, bool download, std::int64_t bodyLimit, std::int64_t fileLimit,
                           double storeShare)
    : path_(std::move(file)),
      download_(download),
      bodyLimit_(bodyLimit),
      fileLimit_(fileLimit),
      storeShare_(std::max(storeShare, 0.0)) {}

void TransferBody::release() {
  flushHeld();
  closeFile();
  dropSpill();
  warmer_.stop();
  std::string().swap(bytes_);
  std::string().swap(head_);
}

void TransferBody::fail(Fault fault, std::string detail) {
  if (fault < fault_) return;
  if (fault > fault_ || !detail.empty()) faultDetail_ = std::move(detail);
  fault_ = fault;
}

void TransferBody::clearFault() {
  fault_ = Fault::None;
  faultDetail_.clear();
}

void TransferBody::reset() {
  flushHeld();
  closeFile();
  dropSpill();
  kind_ = Kind::Memory;
  size_ = 0;
  offset_ = 0;
  announced_ = -1;
  bytes_.clear();
  head_.clear();
  keepHead_ = false;
}

bool TransferBody::append(const char* data, std::size_t size) {
  switch (kind_) {
    case Kind::Memory:
      return keepInMemory(data, size);
    case Kind::Spill:
      return writeSpill(data, size);
    case Kind::Held:
    case Kind::File:
      return writeFile(data, size);
  }
  return false;
}

// --- Memory and Spill ------------------------------------------------------

std::int64_t TransferBody::heldBeforeSpill() const {
  return bodyLimit_ >= 0 ? std::min(bodyLimit_, TransferSetup::kMostHeldBeforeSpill)
                         : TransferSetup::kMostHeldBeforeSpill;
}

std::int64_t TransferBody::spillRoom(std::int64_t bytes, std::int64_t written) const {
  return bytes - written + static_cast<std::int64_t>(storeShare_ * static_cast<double>(bytes));
}

bool TransferBody::announce(std::int64_t length, bool encoded) {
  if (length < 0) return true;
  // A compressed length says nothing of what it inflates to.
  if (!encoded) announced_ = length;
  bool toSpill = maySpill() && encoded;
  if (!toSpill && maySpill() && length > heldBeforeSpill()) {
    toSpill = roomFor(spillRoom(length));
    spillRefused_ = !toSpill;
  }
  if (!toSpill) {
    if (bodyLimit_ >= 0 && length > bodyLimit_) {
      // Announced past the limit: not a byte of it is read.
      fail(Fault::TooLarge);
      return false;
    }
    // Short of room for the file, but within what memory may keep.
    clearFault();
  }
  if (!encoded && length > 0) {
    constexpr std::int64_t kMostReserved = std::int64_t{256} << 20;
    // A body bound for the spill file is held only until it goes there.
    const std::int64_t held = maySpill() ? TransferSetup::kMostHeldBeforeSpill : kMostReserved;
    warmer_.stop();
    bytes_.reserve(static_cast<std::size_t>(std::min(length, held)));
    warmer_.start(bytes_.data(), bytes_.capacity());
  }
  return true;
}

bool TransferBody::keepInMemory(const char* data, std::size_t size) {
  if (maySpill() && size_ + static_cast<std::int64_t>(size) > heldBeforeSpill()) {
    if (!beginSpill(size)) return false;
    if (kind_ == Kind::Spill) return writeSpill(data, size);
  }
  if (bodyLimit_ >= 0 && size > static_cast<std::size_t>(bodyLimit_) - bytes_.size()) {
    if (spillRefused_) {
      fail(Fault::NoRoom, "the reply passed " + std::to_string(bodyLimit_) + " bytes, and the disk has no room to keep it");
    } else {
      fail(Fault::TooLarge);
    }
    return false;
  }
  // Growing past the room reserved moves the body.
  if (size > bytes_.capacity() - bytes_.size()) warmer_.stop();
  bytes_.append(data, size);
  warmer_.filled(bytes_.size());
  size_ += static_cast<std::int64_t>(size);
  return true;
}

bool TransferBody::beginSpill(std::size_t coming) {
  if (!roomFor(spillRoom(std::max(announced_, static_cast<std::int64_t>(bytes_.size() + coming))))) {
    // Kept in memory instead, within the body limit.
    clearFault();
    spillRefused_ = true;
    return true;
  }
  // Read as well as written: should the disk run short before the body
  // ends, it goes back to memory.
  file_ = openAt(path_, "w+b");
  if (!file_) {
    writeFailed(path_.string() + ": ");
    return false;
  }
  kind_ = Kind::Spill;
  if (!bytes_.empty() && std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size()) {
    writeFailed(path_.string() + ": ");
    return false;
  }
  warmer_.stop();
  std::string().swap(bytes_);
  return true;
}

bool TransferBody::writeSpill(const char* data, std::size_t size) {
  // The room is asked again at each megabyte the file passes, for the rest
  // of the reply (the next megabyte of one of unknown length) and its
  // reader's beside it: others write to the disk meanwhile.
  constexpr std::int64_t kRoomStep = std::int64_t{1} << 20;
  const auto bytes = static_cast<std::int64_t>(size);
  if ((size_ + bytes) / kRoomStep != size_ / kRoomStep &&
      !roomFor(spillRoom(std::max(announced_, size_ + bytes + kRoomStep), size_))) {
    // A body that memory may keep goes on there, whether it came compressed
    // or not; one past that is refused for want of room.
    if (bodyLimit_ >= 0 && size_ + bytes > bodyLimit_) return false;
    return spillBackToMemory() && keepInMemory(data, size);
  }
  if (size > 0 && std::fwrite(data, 1, size, file_) != size) {
    writeFailed(path_.string() + ": ");
    return false;
  }
  size_ += bytes;
  return true;
}

bool TransferBody::spillBackToMemory() {
  // The body moves once: room for all memory may keep of it, whose pages are
  // taken only as it fills them.
  std::string kept;
  kept.reserve(static_cast<std::size_t>(bodyLimit_ >= 0 ? bodyLimit_ : 2 * size_));
  kept.resize(static_cast<std::size_t>(size_));
  if (std::fflush(file_) != 0 || std::fseek(file_, 0, SEEK_SET) != 0 ||
      std::fread(kept.data(), 1, kept.size(), file_) != kept.size()) {
    writeFailed(path_.string() + ": ");
    return false;
  }
  dropSpill();
  clearFault();
  spillRefused_ = true;
  size_ = static_cast<std::int64_t>(kept.size());
  bytes_ = std::move(kept);
  return true;
}

std::string TransferBody::takeMemory() {
  warmer_.stop();
  return std::move(bytes_);
}

std::shared_ptr<const ReplyFile> TransferBody::finishSpill() {
  if (kind_ != Kind::Spill) return nullptr;
  const bool closed = std::fclose(file_) == 0;
  file_ = nullptr;
  const std::int64_t size = size_;
  kind_ = Kind::Memory;
  size_ = 0;
  if (closed) return std::make_shared<const ReplyFile>(path_, size);
  writeFailed(path_.string() + ": ");
  std::error_code ec;
  fs::remove(path_, ec);
  return nullptr;
}

void TransferBody::dropSpill() {
  if (kind_ == Kind::Spill) {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    std::error_code ec;
    fs::remove(path_, ec);
    kind_ = Kind::Memory;
    size_ = 0;
  }
  spillRefused_ = false;
}

// --- Held and File ---------------------------------------------------------

void TransferBody::beginHeld(std::int64_t offset, std::int64_t announced, bool encoded, bool keepHead) {
  kind_ = Kind::Held;
  offset_ = offset;
  keepHead_ = keepHead;
  bytes_.clear();
  // Room for the whole of a small file at once.
  if (!encoded && announced > 0 && announced <= static_cast<std::int64_t>(kMostHeld)) {
    const auto size = static_cast<std::size_t>(announced);
    if (bytes_.capacity() < size) {
      if (std::string spare = spareFor(size); spare.capacity() > 0) bytes_ = std::move(spare);
    }
    bytes_.reserve(size);
  }
}

bool TransferBody::beginAppending(std::int64_t offset) {
  offset_ = offset;
  if (!openFile("ab")) return false;
  kind_ = Kind::File;
  return true;
}

bool TransferBody::writeFile(const char* data, std::size_t size) {
  const auto bytes = static_cast<std::int64_t>(size);
  if (!fileFits(offset_ + size_ + bytes)) return false;
  if (kind_ == Kind::Held && bytes_.size() + size > kMostHeld && !flushHeld()) return false;
  if (kind_ == Kind::Held) {
    bytes_.append(data, size);
  } else if (size > 0) {
    if (!roomFor(bytes)) return false;
    if (std::fwrite(data, 1, size, file_) != size) {
      writeFailed({});
      return false;
    }
  }
  size_ += bytes;
  return true;
}

bool TransferBody::flushHeld() {
  if (kind_ != Kind::Held) return true;
  kind_ = Kind::File;
  const std::string held = std::move(bytes_);
  bytes_.clear();
  // The start of a file begun afresh stays at hand for its check.
  if (keepHead_ && offset_ == 0) head_ = held;
  if (!roomFor(static_cast<std::int64_t>(held.size())) || !openFile("wb")) return false;
  if (!held.empty() && std::fwrite(held.data(), 1, held.size(), file_) != held.size()) {
    writeFailed({});
    return false;
  }
  return true;
}

bool TransferBody::openFile(const char* mode) {
  // Counted before it exists: a look that found nothing before this is not
  // trusted after it.
  gPartialFilesOpened.fetch_add(1);
  file_ = openAt(path_, mode);
  if (!file_) {
    writeFailed(path_.string() + ": ");
    return false;
  }
  return true;
}

bool TransferBody::closeFile() {
  if (kind_ != Kind::File || !file_) return true;
  const bool ok = std::fclose(file_) == 0;
  file_ = nullptr;
  if (!ok) writeFailed({});
  return ok;
}

void TransferBody::removeFile() {
  if (kind_ == Kind::Held) {
    kind_ = Kind::File;
    bytes_.clear();
  }
  if (kind_ == Kind::File && file_) {
    std::fclose(file_);
    file_ = nullptr;
  }
  std::error_code ec;
  if (download_ && !path_.empty()) fs::remove(path_, ec);
}

std::string TransferBody::takeHeld() {
  if (kind_ != Kind::Held) return {};
  kind_ = Kind::Memory;
  std::string held = std::move(bytes_);
  bytes_.clear();
  return held;
}

bool TransferBody::fileFits(std::int64_t bytes) {
  if (fileLimit_ < 0 || bytes <= fileLimit_) return true;
  fail(Fault::TooLarge, "the file runs past " + std::to_string(fileLimit_) + " bytes");
  return false;
}

bool TransferBody::roomFor(std::int64_t bytes) {
  if (bytes <= 0 || DiskRoom::hasRoomFor(path_.parent_path(), static_cast<std::uint64_t>(bytes))) return true;
  // Read again for the figure: the refusal names the room there is.
  const auto room = DiskRoom::roomFor(path_.parent_path());
  if (!room || static_cast<std::uint64_t>(bytes) <= *room) return true;
  fail(Fault::NoRoom, "the disk keeps its margin free: room for " + std::to_string(*room) + " bytes, not " +
                          std::to_string(bytes));
  return false;
}

void TransferBody::writeFailed(const std::string& what) {
  const int error = errno;
  fail(error == ENOSPC || error == EDQUOT ? Fault::NoRoom : Fault::WriteFailed, what + std::strerror(error));
}

FILE* TransferBody::openAt(const fs::path& path, const char* mode) {
  std::FILE* file = std::fopen(path.c_str(), mode);
  if (!file && errno == ENOENT && path.has_parent_path()) {
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    file = std::fopen(path.c_str(), mode);
  }
  return file;
}

}  // namespace mv
