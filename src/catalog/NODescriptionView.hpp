#pragma once
// The placeholder of a product without a description: "no description" in a
// large script face, following the interface language.
#include <memory>

#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"
#include "shell/config/LanguageManager.hpp"

namespace mv {

class NODescriptionView : public ui::View, public LanguageManagerDelegate {
 public:
  // Listens for language changes while it lives.
  static std::shared_ptr<NODescriptionView> create(const ui::Rect& frame);
  ~NODescriptionView() override;

  ui::Label& noDescriptionLabel() const { return *noDescriptionLabel_; }
  void notifiChangelanguage() override;

 private:
  explicit NODescriptionView(const ui::Rect& frame);

  std::shared_ptr<ui::Label> noDescriptionLabel_;
};

}  // namespace mv
