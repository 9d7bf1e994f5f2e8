#pragma once
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "store/SQLiteStatement.hpp"

struct sqlite3;

namespace mv {

// A connection to one SQLite database file. The application keeps one
// process-wide connection (`sharedDataBase`), opened by the data-access facade
// on the signed-in client's file and closed when the facade is released.
// A connection belongs to the thread that opened it (the main thread for the
// shared one) and asserts it.
class SQLiteDatabase {
 public:
  SQLiteDatabase() = default;
  ~SQLiteDatabase();
  SQLiteDatabase(const SQLiteDatabase&) = delete;
  SQLiteDatabase& operator=(const SQLiteDatabase&) = delete;

  // The process-wide connection; closed until the facade opens it.
  static SQLiteDatabase& sharedDataBase();

  enum class Missing { Create, Fail };
  // Opens (creating when missing, unless told not to) the file; closes any
  // earlier file first. The calling thread owns the connection from then on.
  [[nodiscard]] bool open(const std::filesystem::path& path, Missing missing = Missing::Create);
  // Harmless when nothing is open. What the write-ahead log holds goes into
  // the file first, as far as other connections let it without waiting.
  void close();
  // Turns the file's write-ahead log on: readers on other connections and
  // the one writer no longer wait for each other. The file stays in that
  // mode. False (the file keeps its rollback journal) when it cannot be
  // switched, as on a file system without shared memory.
  [[nodiscard]] bool useWriteAheadLog();
  // What the log holds goes into the file now, as far as readers let it
  // (none is waited for: one reading an older moment keeps its pages in the
  // log). True when nothing stayed behind; harmless without a log.
  [[nodiscard]] bool checkpoint();

  // The files SQLite keeps beside a database while it is open or after it
  // was left open (its write-ahead log, the log's index, a rollback
  // journal). A database file is moved or removed with them: a log left
  // behind holds committed rows, and one found beside a new file with the
  // old name would be read into it.
  static std::vector<std::filesystem::path> sidecarsOf(const std::filesystem::path& path);
  // Removes the file and its sidecars; false when one of them stays.
  [[nodiscard]] static bool removeFile(const std::filesystem::path& path);
  // Moves the file with its log to `to` (replacing what is there, sidecars
  // included) and drops the log's index, which is rebuilt on the next open.
  // Only for a file no connection has open. When a part cannot move, what
  // moved goes back and `ec` tells why.
  static void moveFile(const std::filesystem::path& from, const std::filesystem::path& to, std::error_code& ec);
  bool isOpen() const { return db_ != nullptr; }
  const std::filesystem::path& path() const { return path_; }

  // Runs SQL without values (schema statements, PRAGMAs); several statements
  // separated by ";" are allowed. Never used with caller-supplied text.
  [[nodiscard]] bool execute(std::string_view sql);
  SQLiteStatement prepare(std::string_view sql) const;
  // The same, kept compiled for the next use of the same text: for the
  // queries the screens run again and again.
  SQLiteStatement prepareCached(std::string_view sql) const;

  // Prepares, binds the values in order and runs to the end.
  template <typename... Args>
  [[nodiscard]] bool run(std::string_view sql, const Args&... args) {
    SQLiteStatement st = prepare(sql);
    if (!st) return false;
    st.bindAll(args...);
    return st.run();
  }

  // Runs `work` in one transaction: committed when it answers true; rolled
  // back, with nothing changed, when it answers false or the commit fails
  // (false then). Inside an open transaction it is a savepoint, so work that
  // runs its own transaction composes into a larger one.
  [[nodiscard]] bool runInTransaction(const std::function<bool()>& work);
  // The same for a long run of writes (a reply stored in batches): the
  // transactions `work` begins join this one instead of opening savepoints,
  // and one of them that rolls back leaves the whole rolled back (see
  // SQLiteTransaction::beginBulk).
  [[nodiscard]] bool runInBulkTransaction(const std::function<bool()>& work);

  // Runs `action` once the outermost transaction open now has committed (at
  // once when none is open); drops it when that transaction, or the savepoint
  // open now, rolls back. For results that must not reach the caller's
  // objects before they are stored for good.
  void afterCommit(std::function<void()> action);

  // The result code (extended) of the last statement or script on this
  // connection that failed, 0 while none has since the connection opened or
  // since `forgetFailure`: a caller whose write failed reads here why, for
  // one the disk that had no room for it rather than the data.
  int lastFailure() const { return failures_->last; }
  bool lastFailureFoundDiskFull() const;
  void forgetFailure() { failures_->last = 0; }
  // Statements and scripts of this connection that found the disk full, so
  // far. A caller whose save failed compares it with a reading taken before,
  // to tell the user it is the device's room and not the data at fault;
  // another connection's full disk (a save beside a sync) is not counted.
  std::uint64_t diskFulls() const { return failures_->diskFulls; }

  // Rows changed by the last INSERT, UPDATE or DELETE.
  int changes() const;
  std::int64_t lastInsertRowId() const;
  std::string lastError() const;

  // Schema facts.
  int userVersion() const;
  [[nodiscard]] bool setUserVersion(int version);
  bool tableExists(std::string_view table) const;
  std::vector<std::string> columnNames(std::string_view table) const;

  sqlite3* handle() const { return db_; }

  // Asserts the calling thread owns the connection (the main thread while
  // none is open).
  void checkThread(const char* function) const;

 private:
  friend class SQLiteTransaction;
  // One list of after-commit actions per transaction or savepoint open.
  void beginCommitFrame() { commitFrames_.emplace_back(); }
  void endCommitFrame(bool committed);

  sqlite3* db_ = nullptr;
  std::filesystem::path path_;
  // The thread that opened the connection; none while closed.
  std::thread::id owner_;
  std::vector<std::vector<std::function<void()>>> commitFrames_;
  // A bulk transaction is open (see SQLiteTransaction::beginBulk), and one
  // of the transactions that joined it rolled back.
  bool bulkOpen_ = false;
  bool bulkDoomed_ = false;
  // The open connection's kept statements; a new cache per connection, so
  // statements out at a close are finalised when their users are done.
  std::shared_ptr<SQLiteStatementCache> statements_;
  // Shared with the statements prepared here, which write their failures in
  // and may outlive the connection.
  std::shared_ptr<SQLiteFailures> failures_ = std::make_shared<SQLiteFailures>();
};

}  // namespace mv
