// Conversion between the binary form description and its text form.
//
// The text form:
//
//   object Name: TClass          (or "object TClass" for an unnamed component)
//     Property = value           (dotted names for nested objects: Font.Height)
//     object Child: TChildClass
//       ...
//     end
//   end
//
// Values:
//   12  -7  $FF                  integers (the smallest integer type is chosen)
//   1.5  2e3  1.5s  1.25c  3.5d  floats: extended; suffix s single, c currency, d date
//   'it''s'#13#10'next' + 'x'    strings: quoted parts, #n character codes (n > 255
//                                makes a wide string), + continues on the next line
//   clRed  True  False  nil      identifiers (True, False, nil have their own types)
//   [akLeft, akTop]              sets
//   ( 'a' 'b' 3 )                lists
//   { 0A1B2C ... }               binary data in hex
//   {@file 'name.ico'}           binary data: the bytes of a file
//   {@graphic TClass 'name.bmp'} binary data: TClass as a short string, the file's
//                                length in 4 bytes, then its bytes (a picture's Data)
//   < item A = 1 end  item [2] B = 2 end >   collections
//
// File names in directives are relative to the base directory given to the
// conversion. "//" starts a comment that runs to the end of the line.
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "platform/classes/Extended.h"
#include "platform/classes/Filer.h"

namespace {

constexpr int kMaxDepth = 64;

// ---------------------------------------------------------------------------
// Text to binary

class TextParser {
 public:
  TextParser(const std::string& text, TWriter& writer, std::string base_dir)
      : text_(text), writer_(writer), base_dir_(std::move(base_dir)) {
    if (text_.compare(0, 3, "\xEF\xBB\xBF") == 0) pos_ = 3;  // UTF-8 byte-order mark
  }

  void Run() {
    writer_.WriteSignature();
    Object(0);
    SkipSpace();
    if (pos_ < text_.size()) Error("Unexpected text after the last 'end'");
  }

 private:
  [[noreturn]] void Error(const std::string& what) {
    throw EParserError(Format("Line %d: %s", line_, what.c_str()));
  }

  int Peek() { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1; }

  void SkipSpace() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (c == ' ' || c == '\t' || c == '\r' || c == '\f') {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else {
        break;
      }
    }
  }

  // A short description of what comes next, for messages.
  std::string Found() {
    if (pos_ >= text_.size()) return "the end of the text";
    size_t end = pos_;
    while (end < text_.size() && end - pos_ < 20 &&
           !std::isspace(static_cast<unsigned char>(text_[end])))
      ++end;
    std::string found = "'";
    found.append(text_, pos_, std::max<size_t>(end - pos_, 1));
    return found + "'";
  }

  static bool IdentStart(int c) { return c == '_' || (c >= 0 && std::isalpha(c)); }
  static bool IdentChar(int c) { return c == '_' || c == '.' || (c >= 0 && std::isalnum(c)); }

  std::string Ident(const char* what) {
    SkipSpace();
    if (!IdentStart(Peek())) Error(Format("Expected %s but found %s", what, Found().c_str()));
    size_t start = pos_;
    while (IdentChar(Peek())) ++pos_;
    return text_.substr(start, pos_ - start);
  }

  // True (and consumed) when the next word is keyword.
  bool Keyword(const char* keyword) {
    SkipSpace();
    size_t n = std::strlen(keyword);
    if (pos_ + n > text_.size() || !SameText(std::string_view(text_).substr(pos_, n), keyword))
      return false;
    if (pos_ + n < text_.size() && IdentChar(static_cast<unsigned char>(text_[pos_ + n])))
      return false;
    pos_ += n;
    return true;
  }

  void Expect(char c) {
    SkipSpace();
    if (Peek() != static_cast<unsigned char>(c))
      Error(Format("Expected '%c' but found %s", c, Found().c_str()));
    ++pos_;
  }

  void Object(int depth) {
    if (depth > kMaxDepth) Error("Components nested too deeply");
    if (!Keyword("object")) Error(Format("Expected 'object' but found %s", Found().c_str()));
    std::string name = Ident("a component name");
    std::string class_name;
    SkipSpace();
    if (Peek() == ':') {
      ++pos_;
      class_name = Ident("a class name");
    } else {
      class_name = name;
      name.clear();
    }
    writer_.WriteStr(class_name);
    writer_.WriteStr(name);
    bool children = false;
    while (true) {
      SkipSpace();
      if (pos_ >= text_.size()) Error(Format("Missing 'end' of %s", class_name.c_str()));
      if (Keyword("end")) break;
      size_t mark = pos_;
      if (Keyword("object")) {
        pos_ = mark;
        if (!children) writer_.WriteListEnd();
        children = true;
        Object(depth + 1);
        continue;
      }
      if (children) Error("Properties must come before the child components");
      Property(depth);
    }
    if (!children) writer_.WriteListEnd();
    writer_.WriteListEnd();
  }

  void Property(int depth) {
    std::string name = Ident("a property name");
    if (name.size() > 255) Error("Property name too long");
    Expect('=');
    writer_.WriteStr(name);
    Value(depth + 1);
  }

  void Value(int depth) {
    if (depth > kMaxDepth) Error("Values nested too deeply");
    SkipSpace();
    int c = Peek();
    if (c == '\'' || c == '#') {
      StringValue();
    } else if (c == '-' || c == '+' || c == '$' || (c >= 0 && std::isdigit(c))) {
      Number();
    } else if (c == '[') {
      ++pos_;
      std::vector<std::string> members;
      SkipSpace();
      if (Peek() == ']') {
        ++pos_;
      } else {
        while (true) {
          members.push_back(Ident("a set member"));
          if (members.back().size() > 255) Error("Set member name too long");
          SkipSpace();
          if (Peek() == ']') {
            ++pos_;
            break;
          }
          Expect(',');
        }
      }
      writer_.WriteSet(members);
    } else if (c == '(') {
      ++pos_;
      writer_.WriteListBegin();
      while (true) {
        SkipSpace();
        if (Peek() == ')') break;
        if (Peek() < 0) Error("Missing ')'");
        Value(depth + 1);
      }
      ++pos_;
      writer_.WriteListEnd();
    } else if (c == '{') {
      ++pos_;
      Binary();
    } else if (c == '<') {
      ++pos_;
      Collection(depth);
    } else if (IdentStart(c)) {
      std::string ident = Ident("a value");
      if (ident.size() > 255) Error("Identifier too long");
      writer_.WriteIdent(ident);
    } else {
      Error(Format("Expected a value but found %s", Found().c_str()));
    }
  }

  // Reads one string made of quoted parts and #n codes; returns code units.
  std::vector<uint32_t> StringPart() {
    std::vector<uint32_t> units;
    while (true) {
      int c = Peek();
      if (c == '\'') {
        ++pos_;
        while (true) {
          if (pos_ >= text_.size() || text_[pos_] == '\n') Error("Unterminated string");
          if (text_[pos_] == '\'') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
              units.push_back('\'');
              pos_ += 2;
              continue;
            }
            ++pos_;
            break;
          }
          units.push_back(static_cast<unsigned char>(text_[pos_++]));
        }
      } else if (c == '#') {
        ++pos_;
        uint32_t code = 0;
        bool hex = Peek() == '$';
        if (hex) ++pos_;
        size_t start = pos_;
        while (pos_ < text_.size() &&
               (hex ? std::isxdigit(static_cast<unsigned char>(text_[pos_]))
                    : std::isdigit(static_cast<unsigned char>(text_[pos_])))) {
          int d = std::isdigit(static_cast<unsigned char>(text_[pos_]))
                      ? text_[pos_] - '0'
                      : std::tolower(static_cast<unsigned char>(text_[pos_])) - 'a' + 10;
          code = code * (hex ? 16 : 10) + static_cast<uint32_t>(d);
          if (code > 0xFFFF) Error("Character code out of range");
          ++pos_;
        }
        if (pos_ == start) Error("Expected a character code after '#'");
        units.push_back(code);
      } else {
        return units;
      }
    }
  }

  void StringValue() {
    std::vector<uint32_t> units = StringPart();
    while (true) {
      size_t mark = pos_;
      int mark_line = line_;
      SkipSpace();
      if (Peek() != '+') {
        pos_ = mark;
        line_ = mark_line;
        break;
      }
      ++pos_;
      SkipSpace();
      if (Peek() != '\'' && Peek() != '#') Error("Expected a string after '+'");
      std::vector<uint32_t> more = StringPart();
      units.insert(units.end(), more.begin(), more.end());
    }
    bool wide = false;
    for (uint32_t u : units) wide |= u > 0xFF;
    if (!wide) {
      std::string s(units.begin(), units.end());
      writer_.WriteString(s);
      return;
    }
    writer_.WriteValue(TValueType::vaWString);
    auto count = static_cast<uint32_t>(units.size());
    uint8_t b[4] = {static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                    static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)};
    writer_.Write(b, 4);
    for (uint32_t u : units) {
      uint8_t w[2] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8)};
      writer_.Write(w, 2);
    }
  }

  // Reads a quoted string of bytes (for file names).
  std::string PlainString() {
    SkipSpace();
    if (Peek() != '\'' && Peek() != '#')
      Error(Format("Expected a string but found %s", Found().c_str()));
    std::vector<uint32_t> units = StringPart();
    std::string s;
    for (uint32_t u : units) {
      if (u > 0xFF) Error("Character code out of range in a file name");
      s += static_cast<char>(u);
    }
    return s;
  }

  void Number() {
    size_t start = pos_;
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') {
      negative = Peek() == '-';
      ++pos_;
    }
    if (Peek() == '$') {
      ++pos_;
      uint64_t v = 0;
      size_t digits = pos_;
      while (pos_ < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_]))) {
        if (v >> 60) Error("Integer out of range");
        int c = std::tolower(static_cast<unsigned char>(text_[pos_++]));
        v = v * 16 + static_cast<uint64_t>(std::isdigit(c) ? c - '0' : c - 'a' + 10);
      }
      if (pos_ == digits) Error("Expected hex digits after '$'");
      if (v > static_cast<uint64_t>(INT64_MAX)) Error("Integer out of range");
      writer_.WriteInteger(negative ? -static_cast<int64_t>(v) : static_cast<int64_t>(v));
      return;
    }
    size_t digits = pos_;
    bool is_float = false;
    while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    if (pos_ == digits) Error(Format("Expected a number but found %s", Found().c_str()));
    if (Peek() == '.') {
      is_float = true;
      ++pos_;
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
    }
    if (Peek() == 'e' || Peek() == 'E') {
      size_t mark = pos_++;
      if (Peek() == '+' || Peek() == '-') ++pos_;
      size_t exp_digits = pos_;
      while (pos_ < text_.size() && std::isdigit(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      if (pos_ == exp_digits)
        pos_ = mark;  // not an exponent
      else
        is_float = true;
    }
    std::string number = text_.substr(start, pos_ - start);
    int suffix = std::tolower(Peek());
    if (suffix == 's' || suffix == 'c' || suffix == 'd') {
      if (pos_ + 1 < text_.size() && IdentChar(static_cast<unsigned char>(text_[pos_ + 1])))
        Error(Format("Invalid number %s", Found().c_str()));
      ++pos_;
      if (suffix == 's') {
        writer_.WriteSingle(std::strtof(number.c_str(), nullptr));
      } else if (suffix == 'd') {
        writer_.WriteDate(std::strtod(number.c_str(), nullptr));
      } else {
        writer_.WriteCurrency(Currency(number));
      }
      return;
    }
    if (IdentChar(Peek())) Error(Format("Invalid number %s", Found().c_str()));
    if (is_float) {
      writer_.WriteFloat(std::strtold(number.c_str(), nullptr));
      return;
    }
    errno = 0;
    long long v = std::strtoll(number.c_str(), nullptr, 10);
    if (errno == ERANGE) Error(Format("Integer %s out of range", number.c_str()));
    writer_.WriteInteger(v);
  }

  // A decimal number times 10000, exactly when it has at most 4 decimals.
  int64_t Currency(const std::string& number) {
    if (number.find_first_of("eE") == std::string::npos) {
      size_t i = 0;
      bool negative = false;
      if (number[i] == '-' || number[i] == '+') negative = number[i++] == '-';
      int64_t v = 0;
      int decimals = -1;
      auto scale = [&](int digit) {
        if (__builtin_mul_overflow(v, 10, &v) || __builtin_add_overflow(v, digit, &v))
          Error("Currency value out of range");
      };
      for (; i < number.size(); ++i) {
        if (number[i] == '.') {
          decimals = 0;
          continue;
        }
        if (decimals >= 4) Error("A currency value has at most 4 decimals");
        scale(number[i] - '0');
        if (decimals >= 0) ++decimals;
      }
      for (int d = std::max(decimals, 0); d < 4; ++d) scale(0);
      return negative ? -v : v;
    }
    long double v = std::strtold(number.c_str(), nullptr) * 10000;
    if (!(std::fabs(v) < 9.2e18L)) Error("Currency value out of range");
    return std::llroundl(v);
  }

  void Binary() {
    SkipSpace();
    if (Peek() == '@') {
      ++pos_;
      std::string directive = Ident("'file' or 'graphic' after '@'");
      std::string prefix;
      if (SameText(directive, "graphic")) {
        prefix = Ident("a graphic class name");
        if (prefix.size() > 255) Error("Class name too long");
      } else if (!SameText(directive, "file")) {
        Error(Format("Unknown directive @%s", directive.c_str()));
      }
      std::string name = PlainString();
      Expect('}');
      std::string path = name;
      if (!base_dir_.empty() && !name.empty() && name[0] != '/') path = base_dir_ + "/" + name;
      TMemoryStream file;
      file.LoadFromFile(path);
      if (file.Size() > UINT32_MAX - 260) Error(Format("File %s is too large", name.c_str()));
      auto size = static_cast<uint32_t>(file.Size());
      if (prefix.empty()) {
        writer_.WriteBinary(file.Memory(), size);
        return;
      }
      std::string data;
      data += static_cast<char>(prefix.size());
      data += prefix;
      for (int i = 0; i < 4; ++i) data += static_cast<char>(size >> (8 * i));
      data.append(reinterpret_cast<const char*>(file.Memory()), size);
      writer_.WriteBinary(data.data(), static_cast<uint32_t>(data.size()));
      return;
    }
    std::vector<uint8_t> bytes;
    int high = -1;
    while (true) {
      SkipSpace();
      int c = Peek();
      if (c == '}') {
        ++pos_;
        break;
      }
      if (c < 0 || !std::isxdigit(c))
        Error(Format("Expected hex digits or '}' but found %s", Found().c_str()));
      ++pos_;
      int d = std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10;
      if (high < 0) {
        high = d;
      } else {
        bytes.push_back(static_cast<uint8_t>(high << 4 | d));
        high = -1;
      }
    }
    if (high >= 0) Error("Odd number of hex digits in binary data");
    writer_.WriteBinary(bytes.data(), static_cast<uint32_t>(bytes.size()));
  }

  void Collection(int depth) {
    writer_.WriteValue(TValueType::vaCollection);
    while (true) {
      SkipSpace();
      if (Peek() == '>') {
        ++pos_;
        break;
      }
      if (!Keyword("item")) Error(Format("Expected 'item' or '>' but found %s", Found().c_str()));
      SkipSpace();
      if (Peek() == '[') {
        ++pos_;
        SkipSpace();
        Number();
        Expect(']');
      }
      writer_.WriteListBegin();
      while (!Keyword("end")) {
        if (pos_ >= text_.size()) Error("Missing 'end' of a collection item");
        Property(depth);
      }
      writer_.WriteListEnd();
    }
    writer_.WriteListEnd();
  }

  const std::string& text_;
  TWriter& writer_;
  std::string base_dir_;
  size_t pos_ = 0;
  int line_ = 1;
};

// ---------------------------------------------------------------------------
// Binary to text

// The shortest form of value that reads back as the same value.
template <class T, class Parse>
std::string ShortestFloat(T value, int max_digits, Parse parse) {
  if (std::isinf(value)) return value < 0 ? "-1e99999" : "1e99999";
  if (std::isnan(value)) return "nan";
  std::string s;
  for (int digits = 1; digits <= max_digits; ++digits) {
    s = Format("%.*Lg", digits, static_cast<long double>(value));
    if (parse(s) == value) break;
  }
  if (s.find_first_of(".e") == std::string::npos) s += ".0";
  return s;
}

class TextWriter {
 public:
  explicit TextWriter(TReader& reader) : r_(reader) {}

  std::string Run() {
    r_.ReadSignature();
    Component(0);
    return std::move(out_);
  }

 private:
  void Indent(int n) { out_.append(static_cast<size_t>(n), ' '); }

  void Component(int indent) {
    if (indent / 2 > kMaxDepth) throw EReadError("Components nested too deeply");
    std::string class_name = r_.ReadStr();
    std::string name = r_.ReadStr();
    Indent(indent);
    out_ += "object " + (name.empty() ? class_name : name + ": " + class_name) + "\n";
    Properties(indent + 2, 0);
    while (!r_.EndOfList()) Component(indent + 2);
    r_.ReadListEnd();
    Indent(indent);
    out_ += "end\n";
  }

  void Properties(int indent, int depth) {
    while (!r_.EndOfList()) {
      Indent(indent);
      out_ += r_.ReadStr() + " = ";
      Value(indent, depth);
      out_ += "\n";
    }
    r_.ReadListEnd();
  }

  void Quote(const std::vector<uint32_t>& units, int indent) {
    if (units.empty()) {
      out_ += "''";
      return;
    }
    constexpr size_t kPiece = 64;
    for (size_t start = 0; start < units.size(); start += kPiece) {
      if (start > 0) {
        out_ += " +\n";
        Indent(indent + 2);
      }
      bool quoted = false;
      for (size_t i = start; i < std::min(units.size(), start + kPiece); ++i) {
        uint32_t u = units[i];
        if (u >= 32 && u < 127) {
          if (!quoted) out_ += '\'';
          quoted = true;
          out_ += static_cast<char>(u);
          if (u == '\'') out_ += '\'';
        } else {
          if (quoted) out_ += '\'';
          quoted = false;
          out_ += Format("#%u", u);
        }
      }
      if (quoted) out_ += '\'';
    }
  }

  uint64_t ReadLE(int size) {
    uint8_t b[8];
    r_.Read(b, size);
    uint64_t v = 0;
    for (int i = 0; i < size; ++i) v |= static_cast<uint64_t>(b[i]) << (8 * i);
    return v;
  }

  void Value(int indent, int depth) {
    if (depth > kMaxDepth) throw EReadError("Values nested too deeply");
    TValueType t = r_.NextValue();
    switch (t) {
      case TValueType::vaInt8:
      case TValueType::vaInt16:
      case TValueType::vaInt32:
      case TValueType::vaInt64:
        out_ += Format("%lld", static_cast<long long>(r_.ReadInt64()));
        return;
      case TValueType::vaString:
      case TValueType::vaLString:
      case TValueType::vaUTF8String: {
        std::string s = r_.ReadString();
        Quote(std::vector<uint32_t>(s.begin(), s.end()), indent);
        return;
      }
      default:
        break;
    }
    r_.ReadValue();
    switch (t) {
      case TValueType::vaNull:
        throw EReadError("Unexpected end of list");
      case TValueType::vaList:
        out_ += "(";
        while (!r_.EndOfList()) {
          out_ += "\n";
          Indent(indent + 2);
          Value(indent + 2, depth + 1);
        }
        r_.ReadListEnd();
        out_ += ")";
        return;
      case TValueType::vaExtended: {
        uint8_t b[10];
        r_.Read(b, 10);
        long double v = DecodeExtended(b);
        out_ += ShortestFloat(
            v, 21, [](const std::string& s) { return std::strtold(s.c_str(), nullptr); });
        return;
      }
      case TValueType::vaSingle: {
        auto bits = static_cast<uint32_t>(ReadLE(4));
        float f;
        std::memcpy(&f, &bits, 4);
        out_ += ShortestFloat(
                    f, 9, [](const std::string& s) { return std::strtof(s.c_str(), nullptr); }) +
                "s";
        return;
      }
      case TValueType::vaDate: {
        uint64_t bits = ReadLE(8);
        double d;
        std::memcpy(&d, &bits, 8);
        out_ += ShortestFloat(
                    d, 17, [](const std::string& s) { return std::strtod(s.c_str(), nullptr); }) +
                "d";
        return;
      }
      case TValueType::vaCurrency: {
        auto v = static_cast<int64_t>(ReadLE(8));
        uint64_t a = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
        std::string frac = Format("%04llu", static_cast<unsigned long long>(a % 10000));
        while (frac.size() > 1 && frac.back() == '0') frac.pop_back();
        out_ += Format("%s%llu.%sc", v < 0 ? "-" : "", static_cast<unsigned long long>(a / 10000),
                       frac.c_str());
        return;
      }
      case TValueType::vaIdent:
        out_ += r_.ReadStr();
        return;
      case TValueType::vaFalse:
        out_ += "False";
        return;
      case TValueType::vaTrue:
        out_ += "True";
        return;
      case TValueType::vaNil:
        out_ += "nil";
        return;
      case TValueType::vaWString: {
        auto count = static_cast<uint32_t>(ReadLE(4));
        r_.CheckAvailable(uint64_t{count} * 2);
        std::vector<uint32_t> units(count);
        for (auto& u : units) u = static_cast<uint32_t>(ReadLE(2));
        Quote(units, indent);
        return;
      }
      case TValueType::vaBinary: {
        auto size = static_cast<uint32_t>(ReadLE(4));
        r_.CheckAvailable(size);
        std::vector<uint8_t> data(size);
        r_.Read(data.data(), static_cast<int32_t>(size));
        out_ += "{";
        for (uint32_t i = 0; i < size; ++i) {
          if (i % 32 == 0) {
            out_ += "\n";
            Indent(indent + 2);
          }
          out_ += Format("%02X", data[i]);
        }
        out_ += "}";
        return;
      }
      case TValueType::vaSet: {
        out_ += "[";
        bool first = true;
        while (true) {
          std::string member = r_.ReadStr();
          if (member.empty()) break;
          if (!first) out_ += ", ";
          first = false;
          out_ += member;
        }
        out_ += "]";
        return;
      }
      case TValueType::vaCollection: {
        out_ += "<";
        while (!r_.EndOfList()) {
          out_ += "\n";
          Indent(indent + 2);
          out_ += "item";
          TValueType next = r_.NextValue();
          if (next == TValueType::vaInt8 || next == TValueType::vaInt16 ||
              next == TValueType::vaInt32 || next == TValueType::vaInt64)
            out_ += Format(" [%lld]", static_cast<long long>(r_.ReadInt64()));
          out_ += "\n";
          r_.ReadListBegin();
          Properties(indent + 4, depth + 1);
          Indent(indent + 2);
          out_ += "end";
        }
        r_.ReadListEnd();
        out_ += ">";
        return;
      }
      default:
        return;  // handled above
    }
  }

  TReader& r_;
  std::string out_;
};

}  // namespace

void ObjectTextToBinary(TStream& in, TStream& out, const std::string& base_dir) {
  int64_t size = in.Size() - in.Position();
  if (size < 0 || size > INT32_MAX) throw EParserError("Line 1: Text too large");
  std::string text(static_cast<size_t>(size), '\0');
  in.ReadBuffer(text.data(), static_cast<int32_t>(size));
  TMemoryStream binary;
  TWriter writer(binary);
  TextParser(text, writer, base_dir).Run();
  // The caller's stream receives nothing unless the whole text converted.
  binary.SetPosition(0);
  if (binary.Size() > 0) out.CopyFrom(binary, binary.Size());
}

void ObjectBinaryToText(TStream& in, TStream& out) {
  TReader reader(in);
  std::string text = TextWriter(reader).Run();
  out.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}
