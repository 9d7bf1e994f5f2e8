#include "util/Pinyin.hpp"

#include <unicode/normalizer2.h>
#include <unicode/translit.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/uscript.h>
#include <unicode/unistr.h>

#include <string_view>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/base/Log.hpp"

namespace mv {
namespace {

// One transliterator for the process and the syllables it has produced; both
// behind one lock, since a transliterator is not meant for concurrent use.
class SyllableTable {
 public:
  // Each character by its most common reading.
  static SyllableTable& shared() {
    // Never destroyed: used from worker threads.
    static SyllableTable* table = new SyllableTable("Han-Latin; Latin-ASCII");
    return *table;
  }
  // Each character by its reading as a surname (曾 "zeng", 解 "xie").
  static SyllableTable& surnames() {
    static SyllableTable* table = new SyllableTable("Han-Latin/Names; Latin-ASCII");
    return *table;
  }

  std::string syllable(UChar32 c) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = cache_.find(c); it != cache_.end()) return it->second;
    std::string result;
    if (!triedToCreate_) {
      triedToCreate_ = true;
      UErrorCode status = U_ZERO_ERROR;
      transliterator_.reset(icu::Transliterator::createInstance(id_, UTRANS_FORWARD, status));
      if (U_FAILURE(status)) {
        transliterator_.reset();
        MV_LOG("pinyin: no Han-Latin transliterator: ", u_errorName(status));
      }
    }
    if (transliterator_) {
      icu::UnicodeString text(c);
      transliterator_->transliterate(text);
      std::string latin;
      text.toUTF8String(latin);
      // Keep the letters only: the transliterator adds spaces, and a character
      // it cannot read comes back unchanged (and so not ASCII).
      for (char ch : latin) {
        if (ch >= 'A' && ch <= 'Z') {
          result.push_back(static_cast<char>(ch - 'A' + 'a'));
        } else if (ch >= 'a' && ch <= 'z') {
          result.push_back(ch);
        }
      }
    }
    cache_.emplace(c, result);
    return result;
  }

 private:
  explicit SyllableTable(const char* id) : id_(id) {}

  const char* id_;
  std::mutex mutex_;
  bool triedToCreate_ = false;
  std::unique_ptr<icu::Transliterator> transliterator_;
  std::unordered_map<UChar32, std::string> cache_;
};

std::string pinyin(const icu::UnicodeString& text, char separator) {
  std::string out;
  for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
    UChar32 c = text.char32At(i);
    if (c < 0x80) {
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n') out.push_back(static_cast<char>(c));
      continue;
    }
    UErrorCode status = U_ZERO_ERROR;
    if (uscript_getScript(c, &status) != USCRIPT_HAN || U_FAILURE(status)) continue;
    std::string syllable = SyllableTable::shared().syllable(c);
    if (syllable.empty()) continue;
    out += syllable;
    if (separator != 0) out.push_back(separator);
  }
  return out;
}

// Words whose reading differs from what their characters read alone: the
// places, provinces and trades that company names start with most. The
// characters' own readings (the Chinese reader's, one character at a time)
// are right for the rest; these would otherwise be filed under another
// letter (厦门 under S, 长沙 under Z) or sorted out of place.
constexpr std::pair<std::u16string_view, std::string_view> kWordReadings[] = {
    {u"厦门", "xia men"}, {u"大厦", "da sha"}, {u"长沙", "chang sha"}, {u"长春", "chang chun"},
    {u"长城", "chang cheng"}, {u"长江", "chang jiang"}, {u"长安", "chang an"}, {u"长虹", "chang hong"},
    {u"长治", "chang zhi"}, {u"长乐", "chang le"}, {u"长兴", "chang xing"}, {u"长白", "chang bai"},
    {u"长寿", "chang shou"}, {u"长丰", "chang feng"}, {u"长宁", "chang ning"}, {u"长泰", "chang tai"},
    {u"长征", "chang zheng"}, {u"长青", "chang qing"}, {u"长荣", "chang rong"}, {u"重庆", "chong qing"},
    {u"成都", "cheng du"}, {u"首都", "shou du"}, {u"都江堰", "du jiang yan"}, {u"都匀", "du yun"},
    {u"西藏", "xi zang"}, {u"藏药", "zang yao"}, {u"藏族", "zang zu"}, {u"六安", "lu an"},
    {u"蚌埠", "beng bu"}, {u"银行", "yin hang"}, {u"行业", "hang ye"}, {u"商行", "shang hang"},
    {u"车行", "che hang"}, {u"琴行", "qin hang"}, {u"调味", "tiao wei"}, {u"空调", "kong tiao"},
    {u"会计", "kuai ji"}, {u"音乐", "yin yue"}, {u"乐器", "yue qi"}, {u"单县", "shan xian"},
    {u"番禺", "pan yu"}, {u"乐清", "yue qing"}, {u"尉氏", "wei shi"}, {u"蔚县", "yu xian"},
    {u"铅山", "yan shan"}, {u"东阿", "dong e"}, {u"大都会", "da du hui"}, {u"会稽", "kuai ji"},
    // Words whose first character reads otherwise alone: the festival and
    // the ninth day (重 "chong"), the morning (朝 "zhao"), music (乐 "yue"),
    // Peru (秘 "bi"), the elder (长 "zhang"), and the families of two
    // characters (长孙, 尉迟, 万俟).
    {u"重阳", "chong yang"}, {u"重九", "chong jiu"}, {u"朝日", "zhao ri"}, {u"朝闻", "zhao wen"},
    {u"朝霞", "zhao xia"}, {u"朝夕", "zhao xi"}, {u"朝露", "zhao lu"}, {u"朝气", "zhao qi"},
    {u"乐府", "yue fu"}, {u"乐团", "yue tuan"}, {u"乐队", "yue dui"}, {u"乐坊", "yue fang"},
    {u"秘鲁", "bi lu"}, {u"长子", "zhang zi"}, {u"长老", "zhang lao"}, {u"长孙", "zhang sun"},
    {u"尉迟", "yu chi"}, {u"万俟", "mo qi"},
    // Trades whose first character reads otherwise alone: springs (弹 "tan",
    // not "dan"), water supply (给 "ji", not "gei"), ginseng (参 "shen", not
    // "can"); and counties whose names keep an old reading.
    {u"弹簧", "tan huang"}, {u"给水", "ji shui"}, {u"给排水", "ji pai shui"}, {u"参茸", "shen rong"},
    {u"人参", "ren shen"}, {u"枞阳", "zong yang"}, {u"涡阳", "guo yang"}, {u"尉犁", "yu li"},
    {u"解州", "xie zhou"},
};

// Families' names by their reading as a family's, where it is another than
// the character's own (曾 is "zeng", not "ceng" as in "once"), or where the
// Chinese reader's surname rules read it otherwise (尉 is "wei" as a family's
// name, "yu" only in 尉迟 and the county 尉犁; 阚 is "kan", 朴 "piao", 覃
// "qin"). Families of two characters first: they are looked up longest first.
constexpr std::pair<std::u16string_view, std::string_view> kSurnameReadings[] = {
    {u"尉迟", "yu chi"}, {u"万俟", "mo qi"}, {u"长孙", "zhang sun"}, {u"澹台", "tan tai"},
    {u"曾", "zeng"},     {u"查", "zha"},     {u"乐", "yue"},       {u"单", "shan"},        {u"解", "xie"},
    {u"区", "ou"},       {u"仇", "qiu"},     {u"朴", "piao"},      {u"盖", "ge"},          {u"覃", "qin"},
    {u"尉", "wei"},      {u"阚", "kan"},     {u"缪", "miao"},      {u"翟", "zhai"},        {u"繁", "po"},
    {u"召", "shao"},     {u"秘", "bi"},      {u"员", "yun"},       {u"种", "chong"},       {u"重", "chong"},
    {u"折", "she"},      {u"句", "gou"},     {u"黑", "he"},        {u"乘", "sheng"},       {u"藏", "zang"},
    {u"薄", "bo"},       {u"长", "chang"},   {u"隗", "wei"},       {u"能", "nai"},
};
constexpr std::size_t kLongestSurname = 2;

// Characters of several readings that take another one at the start of a
// name than alone: a company name starting with 长 is "chang" (长隆, 长风),
// not "zhang" (to grow), whatever word follows; one starting with 阚 is a
// family's (阚泽商行), "kan".
constexpr std::pair<char16_t, std::string_view> kStartReadings[] = {
    {u'长', "chang"},
    {u'厦', "xia"},
    {u'阚', "kan"},
};

// 氏 after a character makes it a family's name (曾氏, 解氏): the character
// takes its reading as a surname. So does 记 after the first character of a
// name, which names a family's shop (曾记粥铺, 单记面馆).
constexpr char16_t kFamilyMark = u'氏';
constexpr char16_t kShopMark = u'记';
constexpr std::size_t kLongestWord = 3;

// The word reading at `start` of `text`, and how many code units it read:
// none when no word of the table starts there.
std::pair<std::string_view, int32_t> wordAt(const icu::UnicodeString& text, int32_t start) {
  for (std::size_t n = kLongestWord; n >= 2; --n) {
    const int32_t end = text.moveIndex32(start, static_cast<int32_t>(n));
    if (text.countChar32(start, end - start) != static_cast<int32_t>(n)) continue;
    const std::u16string_view here(text.getBuffer() + start, static_cast<std::size_t>(end - start));
    for (const auto& [word, reading] : kWordReadings)
      if (word == here) return {reading, end - start};
  }
  return {std::string_view(), 0};
}

// The reading of the family's name that `text` starts with at `start`, and
// how many code units it took: none when it is no family of the table.
std::pair<std::string_view, int32_t> tableSurnameAt(const icu::UnicodeString& text, int32_t start) {
  for (std::size_t n = kLongestSurname; n >= 1; --n) {
    const int32_t end = text.moveIndex32(start, static_cast<int32_t>(n));
    if (text.countChar32(start, end - start) != static_cast<int32_t>(n)) continue;
    const std::u16string_view here(text.getBuffer() + start, static_cast<std::size_t>(end - start));
    for (const auto& [surname, reading] : kSurnameReadings)
      if (surname == here) return {reading, end - start};
  }
  return {std::string_view(), 0};
}

bool isHan(UChar32 c) {
  UErrorCode status = U_ZERO_ERROR;
  return uscript_getScript(c, &status) == USCRIPT_HAN && U_SUCCESS(status);
}

// Keys of whole names: a character's reading depends on where it stands, so
// names are read whole, and each name once.
class NameKeyTable {
 public:
  static NameKeyTable& shared() {
    static NameKeyTable* table = new NameKeyTable();  // never destroyed: used from worker threads
    return *table;
  }

  // Builds the readers now: the Chinese one takes a moment to load its rules.
  void prepare() {
    std::lock_guard<std::mutex> lock(mutex_);
    transliterator(common_, triedCommon_, kCommonReader);
    transliterator(latin_, triedLatin_, kLatinReader);
    SyllableTable::shared().syllable(U'\u4E00');
    SyllableTable::surnames().syllable(U'\u4E00');
  }

  std::string key(std::string_view utf8, NameReading reading) {
    if (isPlainAscii(utf8)) return asciiKey(utf8);
    std::lock_guard<std::mutex> lock(mutex_);
    // One table for both readings: the first byte tells them apart.
    std::string name = (reading == NameReading::Words ? "w" : "p") + std::string(utf8);
    if (auto it = cache_.find(name); it != cache_.end()) return it->second;
    std::string result = read(name.substr(1), reading);
    // Customer books are bounded; a table that outgrows any of them starts over.
    if (cache_.size() >= kMaxCached) cache_.clear();
    cache_.emplace(std::move(name), result);
    return result;
  }

 private:
  static constexpr std::size_t kMaxCached = 50000;
  static constexpr const char* kCommonReader = "Han-Latin; Latin-ASCII";
  static constexpr const char* kLatinReader = "Latin-ASCII";

  static bool isPlainAscii(std::string_view text) {
    for (char c : text)
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
  }

  static bool isPlainAscii(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); ++i)
      if (text.charAt(i) >= 0x80) return false;
    return true;
  }

  static bool holdsHan(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
      if (isHan(text.char32At(i))) return true;
    return false;
  }

  // CJK symbols and punctuation, and half- and full-width forms.
  static bool holdsIdeographicForms(const icu::UnicodeString& text) {
    for (int32_t i = 0; i < text.length(); ++i) {
      const char16_t c = text.charAt(i);
      if ((c >= 0x3000 && c <= 0x303F) || (c >= 0xFF00 && c <= 0xFFEF)) return true;
    }
    return false;
  }

  static std::string asciiKey(std::string_view text) {
    std::string out;
    for (char c : text)
      if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\v' && c != '\f') out.push_back(c);
    return out;
  }

  icu::Transliterator* transliterator(std::unique_ptr<icu::Transliterator>& slot, bool& tried, const char* id) {
    if (!tried) {
      tried = true;
      UErrorCode status = U_ZERO_ERROR;
      slot.reset(icu::Transliterator::createInstance(id, UTRANS_FORWARD, status));
      if (U_FAILURE(status)) {
        slot.reset();
        MV_LOG("name keys: no transliterator ", id, ": ", u_errorName(status));
      }
    }
    return slot.get();
  }

  std::string read(const std::string& name, NameReading reading) {
    icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(name.data(), static_cast<int32_t>(name.size())));
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfkc = icu::Normalizer2::getNFKCInstance(status);
    if (U_SUCCESS(status)) {
      icu::UnicodeString folded = nfkc->normalize(text, status);
      if (U_SUCCESS(status)) text = folded;
    }
    const bool chinese = holdsHan(text);
    if (chinese) {
      // A person's family name by its reading as one; a company's words by
      // theirs. What is left keeps the character's own reading.
      text = reading == NameReading::Person ? withSurnameSpelt(text) : readWords(text);
    }
    // Chinese names take the longer road (the Chinese reader is by far the
    // slowest, on any text); Latin names need only the accents off, and
    // plain ASCII nothing at all. The ideographic punctuation and
    // full-width forms of a Chinese name take the Chinese road still, which
    // reads them its own way.
    icu::Transliterator* reader = nullptr;
    if (holdsHan(text) || (chinese && holdsIdeographicForms(text))) {
      reader = transliterator(common_, triedCommon_, kCommonReader);
    } else if (!isPlainAscii(text)) {
      reader = transliterator(latin_, triedLatin_, kLatinReader);
    }
    if (reader) reader->transliterate(text);
    std::string out;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
      const UChar32 c = text.char32At(i);
      if (u_isUWhiteSpace(c)) continue;
      icu::UnicodeString(c).toUTF8String(out);
    }
    return out;
  }

  // The Chinese characters of `text` replaced by their readings as words,
  // each followed by a space (dropped with the other white space later): a
  // word of the table by its own reading, any other character by its own.
  static icu::UnicodeString readWords(const icu::UnicodeString& text) {
    icu::UnicodeString out;
    // Until a letter, digit or character is read, the name has not started
    // (white space and brackets may come first).
    bool atStart = true;
    for (int32_t i = 0; i < text.length();) {
      const UChar32 c = text.char32At(i);
      const bool han = isHan(c);
      const bool started = atStart;
      if (han || u_isalnum(c)) atStart = false;
      if (han) {
        if (auto [reading, length] = wordAt(text, i); length > 0) {
          out.append(icu::UnicodeString::fromUTF8(icu::StringPiece(reading.data(), static_cast<int32_t>(reading.size()))));
          out.append(u' ');
          i += length;
          continue;
        }
        if (std::string syllable = syllableOf(text, i, started); !syllable.empty()) {
          out.append(icu::UnicodeString::fromUTF8(syllable + " "));
          i += U16_LENGTH(c);
          continue;
        }
      }
      out.append(c);
      i += U16_LENGTH(c);
    }
    return out;
  }

  // The reading of the character at `i` outside the words of the table: a
  // family's name by its surname reading, the first character of a name by
  // its reading there, any other by its own.
  static std::string syllableOf(const icu::UnicodeString& text, int32_t i, bool atStart) {
    const UChar32 c = text.char32At(i);
    const int32_t next = i + U16_LENGTH(c);
    const UChar32 after = next < text.length() ? text.char32At(next) : 0;
    if ((after == kFamilyMark && c != kFamilyMark) || (atStart && after == kShopMark && c != kShopMark)) {
      if (std::string surname = surnameOf(c); !surname.empty()) return surname;
    }
    if (atStart) {
      for (const auto& [character, reading] : kStartReadings)
        if (c == character) return std::string(reading);
    }
    return SyllableTable::shared().syllable(c);
  }

  // The character's reading as a family's name.
  static std::string surnameOf(UChar32 c) {
    const icu::UnicodeString alone(c);
    if (auto [reading, length] = tableSurnameAt(alone, 0); length == alone.length()) return std::string(reading);
    return SyllableTable::surnames().syllable(c);
  }

  // A person's name with its family name spelt out by its reading as one
  // (a family of two characters of the table, else the first character),
  // followed by a space; the given name, and any name that does not start
  // with a Chinese character, as it is.
  static icu::UnicodeString withSurnameSpelt(const icu::UnicodeString& text) {
    int32_t start = 0;
    while (start < text.length() && u_isUWhiteSpace(text.char32At(start))) start = text.moveIndex32(start, 1);
    if (start >= text.length() || !isHan(text.char32At(start))) return text;
    auto [reading, length] = tableSurnameAt(text, start);
    std::string spelt(reading);
    if (length == 0) {
      const UChar32 first = text.char32At(start);
      spelt = SyllableTable::surnames().syllable(first);
      if (spelt.empty()) return text;
      length = U16_LENGTH(first);
    }
    icu::UnicodeString out = icu::UnicodeString::fromUTF8(spelt + " ");
    out.append(text, start + length, text.length() - start - length);
    return out;
  }

  std::mutex mutex_;
  std::unique_ptr<icu::Transliterator> common_;
  std::unique_ptr<icu::Transliterator> latin_;
  bool triedCommon_ = false;
  bool triedLatin_ = false;
  std::unordered_map<std::string, std::string> cache_;
};

struct ConverterCloser {
  void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Converters carry state, so each call opens its own (ICU shares the tables).
Converter openGb18030() {
  UErrorCode status = U_ZERO_ERROR;
  Converter converter(ucnv_open("GB18030", &status));
  if (U_FAILURE(status)) return nullptr;
  // Bytes that are no character are skipped rather than replaced: the usual
  // replacement (U+001A) is ASCII and would leak into the key.
  ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &status);
  ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_SKIP, nullptr, nullptr, nullptr, &status);
  if (U_FAILURE(status)) return nullptr;
  return converter;
}

}  // namespace

std::string gbkStringToPinyin(std::string_view gb18030Bytes, char separator) {
  if (gb18030Bytes.empty()) return {};
  Converter converter = openGb18030();
  if (!converter) return {};
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString text(gb18030Bytes.data(), static_cast<int32_t>(gb18030Bytes.size()), converter.get(), status);
  if (U_FAILURE(status)) return {};
  return pinyin(text, separator);
}

std::string nameSortKey(std::string_view utf8, NameReading reading) {
  return NameKeyTable::shared().key(utf8, reading);
}

bool isChineseNameOfFamily(std::string_view name, std::string_view familyName) {
  // The Chinese characters of the text, white space left out; none when
  // anything else is there.
  const auto hanOnly = [](std::string_view utf8) {
    const icu::UnicodeString text =
        icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
    std::u32string out;
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1)) {
      const UChar32 c = text.char32At(i);
      if (u_isUWhiteSpace(c)) continue;
      if (!isHan(c)) return std::u32string();
      out.push_back(static_cast<char32_t>(c));
    }
    return out;
  };
  const std::u32string family = hanOnly(familyName);
  const std::u32string whole = hanOnly(name);
  if (family.empty() || !whole.starts_with(family)) return false;
  const std::size_t given = whole.size() - family.size();
  return given >= 1 && given <= 2;
}

void prepareNameSortKeys() { NameKeyTable::shared().prepare(); }

std::string gb18030FromUtf8(std::string_view utf8) {
  if (utf8.empty()) return {};
  Converter converter = openGb18030();
  if (!converter) return {};
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size())));
  UErrorCode status = U_ZERO_ERROR;
  int32_t needed = text.extract(nullptr, 0, converter.get(), status);
  if (status != U_BUFFER_OVERFLOW_ERROR && U_FAILURE(status)) return {};
  std::string out(static_cast<std::size_t>(needed), '\0');
  status = U_ZERO_ERROR;
  ucnv_resetFromUnicode(converter.get());
  text.extract(out.data(), needed, converter.get(), status);
  if (status == U_STRING_NOT_TERMINATED_WARNING) status = U_ZERO_ERROR;
  if (U_FAILURE(status)) return {};
  return out;
}

}  // namespace mv
