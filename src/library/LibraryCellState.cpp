#include "library/LibraryCellState.hpp"

#include <algorithm>
#include <cctype>

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
  c.badgeColor = colorOfFormat(c.badgeText);
  c.deleteButtonShown = isEditing;
  return c;
}

std::string LibraryCellState::formatOfInfo(std::string_view info) {
  return std::string(info.substr(0, info.find('/')));
}

gfx::Color LibraryCellState::colorOfFormat(std::string_view format) {
  std::string f(format);
  std::transform(f.begin(), f.end(), f.begin(), [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
  struct Entry {
    const char* format;
    int r, g, b;
  };
  static constexpr Entry kColours[] = {
      {"EPUB", 133, 185, 22},  {"XLS", 86, 147, 50},   {"XLSX", 86, 147, 50},   {"PDF", 208, 72, 46},
      {"KEY", 229, 118, 43},   {"PPT", 229, 118, 43},  {"PPTX", 229, 118, 43},  {"MOV", 140, 107, 187},
      {"MP4", 140, 107, 187},  {"M4V", 140, 107, 187}, {"3GP", 140, 107, 187},  {"DOC", 33, 143, 244},
      {"DOCX", 33, 143, 244},
  };
  for (const auto& e : kColours) {
    if (f == e.format) return gfx::Color::rgb255(e.r, e.g, e.b);
  }
  return ViewStyle::colorOfMainTheme();
}

std::string LibraryCellState::ribbonImageName(int ribbon, int language) {
  const char* suffix = language == 2 ? "_cn.png" : "_en.png";
  if (ribbon == kRibbonNew) return std::string("ribbon_new") + suffix;
  if (ribbon == kRibbonUpdate) return std::string("ribbon_update") + suffix;
  return "";
}

}  // namespace mv
