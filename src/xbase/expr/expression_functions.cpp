// The functions of the expression language. Text functions either return a
// view into their argument's text (trimming, cutting) or fill a buffer of
// the argument's width made once (case mapping), so none allocates while
// records are evaluated.

#include <cmath>

#include "xbase/expr/expression_error.h"
#include "xbase/expr/expression_node.h"

namespace xbase::expr {

namespace {

using Args = std::vector<NodePtr>;

bool allConstant(const Args& args) {
  for (const NodePtr& a : args)
    if (!a->constant()) return false;
  return true;
}

class Function : public Node {
 public:
  // Takes args by reference so that callers may read them in the same
  // initialiser list before they are moved in here.
  Function(ValueType type, int width, Args&& args) : Node(type, width), args_(std::move(args)) {}
  bool constant() const override { return allConstant(args_); }

 protected:
  Args args_;
};

// UPPER and LOWER change only the ASCII letters: keys must sort and compare
// the same way whatever the bytes 0x80-0xFF mean in the table's code page.
class CaseMap : public Function {
 public:
  CaseMap(Args args, bool upper)
      : Function(ValueType::Character, args[0]->width(), std::move(args)), from_(upper ? 'a' : 'A') {
    buffer_.resize(static_cast<std::size_t>(width()));
  }
  std::string_view text(const Context& c) const override {
    const std::string_view in = args_[0]->text(c);
    const auto* __restrict from = reinterpret_cast<const unsigned char*>(in.data());
    auto* __restrict out = reinterpret_cast<unsigned char*>(buffer_.data());
    // The two cases differ in bit 0x20 only; written without branches so
    // that the loop runs on many bytes at once.
    for (std::size_t i = 0; i < in.size(); ++i)
      out[i] = static_cast<unsigned char>(from[i] ^ (static_cast<unsigned char>(from[i] - from_) < 26 ? 0x20 : 0));
    return {buffer_.data(), in.size()};
  }

 private:
  unsigned char from_;
  mutable std::string buffer_;
};

enum class Trim { Right, Left, Both };

class Trimmed : public Function {
 public:
  Trimmed(Args args, Trim side) : Function(ValueType::Character, args[0]->width(), std::move(args)), side_(side) {}
  std::string_view text(const Context& c) const override {
    std::string_view s = args_[0]->text(c);
    if (side_ != Trim::Left)
      while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    if (side_ != Trim::Right)
      while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
  }

 private:
  Trim side_;
};

// A count argument: negative or NaN counts as 0, huge ones as "all".
std::size_t countOf(double n) {
  if (!(n > 0)) return 0;
  if (n > 1e9) return static_cast<std::size_t>(1e9);
  return static_cast<std::size_t>(n);
}

// The width a constant length argument gives, else the argument's width.
int cutWidth(const Args& args, std::size_t lengthArg) {
  const int full = args[0]->width();
  if (lengthArg >= args.size() || !args[lengthArg]->constant()) return full;
  const std::size_t n = countOf(args[lengthArg]->number(Context{}));
  return n < static_cast<std::size_t>(full) ? static_cast<int>(n) : full;
}

// LEFT(s, n), RIGHT(s, n), SUBSTR(s, start [, n]) with start counted from 1.
class Cut : public Function {
 public:
  enum class Kind { Left, Right, Substr };
  Cut(Args args, Kind kind)
      : Function(ValueType::Character, cutWidth(args, kind == Kind::Substr ? 2 : 1), std::move(args)), kind_(kind) {}
  std::string_view text(const Context& c) const override {
    const std::string_view s = args_[0]->text(c);
    switch (kind_) {
      case Kind::Left: return s.substr(0, countOf(args_[1]->number(c)));
      case Kind::Right: {
        const std::size_t n = countOf(args_[1]->number(c));
        return n >= s.size() ? s : s.substr(s.size() - n);
      }
      case Kind::Substr: {
        const std::size_t start = countOf(args_[1]->number(c));
        if (start == 0 || start > s.size()) return {};
        const std::size_t n = args_.size() > 2 ? countOf(args_[2]->number(c)) : std::string_view::npos;
        return s.substr(start - 1, n);
      }
    }
    return {};
  }

 private:
  Kind kind_;
};

// DTOS(d): the date as "YYYYMMDD", which is how it is stored.
class DateToString : public Function {
 public:
  explicit DateToString(Args args) : Function(ValueType::Character, 8, std::move(args)) {}
  std::string_view text(const Context& c) const override { return args_[0]->text(c); }
};

class Deleted : public Node {
 public:
  Deleted() : Node(ValueType::Logical, 1) {}
  bool logical(const Context& c) const override { return c.record[0] == '*'; }
};

// Checks the argument list against a signature such as "CN" (character,
// numeric); lower-case letters mark optional trailing arguments.
void requireArgs(std::string_view name, const Args& args, std::string_view signature) {
  std::size_t required = 0;
  for (char s : signature)
    if (s >= 'A' && s <= 'Z') ++required;
  bool ok = args.size() >= required && args.size() <= signature.size();
  for (std::size_t i = 0; ok && i < args.size(); ++i) {
    const char s = static_cast<char>(signature[i] & ~0x20);
    const ValueType want = s == 'C' ? ValueType::Character : s == 'D' ? ValueType::Date : ValueType::Numeric;
    ok = args[i]->type() == want;
  }
  if (ok) return;
  static const char* const kNames[] = {"character", "numeric", "date"};
  std::string list;
  for (std::size_t i = 0; i < signature.size(); ++i) {
    const char s = static_cast<char>(signature[i] & ~0x20);
    if (i > 0) list += ", ";
    if (i >= required) list += "optional ";
    list += kNames[s == 'C' ? 0 : s == 'N' ? 1 : 2];
  }
  throw TypeMismatch{std::string(name) + " to take " + (list.empty() ? "no arguments" : "(" + list + ")")};
}

NodePtr build(std::string_view name, Args args) {
  if (name == "UPPER" || name == "LOWER") {
    requireArgs(name, args, "C");
    return std::make_unique<CaseMap>(std::move(args), name == "UPPER");
  }
  if (name == "TRIM" || name == "RTRIM" || name == "LTRIM" || name == "ALLTRIM") {
    requireArgs(name, args, "C");
    const Trim side = name == "LTRIM" ? Trim::Left : name == "ALLTRIM" ? Trim::Both : Trim::Right;
    return std::make_unique<Trimmed>(std::move(args), side);
  }
  if (name == "LEFT" || name == "RIGHT") {
    requireArgs(name, args, "CN");
    return std::make_unique<Cut>(std::move(args), name == "LEFT" ? Cut::Kind::Left : Cut::Kind::Right);
  }
  if (name == "SUBSTR") {
    requireArgs(name, args, "CNn");
    return std::make_unique<Cut>(std::move(args), Cut::Kind::Substr);
  }
  if (name == "DTOS") {
    requireArgs(name, args, "D");
    return std::make_unique<DateToString>(std::move(args));
  }
  if (name == "DELETED") {
    requireArgs(name, args, "");
    return std::make_unique<Deleted>();
  }
  return nullptr;
}

}  // namespace

NodePtr makeFunction(std::string_view name, std::vector<NodePtr> args) {
  NodePtr node = build(name, std::move(args));
  return node ? foldConstant(std::move(node)) : nullptr;
}

}  // namespace xbase::expr
