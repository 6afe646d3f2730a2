// What a written picture holds, read back: an SVG file's structure and texts, a PNG's size and
// how many of its pixels are near a colour.
#pragma once

#include <QColor>
#include <QPointF>

#include <string>
#include <utility>
#include <vector>

struct SvgContent {
    bool wellFormed = false;
    std::string error;
    std::string viewBox, width, height; // of the root element
    int polylines = 0;                  // <polyline> and <path> elements
    std::vector<std::string> texts;     // the content of every <text>
    std::vector<std::string> strokes;   // every stroke colour given, as written
    // Every <polyline>'s points with its stroke colour (its own or that of the group it is in).
    std::vector<std::pair<std::string, std::vector<QPointF>>> lines;
    bool hasText(const std::string &text) const;
};
SvgContent ReadSvg(const std::string &path);

// Pixels of the PNG at `path` within `tolerance` of `color` in each channel (-1: unreadable).
int PixelsNear(const std::string &path, const QColor &color, int tolerance = 60);
