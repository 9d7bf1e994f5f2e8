#pragma once
#include <optional>
#include <ostream>
#include <string>

namespace gfx {

// A font: a face (mapped onto an installed family) at a point size. Named
// faces are mapped through one table so metrics are the same on every machine
// that has the project's fonts; text in scripts the face lacks (Chinese) falls
// back to the CJK family.
class Font {
 public:
  enum class Weight { Light, Regular, Bold };

  Font() : Font(systemFont(17)) {}

  static Font systemFont(double size);
  static Font boldSystemFont(double size);
  static Font italicSystemFont(double size);
  // A named face such as "Helvetica-Bold"; nothing for a name the table lacks.
  static std::optional<Font> fontWithName(const std::string& name, double size);
  // The named face, or the system font of that size when the name is unknown.
  static Font named(const std::string& name, double size);

  static double systemFontSize() { return 14; }
  static double labelFontSize() { return 17; }
  static double buttonFontSize() { return 18; }
  static double smallSystemFontSize() { return 12; }

  const std::string& fontName() const { return name_; }
  // The installed family list the face maps to, e.g. "Liberation Sans,Noto Sans CJK SC".
  const std::string& familyName() const { return family_; }
  double pointSize() const { return size_; }
  Weight weight() const { return weight_; }
  bool isBold() const { return weight_ == Weight::Bold; }
  bool isItalic() const { return italic_; }
  Font withSize(double size) const;

  // Metrics from the current text measurer.
  double lineHeight() const;
  double ascender() const;
  double descender() const;  // negative, below the baseline

  friend bool operator==(const Font& a, const Font& b) {
    return a.name_ == b.name_ && a.size_ == b.size_;
  }

 private:
  Font(std::string name, std::string family, Weight weight, bool italic, double size)
      : name_(std::move(name)), family_(std::move(family)), weight_(weight), italic_(italic), size_(size) {}
  std::string name_;
  std::string family_;
  Weight weight_ = Weight::Regular;
  bool italic_ = false;
  double size_ = 17;
};

inline std::ostream& operator<<(std::ostream& o, const Font& f) {
  return o << f.fontName() << " " << f.pointSize();
}

}  // namespace gfx
