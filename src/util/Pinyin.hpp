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
// space a space), Chinese is read as lower-case syllables, and accented
// Latin letters become their ASCII base ("Über" is "Uber"). White space is
// dropped, ASCII kept as it stands, and a character with no Latin reading
// kept as it is, so it still decides where the name goes.
//
// `Person` reads a person's name: its family name (a family of two
// characters such as 尉迟 or 万俟, else the first character) by its reading
// as a family's (曾 is "zeng", 单 "shan", 乐 "yue"), the given name by its
// characters' common readings. `Words` reads the name of a company or a
// place by its words: a word of its own reading by that (厦门 is "xiamen",
// 银行 "yinhang"), a family's name marked as one (曾氏, 单记) by the family's
// reading, any other character by its most common reading (乐高 is "legao",
// 单品 "danpin", 查询台 "chaxuntai").
enum class NameReading { Person, Words };
std::string nameSortKey(std::string_view utf8, NameReading reading = NameReading::Person);
// Whether `name` is written as a Chinese person's name of the family
// `familyName`: that family name in Chinese characters followed by a given
// name of one or two of them, and nothing else (white space aside).
bool isChineseNameOfFamily(std::string_view name, std::string_view familyName);
// Loads what `nameSortKey` reads Chinese with now (its rules take a good part
// of a second to load), so that the first key need not wait for it. Any
// thread; the first key waits for a load in progress.
void prepareNameSortKeys();

// UTF-8 text in GB18030; characters GB18030 cannot hold are left out.
std::string gb18030FromUtf8(std::string_view utf8);

}  // namespace mv
