#include "library/librarySearchViewcontroller.hpp"

#include "store/DataAccessManager.hpp"
#include "util/PublicFunction.hpp"
#include "util/TextLookup.hpp"

namespace mv {
namespace {

std::shared_ptr<ui::Label> greyLine(const ui::Rect& frame) {
  auto label = std::make_shared<ui::Label>(frame);
  label->setFont(gfx::Font::systemFont(14));
  label->setTextColor(gfx::Color::gray());
  label->setBackgroundColor(gfx::Color::clear());
  return label;
}

}  // namespace

LibrarySearchCell::LibrarySearchCell(std::string reuseIdentifier)
    : ui::TableViewCell(ui::TableViewCellStyle::Subtitle, std::move(reuseIdentifier)) {
  coverView_ = std::make_shared<ui::ImageView>(ui::Rect{5, 5, 84, 120});
  coverView_->setContentMode(ui::ContentMode::ScaleAspectFit);
  cover_ = PictureLoader::create(coverView_);
  fileNameContentLabel_ = std::make_shared<ui::Label>(ui::Rect{90, 0, 240, 60});
  fileNameContentLabel_->setNumberOfLines(0);
  fileNameContentLabel_->setFont(gfx::Font::named("Helvetica-Bold", 14));
  fileNameContentLabel_->setTextColor(gfx::Color::rgb255(139, 34, 82));
  fileNameContentLabel_->setBackgroundColor(gfx::Color::clear());
  infoContentLabel_ = greyLine({90, 65, 150, 20});
  dateContentLabel_ = greyLine({90, 85, 150, 20});
  durationContentLabel_ = greyLine({90, 105, 150, 20});
  durationContentLabel_->setHidden(true);
  for (const std::shared_ptr<ui::View>& v : std::vector<std::shared_ptr<ui::View>>{
           coverView_, fileNameContentLabel_, infoContentLabel_, dateContentLabel_, durationContentLabel_}) {
    contentView().addSubview(v);
  }
}

void LibrarySearchCell::setDurationVisiable(bool visible) {
  durationVisiable_ = visible;
  durationContentLabel_->setHidden(!visible);
}

void LibrarySearchCell::show(DataAccessManager& store, const marvisto_library_files_Entity& file) {
  const auto cover = store.getCoverImageByFileName(file.file_name);
  cover_->loadFileImageAsyncWithName(cover.value_or(""), PublicFunction::getFileType(file.type), false);
  fileNameContentLabel_->setText(file.title);
  infoContentLabel_->setText(file.infoShow());
  // Dates are stored "yyyy-MM-dd HH:mm:ss"; another form shows no date.
  dateContentLabel_->setText(PublicFunction::formatDate(file.date));
  const bool video = file.type == "VEDIO";
  setDurationVisiable(video);
  durationContentLabel_->setText(video ? file.duration() : std::string());
}

void librarySearchViewcontroller::setSearchFilestArray(std::vector<marvisto_library_files_Entity> files) {
  searchFilestArray_ = std::move(files);
  if (isViewLoaded()) tableView()->reloadData();
}

long librarySearchViewcontroller::tableViewNumberOfRowsInSection(ui::TableView&, long) {
  return searchFilestArray_.empty() ? 1 : static_cast<long>(searchFilestArray_.size());
}

std::optional<double> librarySearchViewcontroller::tableViewHeightForRowAtIndexPath(ui::TableView&,
                                                                                    const ui::IndexPath&) {
  return kRowHeight;
}

std::shared_ptr<ui::TableViewCell> librarySearchViewcontroller::tableViewCellForRowAtIndexPath(
    ui::TableView& tableView, const ui::IndexPath& indexPath) {
  if (searchFilestArray_.empty()) {
    auto cell = std::make_shared<ui::TableViewCell>(ui::TableViewCellStyle::Subtitle, "NoResult");
    cell->textLabel().setText(text("NORESULT"));
    if (auto* detail = cell->detailTextLabel()) detail->setText("");
    cell->setAccessoryType(ui::TableViewCellAccessoryType::None);
    return cell;
  }
  auto cell = std::dynamic_pointer_cast<LibrarySearchCell>(tableView.dequeueReusableCellWithIdentifier(kReuseIdentifier));
  if (!cell) cell = std::make_shared<LibrarySearchCell>(kReuseIdentifier);
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row < searchFilestArray_.size()) cell->show(*store_, searchFilestArray_[row]);
  return cell;
}

void librarySearchViewcontroller::tableViewDidSelectRowAtIndexPath(ui::TableView& tableView,
                                                                  const ui::IndexPath& indexPath) {
  const auto row = static_cast<std::size_t>(indexPath.row);
  if (row < searchFilestArray_.size()) {
    if (auto d = delegate_.lock()) d->didselectSearchResult(searchFilestArray_[row]);
  }
  tableView.deselectRowAtIndexPath(indexPath, true);
}

}  // namespace mv
