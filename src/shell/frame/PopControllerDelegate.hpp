#pragma once
// The presenter of a full-screen popup, asked to take it down.
namespace mv {

class PopControllerDelegate {
 public:
  virtual ~PopControllerDelegate() = default;
  virtual void dismissPopController(bool animated) = 0;
};

}  // namespace mv
