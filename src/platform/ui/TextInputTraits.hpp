#pragma once
// What a text input tells the keyboard: the return key's label, the layout,
// and whether words are corrected and capitalised; and the most text it
// holds. Text fields and text views both carry them.
#include <cstddef>
#include <string>

namespace ui {

enum class ReturnKeyType { Default = 0, Go, Next, Search, Send, Done };
enum class KeyboardType { Default = 0, ASCIICapable, NumbersAndPunctuation, URL, NumberPad, PhonePad, NamePhonePad, EmailAddress, DecimalPad };
enum class TextAutocorrectionType { Default = 0, No = 1, Yes = 2 };
enum class TextAutocapitalizationType { None = 0, Words = 1, Sentences = 2, AllCharacters = 3 };

class TextInputTraits {
 public:
  ReturnKeyType returnKeyType() const { return returnKeyType_; }
  void setReturnKeyType(ReturnKeyType t) { returnKeyType_ = t; }
  KeyboardType keyboardType() const { return keyboardType_; }
  void setKeyboardType(KeyboardType t) { keyboardType_ = t; }
  TextAutocorrectionType autocorrectionType() const { return autocorrection_; }
  void setAutocorrectionType(TextAutocorrectionType t) { autocorrection_ = t; }
  TextAutocapitalizationType autocapitalizationType() const { return autocapitalization_; }
  void setAutocapitalizationType(TextAutocapitalizationType t) { autocapitalization_ = t; }

  // The most text the input holds, in bytes. Typed or pasted text that would
  // pass it goes in as far as it fits, cut at a character, and
  // `TextCutNotification` (sent by the input) tells that the rest was left
  // out. Text set by code is not cut, and past the room is held to its own
  // length instead.
  std::size_t maximumTextBytes() const { return maximumTextBytes_; }
  void setMaximumTextBytes(std::size_t bytes) { maximumTextBytes_ = bytes; }
  static constexpr std::size_t kDefaultMaximumTextBytes = 64 * 1024;
  static inline const std::string TextCutNotification = "TextInputTextCutNotification";

 protected:
  // What of `typed` fits in place of `replaced` bytes of a text of
  // `textBytes`; when not all of it, the notification says so for `input`.
  std::string fitting(std::string typed, std::size_t textBytes, std::size_t replaced, const void* input) const;

 private:
  ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
  KeyboardType keyboardType_ = KeyboardType::Default;
  TextAutocorrectionType autocorrection_ = TextAutocorrectionType::Default;
  TextAutocapitalizationType autocapitalization_ = TextAutocapitalizationType::Sentences;
  std::size_t maximumTextBytes_ = kDefaultMaximumTextBytes;
};

}  // namespace ui
