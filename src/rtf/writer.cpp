#include "rtf/writer.h"

namespace rtf {
namespace {

class Writer {
 public:
  Writer(const Document& document, const codepage::CodePage& page) : document_(document), page_(page) {}

  std::string run() {
    out_.reserve(1024);
    out_ += "{\\rtf1\\ansi";
    if (page_.number() != 0) out_ += "\\ansicpg" + std::to_string(page_.number());
    fontTable();
    colorTable();
    out_ += '\n';
    for (const Paragraph& paragraph : document_.paragraphs) {
      for (const Run& run : paragraph.runs) {
        if (!(run.format == current_)) format(run.format);
        text(run.text, false);
      }
      out_ += "\\par\n";
    }
    out_ += '}';
    return std::move(out_);
  }

 private:
  void fontTable() {
    if (document_.fonts.empty()) return;
    out_ += "{\\fonttbl";
    for (std::size_t i = 0; i < document_.fonts.size(); ++i) {
      out_ += "{\\f" + std::to_string(i) + "\\fnil ";
      text(document_.fonts[i].name, true);
      out_ += ";}";
    }
    out_ += '}';
  }

  void colorTable() {
    if (document_.colors.empty()) return;
    out_ += "{\\colortbl";
    for (const Color& color : document_.colors) {
      if (!color.automatic)
        out_ += "\\red" + std::to_string(color.red) + "\\green" + std::to_string(color.green) + "\\blue" +
                std::to_string(color.blue);
      out_ += ';';
    }
    out_ += '}';
  }

  // Every change starts from \plain, so only what differs from the default
  // needs writing.
  void format(const CharFormat& format) {
    current_ = format;
    out_ += "\\plain";
    if (format.bold) out_ += "\\b";
    if (format.italic) out_ += "\\i";
    if (format.underline) out_ += "\\ul";
    if (format.font >= 0 && static_cast<std::size_t>(format.font) < document_.fonts.size())
      out_ += "\\f" + std::to_string(format.font);
    if (format.halfPoints != kDefaultHalfPoints) out_ += "\\fs" + std::to_string(format.halfPoints);
    if (format.color > 0 && static_cast<std::size_t>(format.color) < document_.colors.size())
      out_ += "\\cf" + std::to_string(format.color);
    out_ += ' ';
  }

  void text(const std::string& text, bool inTable) {
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : text) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '\\' || c == '{' || c == '}') {
        out_ += '\\';
        out_ += c;
      } else if (c == '\t' && !inTable) {
        out_ += "\\tab ";
      } else if (c == '\n' && !inTable) {
        out_ += "\\line ";
      } else if (byte < 0x20 || byte >= 0x80 || (c == ';' && inTable)) {
        out_ += "\\'";
        out_ += kHex[byte >> 4];
        out_ += kHex[byte & 0xF];
      } else {
        out_ += c;
      }
    }
  }

  const Document& document_;
  codepage::CodePage page_;
  CharFormat current_;
  std::string out_;
};

}  // namespace

std::string write(const Document& document, const codepage::CodePage& page) { return Writer(document, page).run(); }

}  // namespace rtf
