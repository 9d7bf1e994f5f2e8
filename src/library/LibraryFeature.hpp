#pragma once
// Puts the sales library into the application: the session's download
// manager, the Sales Library tab's screen, the PDF reader, the book reader,
// the video player and the Office viewer files open in, and the same manager
// where lower layers look for it (the backup's list of downloaded files, the
// re-download after a restore). Called once when the application starts.
namespace mv {

class FeatureWiring;

class LibraryFeature {
 public:
  static void install(FeatureWiring& wiring);
  // The PDF reader, the book reader, the video player and the Office viewer
  // alone.
  static void installViewers();
};

}  // namespace mv
