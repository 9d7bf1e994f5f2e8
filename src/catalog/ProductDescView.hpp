#pragma once
// The description panel of the product screen: the short description under
// the "Description" title and the long one under "Details", laid out to the
// panel's width and scrolling only when taller than the panel; the "no
// description" placeholder when both are empty.
#include <memory>
#include <string>

#include "catalog/AttributedStringView.hpp"
#include "platform/ui/ScrollView.hpp"

namespace mv {

class ProductDescView : public ui::ScrollView {
 public:
  explicit ProductDescView(const ui::Rect& frame);

  const std::string& shortDesc() const { return shortDesc_; }
  void setShortDesc(const std::string& text);
  const std::string& longDesc() const { return longDesc_; }
  void setLongDesc(const std::string& text);

  // The composed text (rebuilt after a change of either description).
  const AttributedText& getAttributedDesc();
  // A text in the body's look.
  static TextRun getAttributedStringWithNormalString(const std::string& text);
  // The titles in the interface language, and the panel laid out again.
  void updateLanguage();

  // The view on display: an AttributedStringView or a NODescriptionView.
  const std::shared_ptr<ui::View>& contentView() const { return contentView_; }
  void setContentView(std::shared_ptr<ui::View> view);

  void layoutSubviews() override;

 private:
  void markDirty();

  std::string shortDesc_;
  std::string longDesc_;
  bool descIsDrity_ = false;
  AttributedText attributedDesc_;
  std::shared_ptr<ui::View> contentView_;
};

}  // namespace mv
