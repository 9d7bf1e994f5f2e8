#pragma once
// How a library file cell shows a file: background, ribbon, information
// button, title width, the downloading or paused overlay with its progress,
// the favourite mark, the format badge and the delete button of edit mode.
// The file grid and a product's related materials fill their cells from it.
#include <string>
#include <string_view>

#include "library/LibraryFileState.hpp"
#include "platform/gfx/Color.hpp"

namespace mv {

struct LibraryCellState {
  enum Ribbon { kNoRibbon = 0, kRibbonNew = 1, kRibbonUpdate = 2 };
  enum class Overlay { None, Downloading, Paused };

  std::string backgroundImage;
  int ribbon = kNoRibbon;
  bool infoButtonShown = false;
  double titleWidth = 140;
  Overlay overlay = Overlay::None;
  std::string overlayImage;     // "" without overlay
  std::string overlayTextKey;   // "DOWNLOADING" or "PAUSED"
  float progress = 0;
  std::string favouriteImage;   // "" when not a favourite
  std::string badgeText;
  // The format's indicator colour (`ViewStyle::indicatorColorByFormat`).
  gfx::Color badgeColor;
  bool deleteButtonShown = false;

  static LibraryCellState make(const marvisto_library_files_Entity& file, const LibraryFileState& state, bool isEditing);

  // The text before the first "/" of a file's info ("PDF/1.2 M" -> "PDF").
  static std::string formatOfInfo(std::string_view info);
  // The ribbon image for ribbon 1 or 2 in the interface language (2 is
  // Chinese); "" for any other ribbon.
  static std::string ribbonImageName(int ribbon, int language);
};

}  // namespace mv
