#include "widgets/rich_text.h"

#include <QTextBlock>
#include <QTextCursor>
#include <algorithm>
#include <cmath>

namespace widgets {
namespace {

QString unicodeOf(const std::string& bytes, const codepage::CodePage& page) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    if (c == '\n') {
      text.append(QChar(QChar::LineSeparator));
      continue;
    }
    const char32_t code = page.toUnicode(static_cast<unsigned char>(c));
    text.append(QChar(static_cast<char16_t>(code)));  // the code page lies in the BMP
  }
  return text;
}

std::string bytesOf(const QString& text, const codepage::CodePage& page) {
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (const char32_t code : text.toUcs4()) {
    if (code == QChar::LineSeparator)
      bytes.push_back('\n');
    else
      bytes.push_back(page.fromUnicode(code).value_or('?'));
  }
  return bytes;
}

QTextCharFormat charFormatOf(const rtf::CharFormat& format, const rtf::Document& document) {
  QTextCharFormat out;
  out.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
  out.setFontItalic(format.italic);
  out.setFontUnderline(format.underline);
  out.setFontPointSize(format.halfPoints / 2.0);
  if (format.font >= 0 && static_cast<std::size_t>(format.font) < document.fonts.size())
    out.setFontFamilies({QString::fromStdString(document.fonts[static_cast<std::size_t>(format.font)].name)});
  if (format.color > 0 && static_cast<std::size_t>(format.color) < document.colors.size()) {
    const rtf::Color& c = document.colors[static_cast<std::size_t>(format.color)];
    if (!c.automatic) out.setForeground(QColor(c.red, c.green, c.blue));
  }
  return out;
}

// Builds the font and colour tables while the runs are read back.
class TableBuilder {
 public:
  TableBuilder(rtf::Document& document, const codepage::CodePage& page) : document_(document), page_(page) {}

  rtf::CharFormat formatOf(const QTextCharFormat& in) {
    rtf::CharFormat format;
    format.bold = in.fontWeight() >= QFont::DemiBold;
    format.italic = in.fontItalic();
    format.underline = in.fontUnderline();
    if (const double points = in.fontPointSize(); points > 0)
      format.halfPoints = std::clamp(static_cast<int>(std::lround(points * 2)), 1, rtf::kMaxHalfPoints);
    const QStringList families = in.fontFamilies().toStringList();
    if (!families.isEmpty()) format.font = fontIndex(bytesOf(families.first(), page_));
    if (in.hasProperty(QTextFormat::ForegroundBrush)) format.color = colorIndex(in.foreground().color());
    return format;
  }

 private:
  int fontIndex(const std::string& name) {
    for (std::size_t i = 0; i < document_.fonts.size(); ++i)
      if (document_.fonts[i].name == name) return static_cast<int>(i);
    document_.fonts.push_back({name});
    return static_cast<int>(document_.fonts.size() - 1);
  }

  int colorIndex(const QColor& color) {
    if (document_.colors.empty()) document_.colors.push_back({});  // entry 0: the default colour
    const rtf::Color wanted{false, static_cast<std::uint8_t>(color.red()), static_cast<std::uint8_t>(color.green()),
                            static_cast<std::uint8_t>(color.blue())};
    for (std::size_t i = 1; i < document_.colors.size(); ++i)
      if (document_.colors[i] == wanted) return static_cast<int>(i);
    document_.colors.push_back(wanted);
    return static_cast<int>(document_.colors.size() - 1);
  }

  rtf::Document& document_;
  const codepage::CodePage& page_;
};

void appendRun(rtf::Paragraph& paragraph, rtf::Run run) {
  if (run.text.empty()) return;
  if (!paragraph.runs.empty() && paragraph.runs.back().format == run.format)
    paragraph.runs.back().text += run.text;
  else
    paragraph.runs.push_back(std::move(run));
}

}  // namespace

void fillTextDocument(const rtf::Document& document, QTextDocument& target, const codepage::CodePage& page) {
  target.clear();
  QTextCursor cursor(&target);
  cursor.beginEditBlock();
  for (std::size_t p = 0; p < document.paragraphs.size(); ++p) {
    if (p > 0) cursor.insertBlock();
    for (const rtf::Run& run : document.paragraphs[p].runs)
      cursor.insertText(unicodeOf(run.text, page), charFormatOf(run.format, document));
  }
  cursor.endEditBlock();
}

rtf::Document documentOf(const QTextDocument& source, const rtf::Document& loaded, const codepage::CodePage& page) {
  rtf::Document document;
  document.fonts = loaded.fonts;
  document.colors = loaded.colors;
  TableBuilder tables(document, page);
  for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
    rtf::Paragraph paragraph;
    for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
      const QTextFragment piece = fragment.fragment();
      if (piece.isValid()) appendRun(paragraph, {tables.formatOf(piece.charFormat()), bytesOf(piece.text(), page)});
    }
    document.paragraphs.push_back(std::move(paragraph));
  }
  return document;
}

}  // namespace widgets
