#pragma once
// The sample company that the local sales service serves: a deterministic,
// seeded generator of every table the sync reads (in the reply form the
// service sends), of every file the file endpoint serves, and of a second
// version of the same data set with the changes an incremental sync must pick
// up. Tests compare what the application stored against these tables; the demo
// archive is built from them too.
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/Value.hpp"

namespace mv::sales {

// One row of a table in the exact JSON text the service sends. Rows are shared
// between versions of a data set when they did not change.
struct Row {
  int64_t key = 0;    // the row's id in its table
  int64_t owner = 0;  // the parent's id for rows that travel with a parent (addresses, contacts)
  std::shared_ptr<const std::string> json;

  base::Value value() const;
  static Row make(int64_t key, const base::Value& value, int64_t owner = 0);
};
using Table = std::vector<Row>;

// File path on the file endpoint below the client folder ("product/p1001_1.jpg",
// "library/pdf/catalogue_1.pdf", "SkinImages_iOS7.zip") -> bytes.
using FileMap = std::map<std::string, std::shared_ptr<const std::string>>;

struct SampleOptions {
  std::string clientId = "acme";
  std::string companyName = "Acme Trading";
  uint64_t seed = 1;
  int topCategories = 3;
  int childCategories = 2;   // children of every category on the first two levels
  int products = 24;
  int imagesPerProduct = 2;
  int customers = 12;
  int documentsPerType = 1;  // library documents of each of the six kinds
  int imagePool = 0;         // 0: every product picture drawn on its own; else that many shared pictures
  int fullImageWidth = 400;
  int fullImageHeight = 300;
  bool numbersAsText = false;  // ids, flags and amounts as JSON text instead of numbers

  // Benchmark size: many products over shared pictures.
  static SampleOptions large(int products = 50000);
  std::string cacheKey() const;
};

// What the second version changes, so that tests know which rows an
// incremental sync must return.
struct ChangeSet {
  int64_t changedProductId = 0;
  int64_t newImageId = 0;
  std::string newImageFull, newImageThumb;   // the changed product's new default picture
  std::string oldImageFull, oldImageThumb;   // its former default picture, now unpublished
  int64_t unpublishedProductId = 0;          // publish -1
  int64_t uncategorisedProductId = 0;        // no category links any more
  int64_t renamedFileId = 0;                 // listed in keyIDS
  std::string oldFileName, newFileName;
  int64_t newFileId = 0;                     // a document that did not exist before
  std::string newDocumentName;
  int64_t changedCustomerId = 0;             // one of its addresses changed
  int64_t changedAddressId = 0;
  std::string newAddress;
};

struct DataSet {
  SampleOptions options;
  int version = 1;

  // product tables (reply 513, by index): [0] products with attributes, category
  // links, price and images; [1] categories; [2] attribute fields; [3] related
  // files; [4] tags; [5] product-tag links; [6] related products
  Table products, categories, productFields, relatedFiles, tags, productTags, relatedProducts;
  // library tables (reply 515): [0] files, [1] categories
  Table libraryFiles, libraryCategories;
  // customer tables (reply 516): [0] customers with attributes, [1] fields,
  // [2] addresses, [3] contacts
  Table customers, customerFields, addresses, contacts;
  // icon table (reply 514, never asked by the application)
  Table icons;
  // The highest id among the customers' attribute rows, which travel inside
  // their customer's row and have no row of their own here.
  int64_t lastCustomerAttributeId = 0;

  FileMap files;

  // The bytes served at `path` (see FileMap), or null.
  std::shared_ptr<const std::string> file(const std::string& path) const;
  static const Row* find(const Table& table, int64_t key);
  static base::Value toJson(const Table& table);

  // Writes every file below `dir` (dir/<typePath>/<name>) and the tables as
  // "tables.json"; false with a reason when a write fails.
  bool writeTo(const std::filesystem::path& dir, std::string* error = nullptr) const;
};

// Both versions of a company's data and what changed between them.
struct CompanyData {
  std::shared_ptr<const DataSet> first;
  std::shared_ptr<const DataSet> second;
  ChangeSet changes;

  // version 1 or 2; anything else null
  std::shared_ptr<const DataSet> version(int v) const;
};

// Orders the service reports as already submitted by an account (history).
struct OrderHistory {
  base::Value orders = base::Value::array();
  base::Value items = base::Value::array();
};

class SampleData {
 public:
  static std::shared_ptr<const DataSet> generate(const SampleOptions& options);
  // The second version of `first`, and what changed.
  static std::shared_ptr<const DataSet> nextVersion(const DataSet& first, ChangeSet* changes);
  // Both versions, built once per distinct options and shared afterwards
  // (the sets are immutable).
  static std::shared_ptr<const CompanyData> company(const SampleOptions& options);
  static OrderHistory orderHistory(const DataSet& data, const std::string& accountId, int count);
  // The zip code of customer `index` (from 0) of a generated company: five
  // digits for a company of any size.
  static std::string customerZip(int index);

  // The path of a file type on the file endpoint (1 "product" ... 10
  // "library/keynote"); empty for 11 (the skin archive) and unknown types.
  static std::string typePath(int fileType);
  // The file type of a library type word ("PDF" 5 ... anything else 10).
  static int fileTypeOfWord(const std::string& word);
  static const char* skinArchiveName() { return "SkinImages_iOS7.zip"; }
  // A hash of a text that is the same on every platform.
  static uint64_t stableHash(const std::string& text);
  // A small icon picture for any icon name, for icons the service was not told about.
  static std::string iconPicture(const std::string& name);
  // The company's skin as a company would ship it, in its brand colour: a
  // brand bar for the top bars (white titles read on it), a light tab bar,
  // its logo and a backdrop, each at the size it is shown. The archive's
  // entries are "SkinImages/<name>".
  static std::string skinArchive(const SampleOptions& options);
  // The picture of the company's tab bar icon ("top bar"): its light bar.
  static std::string barPicture(const SampleOptions& options, int width, int height);
};

}  // namespace mv::sales
