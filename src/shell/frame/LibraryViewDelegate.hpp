#pragma once
// The sales-library screen, told by the main tab bar when its tab is entered and left.
namespace mv {

class LibraryViewDelegate {
 public:
  virtual ~LibraryViewDelegate() = default;
  virtual void addLibraryView() = 0;
  virtual void removeLibraryView() = 0;
};

}  // namespace mv
