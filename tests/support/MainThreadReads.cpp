#include "MainThreadReads.hpp"

#include <sqlite3.h>

#include "StoreAccess.hpp"

namespace mv::test {

MainThreadReads::MainThreadReads() {
  sqlite3_trace_v2(
      clientDatabase().handle(), SQLITE_TRACE_ROW,
      [](unsigned, void* rows, void*, void*) {
        ++*static_cast<std::uint64_t*>(rows);
        return 0;
      },
      &rows_);
}

MainThreadReads::~MainThreadReads() { sqlite3_trace_v2(clientDatabase().handle(), 0, nullptr, nullptr); }

}  // namespace mv::test
