#pragma once
// The rows the store hands the session's connection, which the main thread
// alone reads through, while it lives: what a screen read on the main
// thread, told apart from what its workers read.
#include <cstdint>

namespace mv::test {

class MainThreadReads {
 public:
  MainThreadReads();
  ~MainThreadReads();
  MainThreadReads(const MainThreadReads&) = delete;
  MainThreadReads& operator=(const MainThreadReads&) = delete;
  std::uint64_t rows() const { return rows_; }

 private:
  std::uint64_t rows_ = 0;
};

}  // namespace mv::test
