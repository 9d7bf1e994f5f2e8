#include "StoreTestSupport.hpp"

namespace mv::test {
namespace {

class ListsTest : public StoreTest {};
class LibraryTest : public StoreTest {
 protected:
  void SetUp() override {
    StoreTest::SetUp();
    auto file = [](int id, const std::string& title, const std::string& name, int category, const std::string& type,
                   const std::string& date, int ordering, int published) {
      auto f = libraryFile(id, title, name, type, category);
      f.date = date;
      f.ordering = ordering;
      f.published = published;
      f.cover_image = name + ".png";
      f.isNew = 1;
      return f;
    };
    ASSERT_TRUE(dam().saveToDatabaseLibraryFiles({
        file(1, "beta 50% off", "b.pdf", 1, "PDF", "2014-02-01 10:00:00", 3, 1),
        file(2, "Alpha", "a.mp4", 1, "VEDIO", "2014-03-01 10:00:00", 1, 1),
        file(3, "gamma_plan", "g.doc", 0, "WORD", "2013-12-01 10:00:00", 2, 1),
        file(4, "Delta", "d.pdf", 2, "PDF", "2014-04-01 10:00:00", 4, 0),
        file(5, "Epsilon", "b.pdf", 2, "EPUB", "2014-05-01 10:00:00", 5, 1),
    }));
    std::vector<marvisto_library_category_Entity> cats(3);
    // id, name, ordering, published, parent
    cats[0] = {1, "Brochures", 1, 1, 0, 0, 0, false};
    cats[1] = {2, "archive", 1, 1, 0, 0, 0, false};
    cats[2] = {3, "Sub", 0, 0, 1, 0, 0, false};
    ASSERT_TRUE(dam().saveToDatabaseLibraryCategory(cats));
  }
  std::vector<int> ids(const std::vector<marvisto_library_files_Entity>& v) {
    std::vector<int> out;
    for (const auto& f : v) out.push_back(f.file_id);
    return out;
  }
};

TEST_F(ListsTest, OneRowPerProductAndAlreadyListedIsAnAnswer) {
  ASSERT_TRUE(dam().saveToDatabaseProduct({product(1, "acmeco_1", "One"), product(2, "S2", "Two", -1),
                                           product(3, "S3", "Three", 0)}));
  EXPECT_TRUE(dam().saveToDatabaseFavorite(1, "acmeco_1", "One"));
  EXPECT_FALSE(dam().saveToDatabaseFavorite(1, "acmeco_1", "One"));
  EXPECT_EQ(count("marvisto_favorite"), 1);
  EXPECT_TRUE(dam().saveToDatabaseFavorite(2, "S2", "Two"));    // product withdrawn (-1)
  EXPECT_TRUE(dam().saveToDatabaseFavorite(9, "S9", "Nine"));   // product not in the catalogue
  EXPECT_TRUE(dam().saveToDatabaseFavorite(3, "S3", "Three"));  // product unpublished (0)

  // Screens: a withdrawn product drops out, a missing one stays.
  std::vector<int> shown;
  for (const auto& f : dam().getFavorites()) shown.push_back(f.product_id);
  EXPECT_EQ(shown, (std::vector<int>{1, 9, 3}));
  EXPECT_EQ(dam().getFavorites()[0].product_sku, "");
  // Backup: only products still in the catalogue.
  auto backup = dam().getAllFavoriteProductDic();
  ASSERT_TRUE(backup);
  ASSERT_EQ(backup->size(), 2u);
  EXPECT_EQ((*backup)[0]["product_id"], 1);
  EXPECT_EQ((*backup)[0]["product_sku"], "");
  EXPECT_EQ((*backup)[1]["product_id"], 3);

  EXPECT_TRUE(dam().saveToDatabaseCompare(1, "acmeco_1", "One"));
  EXPECT_FALSE(dam().saveToDatabaseCompare(1, "x", "y"));
  EXPECT_TRUE(dam().saveToDatabaseCompare(2, "S2", "Two"));
  EXPECT_EQ(dam().getCompares().size(), 1u);
  EXPECT_EQ(dam().getAllComparesDic().value_or(std::vector<base::Value>{}).size(), 1u);
  EXPECT_EQ(dam().getCompareByCompareId(2)->product_name, "Two");
  EXPECT_FALSE(dam().getCompareByCompareId(5));

  EXPECT_TRUE(dam().deleteSingleFavoriteByFavoriteId(9));
  EXPECT_FALSE(dam().getFavoriteByFavoriteId(9));
  EXPECT_TRUE(dam().saveToDatabaseFavorite(9, "S9", "Nine again"));
  EXPECT_TRUE(dam().deleteSingleCompareByCompareId(1));
  EXPECT_TRUE(dam().deleteAllFavorites());
  EXPECT_TRUE(dam().deleteAllCompare());
  EXPECT_TRUE(dam().getFavorites().empty());
  EXPECT_TRUE(dam().getCompares().empty());
}

TEST_F(LibraryTest, OrdersAreChosenFromTheAllowedListOnly) {
  EXPECT_EQ(ids(dam().getAllLibFiles()), (std::vector<int>{2, 1, 5, 3}));
  EXPECT_EQ(ids(dam().getAllLibFilesOrderByDate()), (std::vector<int>{5, 2, 1, 3}));
  EXPECT_EQ(ids(dam().getAllLibFilesOrderByType()), (std::vector<int>{3, 2, 1, 5}));
  EXPECT_EQ(ids(dam().getAllLibFilesOrderByCMS()), (std::vector<int>{2, 3, 1, 5}));

  EXPECT_EQ(ids(dam().getLibFilesBysearchName("", "date desc")), (std::vector<int>{5, 2, 1, 3}));
  EXPECT_EQ(ids(dam().getLibFilesBysearchName("", " TYPE DESC ")), (std::vector<int>{3, 2, 1, 5}));
  EXPECT_EQ(ids(dam().getLibFilesBysearchName("", LibraryFileOrder::Ordering)), (std::vector<int>{2, 3, 1, 5}));
  // Anything else is never pasted into SQL: the default order, the table intact.
  EXPECT_EQ(ids(dam().getLibFilesBysearchName("", "ordering; DROP TABLE marvisto_library_files")),
            (std::vector<int>{2, 1, 5, 3}));
  EXPECT_EQ(ids(dam().getLibFilesBysearchName("", "file_id desc")), (std::vector<int>{2, 1, 5, 3}));
  EXPECT_EQ(count("marvisto_library_files"), 5);

  EXPECT_EQ(ids(dam().getLibFilesBysearchName("50%", "LOWER(title)")), (std::vector<int>{1}));
  EXPECT_EQ(ids(dam().getLibFilesBysearchName("a_p", "LOWER(title)")), (std::vector<int>{3}));
  EXPECT_TRUE(dam().getLibFilesBysearchName("%%", "LOWER(title)").empty());
}

TEST_F(LibraryTest, FilesByCategoryNameAndIdPublishedOnly) {
  EXPECT_EQ(ids(dam().getLibFilesBycatalogId(1)), (std::vector<int>{2, 1}));
  EXPECT_EQ(ids(dam().getLibFilesBycatalogId(0)), (std::vector<int>{3}));
  EXPECT_EQ(ids(dam().getLibraryFilesByCategory_id(1)), (std::vector<int>{2, 1}));
  EXPECT_EQ(ids(dam().getLibraryFilesByCategory_id(0)), (std::vector<int>{3}));
  ASSERT_TRUE(db().execute("UPDATE marvisto_library_category SET published = 0 WHERE category_id = 2"));
  EXPECT_TRUE(dam().getLibraryFilesByCategory_id(2).empty());
  EXPECT_EQ(ids(dam().getLibFilesBycatalogId(2)), (std::vector<int>{5}));

  EXPECT_EQ(dam().getFilesByFileId(2)->file_name, "a.mp4");
  EXPECT_FALSE(dam().getFilesByFileId(4));
  EXPECT_EQ(dam().getFileNameById(3), "g.doc");
  EXPECT_FALSE(dam().getFileNameById(4));
  EXPECT_EQ(dam().getTitleByFileName("a.mp4"), "Alpha");
  EXPECT_EQ(dam().getCoverImageByFileName("g.doc"), "g.doc.png");
  EXPECT_EQ(dam().getFileTypeByFileName("b.pdf"), "EPUB");  // the last of two
  EXPECT_FALSE(dam().getFileTypeByFileName("d.pdf"));
  EXPECT_FALSE(dam().getTitleByFileName("none"));

  auto covers = dam().getAllFilesImg();
  ASSERT_TRUE(covers);
  EXPECT_EQ(covers->size(), 3u);  // b.pdf.png twice, d unpublished
  std::map<int, int> counts;
  for (const auto& c : dam().getCategoryFilesCount()) counts[c.category_id] = c.files_count;
  EXPECT_EQ(counts, (std::map<int, int>{{0, 1}, {1, 2}, {2, 1}}));

  EXPECT_TRUE(dam().updateOldNewFlags());
  EXPECT_EQ(count("marvisto_library_files", "isNew != 0"), 0);
  auto f = *dam().getFilesByFileId(1);
  f.isNew = 1;
  EXPECT_TRUE(dam().saveLibraryFileToDatabase(f));
  EXPECT_EQ(dam().getFilesByFileId(1)->isNew, 1);
}

TEST_F(LibraryTest, CategoriesUpdatesAndFavouritesMadeOnDemand) {
  auto cats = dam().getLibraryCategorys();
  ASSERT_EQ(cats.size(), 2u);
  EXPECT_EQ(cats[0].name, "archive");
  EXPECT_EQ(cats[1].name, "Brochures");
  EXPECT_EQ(cats[0].count, 0);
  EXPECT_FALSE(cats[0].hasChild);
  EXPECT_TRUE(dam().getLibSubCategoriesByParentCategoryID(1).empty());  // its child is unpublished
  EXPECT_EQ(dam().getLibSubCategoriesByParentCategoryID(0).size(), 2u);
  EXPECT_FALSE(dam().getLibraryCategoryByCategoryid(3));
  EXPECT_EQ(dam().getLibParentCategoryIDByCategoryID(3), 1);
  EXPECT_EQ(dam().getLibParentCategoryIDByCategoryID(99), 0);

  EXPECT_TRUE(dam().saveToDatabaseLibraryUpdate({7, "old.pdf", "PDF"}));
  EXPECT_TRUE(dam().saveToDatabaseLibraryUpdate({7, "older.pdf", "PDF"}));
  EXPECT_TRUE(dam().saveToDatabaseLibraryUpdate({3, "g-old.doc", "WORD"}));
  EXPECT_EQ(dam().getAllLibFileUpdateIDs(), (std::vector<int>{3, 7}));
  EXPECT_EQ(dam().getLibFileUpdateByFileID(7)->oldFileName, "older.pdf");
  EXPECT_TRUE(dam().deleteFileUpdateWithFileID(7));
  EXPECT_FALSE(dam().getLibFileUpdateByFileID(7));

  // A database from before the favourites table: reads are empty, the first
  // save makes the table.
  ASSERT_TRUE(db().execute("DROP TABLE marvisto_library_favorite"));
  EXPECT_EQ(dam().getAllFavoriteLibFilesDic(), std::vector<base::Value>{});
  EXPECT_FALSE(dam().getLibraryFavoriteByFavoriteId(2));
  EXPECT_TRUE(dam().clearAllLibraryFavorites());
  EXPECT_TRUE(dam().saveToDatabaseLibraryFavorite(2, "a.mp4"));
  EXPECT_TRUE(dam().saveToDatabaseLibraryFavorite(2, "a2.mp4"));
  EXPECT_TRUE(dam().saveToDatabaseLibraryFavorite(12, "z.pdf"));
  auto favs = dam().getAllFavoriteLibFilesDic();
  ASSERT_TRUE(favs);
  ASSERT_EQ(favs->size(), 2u);
  EXPECT_EQ((*favs)[0]["id"], "2");
  EXPECT_EQ((*favs)[0]["file_name"], "a2.mp4");
  EXPECT_TRUE(dam().deleteLibraryFavoriteByFavoriteId(2));
  EXPECT_FALSE(dam().getLibraryFavoriteByFavoriteId(2));
  EXPECT_TRUE(dam().clearAllLibraryFavorites());
  EXPECT_EQ(dam().getAllFavoriteLibFilesDic(), std::vector<base::Value>{});
}

}  // namespace
}  // namespace mv::test
