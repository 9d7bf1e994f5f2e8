#pragma once
// Rows a schema rebuild could not keep in their table wait in side tables
// "<name>__kept" of the client database. A full resync replaces that
// database, so before it goes they are written to a dated file of their own
// in the client folder, "kept_rows_<yyyyMMdd-HHmmss>.sqlite" (one table per
// side table, same names), which no later resync deletes. Main thread only.
#include <filesystem>
#include <string>
#include <vector>

namespace mv {

class SQLiteDatabase;

class KeptRowsFile {
 public:
  // The side tables of `db`, by name.
  static std::vector<std::string> keptTables(SQLiteDatabase& db);
  // Writes every side table of `db` into a new file in `folder`, dated
  // `secondsSince1970` in local time; nothing when there is none. False when
  // they could not all be written (no file is left then). `written` gets the
  // file's path, or an empty one.
  [[nodiscard]] static bool save(SQLiteDatabase& db, const std::filesystem::path& folder, double secondsSince1970,
                                 std::filesystem::path* written = nullptr);
  // Whether the name is one of those files'.
  static bool isKeptRowsFile(const std::filesystem::path& path);
  // Those files in `folder`.
  static std::vector<std::filesystem::path> filesIn(const std::filesystem::path& folder);
};

}  // namespace mv
