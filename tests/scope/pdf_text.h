// Reads back the text of a report PDF that Qt wrote with one font: per page, one string per drawn
// text, the glyphs mapped back to characters through the font's ToUnicode table. Enough for
// Qt's own output, not a general PDF reader.
#pragma once

#include <QByteArray>

#include <string>
#include <vector>

std::vector<std::vector<std::string>> PdfTextRuns(const QByteArray &pdf);
