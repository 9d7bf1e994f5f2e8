#include "library/LibraryCellState.hpp"

#include "widgets/ViewStyle.hpp"

namespace mv {

LibraryCellState LibraryCellState::make(const marvisto_library_files_Entity& file, const LibraryFileState& state,
                                        bool isEditing) {
  LibraryCellState c;
  const int newRibbon = state.isNew ? kRibbonNew : kNoRibbon;
  if (state.pendingUpdate || state.present) {
    c.backgroundImage = "bg_file_downloaded.png";
    c.ribbon = state.pendingUpdate ? kRibbonUpdate : newRibbon;
    c.infoButtonShown = true;
    c.titleWidth = 105;
  } else {
    c.backgroundImage = "bg_file.png";
    c.ribbon = newRibbon;
  }
  if (state.downloading) {
    c.overlay = Overlay::Downloading;
    c.overlayImage = "bg_file_downloading.png";
    c.overlayTextKey = "DOWNLOADING";
  } else if (state.paused) {
    c.overlay = Overlay::Paused;
    c.overlayImage = "bg_file_paused.png";
    c.overlayTextKey = "PAUSED";
  }
  if (c.overlay != Overlay::None) c.progress = state.percent;
  c.favouriteImage = state.favourite ? "btn_file_fav_added" : "";
  c.badgeText = formatOfInfo(file.info);
  c.badgeColor = ViewStyle::indicatorColorByFormat(c.badgeText);
  c.deleteButtonShown = isEditing;
  return c;
}

std::string LibraryCellState::formatOfInfo(std::string_view info) {
  return std::string(info.substr(0, info.find('/')));
}

std::string LibraryCellState::ribbonImageName(int ribbon, int language) {
  const char* suffix = language == 2 ? "_cn.png" : "_en.png";
  if (ribbon == kRibbonNew) return std::string("ribbon_new") + suffix;
  if (ribbon == kRibbonUpdate) return std::string("ribbon_update") + suffix;
  return "";
}

}  // namespace mv
