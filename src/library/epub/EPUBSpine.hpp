#pragma once
// One reading unit of a book: a content document of the package's spine.
#include <cstdint>
#include <filesystem>
#include <string>

namespace mv {

struct EPUBSpine {
  // 0-based position among the book's units.
  std::int64_t index = 0;
  // The unit's content document, inside the book's folder.
  std::filesystem::path path;
  // The table of contents' label for the unit; empty when it has none.
  std::string title;
  // A page of fixed layout (its own viewport, shown whole) rather than text
  // that flows into the reader's pages.
  bool fixedLayout = false;
};

}  // namespace mv
