#include <gtest/gtest.h>

#include <iterator>
#include <map>
#include <memory>

#include "customer/CustomerGrouping.hpp"

namespace mv::test {
namespace {

PersonInfo person(int id, const std::string& name, const std::string& state = "", bool important = false) {
  PersonInfo p;
  p.pid = id;
  p.name = name;
  p.markAsImportant = important;
  customer_attribute_cell_Entity cell;
  cell.fieldName = "State/Province/Region";
  cell.attributeValue = state;
  p.attribute.push_back(cell);
  return p;
}

void addContact(PersonInfo& p, const std::string& first, const std::string& last) {
  marvisto_customer_contact_entity c;
  c.contactID = static_cast<int>(p.contact.size()) + 1;
  c.customerID = p.pid;
  c.first_name = first;
  c.last_name = last;
  p.contact.push_back(c);
}

// The list's shared records of those customers.
PersonRecords records(const std::vector<PersonInfo>& persons) {
  PersonRecords out;
  for (const auto& p : persons) out.push_back(std::make_shared<const PersonSummary>(PersonSummary::of(p)));
  return out;
}

// "KEY: row, row | KEY: row" with the customer names (contact mode: last/first).
std::string layout(const std::vector<CustomerInfoList>& sections, bool contacts = false) {
  std::string out;
  for (const auto& s : sections) {
    if (!out.empty()) out += " | ";
    out += s.prefex + ":";
    for (std::size_t i = 0; i < s.arrayPersons.size(); ++i) {
      const auto& r = s.arrayPersons[i];
      out += (i ? ", " : " ") + (contacts ? r.lastName + "/" + r.fristName : r.personInfo->name);
    }
  }
  return out;
}

// Each customer named goes under its letter in the name mode.
void expectFiledUnder(const std::vector<std::pair<std::string, char>>& names) {
  std::vector<PersonInfo> persons;
  for (const auto& [name, letter] : names) persons.push_back(person(static_cast<int>(persons.size()) + 1, name));
  std::map<std::string, std::string> filedUnder;
  for (const auto& section : CustomerGrouping::groupAndOrder(records(persons), CustomerGrouping::kByName, "I"))
    for (const auto& row : section.arrayPersons) filedUnder[row.personInfo->name] = section.prefex;
  for (const auto& [name, letter] : names) EXPECT_EQ(filedUnder[name], std::string(1, letter)) << name;
}

TEST(CustomerGroupingTest, NameModeKeysByPinyinInitialWithImportantFirstAndDigitsLast) {
  std::vector<PersonInfo> persons = {person(1, "banana"),   person(2, "9lives"),  person(3, "王小明"),
                                     person(4, "apple"),    person(5, "   "),     person(6, "Banana Co"),
                                     person(7, "Acme", "", true), person(8, "😀 smile"), person(9, "北京贸易"),
                                     person(10, "")};
  auto sections = CustomerGrouping::groupAndOrder(records(persons), CustomerGrouping::kByName, "IMPORTANT!");
  // Within a section: by pinyin key, literally (upper case before lower case);
  // a name whose pinyin starts with a letter sits under that letter.
  EXPECT_EQ(layout(sections), "IMPORTANT!: Acme | A: apple | B: Banana Co, banana, 北京贸易 | W: 王小明 | #: 9lives, 😀 smile");

  // The index reaches letters only; a missing letter is not found.
  EXPECT_EQ(CustomerGrouping::indexTitles().size(), 27u);
  EXPECT_EQ(CustomerGrouping::indexTitles().front(), "A");
  EXPECT_EQ(CustomerGrouping::indexTitles().back(), "#");
  EXPECT_EQ(CustomerGrouping::sectionForIndexTitle(sections, "B"), 2);
  EXPECT_EQ(CustomerGrouping::sectionForIndexTitle(sections, "#"), 4);
  EXPECT_EQ(CustomerGrouping::sectionForIndexTitle(sections, "C"), CustomerGrouping::kNotFound);
  EXPECT_EQ(CustomerGrouping::sectionForIndexTitle(sections, "important"), CustomerGrouping::kNotFound);
  // A tap on a letter without a section goes to the nearest one after it,
  // past the last to the nearest before it, never to the important one.
  const auto shownFor = [&](const std::vector<CustomerInfoList>& in, const std::string& title, int mode) {
    const long s = CustomerGrouping::sectionToShowForIndexTitle(in, title, mode);
    return s == CustomerGrouping::kNotFound ? std::string("<none>") : in[static_cast<std::size_t>(s)].prefex;
  };
  const int byName = CustomerGrouping::kByName;
  EXPECT_EQ(shownFor(sections, "A", byName), "A");
  EXPECT_EQ(shownFor(sections, "C", byName), "W");
  EXPECT_EQ(shownFor(sections, "X", byName), "#");
  const auto lettersOnly = CustomerGrouping::groupAndOrder(records({person(1, "Acme", "", true), person(2, "banana")}),
                                                           byName, "IMPORTANT!");
  EXPECT_EQ(shownFor(lettersOnly, "A", byName), "B");
  EXPECT_EQ(shownFor(lettersOnly, "Z", byName), "B");
  EXPECT_EQ(shownFor(lettersOnly, "#", byName), "B");
  const auto importantOnly = CustomerGrouping::groupAndOrder(records({person(1, "Acme", "", true)}), byName, "IMPORTANT!");
  EXPECT_EQ(shownFor(importantOnly, "A", byName), "<none>");
  const auto states = CustomerGrouping::groupAndOrder(
      records({person(1, "a", "ohio"), person(2, "b", "Texas"), person(3, "c", "北京"), person(4, "d", "")}),
      CustomerGrouping::kByState, "I");
  EXPECT_EQ(shownFor(states, "A", CustomerGrouping::kByState), "北京");
  EXPECT_EQ(shownFor(states, "P", CustomerGrouping::kByState), "Texas");
  EXPECT_EQ(shownFor(states, "Z", CustomerGrouping::kByState), "#");

  // A name of characters without a Latin reading has no initial: "#".
  EXPECT_EQ(CustomerGrouping::initialKey("😀"), "#");
  EXPECT_EQ(CustomerGrouping::initialKey("é"), "E");
  EXPECT_EQ(CustomerGrouping::initialKey("  zed"), "Z");
}

// Names are filed by their folded form: accents and widths never move a name
// to another letter, a leading digit of any width goes under "#", a person's
// Chinese surname reads as a surname while a company's name reads as words
// (厦门 is a place, "xiamen", not the surname reading "sha"), and a name of
// Unicode white space is blank.
TEST(CustomerGroupingTest, NamesAreFiledUnderTheLetterAPersonReads) {
  const std::vector<std::pair<std::string, std::string>> initials = {
      {"Über Foods", "U"}, {"Émile", "E"},     {"Ørsted", "O"},  {"ＩＢＭ中国", "I"}, {"１号店", "#"},
      {"①Store", "#"},     {"٣ stars", "#"},   {"曾国藩", "Z"},  {"单雄信", "S"},     {"\u3000Acme", "A"},
      {"\u3000", "#"},     {"", "#"},
  };
  for (const auto& [name, initial] : initials) EXPECT_EQ(CustomerGrouping::initialKey(name), initial) << name;

  std::vector<PersonInfo> persons = {person(1, "Ezra"),       person(2, "Émile"),      person(3, "Eagle"),
                                     person(4, "\u3000"),      person(5, "\u00A0 "),    person(6, "１号店"),
                                     person(7, "厦门航空"),    person(8, "Über Foods"), person(9, "ＩＢＭ中国"),
                                     person(10, "重庆银行"),   person(11, "长沙贸易"),  person(12, "单县电器")};
  // The blank names have no row; accented names sort among their letter.
  EXPECT_EQ(layout(CustomerGrouping::groupAndOrder(records(persons), CustomerGrouping::kByName, "I")),
            "C: 长沙贸易, 重庆银行 | E: Eagle, Émile, Ezra | I: ＩＢＭ中国 | S: 单县电器 | U: Über Foods | X: 厦门航空 | "
            "#: １号店");

  // States: a blank value of any white space and a full-width digit go under "#".
  std::vector<PersonInfo> states = {person(1, "a", "\u3000"), person(2, "b", "１区"), person(3, "c", "Île-de-France"),
                                    person(4, "d", "Hessen")};
  EXPECT_EQ(layout(CustomerGrouping::groupAndOrder(records(states), CustomerGrouping::kByState, "I")),
            "Hessen: d | Île-de-France: c | #: a, b");

  // Contacts are people: their last names keep the surname readings.
  PersonInfo acme = person(1, "Acme");
  addContact(acme, "Zhuo", "曾");
  addContact(acme, "Jean", "Élan");
  addContact(acme, "X", "２号");
  // Families of two characters, and 尉 alone, which is "wei" but in 尉迟.
  addContact(acme, "Gong", "尉迟");
  addContact(acme, "Liao", "尉");
  addContact(acme, "Xie", "万俟");
  addContact(acme, "Wuji", "长孙");
  // 阚 is "kan", where the Chinese reader says "han".
  addContact(acme, "Ze", "阚");
  EXPECT_EQ(layout(CustomerGrouping::groupAndOrder(records({acme}), CustomerGrouping::kByContact, "I"), true),
            "E: Élan/Jean | K: 阚/Ze | M: 万俟/Xie | W: 尉/Liao | Y: 尉迟/Gong | Z: 曾/Zhuo, 长孙/Wuji | #: ２号/X");
}

// Company names start with places, provinces and trades: each goes under the
// letter its first word is read with, whether or not the simplified character
// is also a traditional one of another reading (广 is not "yan", 体 not "ben");
// one named after a family under its surname's.
TEST(CustomerGroupingTest, CommonCompanyCityAndProvinceNamesGoUnderTheirFirstLetter) {
  const std::vector<std::pair<std::string, char>> names = {
      {"广州贸易", 'G'}, {"广东电子", 'G'}, {"广西药业", 'G'}, {"宁波港务", 'N'}, {"体育用品", 'T'},
      {"叶氏五金", 'Y'}, {"厂家直销", 'C'}, {"厦门航空", 'X'}, {"重庆百货", 'C'}, {"长沙银行", 'C'},
      {"长春一汽", 'C'}, {"长城汽车", 'C'}, {"长江实业", 'C'}, {"成都科技", 'C'}, {"都江堰旅游", 'D'},
      {"北京贸易", 'B'}, {"天津港", 'T'},   {"上海电气", 'S'}, {"河北钢铁", 'H'}, {"山西焦煤", 'S'},
      {"辽宁机械", 'L'}, {"吉林化工", 'J'}, {"黑龙江农垦", 'H'}, {"江苏银行", 'J'}, {"浙江物产", 'Z'},
      {"安徽建工", 'A'}, {"福建茶业", 'F'}, {"江西铜业", 'J'}, {"山东黄金", 'S'}, {"河南中原", 'H'},
      {"湖北能源", 'H'}, {"湖南卫视", 'H'}, {"海南航空", 'H'}, {"四川长虹", 'S'}, {"贵州茅台", 'G'},
      {"云南白药", 'Y'}, {"陕西鼓风", 'S'}, {"甘肃电投", 'G'}, {"青海盐湖", 'Q'}, {"台湾茶行", 'T'},
      {"内蒙古伊利", 'N'}, {"西藏藏药", 'X'}, {"宁夏枸杞", 'N'}, {"新疆天业", 'X'}, {"香港置地", 'X'},
      {"澳门旅游", 'A'}, {"深圳华强", 'S'}, {"杭州娃哈哈", 'H'}, {"南京医药", 'N'}, {"苏州电梯", 'S'},
      {"青岛啤酒", 'Q'}, {"大连万达", 'D'}, {"哈尔滨电机", 'H'}, {"郑州宇通", 'Z'}, {"合肥百货", 'H'},
      {"昆明机床", 'K'}, {"银行卡中心", 'Y'}, {"六安瓜片", 'L'}, {"蚌埠玻璃", 'B'}, {"会计师事务所", 'K'},
      {"调味品厂", 'T'}, {"乐山电力", 'L'}, {"东莞玩具", 'D'}, {"佛山照明", 'F'}, {"珠海格力", 'Z'},
      // 长 at the start of any name, families' names, a place of old.
      {"长隆集团", 'C'}, {"长风商城", 'C'}, {"长远物流", 'C'},   {"成长科技", 'C'}, {"曾氏", 'Z'},
      {"查氏集团", 'Z'}, {"解氏药业", 'X'}, {"仇氏", 'Q'},       {"区氏餐饮", 'O'}, {"会稽山酒业", 'K'},
      // Words whose first character reads otherwise alone, families of two
      // characters, and a family's shop ("X记", as "X氏").
      {"重阳酒坊", 'C'}, {"重九茶庄", 'C'}, {"朝日啤酒", 'Z'}, {"朝闻道书社", 'Z'}, {"朝霞服饰", 'Z'},
      {"朝阳百货", 'C'}, {"乐府茶社", 'Y'}, {"乐团之家", 'Y'}, {"快乐书店", 'K'}, {"曾记粥铺", 'Z'},
      {"单记面馆", 'S'}, {"尉记烧烤", 'W'}, {"日记本专卖", 'R'}, {"秘鲁进口商行", 'B'}, {"秘书服务社", 'M'},
      {"长孙氏商行", 'Z'}, {"长孙", 'Z'},   {"尉迟氏酒楼", 'Y'}, {"尉迟", 'Y'},       {"尉氏县农机", 'W'},
      {"尉缭科技", 'W'}, {"长子县", 'Z'},   {"长老会", 'Z'},     {"万俟", 'M'},       {"万俟氏家具", 'M'},
      {"万达广场", 'W'},
  };
  expectFiledUnder(names);
}

// A customer is a person when its record says so: it is named after one of
// its contacts (the contact's whole name, either way round, or in Chinese
// the contact's family and a given name). A person goes under the letter of
// the family's reading, a company under that of its words, each character
// outside a word by its common reading, whether the name is a word of the
// dictionary or not, and whatever its length.
TEST(CustomerGroupingTest, PeopleGoUnderTheirFamilysLetterAndCompaniesUnderTheirWords) {
  struct Case {
    std::string name;
    std::string familyName, givenName;  // of its contact; none when it has none
    char letter;
  };
  const std::vector<Case> cases = {
      // People, dictionary words or not.
      {"曾国藩", "曾", "国藩", 'Z'}, {"曾文", "曾", "文", 'Z'}, {"曾子", "曾", "子", 'Z'}, {"查明", "查", "明", 'Z'},
      {"乐毅", "乐", "毅", 'Y'}, {"单纯", "单", "纯", 'S'}, {"解明", "解", "明", 'X'}, {"单雄信", "单", "雄信", 'S'},
      {"区永健", "区", "永健", 'O'}, {"仇建国", "仇", "建国", 'Q'}, {"朴智", "朴", "智", 'P'}, {"盖聂", "盖", "聂", 'G'},
      {"覃海", "覃", "海", 'Q'}, {"尉迟恭", "尉迟", "恭", 'Y'}, {"万俟卨", "万俟", "卨", 'M'}, {"尉缭", "尉", "缭", 'W'},
      {"长海涛", "长", "海涛", 'C'}, {"翟志刚", "翟", "志刚", 'Z'}, {"繁秀英", "繁", "秀英", 'P'},
      // Renamed since the contact was entered: still of the contact's family.
      {"曾国藩 ", "曾", "藩", 'Z'}, {"乐 小毅", "乐", "毅", 'Y'},
      // Named after the contact family name last, as in English.
      {"Mei 单", "单", "Mei", 'M'},
      // Companies: no contact, or contacts of other names.
      {"乐途", "", "", 'L'}, {"乐居", "", "", 'L'}, {"乐信", "", "", 'L'}, {"乐购", "王", "芳", 'L'},
      {"乐高", "", "", 'L'}, {"乐视", "", "", 'L'}, {"单反", "", "", 'D'}, {"单品", "", "", 'D'},
      {"单车行", "", "", 'D'}, {"查查", "", "", 'C'}, {"查快递", "", "", 'C'}, {"查询台", "李", "娜", 'C'},
      {"区块链", "", "", 'Q'}, {"重汽", "", "", 'Z'}, {"种业", "", "", 'Z'}, {"解百纳", "", "", 'J'},
      {"解放", "", "", 'J'}, {"单车", "", "", 'D'}, {"乐天", "", "", 'L'}, {"乐山", "", "", 'L'},
      {"乐昌", "", "", 'L'}, {"种子", "", "", 'Z'}, {"秘密", "", "", 'M'}, {"查理", "", "", 'C'},
      {"区域", "", "", 'Q'}, {"召集人", "", "", 'Z'}, {"曾明华五金", "曾", "明华", 'C'},
      // A contact of the family alone does not make a company's name a person's.
      {"单品专卖店", "单", "明", 'D'},
  };
  std::vector<PersonInfo> persons;
  for (const Case& c : cases) {
    persons.push_back(person(static_cast<int>(persons.size()) + 1, c.name));
    if (!c.familyName.empty()) addContact(persons.back(), c.givenName, c.familyName);
  }
  std::map<int, std::string> filedUnder;
  for (const auto& section : CustomerGrouping::groupAndOrder(records(persons), CustomerGrouping::kByName, "I"))
    for (const auto& row : section.arrayPersons) filedUnder[row.personInfo->pid] = section.prefex;
  for (std::size_t i = 0; i < cases.size(); ++i)
    EXPECT_EQ(filedUnder[static_cast<int>(i) + 1], std::string(1, cases[i].letter)) << cases[i].name;

  // Within a letter a person sorts by the family's reading too: 查明 (zha)
  // after 曾文 (zeng), where the common reading (cha) would put it first.
  std::vector<PersonInfo> z = {person(1, "查明"), person(2, "曾文"), person(3, "左岸")};
  addContact(z[0], "明", "查");
  addContact(z[1], "文", "曾");
  EXPECT_EQ(layout(CustomerGrouping::groupAndOrder(records(z), CustomerGrouping::kByName, "I")), "Z: 曾文, 查明, 左岸");
}

TEST(CustomerGroupingTest, StateModeSortsKeysByOneDerivedKeyAndIgnoresImportance) {
  std::vector<PersonInfo> persons = {
      person(1, "one", "ohio"),       person(2, "two", "Texas"), person(3, "three", ""),
      person(4, "four", "9th"),       person(5, "", "Texas"),    person(6, "six", "北京", true),
      person(7, "seven", "c"),        person(8, "eight", "bz"),  person(9, "nine", "B"),
      person(10, "ten", "上海"),      person(11, "eleven", "  "),
  };
  auto sections = CustomerGrouping::groupAndOrder(records(persons), CustomerGrouping::kByState, "IMPORTANT");
  // Keys by their pinyin form ("beijing", "shanghai"), compared literally
  // (upper case first): one-character keys cannot make the order contradict
  // itself. Blank names sort last within a section.
  EXPECT_EQ(layout(sections), "B: nine | Texas: two,  | 北京: six | bz: eight | c: seven | ohio: one | 上海: ten | #: eleven, four, three");
  // Sorting never depends on the order the customers come in.
  std::vector<PersonInfo> reversed(persons.rbegin(), persons.rend());
  EXPECT_EQ(layout(CustomerGrouping::groupAndOrder(records(reversed), CustomerGrouping::kByState, "IMPORTANT")),
            layout(sections));

  EXPECT_TRUE(CustomerGrouping::groupAndOrder(records({}), CustomerGrouping::kByState, "I").empty());
}

TEST(CustomerGroupingTest, ContactModeListsEveryContactAndCustomersWithoutContactsUnderHash) {
  PersonInfo acme = person(1, "Acme");
  addContact(acme, "John", "smith");
  addContact(acme, "Ann", "Smith");
  addContact(acme, "Li", "王");
  PersonInfo lone = person(2, "Lone Co");
  PersonInfo numbered = person(3, "Numbered");
  addContact(numbered, "X", "7eleven");
  addContact(numbered, "Nobody", "");
  auto sections = CustomerGrouping::groupAndOrder(records({acme, lone, numbered}), CustomerGrouping::kByContact, "I");
  EXPECT_EQ(layout(sections, true), "S: Smith/Ann, smith/John | W: 王/Li | #: 7eleven/X, Lone Co/, /Nobody");
  for (const auto& row : sections[0].arrayPersons) EXPECT_EQ(row.personInfo->pid, 1);

  // A list whose customers all have blank names and no contacts: contact
  // rows still exist (under "#"), so there is no fallback.
  auto blank = CustomerGrouping::groupAndOrder(records({person(4, " ")}), CustomerGrouping::kByContact, "I");
  ASSERT_EQ(blank.size(), 1u);
  EXPECT_EQ(blank[0].prefex, "#");
}

// "KEY: name#id, ..." (contact mode: last/first#id): rows of equal names
// told apart by their customers.
std::string layoutWithIds(const std::vector<CustomerInfoList>& sections, int mode) {
  std::string out;
  for (const auto& s : sections) {
    out += (out.empty() ? "" : " | ") + s.prefex + ":";
    for (const auto& r : s.arrayPersons) {
      const std::string name =
          mode == CustomerGrouping::kByContact ? r.lastName + "/" + r.fristName : r.personInfo->name;
      out += " " + name + "#" + std::to_string(r.personInfo->pid);
    }
  }
  return out;
}

// A book whose customers come, change and go one at a time keeps the
// sections and the name order a whole grouping of it makes, in every mode:
// equal names, blank names, the important section, contacts of equal names
// within one customer, and sections that empty and come back.
TEST(CustomerGroupingTest, OneCustomerAtATimeGroupsAsTheWholeBookDoes) {
  std::map<int, PersonInfo> all;
  for (PersonInfo p :
       {person(1, "banana", "Texas"), person(2, "Banana Co", "ohio"), person(3, "王小明", "北京"),
        person(4, "apple", "9th"), person(5, "   ", "Texas"), person(6, "9lives"), person(7, "Acme", "ohio", true),
        person(8, "apple", "Texas"), person(9, "北京贸易", "上海")})
    all.emplace(p.pid, p);
  addContact(all.at(1), "John", "Smith");
  addContact(all.at(1), "Ann", "Lee");
  addContact(all.at(8), "John", "Smith");
  addContact(all.at(8), "John", "Smith");
  addContact(all.at(3), "小明", "王");
  PersonInfo renamed = all.at(2);
  renamed.name = "Zed";
  renamed.markAsImportant = true;
  PersonInfo plain = all.at(1);
  plain.contact.clear();
  plain.attribute.clear();
  PersonInfo blank = all.at(8);
  blank.name = "";

  for (int mode : {CustomerGrouping::kByName, CustomerGrouping::kByContact, CustomerGrouping::kByState}) {
    SCOPED_TRACE(mode);
    std::map<int, std::shared_ptr<const PersonSummary>> book;
    PersonRecords persons;
    NameOrder names;
    std::vector<CustomerInfoList> sections;
    auto indexOf = [&](int id) { return static_cast<std::size_t>(std::distance(book.begin(), book.find(id))); };
    auto put = [&](const PersonInfo& p) {
      auto record = std::make_shared<const PersonSummary>(PersonSummary::of(p));
      book[p.pid] = record;
      persons.insert(persons.begin() + static_cast<std::ptrdiff_t>(indexOf(p.pid)), record);
      CustomerGrouping::insertName(names, persons, indexOf(p.pid));
      CustomerGrouping::insertRows(sections, record, mode, "IMP");
    };
    auto drop = [&](int id) {
      const std::size_t at = indexOf(id);
      CustomerGrouping::removeRows(sections, *book.at(id), mode, "IMP");
      CustomerGrouping::eraseName(names, at);
      persons.erase(persons.begin() + static_cast<std::ptrdiff_t>(at));
      book.erase(id);
    };
    auto asWhole = [&](const char* step) {
      const NameOrder whole = CustomerGrouping::nameOrder(persons);
      EXPECT_EQ(names.order, whole.order) << step;
      EXPECT_EQ(names.initials, whole.initials) << step;
      EXPECT_EQ(layoutWithIds(sections, mode),
                layoutWithIds(CustomerGrouping::groupAndOrder(persons, whole, mode, "IMP"), mode))
          << step;
      // Every row is found where it is (the first of equal rows).
      for (std::size_t s = 0; s < sections.size(); ++s) {
        for (const ContactMode& row : sections[s].arrayPersons) {
          const auto path = CustomerGrouping::pathOf(sections, row, mode, "IMP");
          ASSERT_TRUE(path) << step;
          const ContactMode& found = sections[s].arrayPersons[static_cast<std::size_t>(path->row)];
          EXPECT_EQ(path->section, static_cast<long>(s)) << step;
          EXPECT_EQ(found.personInfo, row.personInfo) << step;
          EXPECT_EQ(found.fristName + "/" + found.lastName, row.fristName + "/" + row.lastName) << step;
        }
      }
    };
    for (int id : {8, 3, 1, 9, 5, 7, 2, 6, 4}) put(all.at(id));
    asWhole("all came");
    for (const PersonInfo* changed : {&renamed, &plain, &blank}) {
      drop(changed->pid);
      put(*changed);
      asWhole(changed->name.c_str());
    }
    for (int id : {3, 7, 8, 6}) drop(id);
    asWhole("some went");
    for (int id : {1, 2, 4, 5, 9}) drop(id);
    EXPECT_TRUE(sections.empty());
    EXPECT_TRUE(names.order.empty());
  }
}

TEST(CustomerGroupingTest, ResultSortPutsBlankNamesLastAndKeepsTiesInOrder) {
  std::vector<PersonInfo> persons = {person(1, "beta"), person(2, "  "), person(3, "Alpha"), person(4, "北京"),
                                     person(5, ""),     person(6, "beta"), person(7, "alpha")};
  CustomerGrouping::sortByName(persons);
  std::vector<int> ids;
  for (const auto& p : persons) ids.push_back(p.pid);
  EXPECT_EQ(ids, (std::vector<int>{3, 7, 4, 1, 6, 2, 5}));
}

}  // namespace
}  // namespace mv::test
