#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/gfx/ImageData.hpp"
#include "sales-service/DocumentFactory.hpp"
#include "sales-service/ImageFactory.hpp"
#include "sales-service/SampleData.hpp"

namespace mv::test {
namespace {

using sales::DataSet;
using sales::ImageFactory;
using sales::PictureSpec;
using sales::SampleData;
using sales::SampleOptions;

uint32_t le32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(s[at + static_cast<size_t>(i)]);
  return v;
}
uint16_t le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<unsigned char>(s[at]) | (static_cast<unsigned char>(s[at + 1]) << 8));
}

struct ZipEntry {
  std::string name;
  uint16_t method = 0;
};

// The entries of a ZIP archive from its central directory; empty when it is not one.
std::vector<ZipEntry> zipEntries(const std::string& zip) {
  std::vector<ZipEntry> out;
  if (zip.size() < 22) return out;
  size_t end = zip.rfind(std::string("PK\x05\x06", 4));
  if (end == std::string::npos || end + 22 > zip.size()) return out;
  const uint16_t count = le16(zip, end + 10);
  size_t at = le32(zip, end + 16);
  for (uint16_t i = 0; i < count; ++i) {
    if (at + 46 > zip.size() || zip.compare(at, 4, std::string("PK\x01\x02", 4)) != 0) return {};
    ZipEntry e;
    e.method = le16(zip, at + 10);
    const uint16_t nameLen = le16(zip, at + 28), extra = le16(zip, at + 30), comment = le16(zip, at + 32);
    e.name = zip.substr(at + 46, nameLen);
    out.push_back(e);
    at += 46 + nameLen + extra + comment;
  }
  return out;
}

bool hasEntry(const std::vector<ZipEntry>& entries, const std::string& name) {
  for (const auto& e : entries) {
    if (e.name == name) return true;
  }
  return false;
}

size_t countPages(const std::string& pdf) {
  size_t n = 0;
  for (size_t at = pdf.find("/Type /Page"); at != std::string::npos; at = pdf.find("/Type /Page", at + 1)) {
    if (pdf.compare(at, 12, "/Type /Pages") != 0) ++n;
  }
  return n;
}

TEST(SalesSampleData, EveryFileTheApplicationOpensIsReal) {
  auto company = SampleData::company(SampleOptions{});
  const DataSet& data = *company->first;
  std::set<std::string> types;
  for (const auto& row : data.libraryFiles) {
    auto f = row.value();
    const std::string type = f["type"];
    types.insert(type);
    auto bytes = data.file(SampleData::typePath(SampleData::fileTypeOfWord(type)) + "/" + f["fileName"].get<std::string>());
    ASSERT_TRUE(bytes) << f.dump();
    ASSERT_TRUE(data.file("library/cover_image/" + f["coverImage"].get<std::string>())) << f.dump();
    const std::string& b = *bytes;
    if (type == "PDF") {
      EXPECT_EQ(b.rfind("%PDF-", 0), 0u);
      EXPECT_EQ(countPages(b), 3u);
      EXPECT_NE(b.find("/URI"), std::string::npos);  // the reader finds links
    } else if (type == "EPUB") {
      auto entries = zipEntries(b);
      ASSERT_FALSE(entries.empty());
      EXPECT_EQ(entries[0].name, "mimetype");
      EXPECT_EQ(entries[0].method, 0);  // stored
      EXPECT_EQ(b.substr(30 + 8, 20), "application/epub+zip");
      EXPECT_TRUE(hasEntry(entries, "META-INF/container.xml"));
      EXPECT_TRUE(hasEntry(entries, "OEBPS/content.opf"));
      EXPECT_TRUE(hasEntry(entries, "OEBPS/toc.ncx"));
      EXPECT_TRUE(hasEntry(entries, "OEBPS/chapter1.xhtml"));
    } else if (type == "WORD") {
      auto entries = zipEntries(b);
      EXPECT_TRUE(hasEntry(entries, "[Content_Types].xml"));
      EXPECT_TRUE(hasEntry(entries, "word/document.xml"));
    } else if (type == "EXCEL") {
      auto entries = zipEntries(b);
      EXPECT_TRUE(hasEntry(entries, "xl/workbook.xml"));
      EXPECT_TRUE(hasEntry(entries, "xl/worksheets/sheet1.xml"));
    } else if (type == "VEDIO") {
      EXPECT_EQ(b.substr(0, 4), "RIFF");
      EXPECT_EQ(b.substr(8, 4), "AVI ");
      EXPECT_EQ(le32(b, 4), b.size() - 8);
      EXPECT_NE(b.find("MJPG"), std::string::npos);
    } else {
      auto entries = zipEntries(b);
      EXPECT_TRUE(hasEntry(entries, "ppt/presentation.xml"));
      EXPECT_TRUE(hasEntry(entries, "ppt/slides/slide1.xml"));
      EXPECT_TRUE(hasEntry(entries, "ppt/slideMasters/slideMaster1.xml"));
    }
  }
  EXPECT_EQ(types, (std::set<std::string>{"PDF", "VEDIO", "EXCEL", "WORD", "EPUB", "PPT"}));

  // Every picture is a real image whose bytes match its extension, also
  // where pictures are shared between products.
  SampleOptions pooled = SampleOptions::large(60);
  pooled.imagePool = 5;
  SampleOptions textual;
  textual.numbersAsText = true;
  textual.imagesPerProduct = 3;
  for (const SampleOptions& options : {SampleOptions{}, pooled, textual}) {
    auto set = SampleData::generate(options);
    std::size_t pictures = 0;
    for (const auto& [path, bytes] : set->files) {
      ASSERT_TRUE(bytes) << path;
      const auto dot = path.rfind('.');
      const std::string ext = dot == std::string::npos ? "" : path.substr(dot);
      if (ext == ".png") {
        EXPECT_EQ(bytes->substr(0, 8), "\x89PNG\r\n\x1a\n") << path;
      } else if (ext == ".jpg" || ext == ".jpeg") {
        EXPECT_EQ(bytes->substr(0, 3), "\xff\xd8\xff") << path;
      } else {
        continue;
      }
      ++pictures;
    }
    EXPECT_GT(pictures, static_cast<std::size_t>(options.products)) << options.cacheKey();
  }
  // The raw pixels a JPEG is made of are the picture as drawn, row by row.
  PictureSpec spec;
  spec.width = 37;
  spec.height = 5;
  spec.label = "P1";
  spec.color = 0xC03A10;
  const std::string raw = ImageFactory::rgb(spec);
  const auto drawn = gfx::ImageData::decode(ImageFactory::png(spec));
  ASSERT_TRUE(drawn);
  ASSERT_EQ(raw.size(), std::size_t(37 * 5 * 3));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 37; ++x)
      for (int c = 0; c < 3; ++c)
        ASSERT_EQ(static_cast<unsigned char>(raw[(y * 37 + x) * 3 + c]), drawn->pixel(x, y)[c]) << x << ", " << y;

  auto skin = zipEntries(*data.file(SampleData::skinArchiveName()));
  ASSERT_FALSE(skin.empty());
  for (const auto& e : skin) EXPECT_EQ(e.name.rfind("SkinImages/", 0), 0u) << e.name;
  EXPECT_TRUE(hasEntry(skin, "SkinImages/homelogo.png"));
}

// Products are filed at one leaf category each, in the test company, the
// large one and the demo's: a category with children holds no products of
// its own, so a level's "ALL" is the sum of what its children count.
TEST(SalesSampleData, ProductsAreFiledAtLeafCategories) {
  SampleOptions demo;  // as the demo archive is made
  demo.products = 12;
  demo.topCategories = 2;
  demo.childCategories = 2;
  for (const SampleOptions& options : {SampleOptions{}, SampleOptions::large(300), demo}) {
    auto data = SampleData::generate(options);
    std::set<int64_t> withChildren;
    for (const auto& row : data->categories) {
      const auto parent = row.value()["categoryParentID"];
      if (parent.is_number_integer() && parent.get<int64_t>() != 0) withChildren.insert(parent.get<int64_t>());
    }
    ASSERT_FALSE(withChildren.empty());
    for (const auto& row : data->products) {
      const auto parents = row.value()["productParentList"];
      ASSERT_EQ(parents.size(), 1u) << "product " << row.key;
      ASSERT_TRUE(parents[0].is_number_integer());
      EXPECT_EQ(withChildren.count(parents[0].get<int64_t>()), 0u) << "product " << row.key << " in " << parents[0];
    }
  }
}

// A company of 300,000 customers, as the scale runs serve, gives its last
// customers five-digit zip codes as its first ones, in the addresses it sends.
TEST(SalesSampleData, CustomersPastAQuarterMillionHaveFiveDigitZipCodes) {
  for (int index : {0, 271182, 271183, 299999}) {
    const std::string zip = SampleData::customerZip(index);
    ASSERT_EQ(zip.size(), 5u) << "customer " << index;
    EXPECT_GE(zip, "10000") << "customer " << index;
    EXPECT_TRUE(std::all_of(zip.begin(), zip.end(), [](char c) { return c >= '0' && c <= '9'; })) << zip;
  }
  SampleOptions options;
  options.customers = 3;
  auto data = SampleData::generate(options);
  std::set<std::string> zips;
  for (const auto& row : data->addresses) zips.insert(row.value()["zip_code"].get<std::string>());
  for (int index = 0; index < 3; ++index) EXPECT_EQ(zips.count(SampleData::customerZip(index)), 1u) << index;
}

TEST(SalesSampleData, SecondVersionHoldsTheChangesItAnnounces) {
  auto company = SampleData::company(SampleOptions{});
  const DataSet& v1 = *company->first;
  const DataSet& v2 = *company->second;
  const auto& c = company->changes;
  EXPECT_EQ(v2.version, 2);

  auto changed = DataSet::find(v2.products, c.changedProductId)->value();
  EXPECT_NE(changed, DataSet::find(v1.products, c.changedProductId)->value());
  ASSERT_TRUE(v2.file("product/" + c.newImageFull));
  ASSERT_TRUE(v2.file("product/" + c.newImageThumb));
  EXPECT_FALSE(v1.file("product/" + c.newImageFull));
  EXPECT_EQ(DataSet::find(v2.products, c.unpublishedProductId)->value()["publish"], -1);
  EXPECT_TRUE(DataSet::find(v2.products, c.uncategorisedProductId)->value()["productParentList"].empty());

  EXPECT_EQ(DataSet::find(v1.libraryFiles, c.renamedFileId)->value()["fileName"], c.oldFileName);
  EXPECT_EQ(DataSet::find(v2.libraryFiles, c.renamedFileId)->value()["fileName"], c.newFileName);
  EXPECT_NE(*v2.file("library/pdf/" + c.newFileName), *v1.file("library/pdf/" + c.oldFileName));
  EXPECT_EQ(DataSet::find(v1.libraryFiles, c.newFileId), nullptr);
  EXPECT_EQ(DataSet::find(v2.libraryFiles, c.newFileId)->value()["fileName"], c.newDocumentName);

  EXPECT_EQ(DataSet::find(v2.addresses, c.changedAddressId)->value()["address"], c.newAddress);
  EXPECT_EQ(DataSet::find(v2.addresses, c.changedAddressId)->owner, c.changedCustomerId);
  // rows that did not change are shared, not copied
  EXPECT_EQ(v1.products[0].json, v2.products[0].json);
}

}  // namespace
}  // namespace mv::test
