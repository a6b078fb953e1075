#include "exchange/utf8.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <memory>

namespace exchange {

std::optional<char32_t> nextCharacter(std::string_view text, std::size_t& pos) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(pos);
  if (lead < 0x80) {
    ++pos;
    return char32_t{lead};
  }
  std::size_t length = 0;
  char32_t code = 0;
  char32_t least = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
    least = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
    least = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
    least = 0x10000;
  } else {
    return std::nullopt;
  }
  if (text.size() - pos < length) return std::nullopt;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(pos + i) & 0xC0) != 0x80) return std::nullopt;
    code = (code << 6) | (byte(pos + i) & 0x3F);
  }
  if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
  pos += length;
  return code;
}

std::size_t validUtf8Prefix(std::string_view text) {
  std::size_t pos = 0;
  while (pos < text.size()) {
    if (static_cast<unsigned char>(text[pos]) < 0x80) {  // the common case, without a call
      ++pos;
    } else if (!nextCharacter(text, pos)) {
      break;
    }
  }
  return pos;
}

std::optional<std::string> utf16ToUtf8(std::string_view bytes, bool bigEndian) {
  if (bytes.size() % 2 != 0) return std::nullopt;
  const auto unit = [&](std::size_t i) -> char32_t {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return bigEndian ? (first << 8 | second) : (second << 8 | first);
  };
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); i += 2) {
    char32_t code = unit(i);
    if (code >= 0xDC00 && code <= 0xDFFF) return std::nullopt;
    if (code >= 0xD800 && code <= 0xDBFF) {
      const char32_t low = i + 3 < bytes.size() ? unit(i + 2) : 0;
      if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    }
    appendUtf8(out, code);
  }
  return out;
}

std::string windows1252ToUtf8(std::string_view bytes) {
  const codepage::CodePage windows1252;
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 4);
  for (const char c : bytes) appendUtf8(out, windows1252.toUnicode(static_cast<unsigned char>(c)));
  return out;
}

std::optional<std::string> charsetToUtf8(std::string_view bytes, const std::string& charset, std::string& why) {
  const auto failed = reinterpret_cast<iconv_t>(static_cast<std::intptr_t>(-1));
  // A "/" would pass iconv options ("//IGNORE") along with the name.
  const iconv_t converter = charset.find('/') == std::string::npos ? iconv_open("UTF-8", charset.c_str()) : failed;
  if (converter == failed) {
    why = "unknown character set " + charset;
    return std::nullopt;
  }
  const std::unique_ptr<void, int (*)(iconv_t)> closer(converter, iconv_close);
  std::string in(bytes);
  std::string out(bytes.size() * 4 + 16, '\0');
  char* inAt = in.data();
  std::size_t inLeft = in.size();
  char* outAt = out.data();
  std::size_t outLeft = out.size();
  while (inLeft > 0) {
    if (iconv(converter, &inAt, &inLeft, &outAt, &outLeft) != static_cast<std::size_t>(-1)) break;
    if (errno != E2BIG) {
      why = "the text is not in the character set " + charset + " (byte " +
            std::to_string(static_cast<std::size_t>(inAt - in.data()) + 1) + " of the value)";
      return std::nullopt;
    }
    const std::size_t used = static_cast<std::size_t>(outAt - out.data());
    out.resize(out.size() * 2);
    outAt = out.data() + used;
    outLeft = out.size() - used;
  }
  out.resize(static_cast<std::size_t>(outAt - out.data()));
  // What iconv writes is UTF-8, but a set that encodes NUL or a lone
  // surrogate could still give text the readers do not take.
  if (validUtf8Prefix(out) != out.size()) {
    why = "the text in " + charset + " has no UTF-8 form";
    return std::nullopt;
  }
  return out;
}

std::string_view withoutBom(std::string_view text) { return text.starts_with("\xEF\xBB\xBF") ? text.substr(3) : text; }

}  // namespace exchange
