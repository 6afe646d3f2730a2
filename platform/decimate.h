// Reducing a long series to what a plot's pixel columns can show: the minimum and the maximum
// of every column, in the order they occur, so that a single-sample spike stays visible.
#pragma once

#include <QPointF>

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

namespace decimate_detail {

// The first index whose x is not below v (upper: is above v); x is non-decreasing.
template <class At> size_t LowerBound(size_t count, const At &at, double v, bool upper)
{
    size_t a = 0, b = count;
    while (a < b) {
        const size_t m = a + (b - a) / 2;
        const double x = at(m).x();
        if (upper ? x <= v : x < v)
            a = m + 1;
        else
            b = m;
    }
    return a;
}

} // namespace decimate_detail

// The points of a series with non-decreasing x that fall into [lo, hi], plus the nearest one on
// either side (so the line still runs to the plot's edges), reduced to at most two per column
// of `columns` equal columns, and the slice's first and last point. `at(i)` gives the i-th of `count` points. A slice that has no
// more than two points per column comes back whole.
template <class At>
std::vector<QPointF> DecimateToColumns(size_t count, const At &at, double lo, double hi,
                                       int columns)
{
    using decimate_detail::LowerBound;
    std::vector<QPointF> out;
    if (count == 0)
        return out;
    size_t first = 0, end = count;
    if (hi > lo) {
        first = LowerBound(count, at, lo, false);
        first = first > 0 ? first - 1 : 0;
        end = std::min(count, LowerBound(count, at, hi, true) + 1);
    }
    columns = std::max(columns, 1);
    const size_t n = end - first;
    if (!(hi > lo) || n <= size_t(columns) * 2) {
        out.reserve(n);
        for (size_t i = first; i < end; ++i)
            out.push_back(at(i));
        return out;
    }
    out.reserve(size_t(columns) * 2 + 6);
    const double scale = columns / (hi - lo);
    auto columnOf = [&](double x) {
        // The neighbours outside the range get a column of their own on either side.
        const double c = std::floor((x - lo) * scale);
        return c < 0 ? -1L : c >= columns ? long(columns) : long(c);
    };
    long column = columnOf(at(first).x());
    size_t minAt = first, maxAt = first;
    QPointF minP = at(first), maxP = minP;
    // The slice's first and last point are always kept, so the line reaches both edges.
    out.push_back(at(first));
    size_t emitted = first;
    auto keep = [&](size_t i, QPointF p) {
        if (i != emitted) {
            out.push_back(p);
            emitted = i;
        }
    };
    auto flush = [&] {
        if (minAt <= maxAt) {
            keep(minAt, minP);
            keep(maxAt, maxP);
        } else {
            keep(maxAt, maxP);
            keep(minAt, minP);
        }
    };
    for (size_t i = first + 1; i < end; ++i) {
        const QPointF p = at(i);
        const long c = columnOf(p.x());
        if (c != column) {
            flush();
            column = c;
            minAt = maxAt = i;
            minP = maxP = p;
            continue;
        }
        if (p.y() < minP.y()) {
            minP = p;
            minAt = i;
        }
        if (p.y() > maxP.y()) {
            maxP = p;
            maxAt = i;
        }
    }
    flush();
    keep(end - 1, at(end - 1));
    return out;
}
