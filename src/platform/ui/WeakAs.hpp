#pragma once
#include <memory>

namespace ui {

// A weak reference to `object` seen through one of its interfaces, for
// handing an object that is held by a shared pointer (a view, a view
// controller) to something that must not own it, such as a delegate slot:
// `table->setDelegate(ui::weakAs<ui::TableViewDelegate>(this))`. Empty when
// the object is not (or no longer) held by a shared pointer.
template <class Interface, class T>
std::weak_ptr<Interface> weakAs(T* object) {
  if (!object) return {};
  auto owner = object->weak_from_this().lock();
  if (!owner) return {};
  return std::shared_ptr<Interface>(owner, static_cast<Interface*>(object));
}

}  // namespace ui
