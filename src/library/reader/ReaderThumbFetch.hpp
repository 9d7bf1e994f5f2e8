#pragma once
// Loads a thumbnail from the document's disk cache, decoding it off the main
// thread; hands over to a render when there is no file, or when the file
// does not decode (a write cut short), which is then deleted.
#include <filesystem>

#include "library/reader/ReaderThumbOperation.hpp"

namespace mv {

class ReaderThumbFetch : public ReaderThumbOperation {
 public:
  using ReaderThumbOperation::ReaderThumbOperation;
  // Caches/ReaderThumbs/<guid>/<thumbName>.png
  std::filesystem::path thumbFileURL() const;
  void main() override;
};

}  // namespace mv
