#pragma once

#include <QPainter>

#include "report/report_page.h"

namespace report {

// Paints a laid-out page with the painter's origin at the paper's top left
// corner, `dotsPerTenth` device pixels to a tenth of a millimetre: white
// paper, the texts in the report font (kerning off, as measured), read in
// the set-up's code page, and the rules one pen wide.
void paintPage(QPainter& painter, const Page& page, const PageSetup& setup, double dotsPerTenth);

}  // namespace report
