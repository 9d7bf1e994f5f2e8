#pragma once
// Keeps the user's own work across a full resync that rebuilds the client
// database: quote orders not yet submitted and customers made on the device
// (negative ids, with their attributes, addresses and contacts) are copied from
// the old database file into the new one. Main thread only.
#include <filesystem>

namespace mv {

class SQLiteDatabase;

class LocalWorkKeeper {
 public:
  // Whether the database holds work the service does not have yet.
  static bool hasLocalWork(SQLiteDatabase& db);
  // Copies that work from `keptFile` into `db` in one transaction.
  static bool copyLocalWork(SQLiteDatabase& db, const std::filesystem::path& keptFile);
};

}  // namespace mv
