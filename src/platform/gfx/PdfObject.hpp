#pragma once
// One object of a PDF file as read from the file (qpdf underneath): a value
// to walk, never to change. Indirect references are followed on access.
// Reading never fails loudly: an object of another type, a missing key or an
// index out of range answers the null object or nothing, and a damaged object
// in the file reads as null. Objects keep their file open for as long as any
// of them lives. Not thread-safe: one file and its objects belong to one
// thread at a time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace gfx {

class PdfObject {
 public:
  enum class Type { Null, Boolean, Integer, Real, String, Name, Array, Dictionary, Stream };

  // The null object.
  PdfObject();
  ~PdfObject();
  PdfObject(const PdfObject&);
  PdfObject& operator=(const PdfObject&);

  Type type() const;
  bool isNull() const { return type() == Type::Null; }
  bool isArray() const { return type() == Type::Array; }
  // A stream's dictionary counts as its dictionary.
  bool isDictionary() const { return type() == Type::Dictionary || type() == Type::Stream; }
  bool isString() const { return type() == Type::String; }
  bool isName() const { return type() == Type::Name; }
  bool isInteger() const { return type() == Type::Integer; }

  std::optional<long long> integer() const;
  // An integer or a real.
  std::optional<double> number() const;
  // The bytes of a string object (decrypted).
  std::optional<std::string> string() const;
  // A name without its slash ("Link" for /Link).
  std::optional<std::string> name() const;

  // Arrays.
  std::size_t size() const;
  PdfObject at(std::size_t index) const;
  // Dictionaries (and streams' dictionaries); `key` without the slash.
  PdfObject get(const std::string& key) const;
  bool has(const std::string& key) const;

  // An indirect object's identity in its file (object number and
  // generation); 0 for a direct object. Walks over references keep these to
  // stop at cycles.
  std::uint64_t id() const;

  struct Impl;
  explicit PdfObject(std::shared_ptr<Impl> impl);

 private:
  std::shared_ptr<Impl> impl_;
};

}  // namespace gfx
