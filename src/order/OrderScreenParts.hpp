#pragma once
// What the order screens share: the title bar with its title, and their
// alerts.
#include <memory>
#include <string>
#include <vector>

#include "platform/ui/AlertView.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv::order_screen {

// The skin's title bar across the top of `root`, the height of the bars.
std::shared_ptr<ui::ImageView> addTitleBar(ui::View& root);
// The white centred title in it.
std::shared_ptr<ui::Label> addTitle(ui::View& root, const ui::Rect& frame, const std::string& title);

// An alert: the cancel button's key and the others' texts; the delegate
// hears it only when the alert has a tag to answer on.
void showAlert(std::weak_ptr<ui::AlertViewDelegate> delegate, const std::string& title, const std::string& message,
               long tag = 0, const std::vector<std::string>& others = {}, const char* cancelKey = "OK");
// Asks before deleting: "CANCEL" (Escape too) leaves everything as it was,
// "OK" deletes.
void askToDelete(std::weak_ptr<ui::AlertViewDelegate> delegate, const std::string& title, const std::string& message,
                 long tag);

}  // namespace mv::order_screen
