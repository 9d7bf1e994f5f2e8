#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "util/Pinyin.hpp"

namespace mv {
namespace {

TEST(Pinyin, KeysOfLatinChineseDigitsAndUnknown) {
  // GB18030 holds 王 as the two bytes CD F5.
  EXPECT_EQ(gb18030FromUtf8("\xE7\x8E\x8B"), "\xCD\xF5");
  const std::string name = gb18030FromUtf8("\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E");  // 王小明
  EXPECT_EQ(name.size(), 6u);
  EXPECT_EQ(gbkStringToPinyin(name), "wangxiaoming");
  EXPECT_EQ(gbkStringToPinyin(name, '_'), "wang_xiao_ming_");

  // ASCII passes unchanged except spaces, tabs and line ends; digits stay.
  EXPECT_EQ(gbkStringToPinyin("Acme Ltd.\t42\r\n"), "AcmeLtd.42");
  EXPECT_EQ(gbkStringToPinyin("Acme Ltd", '-'), "AcmeLtd");
  EXPECT_EQ(gbkStringToPinyin(gb18030FromUtf8("\xE6\x9D\x8E 3 B"), ' '), "li 3B");  // 李 3 B

  // Characters without a reading contribute nothing: accented Latin, kana,
  // emoji (four-byte in GB18030), full-width letters.
  EXPECT_EQ(gbkStringToPinyin(gb18030FromUtf8("\xC3\xA9\xE3\x81\x82\xF0\x9F\x98\x80\xEF\xBC\xA1")), "");
  EXPECT_EQ(gbkStringToPinyin(gb18030FromUtf8("x\xC3\xA9y"), '\''), "xy");
  // Bytes that are no GB18030 character are dropped, not turned into ASCII.
  EXPECT_EQ(gbkStringToPinyin(std::string("a\x81", 2)), "a");
  EXPECT_EQ(gbkStringToPinyin(std::string("\xFF\xFF" "b", 3)), "b");
  EXPECT_EQ(gbkStringToPinyin(""), "");

  // The name key of the same UTF-8 text agrees.
  EXPECT_EQ(nameSortKey("\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E"), "wangxiaoming");
  EXPECT_EQ(nameSortKey("Zoe \xE7\xBB\xBF"), "Zoelu");  // 绿: tone and umlaut folded
}

// A name is folded before it is read: nothing a person reads as a letter or
// a digit is dropped, and a Chinese surname takes its surname reading.
TEST(Pinyin, NameKeysFoldWidthsAndAccentsAndReadSurnamesAsSurnames) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Über Foods", "UberFoods"},
      {"Émile", "Emile"},
      {"Ørsted", "Orsted"},
      {"ＩＢＭ中国", "IBMzhongguo"},    // full-width letters
      {"１号店", "1haodian"},           // a full-width digit
      {"曾国藩", "zengguofan"},         // 曾 as a surname, not "ceng"
      {"单雄信", "shanxiongxin"},       // 单 as a surname, not "dan"
      {"阚泽", "kanze"},                 // 阚, where the reader says "han"
      {"查明", "zhaming"},               // words of the dictionary, read as people
      {"乐毅", "yueyi"},
      {"单纯", "shanchun"},
      {"解明", "xieming"},
      {"朴槿惠", "piaojinhui"},          // 朴, where the reader says "pu"
      {"覃海", "qinhai"},
      {"尉迟恭", "yuchigong"},           // a family of two characters
      {"尉缭", "weiliao"},
      {"王曾", "wangceng"},              // the given name by its common reading
      {" 曾藩", "zengfan"},
      {"北京　贸易", "beijingmaoyi"},    // an ideographic space
      {"\u00A0Acme\u2003Co", "AcmeCo"},
      {"Acme Ltd.\t42\r\n", "AcmeLtd.42"},
      {"😀 smile", "😀smile"},            // no Latin reading: kept, not dropped
      {"٣ stars", "٣stars"},
      {std::string("a\xFF", 2), "a\uFFFD"},
      {"", ""},
  };
  for (const auto& [name, key] : cases) EXPECT_EQ(nameSortKey(name), key) << name;
  // The second time comes from the table of names already read.
  EXPECT_EQ(nameSortKey("曾国藩"), "zengguofan");
}

// Company names read as words: what the words leave (digits, Latin letters,
// punctuation, a character no word knows) keeps the form the Chinese reader
// gives it, whichever reader is left to run.
TEST(Pinyin, WordKeysOfCompanyNamesKeepWhatTheWordsLeave) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"厦门贸易", "xiamenmaoyi"},                // a phrase's own reading
      {"曾明华（北京）5", "cengminghua(beijing)5"},  // full-width brackets
      {"曾明华、Müller6", "cengminghua,Muller6"},    // ideographic comma, an accent
      {"曾明华「店」2", "cengminghua「dian」2"},
      {"曾𠀋商贸1", "ceng𠀋shangmao1"},            // a character no word knows
      {"Café 北京", "Cafebeijing"},
      {"ＡＢＣ１２", "ABC12"},
  };
  for (const auto& [name, key] : cases) EXPECT_EQ(nameSortKey(name, NameReading::Words), key) << name;
}

// A character of several readings reads as it does where it stands: 长 at the
// start of a name is "chang" whatever word follows, but "zhang" inside one; a
// character before 氏 names a family and takes its surname reading, at the
// start or not; 会稽 is a place.
TEST(Pinyin, WordKeysReadACharacterAsItReadsWhereItStands) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"长隆集团", "changlongjituan"},
      {"长风商城", "changfengshangcheng"},
      {"长远物流", "changyuanwuliu"},
      {" （长盛）五金", "(changsheng)wujin"},  // brackets before it: still the start
      {"成长科技", "chengzhangkeji"},         // inside a name 长 grows
      {"A长远", "Azhangyuan"},
      {"厦华电子", "xiahuadianzi"},
      {"长江实业", "changjiangshiye"},        // a word of the table
      {"曾氏", "zengshi"},
      {"查氏集团", "zhashijituan"},
      {"解氏药业", "xieshiyaoye"},
      {"仇氏", "qiushi"},
      {"区氏餐饮", "oushicanyin"},
      {"上海曾氏贸易", "shanghaizengshimaoyi"},  // a family's name after a place
      {"曾明华", "cengminghua"},                  // a company's name: no family mark, the common reading
      {"乐高", "legao"},                          // brands read by their characters' common readings
      {"单品", "danpin"},
      {"查询台", "chaxuntai"},
      {"区块链", "qukuailian"},
      {"重汽", "zhongqi"},
      {"种业", "zhongye"},
      {"解百纳", "jiebaina"},
      {"单车行", "danchehang"},
      {"曾明华五金", "cengminghuawujin"},         // a company's, no family mark: the word reading
      {"阚泽商行", "kanzeshanghang"},             // a family's name at the start
      {"弹簧厂", "tanhuangchang"},                // a trade of its own reading
      {"尉犁", "yuli"},                           // a county, not a person: the word
      {"尉氏县", "weishixian"},                   // the county of the table
      {"尉迟氏酒楼", "yuchishijiulou"},           // 尉 is "yu" only in 尉迟
      {"曾记粥铺", "zengjizhoupu"},               // a family's shop
      {"日记本", "rijiben"},
      {"会稽山酒业", "kuaijishanjiuye"},
      {"氏", "shi"},
  };
  for (const auto& [name, key] : cases) EXPECT_EQ(nameSortKey(name, NameReading::Words), key) << name;
}

TEST(Pinyin, SameKeysFromSeveralThreads) {
  const std::vector<std::string> names = {"\xE7\x8E\x8B\xE5\xB0\x8F\xE6\x98\x8E", "\xE5\xBC\xA0\xE4\xB8\x89",
                                          "\xE6\x9D\x8E\xE5\x9B\x9B", "Smith"};
  std::vector<std::string> expected;
  for (const auto& n : names) expected.push_back(nameSortKey(n));
  EXPECT_EQ(expected[1], "zhangsan");
  EXPECT_EQ(expected[2], "lisi");
  std::atomic<int> wrong{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 6; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        std::size_t k = static_cast<std::size_t>(t + i) % names.size();
        if (gbkStringToPinyin(gb18030FromUtf8(names[k])) != expected[k]) ++wrong;
        if (nameSortKey(names[k]) != expected[k]) ++wrong;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
}  // namespace mv
