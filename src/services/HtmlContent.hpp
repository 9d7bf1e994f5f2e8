#pragma once
// A page's content as the web view shows it: the document parsed (as XML when
// it is well-formed XHTML, else by libxml2's forgiving HTML parser, never
// touching the network) and flattened into blocks of styled text and
// pictures. Scripts, styles and other invisible parts are dropped; the
// page's own style sheets are not applied.
#include <cstddef>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace svc {

enum class TextDirection { Natural, LeftToRight, RightToLeft };
enum class BlockAlignment { Natural, Left, Center, Right, Justify };

// Inline styles of a stretch of text, as flags.
enum HtmlStyle : unsigned {
  HtmlBold = 1,
  HtmlItalic = 2,
  HtmlMonospace = 4,
  HtmlSuperscript = 8,
  HtmlSubscript = 16,
  HtmlUnderline = 32,
  HtmlSmall = 64,
};

// A styled stretch [start, end) of a block's text (byte offsets), with the
// link it belongs to, if any.
struct HtmlSpan {
  std::size_t start = 0;
  std::size_t end = 0;
  unsigned style = 0;
  std::string href;
};

struct HtmlBlock {
  enum class Kind { Text, Image, Rule };
  Kind kind = Kind::Text;
  // UTF-8, white space collapsed outside preformatted text; "\n" where a
  // line break was.
  std::string text;
  std::vector<HtmlSpan> spans;
  int heading = 0;  // 1-6 for headings
  bool paragraph = false;
  bool preformatted = false;
  int indent = 0;      // nesting of lists and quotations
  std::string marker;  // "•" or "3." before a list item
  BlockAlignment alignment = BlockAlignment::Natural;
  TextDirection direction = TextDirection::Natural;
  // Pictures: the file, and the text shown when it cannot be drawn.
  std::filesystem::path image;
  std::string alt;
};

// A place in the content: a block and a byte offset in its text.
struct HtmlPosition {
  std::size_t block = 0;
  std::size_t offset = 0;
};

struct HtmlContent {
  std::string title;
  TextDirection direction = TextDirection::Natural;
  std::vector<HtmlBlock> blocks;
  // Element ids (and named anchors), where they start.
  std::map<std::string, HtmlPosition> anchors;

  // Parses the page. `baseFolder` is where relative picture names are found
  // (empty: pages from the network, whose pictures are not fetched).
  static HtmlContent parse(std::string_view bytes, const std::string& encoding,
                           const std::filesystem::path& baseFolder);

  // The text of every block, one entry per line.
  std::vector<std::string> lines() const;

  // Pages larger than this are cut before parsing; text beyond this many
  // bytes is dropped; elements nested deeper than this are passed over.
  static constexpr std::size_t kMaximumPageBytes = 8u << 20;
  static constexpr std::size_t kMaximumTextBytes = 4u << 20;
  static constexpr int kMaximumDepth = 256;
};

}  // namespace svc
