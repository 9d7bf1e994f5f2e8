#pragma once
// One link area of a PDF page in page-view coordinates, with the link
// annotation it came from (which lives as long as its page's file).
#include <string>
#include <variant>

#include "platform/base/Geometry.hpp"
#include "platform/gfx/PdfObject.hpp"

namespace mv {

// Where a tapped link leads: nowhere, an address (its text) or a page (1-based).
using ReaderLinkTarget = std::variant<std::monostate, std::string, long>;

class ReaderDocumentLink {
 public:
  ReaderDocumentLink(const base::Rect& rect, gfx::PdfObject dictionary)
      : rect_(rect), dictionary_(std::move(dictionary)) {}
  const base::Rect& rect() const { return rect_; }
  const gfx::PdfObject& dictionary() const { return dictionary_; }

 private:
  base::Rect rect_;
  gfx::PdfObject dictionary_;
};

}  // namespace mv
