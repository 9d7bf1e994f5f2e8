#include "util/Pinyin.hpp"

#include <unicode/translit.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/uscript.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/base/Log.hpp"

namespace mv {
namespace {

// One transliterator for the process and the syllables it has produced; both
// behind one lock, since a transliterator is not meant for concurrent use.
class SyllableTable {
 public:
  static SyllableTable& shared() {
    static SyllableTable* table = new SyllableTable();  // never destroyed: used from worker threads
    return *table;
  }

  std::string syllable(UChar32 c) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (auto it = cache_.find(c); it != cache_.end()) return it->second;
    std::string result;
    if (!triedToCreate_) {
      triedToCreate_ = true;
      UErrorCode status = U_ZERO_ERROR;
      transliterator_.reset(
          icu::Transliterator::createInstance("Han-Latin; Latin-ASCII", UTRANS_FORWARD, status));
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

std::string pinyinKeyFromUtf8(std::string_view utf8, char separator) {
  return pinyin(icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), static_cast<int32_t>(utf8.size()))),
                separator);
}

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
