#pragma once
// What a text input tells the keyboard: the return key's label, the layout,
// and whether words are corrected and capitalised. Text fields and text
// views both carry them.
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

 private:
  ReturnKeyType returnKeyType_ = ReturnKeyType::Default;
  KeyboardType keyboardType_ = KeyboardType::Default;
  TextAutocorrectionType autocorrection_ = TextAutocorrectionType::Default;
  TextAutocapitalizationType autocapitalization_ = TextAutocapitalizationType::Sentences;
};

}  // namespace ui
