#pragma once
// What a web page holds, read from its parsed markup rather than from how
// it is spelled: what its fields ask the reader for (however a field is
// written: attributes spaced, quoted or not, entities, made or changed by a
// script), where it sends the reader, and how much of it is a document to
// read (table rows, paragraphs, text) against what asks the reader to act
// (fields, buttons, links). The parse reads the bytes given and no further,
// fetches nothing, builds no tree and stops at kMostDepth levels, so a page
// of any size costs a pass over the bytes it is given. Any thread.
#include <cstddef>
#include <string_view>

namespace mv {

class DownloadedPage {
 public:
  // The most bytes of a page read: far past any network's page, and enough
  // of an office document saved as a page to see that it is one.
  static constexpr std::size_t kMostBytes = std::size_t{4} << 20;
  // Deeper than any page an office suite or a report writes.
  static constexpr int kMostDepth = 200;
  // A document's share, past which a page is one to read whatever else it
  // offers: rows of a table holding text, paragraphs, headings or items
  // holding text, or characters of text outside links and fields.
  static constexpr int kDocumentRows = 8;
  static constexpr int kDocumentBlocks = 6;
  static constexpr std::size_t kDocumentText = 2000;

  // The first kMostBytes of `bytes`, read as a page.
  static DownloadedPage read(std::string_view bytes);

  // A field for a password, or a script that makes or turns a field into one.
  bool asksForPassword = false;
  // A form that posts who the reader is (a user name, an e-mail address, a
  // voucher or a PIN).
  bool postsCredentials = false;
  // A frame or inline frame that shows another address than a file of its own.
  bool framesElsewhere = false;
  // A refresh that reloads the page or sends the reader on.
  bool redirects = false;
  // Written by an office suite: its namespaces, its program id, its styles.
  bool officeMarks = false;
  // Nested past kMostDepth; the parse stopped there.
  bool tooDeep = false;
  // Fields and buttons to fill in or press (hidden fields not counted), and
  // links that leave the page.
  int controls = 0;
  int links = 0;
  // Table rows, and paragraphs, headings and list items, that hold text; and
  // the characters of text outside scripts, styles, links and fields.
  int rows = 0;
  int blocks = 0;
  std::size_t text = 0;

  // Mostly a document to read: rows, blocks or text past a document's share.
  bool isDocument() const {
    return rows >= kDocumentRows || blocks >= kDocumentBlocks || text >= kDocumentText;
  }
};

}  // namespace mv
