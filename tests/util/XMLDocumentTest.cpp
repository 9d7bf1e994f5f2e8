#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestEnvironment.hpp"
#include "util/XMLDocument.hpp"

namespace mv {
namespace {

const char* kPackage =
    "<?xml version=\"1.0\"?>\n"
    "<package xmlns=\"http://www.idpf.org/2007/opf\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
    "<metadata><dc:title>Spring <b>Range</b></dc:title></metadata>"
    "<manifest>"
    "<item id=\"c1\" href=\"one.html\" media-type=\"application/xhtml+xml\"/>"
    "<item id=\"c2\" href=\"it's &quot;two&quot;.html\" media-type=\"application/xhtml+xml\"/>"
    "<item id=\"ncx\" href=\"toc.ncx\" media-type=\"application/x-dtbncx+xml\"/>"
    "</manifest>"
    "<spine><itemref idref=\"c1\"/><itemref idref=\"c2\"/></spine>"
    "</package>";

const char* kNcx =
    "<ncx xmlns=\"http://www.daisy.org/z3986/2005/ncx/\"><navMap>"
    "<navPoint><navLabel><text>First</text></navLabel><content src=\"one.html\"/></navPoint>"
    "<navPoint><navLabel><text>Second</text></navLabel><content src=\"it's &quot;two&quot;.html\"/></navPoint>"
    "</navMap></ncx>";

void writeFile(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

TEST(XMLDocument, NamespaceQueriesInDocumentOrder) {
  auto doc = XMLDocument::initWithData(kPackage);
  ASSERT_TRUE(doc);
  XMLNode::NamespaceMappings opf{{"opf", "http://www.idpf.org/2007/opf"}};
  auto items = doc->nodesForXPath("//opf:item", opf);
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 3u);
  std::vector<std::string> ids;
  for (const auto& item : *items) {
    auto element = std::dynamic_pointer_cast<XMLElement>(item);
    ASSERT_TRUE(element);
    EXPECT_EQ(element->name(), "item");
    ids.push_back(element->attributeForName("id")->stringValue());
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"c1", "c2", "ncx"}));
  auto second = std::dynamic_pointer_cast<XMLElement>((*items)[1]);
  EXPECT_EQ(second->attributeValue("href"), "it's \"two\".html");
  EXPECT_EQ(second->attributeForName("missing"), nullptr);
  EXPECT_FALSE(second->attributeValue("missing"));

  // Without the binding the default namespace hides the elements: empty, not failed.
  auto unbound = doc->nodesForXPath("//item");
  ASSERT_TRUE(unbound);
  EXPECT_TRUE(unbound->empty());

  // An element's text is the text of all its descendants.
  auto title = doc->nodeForXPath("//dc:title", {{"dc", "http://purl.org/dc/elements/1.1/"}});
  ASSERT_TRUE(title);
  EXPECT_EQ(title->stringValue(), "Spring Range");
  EXPECT_EQ(title->name(), "dc:title");
  EXPECT_EQ(title->localName(), "title");

  // Queries relative to a node take it as context.
  auto spine = doc->nodeForXPath("//opf:spine", opf);
  ASSERT_TRUE(spine);
  auto refs = spine->nodesForXPath("opf:itemref/@idref", opf);
  ASSERT_TRUE(refs);
  ASSERT_EQ(refs->size(), 2u);
  EXPECT_EQ((*refs)[0]->kind(), XMLNode::Kind::Attribute);
  EXPECT_EQ((*refs)[1]->stringValue(), "c2");
  EXPECT_EQ(spine->children().size(), 2u);
  EXPECT_EQ(doc->rootElement()->name(), "package");
}

TEST(XMLDocument, LastNodeRuleAndVariables) {
  auto container = XMLDocument::initWithData(
      "<container><rootfiles>"
      "<rootfile full-path=\"OEBPS/first.opf\"/><rootfile full-path=\"OEBPS/last.opf\"/>"
      "</rootfiles></container>");
  ASSERT_TRUE(container);
  auto path = container->nodeForXPath("//@full-path[1]");
  ASSERT_TRUE(path);
  EXPECT_EQ(path->stringValue(), "OEBPS/last.opf");
  EXPECT_EQ(container->nodeForXPath("//@no-such"), nullptr);

  // A value holding both quote characters is bound as a variable, so it can
  // neither break nor change the expression.
  auto ncx = XMLDocument::initWithData(kNcx);
  ASSERT_TRUE(ncx);
  XMLNode::NamespaceMappings ns{{"ncx", "http://www.daisy.org/z3986/2005/ncx/"}};
  const char* query = "//ncx:content[@src=$src]/../ncx:navLabel/ncx:text";
  auto second = ncx->nodeForXPath(query, ns, {{"src", "it's \"two\".html"}});
  ASSERT_TRUE(second);
  EXPECT_EQ(second->stringValue(), "Second");
  auto first = ncx->nodeForXPath(query, ns, {{"src", "one.html"}});
  ASSERT_TRUE(first);
  EXPECT_EQ(first->stringValue(), "First");
  // An injection attempt is just a value that matches nothing.
  auto injected = ncx->nodesForXPath(query, ns, {{"src", "x' or '1'='1"}});
  ASSERT_TRUE(injected);
  EXPECT_TRUE(injected->empty());
}

TEST(XMLDocument, FailuresAreReportedQuietly) {
  auto dir = test::makeTempDir("xml");
  // Recovery reads a slightly broken file.
  writeFile(dir / "broken.xml", "<a><b>x</a>");
  auto recovered = XMLDocument::initWithContentsOfURL(dir / "broken.xml");
  ASSERT_TRUE(recovered);
  EXPECT_EQ(recovered->rootElement()->stringValue(), "x");

  testing::internal::CaptureStderr();
  writeFile(dir / "garbage.xml", "this is not xml at all");
  base::Error error;
  EXPECT_EQ(XMLDocument::initWithContentsOfURL(dir / "garbage.xml", 0, &error), nullptr);
  EXPECT_EQ(error.domain, kXMLErrorDomain);
  EXPECT_EQ(error.code, kXMLErrorUnparsable);
  writeFile(dir / "empty.xml", "");
  EXPECT_EQ(XMLDocument::initWithContentsOfURL(dir / "empty.xml"), nullptr);
  base::Error missing;
  EXPECT_EQ(XMLDocument::initWithContentsOfURL(dir / "absent.xml", 0, &missing), nullptr);
  EXPECT_EQ(missing.code, kXMLErrorUnreadable);

  // An expression that cannot be evaluated gives nothing and an error.
  auto doc = XMLDocument::initWithData(kPackage);
  ASSERT_TRUE(doc);
  base::Error xpathError;
  EXPECT_FALSE(doc->nodesForXPath("//[", &xpathError));
  EXPECT_EQ(xpathError.domain, kXMLErrorDomain);
  EXPECT_EQ(xpathError.code, kXMLErrorXPath);
  EXPECT_FALSE(xpathError.failureReason.empty());
  EXPECT_FALSE(doc->nodesForXPath("//opf:item"));        // unbound prefix
  EXPECT_FALSE(doc->nodesForXPath("//*[@id=$nope]"));  // unbound variable
  EXPECT_EQ(doc->nodeForXPath("//["), nullptr);
  // Results that are no node set, and namespace nodes, select nothing.
  auto count = doc->nodesForXPath("count(//*)");
  ASSERT_TRUE(count);
  EXPECT_TRUE(count->empty());
  auto namespaces = doc->nodesForXPath("//namespace::*");
  ASSERT_TRUE(namespaces);
  EXPECT_TRUE(namespaces->empty());
  // libxml2 printed nothing on the way.
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  std::filesystem::remove_all(dir);
}

TEST(XMLDocument, NodesKeepTheirDocumentAlive) {
  std::shared_ptr<XMLNode> text;
  std::shared_ptr<XMLNode> attribute;
  {
    auto doc = XMLDocument::initWithData("<r><t k=\"v\">kept</t></r>");
    ASSERT_TRUE(doc);
    text = doc->nodeForXPath("//t");
    attribute = doc->nodeForXPath("//t/@k");
  }
  ASSERT_TRUE(text && attribute);
  EXPECT_EQ(text->stringValue(), "kept");
  EXPECT_EQ(attribute->stringValue(), "v");
  EXPECT_EQ(attribute->name(), "k");
  auto parent = attribute->parent();
  ASSERT_TRUE(parent);
  EXPECT_EQ(parent->name(), "t");
}

}  // namespace
}  // namespace mv
