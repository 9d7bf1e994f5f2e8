#pragma once
// Puts the sales library into the application: the session's download
// manager, and the same manager where lower layers look for it (the backup's
// list of downloaded files, the re-download after a restore), and the PDF
// reader as the viewer of library PDFs. Called once when the application
// starts.
namespace mv {

class FeatureWiring;

class LibraryFeature {
 public:
  static void install(FeatureWiring& wiring);
};

}  // namespace mv
