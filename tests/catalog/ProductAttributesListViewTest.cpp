#include "CatalogTestSupport.hpp"
#include "catalog/ProductAttributesListView.hpp"
#include "platform/gfx/TextMeasurer.hpp"
#include "platform/ui/Application.hpp"
#include "platform/ui/HeadlessDriver.hpp"
#include "platform/ui/Window.hpp"
#include "shell/config/Language.hpp"
#include "shell/config/LanguageManager.hpp"
#include "util/PublicFunction.hpp"

namespace mv::test {
namespace {

product_attribute_cell_Entity option(const std::string& name, const std::string& list,
                                        std::optional<std::string> value = std::nullopt) {
  product_attribute_cell_Entity c;
  c.fieldName = name;
  c.attributeList = list;
  c.attributeValue = std::move(value);
  return c;
}

// A picker on screen, in a host view of the add-to-order popover's size.
class AttributePickerTest : public CatalogTest {
 protected:
  void SetUp() override {
    CatalogTest::SetUp();
    ui::View::setAnimationsEnabled(false);
  }
  void TearDown() override {
    hide();
    ui::View::setAnimationsEnabled(true);
    CatalogTest::TearDown();
  }
  void hide() {
    picker.reset();
    if (window) {
      window->setRootViewController(nullptr);
      ui::Application::sharedInstance().removeWindow(window.get());
    }
    driver.reset();
    window.reset();
  }
  void show(int mode, const ui::Rect& frame) {
    auto root = std::make_shared<ui::ViewController>();
    host = std::make_shared<ui::View>(ui::Rect{300, 200, 400, 250});
    root->view()->addSubview(host);
    picker = ProductAttributesListView::initWithFrame(frame, mode);
    host->addSubview(picker);
    window = std::make_shared<ui::Window>();
    window->makeKeyAndVisible();
    window->setRootViewController(root);
    driver = std::make_unique<ui::HeadlessDriver>(window);
    driver->flush();
  }
  // Saves the screen for a person to look at (MV_KEEP_SNAPSHOTS).
  void keep(const std::string& name) {
    driver->flush();
    gfx::ScopedTextMeasurer realText(gfx::TextMeasurer::pango());
    const auto file = root / (name + ".png");
    ASSERT_TRUE(driver->snapshot(file));
    keepSnapshot(file);
  }
  // The name table's rows as "name value".
  std::vector<std::string> rows() {
    driver->flush();
    std::vector<std::string> out;
    auto& table = picker->leftNameTableView();
    for (long r = 0; r < table.numberOfRowsInSection(0); ++r) {
      std::string line;
      if (auto* cell = table.cellForRowAtIndexPath({0, r})) {
        for (const auto& text : driver->visibleTexts(cell)) line += (line.empty() ? "" : " ") + text;
      }
      out.push_back(line);
    }
    return out;
  }

  std::shared_ptr<ui::Window> window;
  std::unique_ptr<ui::HeadlessDriver> driver;
  std::shared_ptr<ui::View> host;
  std::shared_ptr<ProductAttributesListView> picker;
};

TEST_F(AttributePickerTest, SingleOptionsArePrefilledIntoTheOwnersRecords) {
  show(ProductAttributesListView::kPopoverMode, ProductAttributesListView::kProductScreenFrame);
  AttributeCells owner = AttributeText::shared(
      {option("Color", "Red"), option("Size", "S,M"), option("Note", ""), option("Fit", "Slim", "Wide")});
  picker->setAttributeAry(owner);
  EXPECT_EQ(owner[0]->attributeValue, "Red");
  EXPECT_FALSE(owner[1]->attributeValue);
  // An empty list is one empty option: chosen at once, and left out of the text.
  EXPECT_EQ(owner[2]->attributeValue, "");
  EXPECT_EQ(owner[3]->attributeValue, "Slim");
  EXPECT_FALSE(picker->allChosen());
  EXPECT_EQ(picker->attributes(), "Color:Red,Fit:Slim");
  EXPECT_EQ(picker->openIndex(), ProductAttributesListView::kNoneOpen);
  EXPECT_EQ(rows(), (std::vector<std::string>{"Color Red", "Size Please select", "Note Please select", "Fit Slim"}));
}

TEST_F(AttributePickerTest, GivenValuesMatchByExactNameAndBlankOnesChangeNothing) {
  show(ProductAttributesListView::kPopoverMode, ProductAttributesListView::kProductScreenFrame);
  AttributeCells owner = AttributeText::shared({option("Color", "Red,Blue", "Red"), option("Size", "S,M")});
  picker->setAttributeAry(owner);
  picker->setAttributeValues({option("Color", "", ""), option("Colour", "", "Blue"),
                              option("Size", "", "XXL"), option("Size", "", "  ")});
  EXPECT_EQ(owner[0]->attributeValue, "Red");
  // A value outside the options is kept and shown.
  EXPECT_EQ(owner[1]->attributeValue, "XXL");
  EXPECT_EQ(picker->attributes(), "Color:Red,Size:XXL");
  picker->setAttributeValues(AttributeText::parse("Color:Blue,Size:M"));
  EXPECT_EQ(picker->attributes(), "Color:Blue,Size:M");
}

TEST_F(AttributePickerTest, PopoverModeOpensTheOptionsBesideTheRowAndWritesTheChoice) {
  show(ProductAttributesListView::kPopoverMode, {0, 0, 365, 178});
  AttributeCells owner = AttributeText::shared({option("Size", "S,M,L"), option("Color", "Red, Blue")});
  picker->setAttributeAry(owner);
  driver->flush();

  ASSERT_TRUE(picker->leftNameTableView().tapRowAtIndexPath({0, 1}));
  EXPECT_EQ(picker->openIndex(), 1);
  ASSERT_TRUE(picker->popover()->isPopoverVisible());
  EXPECT_EQ(picker->popover()->popoverArrowDirection(), ui::PopoverArrowDirectionUp);
  EXPECT_EQ(picker->rightValueTableView().numberOfRowsInSection(0), 2);
  // The list is as tall as its rows: no blank rows over the values below.
  driver->flush();
  EXPECT_DOUBLE_EQ(picker->rightValueTableView().bounds().height(), 2 * ProductAttributesListView::kRowHeight);
  keep("attribute-picker-popover");

  ASSERT_TRUE(picker->rightValueTableView().tapRowAtIndexPath({0, 1}));
  EXPECT_EQ(owner[1]->attributeValue, " Blue");
  EXPECT_EQ(picker->openIndex(), ProductAttributesListView::kNoneOpen);
  EXPECT_FALSE(picker->popover()->isPopoverVisible());
  EXPECT_EQ(picker->attributes(), "Color: Blue");

  // Opened again, the chosen option is the selected row; a tap outside closes without a choice.
  ASSERT_TRUE(picker->leftNameTableView().tapRowAtIndexPath({0, 1}));
  EXPECT_EQ(picker->rightValueTableView().indexPathForSelectedRow(), (ui::IndexPath{0, 1}));
  ASSERT_TRUE(picker->popover()->dismissByOutsideTap());
  EXPECT_EQ(picker->openIndex(), ProductAttributesListView::kNoneOpen);
  EXPECT_EQ(owner[1]->attributeValue, " Blue");
}

TEST_F(AttributePickerTest, ReadOnlyIgnoresTapsOnEitherTable) {
  show(ProductAttributesListView::kPopoverMode, {0, 0, 365, 178});
  AttributeCells owner = AttributeText::shared({option("Size", "S,M")});
  picker->setAttributeAry(owner);
  picker->setReadOnly(true);
  EXPECT_FALSE(picker->leftNameTableView().tapRowAtIndexPath({0, 0}));
  EXPECT_FALSE(picker->popover()->isPopoverVisible());
  picker->setReadOnly(false);
  EXPECT_TRUE(picker->leftNameTableView().tapRowAtIndexPath({0, 0}));
}

TEST_F(AttributePickerTest, InlineModeUnfoldsUnderTheRowWithinTheLimitAndFoldsBack) {
  show(ProductAttributesListView::kInlineMode, ProductAttributesListView::kAddToOrderFrame);
  AttributeCells owner = AttributeText::shared(
      {option("Size", "1,2,3,4,5,6,7,8,9,10"), option("Color", "Red,Blue"), option("Fit", "A,B")});
  picker->setAttributeAry(owner);
  driver->flush();

  ASSERT_TRUE(picker->leftNameTableView().tapRowAtIndexPath({0, 1}));
  // Down to the bottom of the 250-point panel it stands in, 2 points from its top.
  EXPECT_EQ(picker->frame().height(), 248);
  ASSERT_TRUE(picker->rightTableBaseView());
  EXPECT_FALSE(picker->rightTableBaseView()->isHidden());
  EXPECT_EQ(picker->rightValueTableView().frame(), (ui::Rect{177, 70, 177, 70}));
  keep("attribute-picker-inline");

  // A tap outside the options folds them without a choice.
  ASSERT_TRUE(driver->tapAt(picker->convertPointToView({20, 230}, nullptr)));
  EXPECT_TRUE(picker->rightTableBaseView()->isHidden());
  EXPECT_EQ(picker->frame().height(), ProductAttributesListView::kFoldedHeight);
  EXPECT_FALSE(owner[1]->attributeValue);

  ASSERT_TRUE(picker->leftNameTableView().tapRowAtIndexPath({0, 0}));
  EXPECT_EQ(picker->rightValueTableView().frame().height(), 213);
  ASSERT_TRUE(picker->rightValueTableView().tapRowAtIndexPath({0, 2}));
  EXPECT_EQ(owner[0]->attributeValue, "3");
  EXPECT_TRUE(picker->rightTableBaseView()->isHidden());
  EXPECT_EQ(picker->attributes(), "Size:3");
}

// An attribute of 200,000 options opens with only the rows in sight made, in
// either mode, and a tap on one of them chooses it.
TEST_F(AttributePickerTest, AHugeListOfOptionsMakesOnlyTheRowsInSight) {
  std::string list;
  for (int i = 0; i < 200000; ++i) list += (i ? "," : "") + ("Option " + std::to_string(i));
  for (int mode : {ProductAttributesListView::kPopoverMode, ProductAttributesListView::kInlineMode}) {
    SCOPED_TRACE(mode);
    show(mode, mode == ProductAttributesListView::kPopoverMode ? ui::Rect{0, 0, 365, 178}
                                                               : ProductAttributesListView::kAddToOrderFrame);
    AttributeCells owner = AttributeText::shared({option("Size", "S,M"), option("Number", list, "Option 150000")});
    picker->setAttributeAry(owner);
    driver->flush();
    ASSERT_TRUE(picker->leftNameTableView().tapRowAtIndexPath({0, 1}));
    driver->flush();
    ui::TableView& options = picker->rightValueTableView();
    EXPECT_EQ(options.numberOfRowsInSection(0), 200000);
    EXPECT_EQ(options.indexPathForSelectedRow(), (ui::IndexPath{0, 150000}));
    // A long list stands as tall as the picker, no taller.
    if (mode == ProductAttributesListView::kPopoverMode) {
      EXPECT_DOUBLE_EQ(options.bounds().height(), 178);
    }
    const auto rowsInSight =
        static_cast<std::size_t>(options.bounds().height() / options.rectForRowAtIndexPath({0, 0}).height()) + 2;
    EXPECT_LE(options.visibleCells().size(), rowsInSight);
    options.scrollToRowAtIndexPath({0, 120000}, ui::TableViewScrollPosition::Top, false);
    driver->flush();
    EXPECT_LE(options.visibleCells().size(), rowsInSight);
    ASSERT_TRUE(options.cellForRowAtIndexPath({0, 120001}));
    EXPECT_EQ(driver->visibleTexts(options.cellForRowAtIndexPath({0, 120001})),
              std::vector<std::string>{"Option 120001"});
    ASSERT_TRUE(options.tapRowAtIndexPath({0, 120001}));
    EXPECT_EQ(owner[1]->attributeValue, "Option 120001");
    EXPECT_EQ(picker->openIndex(), ProductAttributesListView::kNoneOpen);
    hide();
  }
}

TEST(AttributePickerGeometry, UnfoldedHeightStopsAtTheLimit) {
  struct Case {
    std::size_t options;
    double top;
    double height;
  };
  for (const Case& c : {Case{10, 100, 150}, Case{2, 35, 70}, Case{0, 35, 0}, Case{6, 40, 210}, Case{7, 40, 210},
                        Case{3, 260, 0}}) {
    EXPECT_EQ(ProductAttributesListView::unfoldedHeight(c.options, c.top), c.height) << c.options << " at " << c.top;
  }
}

TEST_F(AttributePickerTest, ALanguageChangeRelabelsAndKeepsTheChoices) {
  show(ProductAttributesListView::kPopoverMode, ProductAttributesListView::kProductScreenFrame);
  AttributeCells owner = AttributeText::shared({option("Size", "S,M", "M"), option("Color", "Red,Blue")});
  picker->setAttributeAry(owner);
  EXPECT_EQ(rows().back(), "Color Please select");
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageChinese);
  Language::resetLanguageCache();
  picker->updateLanguage();
  EXPECT_EQ(owner[0]->attributeValue, "M");
  EXPECT_EQ(rows(), (std::vector<std::string>{"Size M", "Color " + textOrEmpty(Language::stringWithName("PLEASESELECT"))}));
  EXPECT_NE(rows().back(), "Color Please select");
  LanguageManager::sharedInstance().setCurrentLanguage(kLanguageEnglish);
  Language::resetLanguageCache();
}

}  // namespace
}  // namespace mv::test
