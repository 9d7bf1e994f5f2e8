// Writes the template client database: every table of the schema, with the
// schema version recorded, empty but for the configuration images' rows. Usage: make_template <output file>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "store/SQLiteDatabase.hpp"
#include "store/Schema.hpp"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output.sqlite>\n", argv[0]);
    return 2;
  }
  fs::path out = argv[1];
  fs::path partial = out;
  partial += ".partial";
  std::error_code ec;
  fs::create_directories(out.parent_path(), ec);
  fs::remove(partial, ec);
  {
    mv::SQLiteDatabase db;
    if (!db.open(partial) || !mv::Schema::createAll(db) || !mv::Schema::seedTemplateRows(db) || !db.execute("VACUUM")) {
      std::fprintf(stderr, "cannot build the template database %s\n", partial.c_str());
      db.close();
      fs::remove(partial, ec);
      return 1;
    }
  }
  fs::rename(partial, out, ec);
  if (ec) {
    std::fprintf(stderr, "cannot move the template database into place: %s\n", ec.message().c_str());
    return 1;
  }
  return 0;
}
