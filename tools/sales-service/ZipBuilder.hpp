#pragma once
// Builds a ZIP archive in memory (EPUB books, Office documents, the skin
// archive). Entries carry a fixed time stamp so that the same entries always
// give the same bytes.
#include <memory>
#include <optional>
#include <string>

namespace mv::sales {

class ZipBuilder {
 public:
  ZipBuilder();
  ~ZipBuilder();
  ZipBuilder(const ZipBuilder&) = delete;
  ZipBuilder& operator=(const ZipBuilder&) = delete;

  // Adds one entry; `store` keeps it uncompressed (an EPUB's "mimetype" must be).
  bool add(const std::string& name, const std::string& data, bool store = false);
  // Adds a folder entry ("name/").
  bool addFolder(const std::string& name);
  // Writes the central directory and returns the archive; nullopt when any
  // step failed. The builder cannot be used afterwards.
  std::optional<std::string> finish();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace mv::sales
