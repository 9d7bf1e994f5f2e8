#pragma once
// The catalogue screen, told by the main tab bar when its tab is entered and left.
namespace mv {

class CatalogViewDelegate {
 public:
  virtual ~CatalogViewDelegate() = default;
  virtual void addCatologView() = 0;
  virtual void removeCalogView() = 0;
};

}  // namespace mv
