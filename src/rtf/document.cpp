#include "rtf/document.h"

namespace rtf {

std::string plainText(const Document& document) {
  std::string text;
  for (std::size_t p = 0; p < document.paragraphs.size(); ++p) {
    if (p > 0) text += "\r\n";
    for (const Run& run : document.paragraphs[p].runs) {
      for (const char c : run.text) {
        if (c == '\n')
          text += "\r\n";
        else
          text.push_back(c);
      }
    }
  }
  return text;
}

}  // namespace rtf
