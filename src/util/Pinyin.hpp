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

// The same for UTF-8 text.
std::string pinyinKeyFromUtf8(std::string_view utf8, char separator = 0);

// UTF-8 text in GB18030; characters GB18030 cannot hold are left out.
std::string gb18030FromUtf8(std::string_view utf8);

}  // namespace mv
