#pragma once
// Small PDF files written by hand, so that a test knows every object in them:
// boxes, rotations, link annotations, destinations and name trees.
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Geometry.hpp"

namespace mv::test {

// Objects numbered from 1, with the cross-reference table and trailer made
// on output.
class RawPdf {
 public:
  int reserve() { return next_++; }
  // What stands between "N 0 obj" and "endobj".
  void set(int number, std::string body) { objects_[number] = std::move(body); }
  int add(std::string body) {
    int n = reserve();
    set(n, std::move(body));
    return n;
  }
  int addStream(const std::string& data, const std::string& dictEntries = "");
  std::string bytes(int root) const;
  bool write(const std::filesystem::path& file, int root) const;

 private:
  int next_ = 1;
  std::map<int, std::string> objects_;
};

struct PdfPageSpec {
  base::Rect mediaBox{0, 0, 612, 792};
  std::optional<base::Rect> cropBox;
  int rotate = 0;
  // The content stream, in PDF operators.
  std::string content;
  // Annotation dictionaries, written into the page's "Annots" array in order.
  std::vector<std::string> annots;
};

// A PDF of these pages. In annotations and in `catalogEntries`, "@N" stands
// for a reference to page N (1-based); `extraObjects` are added as objects
// numbered from `firstExtraObject()` on, in order.
std::string pagesPdf(const std::vector<PdfPageSpec>& pages, const std::string& catalogEntries = "",
                     const std::vector<std::string>& extraObjects = {});
// The number of the first of `extraObjects` in a file of `pageCount` pages.
int firstExtraObject(int pageCount);
bool writeFile(const std::filesystem::path& file, const std::string& bytes);

// A copy of `in` encrypted with AES-256: `user` opens it (empty: anyone
// does), `owner` owns it.
bool encryptPdf(const std::filesystem::path& in, const std::filesystem::path& out, const std::string& user,
                const std::string& owner);

// A filled black square of `side` points whose bottom-left corner is at
// (x, y) in user space, as content.
std::string squareAt(double x, double y, double side);

// Every file of the shared corpus's PDF folder, or nothing when it is absent.
std::vector<std::filesystem::path> corpusPdfs();
// The files of one folder of the shared corpus ("office", "epub"), sorted.
std::vector<std::filesystem::path> corpusFiles(const std::string& folder);
// The password the corpus's locked files open with (its README says which).
inline constexpr const char* kCorpusPassword = "asdfzxcv";
// Runs `check` on every file, each under a trace of its name: a failed
// assertion ends the check of that file only, and a last failure names every
// file that failed, so one run reports them all.
void checkEveryFile(const std::vector<std::filesystem::path>& files,
                    const std::function<void(const std::filesystem::path&)>& check);

}  // namespace mv::test
