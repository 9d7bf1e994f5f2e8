// Pages as the web view reads and lays them out: the content model of odd
// markup, columns as the book reader's style rules ask for them, pictures,
// right-to-left text, and links inside a page and across pages.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "TestEnvironment.hpp"
#include "platform/gfx/Context.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "services/HtmlContent.hpp"
#include "services/WebView.hpp"

namespace fs = std::filesystem;
using namespace ui;
using namespace svc;

namespace {

// The rules the book reader sends for a 964 x 694 page.
const std::vector<std::string> kReaderRules = {
    "addCSSRule('html', 'padding: 10px; height: 614.000000px; -webkit-column-gap: 20px; -webkit-column-width: "
    "452.000000px;')",
    "addCSSRule('p', 'text-align: justify;')",
    "addCSSRule('img', 'max-width:100%; max-height:100%;border:none;')",
    "addCSSRule('highlight', 'background-color: yellow;')",
};

std::string words(int paragraphs) {
  std::string out;
  for (int p = 0; p < paragraphs; ++p) {
    out += "<p>";
    for (int w = 0; w < 80; ++w) out += "word" + std::to_string(w % 9) + " ";
    out += "</p>";
  }
  return out;
}

void writeFile(const fs::path& p, const std::string& s) {
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << s;
}

void writePicture(const fs::path& p, double w, double h) {
  auto ctx = gfx::Context::bitmap({w, h}, 1, true);
  ctx->setFillColor(gfx::Color(0.8, 0.1, 0.1));
  ctx->fillRect({0, 0, w, h});
  fs::create_directories(p.parent_path());
  ASSERT_TRUE(ctx->makeImage()->writePNG(p));
}

struct LinkLog : WebViewDelegate {
  std::vector<std::string> asked;
  bool allow = true;
  bool webViewShouldStartLoadWithRequest(WebView&, const std::string& url, WebViewNavigationType t) override {
    if (t == WebViewNavigationType::LinkClicked) asked.push_back(url);
    return allow;
  }
};

class HtmlPagesTest : public mv::test::TestEnvironment {
 protected:
  void TearDown() override {
    ui::Application::freeInstance();
    TestEnvironment::TearDown();
  }
  std::shared_ptr<WebView> page(HeadlessDriver& driver, const fs::path& file, Rect frame = {0, 0, 964, 694}) {
    auto web = std::make_shared<WebView>(frame);
    driver.window().addSubview(web);
    web->loadFile(file);
    driver.flush();
    return web;
  }
};

TEST_F(HtmlPagesTest, ContentOfOddMarkup) {
  const fs::path base = root / "book";
  struct Case {
    const char* what;
    std::string html;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"self-closed anchors stay empty in XHTML",
       "<?xml version='1.0'?><html xmlns='http://www.w3.org/1999/xhtml'><body><p><a id='x'/>One</p><p>Two</p></body></html>",
       {"One", "Two"}},
      {"HTML entities fall back to the HTML parser", "<html><body><p>A&nbsp;B &amp; C</p></body></html>",
       {"A\u00a0B & C"}},
      {"line breaks inside a block", "<div>Line one<br/>Line two</div>", {"Line one", "Line two"}},
      {"hidden parts and ruby glosses are not shown",
       "<p>Kan<ruby>字<rt>ji</rt></ruby> <span style='display: none'>secret</span><span hidden=''>gone</span>end</p>"
       "<script>no()</script>",
       {"Kan字 end"}},
      {"white space collapses, preformatted text keeps it", "<p>  a \n\t b  </p><pre>x  y\n z</pre>",
       {"a b", "x  y", " z"}},
      {"table cells", "<table><tr><td>Name</td><td>Price</td></tr></table>", {"Name\tPrice"}},
  };
  for (const auto& c : cases) {
    HtmlContent content = HtmlContent::parse(c.html, "", base);
    EXPECT_EQ(content.lines(), c.lines) << c.what;
  }

  HtmlContent rich = HtmlContent::parse(
      "<html dir='rtl'><head><title> The\n title </title></head><body>"
      "<h2 id='top' style='text-align:center'>Head</h2>"
      "<p>Plain <b>bold <i>both</i></b> <a href='next.xhtml#n1'>link</a><sup>1</sup></p>"
      "<ol><li>first</li><li id='second'>second</li></ol><ul><li>dot</li></ul>"
      "<img src='images/My%20Picture.png#x' alt='A picture'/><img src='http://example.invalid/p.png' alt='remote'/>"
      "<svg><image xlink:href='cover.jpg' xmlns:xlink='http://www.w3.org/1999/xlink'/></svg><hr/></body></html>",
      "", base);
  EXPECT_EQ(rich.title, "The title");
  EXPECT_EQ(rich.direction, TextDirection::RightToLeft);
  ASSERT_EQ(rich.blocks.size(), 9u);
  EXPECT_EQ(rich.blocks[0].heading, 2);
  EXPECT_EQ(rich.blocks[0].alignment, BlockAlignment::Center);
  const HtmlBlock& p = rich.blocks[1];
  EXPECT_EQ(p.text, "Plain bold both link1");
  EXPECT_TRUE(p.paragraph);
  ASSERT_EQ(p.spans.size(), 4u);
  EXPECT_EQ(p.text.substr(p.spans[0].start, p.spans[0].end - p.spans[0].start), "bold ");
  EXPECT_EQ(p.spans[1].style, HtmlBold | HtmlItalic);
  EXPECT_EQ(p.spans[2].href, "next.xhtml#n1");
  EXPECT_EQ(p.spans[3].style, HtmlSuperscript);
  EXPECT_EQ(rich.blocks[2].marker, "1.");
  EXPECT_EQ(rich.blocks[3].marker, "2.");
  EXPECT_EQ(rich.blocks[4].marker, "\u2022");
  EXPECT_EQ(rich.blocks[4].indent, 1);
  EXPECT_EQ(rich.blocks[5].image, base / "images" / "My Picture.png");
  EXPECT_TRUE(rich.blocks[6].image.empty());  // pictures are not fetched from the network
  EXPECT_EQ(rich.blocks[6].alt, "remote");
  EXPECT_EQ(rich.blocks[7].image, base / "cover.jpg");
  EXPECT_EQ(rich.blocks[8].kind, HtmlBlock::Kind::Rule);
  EXPECT_EQ(rich.anchors.at("top").block, 0u);
  EXPECT_EQ(rich.anchors.at("second").block, 3u);
}

TEST_F(HtmlPagesTest, ColumnsAsTheReaderAsks) {
  HeadlessDriver driver;
  writeFile(root / "long.xhtml", "<html><body><h1>Title</h1>" + words(40) + "</body></html>");
  auto web = page(driver, root / "long.xhtml");
  // Without rules: one tall column.
  EXPECT_FALSE(web->pageLayout().isPaged());
  EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString("document.documentElement.scrollWidth"), "964");
  EXPECT_GT(web->scrollView().contentSize().height, 694);

  for (const auto& rule : kReaderRules) EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString(rule), "");
  driver.flush();
  const HtmlLayout& layout = web->pageLayout();
  ASSERT_TRUE(layout.isPaged());
  // (944 + 20) / (452 + 20) gives two columns per page, each (964 / 2) - 20 wide.
  EXPECT_EQ(layout.columnsPerViewport(), 2);
  EXPECT_DOUBLE_EQ(layout.columnWidth(), 462);
  const int n = layout.columnCount();
  ASSERT_GE(n, 4);
  const long scrollWidth = std::stol(web->stringByEvaluatingJavaScriptFromString("document.documentElement.scrollWidth"));
  EXPECT_EQ(scrollWidth, 20 + n * 462 + (n - 1) * 20);
  const int pages = static_cast<int>(std::ceil(scrollWidth / 964.0));
  EXPECT_EQ(pages, (n + 1) / 2);
  // Every page is one viewport: the scroll view reaches the last page whole.
  EXPECT_DOUBLE_EQ(web->scrollView().contentSize().width, pages * 964.0);
  for (const auto& item : layout.items()) {
    EXPECT_LE(item.frame.maxY(), 10 + 614 + 0.01);
    EXPECT_GE(item.frame.y(), 10);
    // Column k starts at 10 + 482 k, so each page starts a column at its own left edge + 10.
    EXPECT_DOUBLE_EQ(item.frame.x(), 10 + 482 * item.column);
  }
  // Paragraphs are justified by the rule: a full middle line reaches the column's right edge.
  auto img = driver.render(*web);
  ASSERT_TRUE(img);
  bool inkInSecondColumn = false;
  for (int y = 20; y < 600 && !inkInSecondColumn; y += 2)
    for (int x = 500; x < 950 && !inkInSecondColumn; ++x) inkInSecondColumn = img->pixelAt(x, y).alpha() > 0 && img->pixelAt(x, y) != gfx::Color::white();
  EXPECT_TRUE(inkInSecondColumn);
  mv::test::keepSnapshot([&] {
    fs::path out = root / "columns.png";
    img->writePNG(out);
    return out;
  }());

  // The next page shown gets no rules of its own: a new load starts plain.
  writeFile(root / "short.xhtml", "<p>short</p>");
  web->loadFile(root / "short.xhtml");
  driver.flush();
  EXPECT_FALSE(web->pageLayout().isPaged());
  // Scripts it does not know change nothing.
  EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString("document.body.style.color = 'red'"), "");
  EXPECT_EQ(web->stringByEvaluatingJavaScriptFromString("addCSSRule('html', 'height: -5px')"), "");
  EXPECT_FALSE(web->pageLayout().isPaged());
}

TEST_F(HtmlPagesTest, PicturesFitTheirColumn) {
  HeadlessDriver driver;
  writePicture(root / "pics" / "wide.png", 1200, 300);
  writePicture(root / "pics" / "tall.png", 200, 2000);
  writeFile(root / "pics.xhtml",
            "<p>before</p><img src='pics/wide.png' alt='wide'/><img src='pics/tall.png'/>"
            "<img src='pics/missing.png' alt='A missing picture'/>");
  auto web = page(driver, root / "pics.xhtml");
  for (const auto& rule : kReaderRules) web->stringByEvaluatingJavaScriptFromString(rule);
  std::vector<HtmlLayout::Item> pictures;
  bool altShown = false;
  for (const auto& item : web->pageLayout().items()) {
    if (item.kind == HtmlLayout::Item::Kind::Image) pictures.push_back(item);
    if (item.kind == HtmlLayout::Item::Kind::Line && item.block == 3) altShown = true;
  }
  ASSERT_EQ(pictures.size(), 2u);
  EXPECT_LE(pictures[0].frame.width(), 462);
  EXPECT_NEAR(pictures[0].frame.width() / pictures[0].frame.height(), 4.0, 0.05);
  EXPECT_LE(pictures[1].frame.height(), 614);
  // The tall one did not fit under the wide one: it starts the next column.
  EXPECT_EQ(pictures[1].column, 1);
  EXPECT_DOUBLE_EQ(pictures[1].frame.y(), 10);
  EXPECT_TRUE(altShown);
  auto img = driver.render(*web);
  gfx::Color c = img->pixelAt(static_cast<int>(pictures[0].frame.midX()), static_cast<int>(pictures[0].frame.midY()));
  EXPECT_GT(c.r(), 0.6);
  EXPECT_LT(c.g(), 0.3);
}

TEST_F(HtmlPagesTest, RightToLeftColumnsStartOnTheRight) {
  HeadlessDriver driver;
  std::string arabic;
  for (int i = 0; i < 30; ++i) arabic += "<p>ما هو السرطان؟ حسنًا! إن أردنا أن نفهم الآن كيف يمكن للأغذية التي نتناولها أن ترفع أو تخفض احتمالات إصابتنا بالسرطان</p>";
  writeFile(root / "ar.xhtml", "<html dir='rtl' lang='ar'><body>" + arabic + "</body></html>");
  auto web = page(driver, root / "ar.xhtml");
  for (const auto& rule : kReaderRules) web->stringByEvaluatingJavaScriptFromString(rule);
  const HtmlLayout& layout = web->pageLayout();
  ASSERT_GE(layout.columnCount(), 2);
  for (const auto& item : layout.items()) {
    if (item.column == 0) {
      EXPECT_DOUBLE_EQ(item.frame.x(), 10 + 482);
    } else if (item.column == 1) {
      EXPECT_DOUBLE_EQ(item.frame.x(), 10);
    }
  }
  // Lines end on the right: the first line's ink reaches the column's right edge.
  const auto& first = layout.items().front();
  EXPECT_GT(first.lineX + 1, 0);
  auto img = driver.render(*web);
  bool rightInk = false;
  for (int x = 940; x > 900 && !rightInk; --x)
    for (int y = 10; y < 40 && !rightInk; ++y) rightInk = img->pixelAt(x, y) != gfx::Color::white();
  EXPECT_TRUE(rightInk);
}

TEST_F(HtmlPagesTest, LinksInsideAndAcrossPages) {
  HeadlessDriver driver;
  writeFile(root / "text" / "a.xhtml", "<p><a href='#far'>Go far</a> then <a href='../b.xhtml#x'>other</a></p>" +
                                           words(30) + "<p id='far'>Far away</p>");
  writeFile(root / "b.xhtml", "<p id='x'>Other page</p>");
  auto web = page(driver, root / "text" / "a.xhtml");
  auto log = std::make_shared<LinkLog>();
  web->setDelegate(log);
  for (const auto& rule : kReaderRules) web->stringByEvaluatingJavaScriptFromString(rule);
  driver.flush();

  auto far = web->anchorPosition("far");
  ASSERT_TRUE(far);
  EXPECT_GT(far->x, 964);
  EXPECT_FALSE(web->anchorPosition("nowhere"));
  // The first link is on the first line: find it and tap it.
  const auto& line = web->pageLayout().items().front();
  auto href = web->linkAt({line.frame.x() + 5, line.frame.midY()});
  ASSERT_TRUE(href);
  EXPECT_EQ(*href, "#far");
  EXPECT_FALSE(web->linkAt({line.frame.maxX() - 2, line.frame.midY()}));
  driver.tapAt(web->convertPointToView({line.frame.x() + 5, line.frame.midY()}, nullptr));
  driver.flush();
  ASSERT_EQ(log->asked.size(), 1u);
  EXPECT_EQ(log->asked[0], "file://" + (root / "text" / "a.xhtml").string() + "#far");
  // The page holding the place is shown.
  EXPECT_DOUBLE_EQ(web->scrollView().contentOffset().x, std::floor(far->x / 964) * 964);

  // A link to another file loads it, resolved against the page.
  web->followLink("../b.xhtml#x");
  driver.flush();
  EXPECT_EQ(log->asked.back(), "file://" + (root / "b.xhtml").string() + "#x");
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"Other page"}));
  // A delegate that refuses keeps the page.
  log->allow = false;
  web->followLink("text/a.xhtml");
  driver.flush();
  EXPECT_EQ(log->asked.back(), "file://" + (root / "text" / "a.xhtml").string());
  EXPECT_EQ(web->pageText(), (std::vector<std::string>{"Other page"}));
  log->allow = true;
  web->followLink("http://example.invalid/x?y=1");
  EXPECT_EQ(log->asked.back(), "http://example.invalid/x?y=1");
  web->stopLoading();
}

}  // namespace
