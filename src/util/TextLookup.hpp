#pragma once
// The texts shown to the user are looked up by key in the string table of the
// interface language. The shell's language manager installs the lookup when it
// starts; until then (and in tests that install a plain table) every key is
// missing. Main thread only, like the screens that show the texts.
#include <functional>
#include <optional>
#include <string>

namespace mv {

using TextLookupFunction = std::function<std::optional<std::string>(const std::string& key)>;

// Installs the table lookup; an empty function removes it.
void setTextLookup(TextLookupFunction lookup);
// The text of `key` in the current language, or nothing when the key has none.
std::optional<std::string> textForKey(const std::string& key);
// The text of `key` in the current language, or an empty text when the key
// has none: what labels and titles show.
std::string text(const std::string& key);
// The text of `key` as the label before a value: followed by the colon of
// the current language (the table's "LABELCOLON": a full-width one in
// Chinese), the same in every label.
std::string labelText(const std::string& key);
// A label and its value on one line: "Order number: SO-1"; in Chinese the
// full-width colon, with no space after it ("订单编号：SO-1").
std::string labelledText(const std::string& key, const std::string& value);

}  // namespace mv
