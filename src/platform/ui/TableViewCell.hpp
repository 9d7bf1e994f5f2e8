#pragma once
#include <memory>
#include <string>

#include "platform/ui/Button.hpp"
#include "platform/ui/ImageView.hpp"
#include "platform/ui/Label.hpp"
#include "platform/ui/View.hpp"

namespace ui {

class TableViewCellHost;

enum class TableViewCellStyle {
  Default = 0,   // a text label and an optional image on the left
  Value1 = 1,    // text on the left, grey detail right-aligned on the right
  Value2 = 2,    // small blue text on the left, detail beside it
  Subtitle = 3,  // text with a smaller grey detail under it
};

enum class TableViewCellAccessoryType { None = 0, DisclosureIndicator = 1, DetailDisclosureButton = 2, Checkmark = 3, DetailButton = 4 };
enum class TableViewCellSelectionStyle { None = 0, Blue = 1, Gray = 2, Default = 3 };
enum class TableViewCellEditingStyle { None = 0, Delete = 1, Insert = 2 };
enum class TableViewCellSeparatorStyle { None = 0, SingleLine = 1 };

// One row of a table: a content view holding the image and labels of its
// style, an accessory on the right (a standard one or a custom view), the
// selected and highlighted looks, and in editing the delete control and the
// delete confirmation button. Cells are made by the data source with a reuse
// identifier and handed back by the table when they scroll out of sight;
// `prepareForReuse` runs when one is taken again from the queue.
class TableViewCell : public View {
 public:
  explicit TableViewCell(TableViewCellStyle style = TableViewCellStyle::Default, std::string reuseIdentifier = {});
  ~TableViewCell() override;

  TableViewCellStyle style() const { return style_; }
  const std::string& reuseIdentifier() const { return reuseIdentifier_; }
  // Clears the selected, highlighted and editing looks; subclasses reset
  // their own content and call this.
  virtual void prepareForReuse();

  View& contentView() const { return *contentView_; }
  Label& textLabel() const { return *textLabel_; }
  // Nothing for the default style.
  Label* detailTextLabel() const { return detailTextLabel_.get(); }
  ImageView& imageView() const { return *imageView_; }

  std::shared_ptr<View> backgroundView() const { return backgroundView_; }
  void setBackgroundView(std::shared_ptr<View> v);
  std::shared_ptr<View> selectedBackgroundView() const { return selectedBackgroundView_; }
  void setSelectedBackgroundView(std::shared_ptr<View> v);

  TableViewCellAccessoryType accessoryType() const { return accessoryType_; }
  void setAccessoryType(TableViewCellAccessoryType t);
  // A custom accessory replaces the standard one.
  std::shared_ptr<View> accessoryView() const { return accessoryView_; }
  void setAccessoryView(std::shared_ptr<View> v);
  TableViewCellAccessoryType editingAccessoryType() const { return editingAccessoryType_; }
  void setEditingAccessoryType(TableViewCellAccessoryType t);
  std::shared_ptr<View> editingAccessoryView() const { return editingAccessoryView_; }
  void setEditingAccessoryView(std::shared_ptr<View> v);
  // The view on the right now: the custom one, or the standard one made for
  // the accessory type (nothing for none). The detail button is a Button.
  View* currentAccessoryView() const { return shownAccessory_.get(); }

  TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
  void setSelectionStyle(TableViewCellSelectionStyle s) { selectionStyle_ = s; }
  bool isSelected() const { return selected_; }
  virtual void setSelected(bool selected, bool animated = false);
  bool isHighlighted() const { return highlighted_; }
  virtual void setHighlighted(bool highlighted, bool animated = false);
  bool isEditing() const { return editing_; }
  virtual void setEditing(bool editing, bool animated = false);
  // The delete confirmation button shows (after a swipe or the delete control).
  bool showingDeleteConfirmation() const { return deleteButton_ != nullptr; }
  Button* deleteConfirmationButton() const { return deleteButton_.get(); }
  // The round delete (or insert) control on the left while editing.
  Button* editingControl() const { return editControl_.get(); }
  bool showsReorderControl() const { return showsReorderControl_; }
  void setShowsReorderControl(bool on) { showsReorderControl_ = on; }
  long indentationLevel() const { return indentationLevel_; }
  void setIndentationLevel(long l);
  double indentationWidth() const { return indentationWidth_; }
  void setIndentationWidth(double w);
  bool shouldIndentWhileEditing() const { return indentWhileEditing_; }
  void setShouldIndentWhileEditing(bool on) { indentWhileEditing_ = on; }
  EdgeInsets separatorInset() const { return separatorInset_; }
  void setSeparatorInset(EdgeInsets e);

  // The table the cell is in (nothing while queued or unused).
  TableViewCellHost* host() const;

  void layoutSubviews() override;
  void drawRect(gfx::Context& ctx, const Rect& rect) override;

  static constexpr double kAccessoryWidth = 38;
  static constexpr double kEditingControlWidth = 38;
  static constexpr double kDeleteButtonWidth = 82;

 private:
  friend class TableView;
  void refreshAccessory();
  void refreshLook();
  void showDeleteConfirmation(const std::string& title);
  void hideDeleteConfirmation();
  void setEditingStyleShown(TableViewCellEditingStyle style);

  TableViewCellStyle style_;
  std::string reuseIdentifier_;
  std::shared_ptr<View> contentView_;
  std::shared_ptr<Label> textLabel_, detailTextLabel_;
  std::shared_ptr<ImageView> imageView_;
  std::shared_ptr<View> backgroundView_, selectedBackgroundView_, defaultSelectedBackground_;
  TableViewCellAccessoryType accessoryType_ = TableViewCellAccessoryType::None;
  TableViewCellAccessoryType editingAccessoryType_ = TableViewCellAccessoryType::None;
  std::shared_ptr<View> accessoryView_, editingAccessoryView_, shownAccessory_, standardAccessory_;
  TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::Default;
  bool selected_ = false;
  bool highlighted_ = false;
  bool editing_ = false;
  TableViewCellEditingStyle editingStyle_ = TableViewCellEditingStyle::None;
  std::shared_ptr<Button> editControl_, deleteButton_;
  bool showsReorderControl_ = false;
  long indentationLevel_ = 0;
  double indentationWidth_ = 10;
  bool indentWhileEditing_ = true;
  EdgeInsets separatorInset_{0, 15, 0, 0};
};

}  // namespace ui
