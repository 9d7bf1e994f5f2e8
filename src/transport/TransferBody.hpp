#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "platform/base/PageWarmer.hpp"
#include "transport/ReplyFile.hpp"

namespace mv {

// Where the body of one reply goes as it arrives, and what stopped it. A
// body is of one of four kinds:
// - Memory: a message's reply, or an answer that is no file, kept within the
//   body limit;
// - Spill: a message's reply past what memory keeps, going on in its spill
//   file while its disk has room above the margin it keeps free for it and
//   for its reader's store beside it; a disk that runs short first sends it
//   back to memory, when memory may keep it;
// - Held: the start of a download's file begun afresh, kept in memory until
//   it passes kMostHeld bytes or must be written: most files are small and
//   whole, and the delivery writes those, so the network thread makes no
//   file of its own for them;
// - File: a download's partial file, written as the bytes come.
// A message's body begins in memory and may go on in its spill file; a
// download's file begins held, or in the file when it continues one. Network
// thread only.
class TransferBody {
 public:
  enum class Kind { Memory, Spill, Held, File };
  // What stopped the body, in rising precedence: a fault marked after one of
  // higher precedence does not hide it (a write that failed because the disk
  // is full stays a matter of room).
  enum class Fault { None, WriteFailed, Undecodable, TooLarge, NoRoom };
  static constexpr std::size_t kMostHeld = 256 * 1024;

  // The body of a reply to a download of `file` (its temporary file) or to
  // a message that may go on in `file` (its spill file; empty: none).
  // `bodyLimit` bounds a body kept in memory (-1: no bound), `fileLimit` a
  // download's file; `storeShare` is the room the reader of a spill file
  // takes beside it, for each byte of it (TransferSetup::spillStoreShare).
  TransferBody(std::filesystem::path file, bool download, std::int64_t bodyLimit, std::int64_t fileLimit,
               double storeShare = 0);
  // What is held is written, the file closed and a spill file removed (what
  // the destructor does, done at once); its buffers are freed.
  ~TransferBody() { release(); }
  void release();
  TransferBody(const TransferBody&) = delete;
  TransferBody& operator=(const TransferBody&) = delete;

  Kind kind() const { return kind_; }
  // The body goes to a download's file (held first, or written).
  bool toFile() const { return kind_ == Kind::Held || kind_ == Kind::File; }
  // The bytes of this reply's body taken so far, wherever they went.
  std::int64_t size() const { return size_; }

  Fault fault() const { return fault_; }
  // Why, for the request's error; empty when the fault says enough.
  const std::string& faultDetail() const { return faultDetail_; }
  void fail(Fault fault, std::string detail = {});
  void clearFault();

  // A new reply begins: an empty body in memory, a spill file begun
  // removed, a download's file closed. What was held is written first.
  void reset();
  // Takes `size` more bytes; false, with the fault marked, past a bound or
  // when they cannot be written.
  bool append(const char* data, std::size_t size);

  // --- A body in memory, or in its spill file.
  // Whether a body announced at `length` bytes may come, before a byte of
  // it is read: one past what memory keeps goes to the spill file when its
  // disk has room for it and its reader's store, else stays in memory
  // within the body limit; past that it is refused. Memory for it is reserved at once, so that a large
  // reply is not copied as it grows (a compressed length says nothing of
  // what it inflates to). The length is only a hint, trusted up to a bound.
  bool announce(std::int64_t length, bool encoded);
  // The body held in memory, moved out.
  std::string takeMemory();
  // The spill file, whole, once the reply ended well; nothing with the
  // fault marked (and the file gone) when it cannot be finished, or when
  // the body stayed in memory.
  std::shared_ptr<const ReplyFile> finishSpill();
  // The spill file goes, whole or not.
  void dropSpill();

  // --- A download's file. Each counts `offset` bytes already in the file
  // before this reply's.
  // The body is held in memory, to be written from the start of the file;
  // `keepHead`: its first bytes stay at hand for the file's check once
  // written (`head`).
  void beginHeld(std::int64_t offset, std::int64_t announced, bool encoded, bool keepHead);
  // The body goes on at the end of the partial file.
  [[nodiscard]] bool beginAppending(std::int64_t offset);
  // Writes what is held to the file, left open for more.
  bool flushHeld();
  bool closeFile();
  // Drops what is held and removes the file.
  void removeFile();
  // What is held, whole: the file as it arrived.
  const std::string& held() const { return bytes_; }
  // Moves out what is held: nothing is left to write.
  std::string takeHeld();
  // Lends what is held (to a check on another thread), and takes it back:
  // meanwhile the body holds nothing, and its size stays that of the file.
  std::string lendHeld() { return std::exchange(bytes_, {}); }
  void takeBackHeld(std::string bytes) { bytes_ = std::move(bytes); }
  // The first bytes of a file held and then written (when asked to keep them).
  const std::string& head() const { return head_; }
  // Whether a file of `bytes` stays within the file limit; past it the body
  // is marked too large.
  bool fileFits(std::int64_t bytes);
  // Whether `bytes` more may be written beside the file, in the room its
  // disk has left above the margin it keeps free; past it the body is
  // marked short of room.
  bool roomFor(std::int64_t bytes);
  // Notes a write or an open that failed, and whether for want of room.
  void writeFailed(const std::string& what);

  // Any thread: the buffer of a held file, written, goes back to the network
  // thread, which made it. A buffer freed on another thread takes the lock
  // of the network thread's heap while that thread allocates for the next
  // replies; there it is reused for a file of about its size, or freed.
  static void giveBack(std::string bytes);
  // Network thread: frees every buffer given back (the engine is idle).
  static void dropSpares();

  // How many partial files were opened so far (Transfer::partialFilesOpened).
  static std::uint64_t partialFilesOpened();
  // Opens a file, making its folder the first time it is needed.
  static std::FILE* openAt(const std::filesystem::path& path, const char* mode);

 private:
  bool keepInMemory(const char* data, std::size_t size);
  bool writeSpill(const char* data, std::size_t size);
  bool writeFile(const char* data, std::size_t size);
  // What is held of a message body before it goes to its spill file.
  std::int64_t heldBeforeSpill() const;
  // The room a spill file of `bytes` takes with its reader's beside it,
  // less the `written` bytes of it already on the disk.
  std::int64_t spillRoom(std::int64_t bytes, std::int64_t written = 0) const;
  bool maySpill() const { return !download_ && !path_.empty() && !spillRefused_; }
  // Moves what is held of the body to the spill file, which takes the rest;
  // true also when the disk has no room for it and the body stays in memory.
  bool beginSpill(std::size_t coming);
  // The disk has no more room for the spill file: what it holds goes back to
  // memory, which keeps the rest of the body.
  bool spillBackToMemory();
  bool openFile(const char* mode);

  const std::filesystem::path path_;
  const bool download_;
  const std::int64_t bodyLimit_;
  const std::int64_t fileLimit_;
  const double storeShare_;

  Kind kind_ = Kind::Memory;
  std::int64_t size_ = 0;
  std::int64_t offset_ = 0;
  // The length a message body announced, when it came as it is (-1: none).
  std::int64_t announced_ = -1;
  // The body in memory, or what is held of a download's file.
  std::string bytes_;
  // Faults in a large reserved body ahead of its bytes; stopped before the
  // body is moved out or grows elsewhere, and gone before it.
  base::PageWarmer warmer_;
  // The spill file or the download's partial file, while open.
  std::FILE* file_ = nullptr;
  // The spill file's disk had no room: the body stays in memory.
  bool spillRefused_ = false;
  bool keepHead_ = false;
  std::string head_;
  Fault fault_ = Fault::None;
  std::string faultDetail_;
};

}  // namespace mv
