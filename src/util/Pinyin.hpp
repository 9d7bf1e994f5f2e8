#pragma once
// Pinyin keys for sorting and indexing names written in Chinese characters.
#include <string>
#include <string_view>

namespace mv {

// `gb18030Bytes` is text in the GB18030 (GBK) encoding. Each Chinese character
// with a reading becomes its pinyin syllable in lower case, followed by
// `separator` unless it is 0; other ASCII characters pass through unchanged;
// spaces, tabs, carriage returns and line feeds are dropped; anything else, and
// a character without a reading, contributes nothing.
std::string gbkStringToPinyin(std::string_view gb18030Bytes, char separator = 0);

// The key a name is filed and sorted by, from UTF-8 text. The text is folded
// first (NFKC: full-width letters and digits become ASCII, an ideographic
// space a space), Chinese is read with the name-aware reading (a surname by
// its surname reading: 曾 is "zeng", 单 "shan") as lower-case syllables, and
// accented Latin letters become their ASCII base ("Über" is "Uber"). White
// space is dropped, ASCII kept as it stands, and a character with no Latin
// reading kept as it is, so it still decides where the name goes.
//
// `Words` reads the Chinese as ordinary words instead, for names of companies
// and places: 厦门 is "xiamen", where the surname reading would say "sha". A
// name of two or three Chinese characters alone is a person's even so (a
// customer may be one: 单雄信 is "shan..."), unless a word of its own reading
// starts it (尉犁, a county) or it is a word of ICU's Chinese dictionary
// (解放, 单车).
enum class NameReading { Person, Words };
std::string nameSortKey(std::string_view utf8, NameReading reading = NameReading::Person);
// Loads what `nameSortKey` reads Chinese with now (its rules take a good part
// of a second to load), so that the first key need not wait for it. Any
// thread; the first key waits for a load in progress.
void prepareNameSortKeys();

// UTF-8 text in GB18030; characters GB18030 cannot hold are left out.
std::string gb18030FromUtf8(std::string_view utf8);

}  // namespace mv
