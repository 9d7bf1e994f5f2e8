#pragma once
// Keeps the user's own work across a full resync that rebuilds the client
// database, as a resync into the database as it is keeps it: quote orders
// not yet submitted, customers made on the device (negative ids, with their
// attributes, addresses and contacts), the notes and marks set on the
// service's customers, the favourites, the comparison list, the library
// favourites, the customers uploaded from here and the local ids given out
// so far are copied from the old database file into the new one, and the
// files of rows that schema rebuilds set aside stay in the client folder.
// Main thread only.
#include <filesystem>

namespace mv {

class SQLiteDatabase;

class LocalWorkKeeper {
 public:
  // Whether the database holds work the service does not have yet, or has
  // given out local ids that a new database must not give out again.
  static bool hasLocalWork(SQLiteDatabase& db);
  // Copies that work from `keptFile` into `db` in one transaction.
  static bool copyLocalWork(SQLiteDatabase& db, const std::filesystem::path& keptFile);
  // Rows that schema rebuilds set aside outlive the database: writes those
  // of `db` (when open) to a dated file in the client folder, then moves
  // every such file to `asideFolder` while the client folder is wiped. False
  // when that failed (the client folder then holds them as before).
  [[nodiscard]] static bool setKeptRowsAside(SQLiteDatabase& db, const std::filesystem::path& clientFolder,
                                             const std::filesystem::path& asideFolder, double now);
  // Moves them back into the (new) client folder; false when some stay aside.
  [[nodiscard]] static bool restoreKeptRows(const std::filesystem::path& asideFolder,
                                            const std::filesystem::path& clientFolder);
};

}  // namespace mv
