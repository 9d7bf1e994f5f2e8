#pragma once
// The one door to the signed-in client's database connection: it opens the
// client's file on first use (Documents/<client id lower-cased>/
// marvisto_lite.sqlite, made from the template when missing, brought up to
// the current layout) and closes it. The session's services hold it for as
// long as the session lasts; before a session begins, the sign-in, the
// account's storage and the restore reach it here. Everything else gets the
// database from the session's services, so nothing reopens it after the
// session ended. Main thread only.
#include <memory>

namespace mv {

class DataAccessManager;

class SessionDatabase {
 public:
  // The database of the client signed in now, opened when it is not; null
  // when no valid client id is signed in or the file cannot be opened.
  static std::shared_ptr<DataAccessManager> open();
  // Whether the last `open` that failed did so because the disk had no room
  // for a new database of the client (false after one that opened).
  static bool lastOpenFoundNoRoom();
  // Whether the connection is open now (never opens it).
  [[nodiscard]] static bool isOpen();
  // Drops the facade and closes the connection; harmless when none is open.
  // The next `open` opens the database of the client then signed in.
  static void close();

  // Marks, for as long as it lives, the writes a screen makes because the
  // user asked for them (saving an order, marking a favourite, storing a
  // customer or a note). While the sync stores a reply on a worker, which
  // holds the file for seconds (WorkerDatabase::runInLongTransaction), such
  // a write does not wait for it, which would hold the window still: it
  // fails at once, and the screen keeps what the user entered. Every other
  // write (the sync's own steps, the service's replies, a restore, the
  // session's start and end) waits for the file as before.
  class UserWrite {
   public:
    UserWrite();
    ~UserWrite();
    UserWrite(const UserWrite&) = delete;
    UserWrite& operator=(const UserWrite&) = delete;
  };
  // Whether the user's last write gave way to the sync's store: done again
  // once the sync has finished, it goes through.
  static bool lastWriteGaveWay();
  // Whether the user's last write found the disk without room for it: done
  // again once room is made, it goes through.
  static bool lastWriteFoundDiskFull();
  // The text key that tells the user why their last write failed:
  // "SYNCSTORING" when it gave way to the sync's store, "SAVENOROOM" when
  // the disk had no room for it, else "FAILED".
  static const char* failedWriteKey();
};

}  // namespace mv
