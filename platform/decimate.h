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
// of `columns` equal columns, and the slice's first and last point. `at(i)` gives the i-th of
// `count` points. A slice that has no more than two points per column comes back whole.
//
// A reducer keeps its last result: when the same range and columns are asked for again after
// points were appended, only the last column is reduced anew and the columns after it added,
// so a growing series costs what its new points and the painted ones cost, not its length.
// Points that were changed or removed need reset().
class ColumnReducer {
public:
    void reset()
    {
        valid_ = false;
        out_.clear();
    }

    template <class At>
    const std::vector<QPointF> &reduce(size_t count, const At &at, double lo, double hi,
                                       int columns)
    {
        using decimate_detail::LowerBound;
        columns = std::max(columns, 1);
        if (valid_ && lo == lo_ && hi == hi_ && columns == columns_ && count >= count_) {
            const size_t end = std::min(count, LowerBound(count, at, hi, true) + 1);
            if (end != end_)
                resume(end, at);
            count_ = count;
            return out_;
        }
        valid_ = false;
        lo_ = lo;
        hi_ = hi;
        columns_ = columns;
        count_ = count;
        out_.clear();
        if (count == 0)
            return out_;
        size_t first = 0, end = count;
        if (hi > lo) {
            first = LowerBound(count, at, lo, false);
            first = first > 0 ? first - 1 : 0;
            end = std::min(count, LowerBound(count, at, hi, true) + 1);
        }
        if (!(hi > lo) || end - first <= size_t(columns) * 2) {
            out_.reserve(end - first);
            for (size_t i = first; i < end; ++i)
                out_.push_back(at(i));
            return out_;
        }
        scale_ = columns / (hi - lo);
        out_.reserve(size_t(columns) * 2 + 6);
        out_.push_back(at(first));
        emitted_ = first;
        startColumn(first, out_.back());
        resume(end, at);
        valid_ = true;
        return out_;
    }

private:
    long columnOf(double x) const
    {
        // The neighbours outside the range get a column of their own on either side.
        const double c = std::floor((x - lo_) * scale_);
        return c < 0 ? -1L : c >= columns_ ? long(columns_) : long(c);
    }
    void keep(size_t i, QPointF p)
    {
        if (i != emitted_) {
            out_.push_back(p);
            emitted_ = i;
        }
    }
    void startColumn(size_t i, QPointF p)
    {
        lastStart_ = i;
        outBefore_ = out_.size();
        emittedBefore_ = emitted_;
        column_ = columnOf(p.x());
        minAt_ = maxAt_ = i;
        minP_ = maxP_ = p;
    }
    void flush()
    {
        if (minAt_ <= maxAt_) {
            keep(minAt_, minP_);
            keep(maxAt_, maxP_);
        } else {
            keep(maxAt_, maxP_);
            keep(minAt_, minP_);
        }
    }
    // Reduces from the start of the last column to `end`, the slice's last point kept.
    template <class At> void resume(size_t end, const At &at)
    {
        out_.resize(outBefore_);
        emitted_ = emittedBefore_;
        size_t i = lastStart_;
        startColumn(i, at(i));
        for (++i; i < end; ++i) {
            const QPointF p = at(i);
            if (columnOf(p.x()) != column_) {
                flush();
                startColumn(i, p);
                continue;
            }
            if (p.y() < minP_.y()) {
                minP_ = p;
                minAt_ = i;
            }
            if (p.y() > maxP_.y()) {
                maxP_ = p;
                maxAt_ = i;
            }
        }
        flush();
        keep(end - 1, at(end - 1));
        end_ = end;
    }

    std::vector<QPointF> out_;
    bool valid_ = false; // out_ is a reduction that may be resumed
    double lo_ = 0, hi_ = 0, scale_ = 1;
    int columns_ = 0;
    size_t count_ = 0, end_ = 0;
    size_t emitted_ = 0; // index of the newest point in out_
    // The last column: where its points begin, and out_ and emitted_ before it was flushed.
    size_t lastStart_ = 0, outBefore_ = 0, emittedBefore_ = 0;
    long column_ = 0;
    size_t minAt_ = 0, maxAt_ = 0;
    QPointF minP_, maxP_;
};

// One reduction, nothing kept.
template <class At>
std::vector<QPointF> DecimateToColumns(size_t count, const At &at, double lo, double hi,
                                       int columns)
{
    ColumnReducer r;
    return r.reduce(count, at, lo, hi, columns);
}
