#pragma once
// Fixtures of the PDF reader's tests: PDFs put where the library keeps them,
// and the thumbnail queues brought to rest between steps and tests.
#include <filesystem>
#include <string>
#include <vector>

#include "PdfFixture.hpp"
#include "TestEnvironment.hpp"
#include "platform/ui/Window.hpp"

namespace mv::test {

class ReaderTest : public TestEnvironment {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Documents/<client>/Pdf/<name>
  std::filesystem::path libraryPdf(const std::string& name, const std::string& bytes,
                                   const std::string& client = "acme");
  // A copy of a file in the same folder.
  std::filesystem::path copyToLibrary(const std::filesystem::path& from, const std::string& client = "acme");
  // `count` plain pages of `size` points, each with a mark.
  static std::string plainPdf(int count, base::Size size = {612, 792});
  // Waits for the thumbnail queues and the background queue, then runs what
  // they posted to the main loop.
  void settleThumbnails();
  // A key window of the screen's size.
  static std::shared_ptr<ui::Window> makeWindow();
};

}  // namespace mv::test
