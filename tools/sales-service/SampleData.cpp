#include "sales-service/SampleData.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <set>

#include "sales-service/DocumentFactory.hpp"
#include "sales-service/ImageFactory.hpp"
#include "sales-service/ZipBuilder.hpp"
#include "store/Schema.hpp"

namespace mv::sales {

namespace {

using Value = base::Value;

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed * 0x2545F4914F6CDD1Dull + 0x1234567ull) {}
  uint64_t next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  int below(int n) { return n <= 0 ? 0 : static_cast<int>(next() % static_cast<uint64_t>(n)); }
  template <typename T>
  const T& pick(const std::vector<T>& items) { return items[static_cast<size_t>(below(static_cast<int>(items.size())))]; }

 private:
  uint64_t state_;
};

// A hash that is the same on every platform, unlike std::hash.
uint64_t stableHash(const std::string& text) {
  uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h;
}

// Numbers go out as JSON numbers, or as their text when the options ask for it.
struct Numbers {
  bool asText = false;
  Value integer(int64_t v) const { return asText ? Value(std::to_string(v)) : Value(v); }
  Value real(double v) const {
    if (!asText) return Value(std::round(v * 100.0) / 100.0);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return Value(std::string(buf));
  }
};

std::string fmt2(double v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  return buf;
}

std::string pad(int64_t v, int width) {
  std::string s = std::to_string(v);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<size_t>(width) - s.size(), '0');
  return s;
}

std::string megabytes(size_t bytes) { return fmt2(static_cast<double>(bytes) / (1024.0 * 1024.0)) + " M"; }

// Fixed time points (seconds since 1970) so that the data never depends on today.
constexpr int64_t k2019Start = 1546300800;  // 2019-01-01
constexpr int64_t k2019End = 1577750400;    // 2019-12-31
constexpr int64_t k2020Start = 1577836800;  // 2020-01-01
constexpr int64_t k2034Start = 2019686400;  // 2034-01-01
constexpr int64_t k2035End = 2082672000;    // 2035-12-31

const std::vector<std::string> kTopNames = {"Lighting", "家具", "Office", "Kitchen", "Garden", "纺织品", "Tools", "Outdoor"};
const std::vector<std::string> kMidNames = {"Classic", "Modern", "Outdoor", "Compact"};
const std::vector<std::string> kLeafNames = {"Small", "Large", "Premium", "Basic"};
const std::vector<std::string> kAdjectives = {"Nordic", "Urban", "Classic", "Compact", "Deluxe", "Eco", "Smart", "Vintage"};
const std::vector<std::string> kNouns = {"Desk Lamp", "Armchair", "Shelf", "Kettle", "Planter", "Cushion", "Drill", "Table"};
const std::vector<std::string> kChineseNames = {"台灯", "扶手椅", "书架", "电水壶", "花盆", "靠垫", "电钻", "餐桌"};
const std::vector<std::string> kLatinCompanies = {"Müller Handels GmbH", "Northwind Traders", "Blue Harbor Ltd", "Rossi & Figli",
                                                  "Dupont Équipement", "Oak Street Supplies"};
const std::vector<std::string> kChineseCompanies = {"上海明华贸易有限公司", "北京远航商贸", "广州恒信家居", "深圳星辰科技"};
const std::vector<std::string> kFirstNames = {"Anna", "Li", "Marco", "Wei", "Sophie", "Jun", "Peter", "Mei"};
const std::vector<std::string> kLastNames = {"Schmidt", "王", "Rossi", "陈", "Martin", "张", "Brown", "刘"};
const std::vector<std::string> kCities = {"Hamburg", "上海", "Milano", "北京", "Lyon", "Chicago", "广州", "Boston"};
const std::vector<std::string> kStates = {"HH", "上海市", "MI", "北京市", "ARA", "IL", "广东省", "MA"};
const std::vector<std::string> kStreets = {"Hafenstraße", "南京路", "Via Roma", "长安街", "Rue de la Paix", "Main Street"};

struct DocumentKind {
  const char* word;       // library type word
  int fileType;           // file type number
  const char* extension;  // file name extension
  const char* stem;       // file name stem
  const char* format;     // format word of the info text
  int category;           // library category id
};

const std::vector<DocumentKind> kDocumentKinds = {
    {"PDF", 5, "pdf", "catalogue", "PDF", 1},     {"VEDIO", 6, "avi", "showreel", "AVI", 4},
    {"EXCEL", 7, "xlsx", "pricelist", "XLSX", 2}, {"WORD", 8, "docx", "guide", "DOCX", 3},
    {"EPUB", 9, "epub", "handbook", "EPUB", 3},   {"PPT", 10, "pptx", "pitch", "PPTX", 5},
};

uint32_t companyColor(uint64_t seed) {
  Random r(seed ^ 0xC0FFEEull);
  return static_cast<uint32_t>(0x203040 + (r.next() % 0x9F9F9F));
}

std::shared_ptr<const std::string> shareBytes(std::string bytes) {
  return std::make_shared<const std::string>(std::move(bytes));
}

class Builder {
 public:
  Builder(const SampleOptions& options, DataSet& out) : o_(options), out_(out), rng_(options.seed) {
    n_.asText = options.numbersAsText;
  }

  void build() {
    categories();
    productFields();
    tags();
    libraryCategories();
    libraryFiles();
    products();
    relatedTables();
    customerFields();
    customers();
    icons();
    skin();
  }

 private:
  const SampleOptions& o_;
  DataSet& out_;
  Random rng_;
  Numbers n_;
  std::vector<int64_t> leafCategories_;
  std::map<int64_t, int64_t> parentOf_;
  std::vector<int64_t> productIds_;
  std::vector<std::shared_ptr<const std::string>> pool_;  // shared pictures: full, thumb, full, thumb, ...

  void categories() {
    int64_t id = 0;
    for (int t = 0; t < o_.topCategories; ++t) {
      int64_t top = ++id;
      std::string topName = kTopNames[static_cast<size_t>(t) % kTopNames.size()];
      if (t >= static_cast<int>(kTopNames.size())) topName += " " + std::to_string(t / kTopNames.size() + 1);
      addCategory(top, topName, 0, t);
      for (int m = 0; m < o_.childCategories; ++m) {
        int64_t mid = ++id;
        std::string midName = topName + " " + kMidNames[static_cast<size_t>(m) % kMidNames.size()];
        addCategory(mid, midName, top, m);
        for (int l = 0; l < o_.childCategories; ++l) {
          int64_t leaf = ++id;
          addCategory(leaf, midName + " " + kLeafNames[static_cast<size_t>(l) % kLeafNames.size()], mid, l);
          leafCategories_.push_back(leaf);
        }
        if (o_.childCategories == 0) leafCategories_.push_back(mid);
      }
      if (o_.childCategories == 0) leafCategories_.push_back(top);
    }
  }

  void addCategory(int64_t id, const std::string& name, int64_t parent, int ordering) {
    parentOf_[id] = parent;
    Value v = {{"categoryID", n_.integer(id)},
               {"categoryName", name},
               {"categoryCode", "CAT-" + pad(id, 3)},
               {"categoryType", "product"},
               {"categoryPublish", n_.integer(1)},
               {"categoryOrdering", n_.integer(ordering + 1)},
               {"categoryParentID", n_.integer(parent)}};
    out_.categories.push_back(Row::make(id, v));
  }

  struct Field {
    int64_t id;
    const char* name;
    const char* description;
    const char* options;
    int display;
  };
  const std::vector<Field> productFieldList_ = {
      {1, "Color", "Colour of the finish", "Red,Green,Blue,Black,White", 1},
      {2, "Size", "Size of the article", "S,M,L,XL", 1},
      {3, "Material", "Main material", "Wood,Steel,Glass,Plastic", 1},
      {4, "Finish", "Surface treatment (internal)", "Matt,Gloss", 0},
  };

  void productFields() {
    for (const auto& f : productFieldList_) {
      Value v = {{"attributeFieldsId", n_.integer(f.id)}, {"attributeName", f.name},  {"description", f.description},
                 {"attributeValue", f.options},          {"display", n_.integer(f.display)}, {"published", n_.integer(1)}};
      out_.productFields.push_back(Row::make(f.id, v));
    }
  }

  const std::vector<std::string> tagNames_ = {"New", "Sale", "Bestseller", "热卖", "Eco"};

  void tags() {
    for (size_t i = 0; i < tagNames_.size(); ++i) {
      int64_t id = static_cast<int64_t>(i) + 1;
      out_.tags.push_back(Row::make(id, Value{{"id", n_.integer(id)}, {"tagName", tagNames_[i]}}));
    }
  }

  void libraryCategories() {
    struct Cat {
      int64_t id;
      const char* name;
      int64_t parent;
    };
    const Cat cats[] = {{1, "Brochures", 0}, {2, "Price Lists", 0}, {3, "Training", 0},
                        {4, "Videos", 3},    {5, "Presentations", 3}, {6, "产品手册", 0}};
    int ordering = 0;
    for (const auto& c : cats) {
      Value v = {{"cateID", n_.integer(c.id)},
                 {"cateName", c.name},
                 {"cateOrdering", n_.integer(++ordering)},
                 {"catePublished", n_.integer(1)},
                 {"parentId", n_.integer(c.parent)}};
      out_.libraryCategories.push_back(Row::make(c.id, v));
    }
  }

  void libraryFiles() {
    int64_t id = 0;
    for (int copy = 0; copy < std::max(0, o_.documentsPerType); ++copy) {
      for (const auto& kind : kDocumentKinds) {
        ++id;
        std::string name = std::string(kind.stem) + "_" + std::to_string(copy + 1) + "." + kind.extension;
        std::string title = std::string(kind.stem) + " " + std::to_string(copy + 1);
        title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
        addDocument(out_, n_, id, kind, name, title, "2024-0" + std::to_string(1 + copy % 9) + "-1" +
                                                          std::to_string(id % 10) + " 10:00:00",
                    static_cast<int>(id), o_.seed + static_cast<uint64_t>(id), false);
      }
    }
  }

 public:
  // One library document with its cover, in the given data set.
  static void addDocument(DataSet& data, const Numbers& n, int64_t id, const DocumentKind& kind, const std::string& name,
                          const std::string& title, const std::string& date, int ordering, uint64_t seed,
                          bool revised) {
    std::string bytes;
    std::string duration;
    const std::string heading = title + (revised ? " (revised)" : "");
    switch (kind.fileType) {
      case 5:
        bytes = DocumentFactory::pdf(heading, revised ? 4 : 3, seed);
        break;
      case 6:
        bytes = DocumentFactory::video(20, 10, 160, 120, seed);
        duration = ",00:02";
        break;
      case 7: {
        std::vector<std::vector<std::string>> rows = {{"SKU", "Product", "Price", "Currency"}};
        Random r(seed);
        for (int i = 1; i <= 12; ++i) {
          rows.push_back({"SKU-" + pad(1000 + i, 5), kAdjectives[static_cast<size_t>(i) % kAdjectives.size()] + " " +
                                                           kNouns[static_cast<size_t>(i) % kNouns.size()],
                          fmt2(5 + r.below(50000) / 100.0), i % 3 == 2 ? "EUR" : "USD"});
        }
        bytes = DocumentFactory::xlsx(heading.substr(0, 31), rows);
        break;
      }
      case 8:
        bytes = DocumentFactory::docx(heading, {"This guide walks through the product range.",
                                                "Every article is shown with its sizes, colours and prices.",
                                                "Contact your representative for quotes."});
        break;
      case 9: {
        PictureSpec picture;
        picture.width = 420;
        picture.height = 260;
        picture.label = "Our range";
        picture.color = 0x2A5285;
        picture.seed = seed;
        bytes = DocumentFactory::epub(
            heading,
            {{"Welcome",
              {"This handbook introduces the range our representatives offer: lighting, furniture and office "
               "articles for shops, offices and homes, with the services that come with them.",
               "Each chapter covers one part of the range. Turn the pages sideways; at the end of a chapter the "
               "next one follows.",
               "Prices and stock change often. The product screens of the application always show the current "
               "figures; this book explains what the articles are for and how to present them to a customer.",
               "Ask your sales office for printed copies of the book for customers who prefer paper."}},
             {"Products",
              {"Lighting: desk, floor and ceiling lamps in three finishes, with bulbs that last ten years.",
               "Furniture: desks, chairs, shelving and storage that can be combined in any order.",
               "Office articles: paper, writing and filing, delivered within two working days."}},
             {"Service", {"Delivery, returns and warranty.", "Every article carries a two-year warranty."}}},
            ImageFactory::png(picture));
        break;
      }
      default:
        bytes = DocumentFactory::pptx({{heading, {"Why our range", "Prices that hold", "Service that follows"}},
                                       {"Highlights", {"New arrivals", "Best sellers"}},
                                       {"Next steps", {"Order samples", "Plan the launch"}}});
        break;
    }
    const std::string cover = "cover_" + std::to_string(id) + (revised ? "_v2" : "") + ".png";
    PictureSpec coverSpec;
    coverSpec.width = 200;
    coverSpec.height = 260;
    coverSpec.label = kind.format;
    coverSpec.color = 0x2A5285 + static_cast<uint32_t>(kind.fileType * 0x101010);
    coverSpec.seed = seed;
    data.files["library/cover_image/" + cover] = shareBytes(ImageFactory::png(coverSpec));
    const std::string info = std::string(kind.format) + "/" + megabytes(bytes.size()) + duration;
    data.files[SampleData::typePath(kind.fileType) + "/" + name] = shareBytes(std::move(bytes));
    Value v = {{"id", n.integer(id)},
               {"title", title},
               {"fileName", name},
               {"category", n.integer(kind.category)},
               {"type", kind.word},
               {"date", date},
               {"description", "The " + title + " for the sales team."},
               {"ordering", n.integer(ordering)},
               {"publish", n.integer(1)},
               {"coverImage", cover},
               {"info", info}};
    Row row = Row::make(id, v);
    auto it = std::find_if(data.libraryFiles.begin(), data.libraryFiles.end(),
                           [&](const Row& r) { return r.key == id; });
    if (it != data.libraryFiles.end()) {
      *it = row;
    } else {
      data.libraryFiles.push_back(row);
    }
  }

 private:
  std::shared_ptr<const std::string> picture(int64_t productId, int index, bool thumb, bool jpeg, const std::string& label) {
    PictureSpec spec;
    spec.width = thumb ? 160 : o_.fullImageWidth;
    spec.height = thumb ? 110 : o_.fullImageHeight;
    spec.label = label;
    spec.seed = o_.seed * 7919 + static_cast<uint64_t>(productId) * 31 + static_cast<uint64_t>(index);
    spec.color = static_cast<uint32_t>(Random(spec.seed).next() & 0xFFFFFF);
    if (o_.imagePool > 0) {
      // One shared picture per kind (PNG full size, JPEG full size, PNG
      // thumbnail), so that a file's bytes always match its extension.
      const size_t kind = thumb ? 2 : jpeg ? 1 : 0;
      size_t slot = static_cast<size_t>((productId * 3 + index) % o_.imagePool) * 3 + kind;
      if (pool_.size() < static_cast<size_t>(o_.imagePool) * 3) pool_.resize(static_cast<size_t>(o_.imagePool) * 3);
      if (!pool_[slot]) {
        spec.label = "#" + std::to_string(slot / 3 + 1);
        pool_[slot] = shareBytes(jpeg && !thumb ? ImageFactory::jpeg(spec) : ImageFactory::png(spec));
      }
      return pool_[slot];
    }
    return shareBytes(jpeg && !thumb ? ImageFactory::jpeg(spec) : ImageFactory::png(spec));
  }

 public:
  static Value imageRow(const Numbers& n, int64_t imageId, int64_t productId, const std::string& full,
                        const std::string& thumb, bool isDefault, int ordering, bool published) {
    return Value{{"imageID", n.integer(imageId)},
                 {"keyID", n.integer(productId)},
                 {"keyType", "product"},
                 {"thumbAddress", thumb},
                 {"fullAddress", full},
                 {"isDefault", n.integer(isDefault ? 1 : 0)},
                 {"imageShortDesc", "Picture " + std::to_string(ordering)},
                 {"imageDesc", "Picture " + std::to_string(ordering) + " of product " + std::to_string(productId)},
                 {"imagePublish", n.integer(published ? 1 : 0)},
                 {"imageOrdering", n.integer(ordering)}};
  }

 private:
  void products() {
    int64_t attributeId = 0;
    int64_t imageId = 0;
    const int count = std::max(0, o_.products);
    for (int i = 0; i < count; ++i) {
      const int64_t id = 1001 + i;
      productIds_.push_back(id);
      const std::string noun = kNouns[static_cast<size_t>(i) % kNouns.size()];
      std::string name = i % 4 == 3 ? kChineseNames[static_cast<size_t>(i) % kChineseNames.size()] + " " + std::to_string(i + 1)
                                    : kAdjectives[static_cast<size_t>(i / 8) % kAdjectives.size()] + " " + noun + " " +
                                          std::to_string(i + 1);
      Value attributes = Value::array();
      for (const auto& f : productFieldList_) {
        bool has = f.id == 1 || (f.id == 2 && i % 2 == 0) || (f.id == 3 && i % 3 == 0) || (f.id == 4 && i % 5 == 0);
        if (!has) continue;
        std::string options = f.options;
        std::vector<std::string> parts;
        size_t start = 0;
        for (size_t p = options.find(','); ; p = options.find(',', start)) {
          parts.push_back(options.substr(start, p == std::string::npos ? std::string::npos : p - start));
          if (p == std::string::npos) break;
          start = p + 1;
        }
        size_t take = 2 + static_cast<size_t>((i + f.id) % static_cast<int64_t>(parts.size() - 1));
        std::string list;
        for (size_t k = 0; k < take && k < parts.size(); ++k) list += (k ? "," : "") + parts[(k + static_cast<size_t>(i)) % parts.size()];
        attributes.push_back(Value{{"attributeId", n_.integer(++attributeId)},
                                   {"attributeFieldsId", n_.integer(f.id)},
                                   {"attributeValue", list},
                                   {"defaultValue", list.substr(0, list.find(','))}});
      }
      // Filed at one leaf, as real catalogues are: a category with children
      // holds no products of its own, and every level's counts add up.
      Value parents = Value::array();
      if (!leafCategories_.empty()) {
        parents.push_back(n_.integer(leafCategories_[static_cast<size_t>(i) % leafCategories_.size()]));
      }
      std::vector<std::string> tagList;
      tagList.push_back(tagNames_[static_cast<size_t>(i) % tagNames_.size()]);
      if (i % 3 == 0 && i % tagNames_.size() != 1) tagList.push_back(tagNames_[1]);
      std::string tagText;
      for (const auto& t : tagList) tagText += (tagText.empty() ? "" : ",") + t;

      Value product = {{"productID", n_.integer(id)},
                       {"productSKU", "SKU-" + pad(id, 5)},
                       {"productName", name},
                       {"productShortDesc", noun + ", " + std::to_string(10 + i % 40) + " cm"},
                       {"productDesc", "<p>" + name + " is made for everyday use.</p><p>Delivered assembled.</p>"},
                       {"productBuy", n_.integer(1)},
                       {"productSale", n_.integer(i % 4 == 0 ? 1 : 0)},
                       {"productStock", n_.integer(rng_.below(500))},
                       {"productOrdering", n_.integer(i + 1)},
                       {"publish", n_.integer(1)},
                       {"productTag", tagText},
                       {"attributes", attributes},
                       {"productParentList", parents}};
      const bool noPrice = count >= 5 && i == count - 1;
      const double price = noPrice ? -1.0 : 5.0 + rng_.below(50000) / 100.0;
      const int window = i % 4;  // 0 running discount, 1 expired, 2 future, 3 none
      const bool hasDiscount = !noPrice && window != 3;
      const int64_t start = window == 0 ? k2020Start : window == 1 ? k2019Start : window == 2 ? k2034Start : 0;
      const int64_t end = window == 0 ? k2035End : window == 1 ? k2019End : window == 2 ? k2035End : 0;
      product["priceID"] = n_.integer(i + 1);
      product["vendor_group_id_list"] = "";
      product["vendor_state_id_list"] = "";
      product["vendor_id_list"] = "";
      product["customer_id_list"] = "";
      product["price"] = n_.real(price);
      product["currency"] = i % 3 == 2 ? "EUR" : "USD";
      product["discountPrice"] = n_.real(hasDiscount ? price * 0.9 : 0.0);
      product["discountIdentifier"] = hasDiscount ? "SEASON" : "";
      product["discountStartDate"] = n_.integer(start);
      product["discountEndDate"] = n_.integer(end);
      product["discountPublish"] = n_.integer(hasDiscount ? 1 : 0);
      product["tierStartDate"] = n_.integer(0);
      product["tierEndDate"] = n_.integer(0);
      product["tierQuantityPrice"] = "";
      product["tierPublish"] = n_.integer(0);
      product["discount_percentage"] = n_.real(hasDiscount ? 10.0 : 0.0);

      Value images = Value::array();
      for (int k = 1; k <= std::max(0, o_.imagesPerProduct); ++k) {
        const bool jpeg = k % 2 == 1;
        const std::string stem = "p" + std::to_string(id) + "_" + std::to_string(k);
        const std::string full = stem + (jpeg ? ".jpg" : ".png");
        const std::string thumb = stem + "_s.png";
        out_.files["product/" + full] = picture(id, k, false, jpeg, std::to_string(id));
        out_.files["product/" + thumb] = picture(id, k, true, false, std::to_string(id));
        images.push_back(imageRow(n_, ++imageId, id, full, thumb, k == 1, k, true));
      }
      product["images"] = images;
      out_.products.push_back(Row::make(id, product));
    }
  }

  void relatedTables() {
    int64_t serial = 0;
    for (size_t i = 0; i + 1 < productIds_.size(); i += 2) {
      ++serial;
      out_.relatedProducts.push_back(Row::make(serial, Value{{"id", n_.integer(serial)},
                                                             {"firstProductId", n_.integer(productIds_[i])},
                                                             {"secondProductId", n_.integer(productIds_[i + 1])}}));
    }
    const int64_t fileCount = static_cast<int64_t>(out_.libraryFiles.size());
    int64_t fileLink = 0;
    for (size_t i = 0; i < productIds_.size() && fileCount > 0; i += 3) {
      int64_t fileId = out_.libraryFiles[static_cast<size_t>(i) % out_.libraryFiles.size()].key;
      out_.relatedFiles.push_back(Row::make(++fileLink, Value{{"productId", n_.integer(productIds_[i])},
                                                              {"productSku", "SKU-" + pad(productIds_[i], 5)},
                                                              {"fileId", n_.integer(fileId)}}));
    }
    int64_t link = 0;
    for (size_t i = 0; i < productIds_.size(); ++i) {
      out_.productTags.push_back(Row::make(++link, Value{{"tagId", n_.integer(static_cast<int64_t>(i % tagNames_.size()) + 1)},
                                                         {"productId", n_.integer(productIds_[i])}}));
      if (i % 3 == 0 && i % tagNames_.size() != 1) {
        out_.productTags.push_back(Row::make(++link, Value{{"tagId", n_.integer(2)}, {"productId", n_.integer(productIds_[i])}}));
      }
    }
  }

  struct CustomerField {
    int64_t id;
    const char* name;
    const char* type;
    const char* selection;
    int display;
  };
  const std::vector<CustomerField> customerFieldList_ = {
      {1, "Active", "bool", "", 1},       {2, "Address", "text", "", 1},
      {3, "City", "text", "", 1},         {4, "State/Province/Region", "text", "", 1},
      {5, "Zip Code", "text", "", 1},     {6, "Phone", "text", "", 1},
      {7, "Industry", "select", "Retail,Wholesale,Hospitality,Public", 1},
      {8, "Chinese Name", "text", "", 1}, {9, "Internal Rating", "text", "", 0},
  };

  void customerFields() {
    for (const auto& f : customerFieldList_) {
      Value v = {{"attributeFieldsId", n_.integer(f.id)}, {"attributeName", f.name}, {"description", std::string(f.name) + " of the customer"},
                 {"data_type", f.type},                    {"selection_list", f.selection}, {"display", n_.integer(f.display)},
                 {"published", n_.integer(1)}};
      out_.customerFields.push_back(Row::make(f.id, v));
    }
  }

  void customers() {
    int64_t attributeId = 0, addressId = 0, contactId = 0;
    for (int i = 0; i < std::max(0, o_.customers); ++i) {
      const int64_t id = 501 + i;
      const bool chinese = i % 3 == 1;
      std::string name = chinese ? kChineseCompanies[static_cast<size_t>(i) % kChineseCompanies.size()]
                                 : kLatinCompanies[static_cast<size_t>(i) % kLatinCompanies.size()];
      if (i >= static_cast<int>(chinese ? kChineseCompanies.size() : kLatinCompanies.size())) name += " " + std::to_string(i + 1);
      const size_t city = static_cast<size_t>(i) % kCities.size();
      const std::string street = kStreets[static_cast<size_t>(i) % kStreets.size()] + " " + std::to_string(1 + i * 3);
      const std::string zip = SampleData::customerZip(i);
      Value attributes = Value::array();
      auto attr = [&](int64_t field, const std::string& value) {
        attributes.push_back(Value{{"attributeId", n_.integer(++attributeId)}, {"attributeFieldsId", n_.integer(field)},
                                   {"attributeValue", value}});
      };
      attr(1, i % 7 == 6 ? "NO" : "YES");
      attr(2, street);
      attr(3, kCities[city]);
      attr(4, kStates[city]);
      attr(5, zip);
      attr(6, "+1 555 " + pad(1000 + i, 4));
      attr(7, std::vector<std::string>{"Retail", "Wholesale", "Hospitality", "Public"}[static_cast<size_t>(i) % 4]);
      attr(8, chinese ? name : kChineseCompanies[static_cast<size_t>(i) % kChineseCompanies.size()]);
      attr(9, std::to_string(1 + i % 5));
      Value customer = {{"customerId", n_.integer(id)},
                        {"customerInfoId", "CU-" + pad(id, 5)},
                        {"customerName", name},
                        {"customerPublish", n_.integer(1)},
                        {"customerOrdering", n_.integer(i + 1)},
                        {"customerDiscount", n_.real(i % 4 == 0 ? 5.5 : 0.0)},
                        {"attributes", attributes}};
      out_.customers.push_back(Row::make(id, customer));
      for (int a = 0; a < 1 + i % 2; ++a) {
        ++addressId;
        const size_t c = (city + static_cast<size_t>(a)) % kCities.size();
        Value address = {{"id", n_.integer(addressId)},
                         {"customerId", n_.integer(id)},
                         {"address", a == 0 ? street : kStreets[(static_cast<size_t>(i) + 2) % kStreets.size()] + " " + std::to_string(40 + i)},
                         {"city", kCities[c]},
                         {"state", kStates[c]},
                         {"zip_code", a == 0 ? zip : pad(20000 + i, 5)}};
        out_.addresses.push_back(Row::make(addressId, address, id));
      }
      for (int k = 0; k < 1 + (i + 1) % 2; ++k) {
        ++contactId;
        const size_t f = (static_cast<size_t>(i) + static_cast<size_t>(k)) % kFirstNames.size();
        const std::string first = kFirstNames[f];
        const std::string last = kLastNames[(f + 3) % kLastNames.size()];
        Value contact = {{"customerId", n_.integer(id)},
                         {"contactId", n_.integer(contactId)},
                         {"firstName", first},
                         {"lastName", last},
                         {"jobTitle", k == 0 ? "Purchasing Manager" : "采购经理"},
                         {"workPhone", "+1 555 " + pad(2000 + contactId, 4)},
                         {"mobilePhone", "+1 555 " + pad(3000 + contactId, 4)},
                         {"email", "contact" + std::to_string(contactId) + "@example.com"},
                         {"im", "im-" + std::to_string(contactId)},
                         {"note", k == 0 ? "Prefers e-mail." : "周一至周五联系"}};
        out_.contacts.push_back(Row::make(contactId, contact, id));
      }
    }
    out_.lastCustomerAttributeId = attributeId;
  }

  void icons() {
    // The pictures of the rows the application's template database carries.
    for (const auto& icon : Schema::kTemplateIcons) {
      const int64_t id = icon.id;
      Value v = {{"iconID", n_.integer(id)},       {"iconTitle", icon.title},
                 {"iconName", icon.name},          {"iconWidth", n_.integer(icon.width)},
                 {"iconHeight", n_.integer(icon.height)}, {"iconDesc", std::string("The ") + icon.title + " picture"},
                 {"iconCategory", icon.category}, {"iconPublish", n_.integer(1)}};
      out_.icons.push_back(Row::make(id, v));
      // The tab bar's picture is a bar of the company's; the others are icons.
      out_.files["icon/" + std::string(icon.name)] =
          shareBytes(std::string(icon.category) == "bar" ? SampleData::barPicture(o_, icon.width, icon.height)
                                                         : SampleData::iconPicture(icon.name));
    }
  }

  void skin() { out_.files[SampleData::skinArchiveName()] = shareBytes(SampleData::skinArchive(o_)); }
};

Value parse(const Row& row) { return row.value(); }

}  // namespace

base::Value Row::value() const {
  if (!json) return base::Value();
  return base::Value::parse(*json, nullptr, false);
}

Row Row::make(int64_t key, const base::Value& value, int64_t owner) {
  // A company of hundreds of thousands of rows holds each text at its size,
  // not at the capacity its writing grew to.
  std::string text = value.dump();
  text.shrink_to_fit();
  return Row{key, owner, std::make_shared<const std::string>(std::move(text))};
}

SampleOptions SampleOptions::large(int products) {
  SampleOptions o;
  o.products = products;
  o.customers = std::max(12, products / 10);
  o.imagePool = 16;
  o.topCategories = 6;
  o.childCategories = 3;
  o.documentsPerType = 3;
  o.imagesPerProduct = 3;
  o.fullImageWidth = 320;
  o.fullImageHeight = 240;
  return o;
}

std::string SampleOptions::cacheKey() const {
  return clientId + "|" + companyName + "|" + std::to_string(seed) + "|" + std::to_string(topCategories) + "|" +
         std::to_string(childCategories) + "|" + std::to_string(products) + "|" + std::to_string(imagesPerProduct) + "|" +
         std::to_string(customers) + "|" + std::to_string(documentsPerType) + "|" + std::to_string(imagePool) + "|" +
         std::to_string(fullImageWidth) + "x" + std::to_string(fullImageHeight) + "|" + (numbersAsText ? "t" : "n");
}

std::shared_ptr<const std::string> DataSet::file(const std::string& path) const {
  auto it = files.find(path);
  return it == files.end() ? nullptr : it->second;
}

const Row* DataSet::find(const Table& table, int64_t key) {
  for (const auto& row : table) {
    if (row.key == key) return &row;
  }
  return nullptr;
}

base::Value DataSet::toJson(const Table& table) {
  base::Value out = base::Value::array();
  for (const auto& row : table) out.push_back(row.value());
  return out;
}

bool DataSet::writeTo(const std::filesystem::path& dir, std::string* error) const {
  namespace fs = std::filesystem;
  auto fail = [&](const std::string& why) {
    if (error) *error = why;
    return false;
  };
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return fail("cannot create " + dir.string() + ": " + ec.message());
  for (const auto& [path, bytes] : files) {
    fs::path target = dir / fs::path(path);
    fs::create_directories(target.parent_path(), ec);
    if (ec) return fail("cannot create " + target.parent_path().string() + ": " + ec.message());
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    out.write(bytes->data(), static_cast<std::streamsize>(bytes->size()));
    out.close();
    if (!out) return fail("cannot write " + target.string());
  }
  base::Value tables = {{"version", version},
                        {"products", toJson(products)},
                        {"categories", toJson(categories)},
                        {"productFields", toJson(productFields)},
                        {"relatedFiles", toJson(relatedFiles)},
                        {"tags", toJson(tags)},
                        {"productTags", toJson(productTags)},
                        {"relatedProducts", toJson(relatedProducts)},
                        {"libraryFiles", toJson(libraryFiles)},
                        {"libraryCategories", toJson(libraryCategories)},
                        {"customers", toJson(customers)},
                        {"customerFields", toJson(customerFields)},
                        {"addresses", toJson(addresses)},
                        {"contacts", toJson(contacts)},
                        {"icons", toJson(icons)}};
  std::ofstream out(dir / "tables.json", std::ios::binary | std::ios::trunc);
  out << tables.dump(1);
  out.close();
  if (!out) return fail("cannot write " + (dir / "tables.json").string());
  return true;
}

std::shared_ptr<const DataSet> CompanyData::version(int v) const {
  if (v == 1) return first;
  if (v == 2) return second;
  return nullptr;
}

std::shared_ptr<const DataSet> SampleData::generate(const SampleOptions& options) {
  auto data = std::make_shared<DataSet>();
  data->options = options;
  data->version = 1;
  Builder(options, *data).build();
  return data;
}

std::shared_ptr<const DataSet> SampleData::nextVersion(const DataSet& first, ChangeSet* changesOut) {
  auto data = std::make_shared<DataSet>(first);
  data->version = first.version + 1;
  Numbers n;
  n.asText = first.options.numbersAsText;
  ChangeSet changes;

  // a changed product with a new default picture; the old one is unpublished
  if (data->products.size() >= 2) {
    Row& row = data->products[1];
    Value p = parse(row);
    changes.changedProductId = row.key;
    p["productName"] = p.value("productName", std::string()) + " (2025)";
    p["productStock"] = n.integer(7);
    int64_t maxImage = 0;
    for (const auto& r : data->products) {
      const Value product = parse(r);
      for (const auto& img : product["images"]) {
        const Value& idv = img["imageID"];
        int64_t id = idv.is_string() ? std::stoll(idv.get<std::string>()) : idv.get<int64_t>();
        maxImage = std::max(maxImage, id);
      }
    }
    Value& images = p["images"];
    for (auto& img : images) {
      const Value& def = img["isDefault"];
      bool isDefault = def.is_string() ? def.get<std::string>() == "1" : def.get<int64_t>() == 1;
      if (isDefault) {
        changes.oldImageFull = img["fullAddress"].get<std::string>();
        changes.oldImageThumb = img["thumbAddress"].get<std::string>();
        img["isDefault"] = n.integer(0);
        img["imagePublish"] = n.integer(0);
      }
    }
    changes.newImageId = maxImage + 1;
    changes.newImageFull = "p" + std::to_string(row.key) + "_v2.jpg";
    changes.newImageThumb = "p" + std::to_string(row.key) + "_v2_s.png";
    images.push_back(Builder::imageRow(n, changes.newImageId, row.key, changes.newImageFull, changes.newImageThumb, true, 0, true));
    PictureSpec spec;
    spec.width = first.options.fullImageWidth;
    spec.height = first.options.fullImageHeight;
    spec.label = std::to_string(row.key) + " v2";
    spec.color = 0xAA3322;
    spec.seed = first.options.seed + 2;
    data->files["product/" + changes.newImageFull] = shareBytes(ImageFactory::jpeg(spec));
    spec.width = 160;
    spec.height = 110;
    data->files["product/" + changes.newImageThumb] = shareBytes(ImageFactory::png(spec));
    row = Row::make(row.key, p);
  }
  // an unpublished product
  if (data->products.size() >= 3) {
    Row& row = data->products[2];
    Value p = parse(row);
    p["publish"] = n.integer(-1);
    changes.unpublishedProductId = row.key;
    row = Row::make(row.key, p);
  }
  // a product taken out of every category
  if (data->products.size() >= 4) {
    Row& row = data->products[3];
    Value p = parse(row);
    p["productParentList"] = Value::array();
    changes.uncategorisedProductId = row.key;
    row = Row::make(row.key, p);
  }
  // a renamed document, new bytes under a new name
  for (auto& row : data->libraryFiles) {
    Value f = parse(row);
    if (f.value("type", std::string()) != "PDF") continue;
    changes.renamedFileId = row.key;
    changes.oldFileName = f.value("fileName", std::string());
    const auto dot = changes.oldFileName.rfind('.');
    changes.newFileName = changes.oldFileName.substr(0, dot) + "_v2" + changes.oldFileName.substr(dot);
    Builder::addDocument(*data, n, row.key, kDocumentKinds[0], changes.newFileName, f.value("title", std::string()),
                         "2025-02-01 09:30:00", static_cast<int>(row.key), first.options.seed + 77, true);
    break;
  }
  // a new document
  {
    int64_t maxId = 0;
    for (const auto& r : data->libraryFiles) maxId = std::max(maxId, r.key);
    changes.newFileId = maxId + 1;
    changes.newDocumentName = "price_update_" + std::to_string(changes.newFileId) + ".pdf";
    DocumentKind kind = kDocumentKinds[0];
    kind.category = 2;
    Builder::addDocument(*data, n, changes.newFileId, kind, changes.newDocumentName, "Price update", "2025-02-01 09:45:00",
                         static_cast<int>(changes.newFileId), first.options.seed + 78, false);
  }
  // a customer whose first address changed
  if (!data->addresses.empty()) {
    Row& row = data->addresses.front();
    Value a = parse(row);
    changes.changedCustomerId = row.owner;
    changes.changedAddressId = row.key;
    changes.newAddress = "Neue Straße 99";
    a["address"] = changes.newAddress;
    a["zip_code"] = "99999";
    row = Row::make(row.key, a, row.owner);
  }
  if (changesOut) *changesOut = changes;
  return data;
}

std::shared_ptr<const CompanyData> SampleData::company(const SampleOptions& options) {
  static std::mutex mutex;
  static std::map<std::string, std::shared_ptr<const CompanyData>> cache;
  const std::string key = options.cacheKey();
  {
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(key);
    if (it != cache.end()) return it->second;
  }
  // Built outside the lock: two threads may build the same set once each,
  // which is harmless; the first stored wins.
  auto company = std::make_shared<CompanyData>();
  company->first = generate(options);
  company->second = nextVersion(*company->first, &company->changes);
  std::lock_guard<std::mutex> lock(mutex);
  auto [it, inserted] = cache.emplace(key, company);
  return it->second;
}

OrderHistory SampleData::orderHistory(const DataSet& data, const std::string& accountId, int count) {
  OrderHistory history;
  if (data.products.empty() || count <= 0) return history;
  Random rng(data.options.seed * 31 + stableHash(accountId) % 100000);
  // one order a week, going back from the first of June 2024
  int64_t itemId = 0;
  for (int i = 0; i < count; ++i) {
    const int64_t orderId = 90001 + i;
    int day = 1 + (i * 7) % 28;
    int month = 6 - (i * 7) / 28;
    int year = 2024;
    while (month < 1) {
      month += 12;
      --year;
    }
    char cdate[32], number[32];
    // Some orders carry the service's own time form, as older services sent.
    if (i % 4 == 2) {
      std::snprintf(cdate, sizeof cdate, "%04d-%02d-%02d 10:%02d:00", year, month, day, i % 60);
    } else {
      std::snprintf(cdate, sizeof cdate, "%02d/%02d/%04d 10:%02d:00", month, day, year, i % 60);
    }
    std::snprintf(number, sizeof number, "%02d%02d%02d10%02d00", year % 100, month, day, i % 60);
    const Row* customerRow = data.customers.empty() ? nullptr : &data.customers[static_cast<size_t>(i) % data.customers.size()];
    Value customer = customerRow ? customerRow->value() : Value::object();
    const std::string currency = "USD";
    double total = 0;
    Value lines = Value::array();
    // Every fifth order was submitted without lines.
    const int lineCount = i % 5 == 4 ? 0 : 1 + i % 3;
    for (int k = 0; k < lineCount; ++k) {
      const Value product = data.products[static_cast<size_t>(rng.below(static_cast<int>(data.products.size())))].value();
      const Value& priceValue = product["price"];
      double price = priceValue.is_string() ? std::stod(priceValue.get<std::string>()) : priceValue.get<double>();
      if (price < 0) price = 0;
      const int quantity = 1 + rng.below(5);
      total += price * quantity;
      const Value& pid = product["productID"];
      lines.push_back(Value{{"order_item_id", ++itemId},
                            {"order_id", orderId},
                            {"customer_info_id", customer.value("customerInfoId", std::string())},
                            {"vendor_id", 1},
                            {"product_id", pid.is_string() ? std::stoll(pid.get<std::string>()) : pid.get<int64_t>()},
                            {"order_item_sku", product.value("productSKU", std::string())},
                            {"order_item_name", product.value("productName", std::string())},
                            {"product_quantity", quantity},
                            {"product_item_price", price},
                            {"product_final_price", price},
                            {"order_item_currency", currency},
                            {"order_item_subtotal", price * quantity},
                            {"order_status", 1},
                            {"cdate", cdate},
                            {"mdate", cdate},
                            {"product_attribute", ""},
                            {"discount_rat", 100}});
    }
    const Value& cid = customer.contains("customerId") ? customer["customerId"] : Value(0);
    history.orders.push_back(Value{{"order_id", orderId},
                                   {"customer_id", cid.is_string() ? std::stoll(cid.get<std::string>()) : cid.get<int64_t>()},
                                   {"customer_info_id", customer.value("customerInfoId", std::string())},
                                   {"customer_name", customer.value("customerName", std::string())},
                                   {"vendor_id", 1},
                                   {"order_number", accountId + "_" + number},
                                   {"order_total", total},
                                   {"order_subtotal", total},
                                   {"order_tax", 0.0},
                                   {"order_tax_details", ""},
                                   {"order_shipping", 0.0},
                                   {"order_shipping_tax", 0.0},
                                   {"coupon_discount", 0.0},
                                   {"coupon_code", ""},
                                   {"order_discount", total},
                                   {"order_currency", currency},
                                   {"order_status", 1},
                                   {"cdate", cdate},
                                   {"mdate", cdate},
                                   {"ship_method", ""},
                                   {"customer_note", ""},
                                   {"ip_address", ""},
                                   {"uploaded", 1},
                                   {"discount_rat", 100},
                                   {"signature", ""},
                                   {"address", ""},
                                   {"city", ""},
                                   {"state", ""},
                                   {"zip_code", ""},
                                   {"phone", ""},
                                   {"bankAccount", ""}});
    for (auto& line : lines) history.items.push_back(std::move(line));
  }
  return history;
}

// Spread over the zip codes by a prime step, reckoned in 64 bits: a company
// of a few hundred thousand customers takes the step past what an int holds.
std::string SampleData::customerZip(int index) {
  return pad(10000 + (static_cast<int64_t>(index) * 7919) % 89999, 5);
}

std::string SampleData::typePath(int fileType) {
  switch (fileType) {
    case 1: return "product";
    case 2: return "CatalogImages";
    case 3: return "icon";
    case 4: return "library/cover_image";
    case 5: return "library/pdf";
    case 6: return "library/vedio";
    case 7: return "library/excel";
    case 8: return "library/word";
    case 9: return "library/epub";
    case 10: return "library/keynote";
    default: return "";
  }
}

int SampleData::fileTypeOfWord(const std::string& word) {
  if (word == "PDF") return 5;
  if (word == "VEDIO") return 6;
  if (word == "EXCEL") return 7;
  if (word == "WORD") return 8;
  if (word == "EPUB") return 9;
  return 10;
}

uint64_t SampleData::stableHash(const std::string& text) { return mv::sales::stableHash(text); }

namespace {
std::string skinPiece(const SampleOptions& options, SkinPiece piece, int width, int height) {
  SkinSpec spec;
  spec.piece = piece;
  spec.width = width;
  spec.height = height;
  spec.brand = ImageFactory::brandColor(companyColor(options.seed));
  spec.label = options.companyName;
  return ImageFactory::skinPng(spec);
}
}  // namespace

std::string SampleData::skinArchive(const SampleOptions& options) {
  ZipBuilder zip;
  zip.addFolder("SkinImages/");
  zip.add("SkinImages/homelogo.png", skinPiece(options, SkinPiece::Logo, 225, 51));
  zip.add("SkinImages/homelogo@2x.png", skinPiece(options, SkinPiece::Logo, 450, 102));
  zip.add("SkinImages/topbar-bg.png", skinPiece(options, SkinPiece::BrandBar, 1024, 64));
  zip.add("SkinImages/topbar-left-bg.png", skinPiece(options, SkinPiece::BrandBar, 361, 64));
  zip.add("SkinImages/topbar-right-bg.png", skinPiece(options, SkinPiece::BrandBar, 663, 64));
  zip.add("SkinImages/topnavbar.png", skinPiece(options, SkinPiece::BrandBar, 244, 44));
  zip.add("SkinImages/btmbar-bg.png", skinPiece(options, SkinPiece::LightBar, 1024, 56));
  zip.add("SkinImages/bg-welcome.png", skinPiece(options, SkinPiece::Backdrop, 1024, 768));
  return zip.finish().value_or(std::string());
}

std::string SampleData::barPicture(const SampleOptions& options, int width, int height) {
  return skinPiece(options, SkinPiece::LightBar, width, height);
}

std::string SampleData::iconPicture(const std::string& name) {
  PictureSpec spec;
  spec.width = 64;
  spec.height = 64;
  spec.label = name.empty() ? "?" : std::string(1, static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
  spec.seed = stableHash(name);
  spec.color = static_cast<uint32_t>(spec.seed & 0xFFFFFF);
  return ImageFactory::png(spec);
}

}  // namespace mv::sales
