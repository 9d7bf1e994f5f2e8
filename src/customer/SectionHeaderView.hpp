#pragma once
// The header of one section of the customer list: its title, upper-cased, on
// a light grey bar, after a fold indicator; a tap anywhere folds or unfolds
// the section.
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace mv {

class SectionHeaderView;

class SectionHeaderViewDelegate {
 public:
  virtual ~SectionHeaderViewDelegate() = default;
  virtual void sectionHeaderViewSectionOpened(SectionHeaderView& header, long section) = 0;
  virtual void sectionHeaderViewSectionClosed(SectionHeaderView& header, long section) = 0;
};

class SectionHeaderView : public ui::View {
 public:
  // What the disclosure button shows.
  static constexpr const char* kFoldedIndicator = "\u25B8";  // ▸
  static constexpr const char* kOpenIndicator = "\u25BE";    // ▾

  SectionHeaderView(const ui::Rect& frame, const std::string& title, long section, bool opened,
                    std::weak_ptr<SectionHeaderViewDelegate> delegate);

  long section() const { return section_; }
  ui::Label& titleLabel() const { return *titleLabel_; }
  ui::Button& disclosureButton() const { return *disclosureButton_; }
  // Flips the disclosure button and tells the delegate, as a tap does.
  void toggleOpen();

 private:
  std::shared_ptr<ui::Label> titleLabel_;
  std::shared_ptr<ui::Button> disclosureButton_;
  long section_;
  std::weak_ptr<SectionHeaderViewDelegate> delegate_;
};

}  // namespace mv
