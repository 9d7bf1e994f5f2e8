#pragma once
// Small EPUB files built with the ZIP writer: a container, a package document
// (manifest and spine), the units and, when asked, an NCX table of contents.
// Each field can be bent to make the odd or hostile books the tests need.
#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace mv::test {

struct BookUnit {
  BookUnit(std::string h, std::string t, std::string b, std::string e = {}, std::string n = {})
      : href(std::move(h)), title(std::move(t)), body(std::move(b)), entryName(std::move(e)), ncxSrc(std::move(n)) {}
  std::string href;        // as the manifest writes it (may be percent-escaped)
  std::string title;       // the NCX label; none when empty
  std::string body;        // the XHTML body's content
  std::string entryName;   // the archive entry below the package folder; `href` when empty
  std::string ncxSrc;      // the NCX's pointer at the unit; `href` when empty
  bool styleSheet = true;  // the unit links a style sheet
  bool compress = true;    // the unit is deflated, not stored
  std::string encoding = "UTF-8";  // as the XML declaration names it (the body is written as it is)
  std::string rootAttributes;      // more attributes of the html element
  std::string head;                // more of the head's content
  std::string properties;          // the spine entry's properties
};

struct BookSpec {
  std::string packageFolder = "OEBPS";
  std::vector<BookUnit> units;
  bool ncx = true;
  std::string ncxEntry = "toc.ncx";  // below the package folder
  // Extra archive entries, written after the book's own: name, bytes.
  std::vector<std::pair<std::string, std::string>> extraEntries;
  bool extraEntriesStored = false;  // stored as they are, not deflated
  // Entries stored as symbolic links: name, target.
  std::vector<std::pair<std::string, std::string>> linkEntries;
  // Spine entries naming items by these ids as well (after the units).
  std::vector<std::string> extraItemrefs;
  // Manifest items (id, href) after the units'.
  std::vector<std::pair<std::string, std::string>> extraItems;
  std::string identifier = "test-book";  // the package's unique identifier
  std::string metadata;                  // more of the package's metadata
  std::string spineAttributes;           // more attributes of the spine
  std::string styleSheet = "p { margin: 0; }\n";
};

// A unit's XHTML document.
std::string unitDocument(const BookUnit& unit);
// Paragraphs of plain words, enough to fill about `pages` two-column pages of the reader.
std::string filler(int paragraphs, const std::string& word = "text");

// Writes the book; false when the archive could not be written.
bool writeBook(const std::filesystem::path& file, const BookSpec& spec);

// Adds `count` entries of `bytes` zeros to the archive ("<prefix>0", ...),
// deflated once and copied, so that a bomb of gigabytes is written in an
// instant; false when the archive could not be written.
bool appendZeroEntries(const std::filesystem::path& file, const std::string& prefix, int count, std::size_t bytes);

}  // namespace mv::test
