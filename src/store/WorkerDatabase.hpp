#pragma once
// A connection of its own to the client's database, with the data-access
// facade over it, for database work that grows with the company and must not
// hold the main thread (the sync storing a product reply of a hundred
// thousand rows, the sync reading every picture name): one worker opens it,
// uses it and closes it. It never makes the file.
//
// The file has one writer at a time. A worker waits for the session's
// writes, which each last a turn of the main loop at most. A write on the
// session's connection waits for a worker's up to that connection's busy
// time-out; but a worker's long write (`runInLongTransaction`) holds the
// file for seconds, and a write the user asked for does not wait for it
// (SessionDatabase::UserWrite): it fails at once, and the screen tells the
// user to try again when the sync has finished.
//
// Under the write-ahead log a worker's commit flushes the log before it
// returns (once for a whole table, so cheap), since the sync marks a table
// as had once it is stored; the log goes into the file after a long write on
// a worker of its own, rather than at the commit that ends the write. The
// session's connection, which holds the user's own saves, flushes each
// commit too (SQLiteDatabase::useWriteAheadLog).
#include <filesystem>
#include <functional>
#include <memory>

#include "store/DataAccessManager.hpp"
#include "store/SQLiteDatabase.hpp"

namespace mv {

class WorkerDatabase {
 public:
  // How long a worker's statement waits for another writer.
  static constexpr int kBusyTimeoutMs = 10000;
  // Another wait for the connections opened from now on (tests that hold
  // the file from outside for as long as their steps take).
  static void setBusyTimeout(int milliseconds);

  // The open connection; null (the reason logged) when the file is missing
  // or cannot be opened.
  [[nodiscard]] static std::unique_ptr<WorkerDatabase> open(const std::filesystem::path& path);
  ~WorkerDatabase();
  WorkerDatabase(const WorkerDatabase&) = delete;
  WorkerDatabase& operator=(const WorkerDatabase&) = delete;

  DataAccessManager& store() { return *store_; }
  // Runs `work` in one transaction that may hold the file for seconds (a
  // reply of a hundred thousand products), as `runInBulkTransaction`. Once
  // it is kept, the log goes into the file on another worker.
  [[nodiscard]] bool runInLongTransaction(const std::function<bool()>& work);
  // Whether a worker's long transaction is under way (or waiting to begin).
  // Any thread.
  static bool longWriteUnderWay();
  // What the log holds goes into the file now, flushed (see
  // SQLiteDatabase::checkpoint).
  [[nodiscard]] bool checkpoint();

 private:
  WorkerDatabase() = default;

  // The file keeps a write-ahead log, which this connection leaves to a
  // checkpoint on another worker.
  bool inLog_ = false;

  SQLiteDatabase db_;
  std::unique_ptr<DataAccessManager> store_;
};

}  // namespace mv
