// The sample service's workbooks as the office suite lays them out: every
// column is as wide as its texts, so no cell runs under the next one.
#include <gtest/gtest.h>

#include <fstream>

#include "TestEnvironment.hpp"
#include "platform/gfx/PdfDocument.hpp"
#include "sales-service/DocumentFactory.hpp"
#include "services/OfficeConverter.hpp"

namespace fs = std::filesystem;

namespace svc {
namespace {

class SampleWorkbookTest : public mv::test::TestEnvironment {};

TEST_F(SampleWorkbookTest, EveryCellShowsWholeBesideTheNextOne) {
  if (!OfficeConverter::program()) GTEST_SKIP() << "the office suite is installed by scripts/setup-deps";
  const std::vector<std::vector<std::string>> rows = {{"SKU", "Product", "Price", "Currency"},
                                                      {"SKU-01001", "Urban Armchair", "123.52", "USD"},
                                                      {"SKU-01002", "Classic Sideboard", "350.57", "EUR"}};
  const fs::path source = root / "pricelist.xlsx";
  std::ofstream(source, std::ios::binary) << mv::sales::DocumentFactory::xlsx("Prices", rows);
  OfficeConverter::Failure failure{};
  auto pdf = OfficeConverter::convertToPdf(source, root / "cache", 120, &failure);
  ASSERT_TRUE(pdf) << OfficeConverter::describe(failure);
  auto document = gfx::PdfDocument::open(*pdf);
  ASSERT_TRUE(document);
  for (std::size_t r = 1; r < rows.size(); ++r) {
    for (std::size_t c = 0; c + 1 < rows[r].size(); ++c) {
      SCOPED_TRACE(rows[r][c]);
      const auto cell = document->findText(0, rows[r][c]);
      const auto next = document->findText(0, rows[r][c + 1]);
      ASSERT_EQ(cell.size(), 1u);
      ASSERT_EQ(next.size(), 1u);
      EXPECT_LT(cell[0].maxX(), next[0].minX());
    }
  }
}

}  // namespace
}  // namespace svc
