#pragma once
// Another program's clipboard handing its text over in pieces, as GTK
// programs hand over a text past 256 KB (X11's incremental transfer), on
// an X connection and a thread of its own, for as long as it lives.
#include <memory>
#include <string>
#include <thread>

namespace mv::test {

class PiecewiseClipboard {
 public:
  explicit PiecewiseClipboard(std::string text);
  ~PiecewiseClipboard();
  PiecewiseClipboard(const PiecewiseClipboard&) = delete;
  PiecewiseClipboard& operator=(const PiecewiseClipboard&) = delete;
  // It holds the clipboard (false without an X display).
  bool owns() const { return serving_.joinable(); }

 private:
  struct Connection;
  std::unique_ptr<Connection> x_;
  std::thread serving_;
};

}  // namespace mv::test
