// The layout of a form as Qt lays it out: boxes and grids share their room among their items
// by minimum, preferred and maximum size, stretch and size policy; widgets take their cell up
// to their maximum, centred in it. Sizes come from the dialog font measured on this screen and
// from Qt's metrics (11 pixels around a window, 9 inside a group box, 6 between items).
#include <algorithm>

#include "forms/FormTree.h"

namespace k7w32 {

namespace {

constexpr int kUnbounded = 16777215;  // a size without limit, as the forms write it
constexpr int kWindowMargin = 11;
constexpr int kGroupMargin = 9;
constexpr int kSpacing = 6;

int capped(int a, int b) {
    return static_cast<int>(std::min<long long>(kUnbounded, static_cast<long long>(a) + b));
}

// Spacing before each item of a line: none before the first and next to empty items.
std::vector<int> gapsOf(const std::vector<Extent>& items, int spacing) {
    std::vector<int> gaps;
    bool previous = false;
    for (const Extent& e : items) {
        gaps.push_back(!e.empty && previous ? spacing : 0);
        previous = previous || !e.empty;
    }
    return gaps;
}

Extent lineExtent(const std::vector<Extent>& items, int spacing) {
    Extent e;
    e.empty = true;
    const std::vector<int> gaps = gapsOf(items, spacing);
    for (std::size_t i = 0; i < items.size(); ++i) {
        e.min += items[i].min + gaps[i];
        e.hint += items[i].hint + gaps[i];
        e.max = capped(e.max, capped(items[i].max, gaps[i]));
        e.expanding = e.expanding || items[i].expanding;
        e.empty = e.empty && items[i].empty;
    }
    return e;
}

// Start and size of each item of a line of `total` pixels from `from`.
void spread(const std::vector<Extent>& items, int spacing, int from, int total,
            std::vector<int>& starts, std::vector<int>& sizes) {
    const std::vector<int> gaps = gapsOf(items, spacing);
    int gapTotal = 0;
    for (int g : gaps) {
        gapTotal += g;
    }
    sizes = distribute(items, total - gapTotal);
    starts.clear();
    int at = from;
    for (std::size_t i = 0; i < items.size(); ++i) {
        at += gaps[i];
        starts.push_back(at);
        at += sizes[i];
    }
}

}  // namespace

int FormTree::marginOf(const Metrics& m, int layoutIndex, int side) const {
    const FormNode& owner =
        nodes_[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(layoutIndex)].parent)];
    if (owner.kind == TableKind::Dialog) {
        return m.px(kWindowMargin);
    }
    if (owner.kind == TableKind::GroupBox) {
        // Side 1 is the top: below the frame's title, or half a line for a frame without one.
        if (side == 1) {
            return owner.text.empty() ? m.textHeight() / 2 + m.px(kGroupMargin)
                                      : m.textHeight() + m.px(4);
        }
        return m.px(kGroupMargin);
    }
    return 0;
}

int FormTree::spacingOf(const Metrics& m, int layoutIndex, bool horizontal) const {
    const FormNode& l = nodes_[static_cast<std::size_t>(layoutIndex)];
    int s = l.spacing;
    if (l.kind == TableKind::Grid) {
        const int own = horizontal ? l.horizontalSpacing : l.verticalSpacing;
        if (own >= 0) {
            s = own;
        }
    }
    return m.px(s >= 0 ? s : kSpacing);
}

Extent FormTree::widgetExtent(const Metrics& m, const FormNode& n, bool horizontal) const {
    Extent e;
    const auto fixed = [&e](int v) { e.min = e.hint = e.max = v; };
    switch (n.kind) {
        case TableKind::Label: {
            const bool mono = n.has(TableFlag::Monospace);
            const SIZE t = m.text(n.text.empty() ? L" " : n.text, mono);
            const int frame = n.has(TableFlag::Sunken) ? m.px(4) : 0;
            int v = (horizontal ? (n.text.empty() ? 0 : t.cx) : t.cy) + frame;
            if (horizontal && n.has(TableFlag::WordWrap)) {
                v = std::min(v, m.px(300));
            }
            e.min = e.hint = v;
            e.max = kUnbounded;
            break;
        }
        case TableKind::Edit:
            if (horizontal) {
                e.min = m.averageCharWidth() * 3 + m.px(8);
                e.hint = m.text(L"x").cx * 17 + m.px(8);
                e.max = kUnbounded;
                e.expanding = true;
            } else {
                fixed(m.textHeight() + m.px(8));
            }
            break;
        case TableKind::Button:
            if (horizontal) {
                e.min = e.hint = std::max(m.px(75), static_cast<int>(m.text(n.text).cx) + m.px(16));
                e.max = kUnbounded;
            } else {
                fixed(std::max(m.px(23), m.textHeight() + m.px(10)));
            }
            break;
        case TableKind::Check:
        case TableKind::Radio:
            if (horizontal) {
                e.min = e.hint =
                    m.px(13) +
                    (n.text.empty() ? m.px(4) : m.px(6) + static_cast<int>(m.text(n.text).cx));
                e.max = kUnbounded;
            } else {
                fixed(std::max(m.px(13), m.textHeight()) + m.px(4));
            }
            break;
        case TableKind::List:
            e.min = m.px(40);
            e.hint = horizontal ? m.px(256) : m.px(192);
            e.max = kUnbounded;
            e.expanding = true;
            if (!horizontal && n.has(TableFlag::FixedV)) {
                e.max = e.hint;
            }
            break;
        default:
            break;
    }
    return e;
}

Extent FormTree::containerExtent(const Metrics& m, int index, bool horizontal) {
    const FormNode& n = nodes_[static_cast<std::size_t>(index)];
    Extent inner;
    if (!n.children.empty()) {
        const int layout = n.children.back();
        inner = extent(m, layout, horizontal);
        const int margins =
            marginOf(m, layout, horizontal ? 0 : 1) + marginOf(m, layout, horizontal ? 2 : 3);
        inner.min += margins;
        inner.hint += margins;
        inner.max = capped(inner.max, margins);
    }
    if (n.kind == TableKind::GroupBox && horizontal && !n.text.empty()) {
        const int title = static_cast<int>(m.text(n.text).cx) + m.px(20);
        inner.min = std::max(inner.min, title);
        inner.hint = std::max(inner.hint, title);
    }
    if (n.kind == TableKind::GroupBox) {
        inner.max = kUnbounded;
    }
    inner.empty = false;
    return inner;
}

Extent FormTree::boxExtent(const Metrics& m, int index, bool horizontal) {
    const FormNode& n = nodes_[static_cast<std::size_t>(index)];
    const bool along = (n.kind == TableKind::HBox) == horizontal;
    std::vector<Extent> items;
    for (int c : n.children) {
        items.push_back(extent(m, c, horizontal));
    }
    if (along) {
        return lineExtent(items, spacingOf(m, index, horizontal));
    }
    // Across a box: the largest item decides.
    Extent e;
    e.empty = true;
    e.max = items.empty() ? kUnbounded : 0;
    for (const Extent& i : items) {
        e.min = std::max(e.min, i.min);
        e.hint = std::max(e.hint, i.hint);
        e.max = std::max(e.max, i.max);
        e.expanding = e.expanding || i.expanding;
        e.empty = e.empty && i.empty;
    }
    e.max = std::max(e.max, e.min);
    return e;
}

std::vector<Extent> FormTree::gridLines(const Metrics& m, int index, bool horizontal) {
    const FormNode& n = nodes_[static_cast<std::size_t>(index)];
    int cells = 0;
    for (int c : n.children) {
        const FormNode& cn = nodes_[static_cast<std::size_t>(c)];
        cells = std::max(cells, horizontal ? cn.column + cn.columnSpan : cn.row + cn.rowSpan);
    }
    std::vector<Extent> lines(static_cast<std::size_t>(cells));
    for (Extent& l : lines) {
        l.empty = true;
    }
    const int spacing = spacingOf(m, index, horizontal);
    // Items of one cell first, then those spanning cells widen the last cell they span.
    for (int pass = 0; pass < 2; ++pass) {
        for (int c : n.children) {
            const FormNode& cn = nodes_[static_cast<std::size_t>(c)];
            const int at = horizontal ? cn.column : cn.row;
            const int span = horizontal ? cn.columnSpan : cn.rowSpan;
            const Extent ce = extent(m, c, horizontal);
            if (pass == 0 && span == 1) {
                Extent& l = lines[static_cast<std::size_t>(at)];
                l.min = std::max(l.min, ce.min);
                l.hint = std::max(l.hint, ce.hint);
                l.max = std::max(l.max, ce.max);
                l.expanding = l.expanding || ce.expanding;
                l.empty = l.empty && ce.empty;
            } else if (pass == 1 && span > 1) {
                // The room the spanned cells give: their sizes and the spacing between them,
                // which an empty cell does not have (the item makes its last cell a full one).
                bool before = false;
                for (int i = 0; i < at; ++i) {
                    before = before || !lines[static_cast<std::size_t>(i)].empty;
                }
                int have = 0;
                int haveMin = 0;
                for (int i = at; i < at + span; ++i) {
                    const Extent& l = lines[static_cast<std::size_t>(i)];
                    const bool full = !l.empty || (i == at + span - 1 && !ce.empty);
                    const int gap = full && before ? spacing : 0;
                    have += l.hint + gap;
                    haveMin += l.min + gap;
                    before = before || full;
                }
                Extent& last = lines[static_cast<std::size_t>(at + span - 1)];
                if (ce.hint > have) {
                    last.hint += ce.hint - have;
                }
                if (ce.min > haveMin) {
                    last.min += ce.min - haveMin;
                    last.hint = std::max(last.hint, last.min);
                }
                last.expanding = last.expanding || ce.expanding;
                last.max = std::max(last.max, ce.max);
                last.empty = last.empty && ce.empty;
            }
        }
    }
    return lines;
}

Extent FormTree::gridExtent(const Metrics& m, int index, bool horizontal) {
    return lineExtent(gridLines(m, index, horizontal), spacingOf(m, index, horizontal));
}

Extent FormTree::extent(const Metrics& m, int index, bool horizontal) {
    const FormNode& n = nodes_[static_cast<std::size_t>(index)];
    Extent e;
    switch (n.kind) {
        case TableKind::Spacer: {
            const bool along = n.has(TableFlag::Vertical) != horizontal;
            e.hint = std::max(0, m.px(horizontal ? n.hint.width : n.hint.height));
            e.empty = true;
            e.min = along ? 0 : e.hint;
            e.max = kUnbounded;
            e.expanding = along;
            return e;
        }
        case TableKind::Dialog:
        case TableKind::GroupBox:
            e = containerExtent(m, index, horizontal);
            break;
        case TableKind::VBox:
        case TableKind::HBox:
            return boxExtent(m, index, horizontal);
        case TableKind::Grid:
            return gridExtent(m, index, horizontal);
        default:
            e = widgetExtent(m, n, horizontal);
            break;
    }
    // The widget's own limits from the form.
    const int ownMin = horizontal ? n.minimum.width : n.minimum.height;
    const int ownMax = horizontal ? n.maximum.width : n.maximum.height;
    if (ownMin > 0) {
        e.min = std::max(e.min, m.px(ownMin));
        e.hint = std::max(e.hint, e.min);
        e.max = std::max(e.max, e.min);
    }
    if (ownMax >= 0 && ownMax < kUnbounded) {
        e.max = std::min(e.max, m.px(ownMax));
        e.hint = std::min(e.hint, e.max);
        e.min = std::min(e.min, e.max);
    }
    if (horizontal) {
        e.stretch = n.stretch;
        e.expanding = e.expanding || n.has(TableFlag::ExpandH);
    }
    return e;
}

std::vector<int> distribute(const std::vector<Extent>& items, int available) {
    const std::size_t n = items.size();
    std::vector<int> size(n, 0);
    long long sumMin = 0;
    long long sumHint = 0;
    for (const Extent& e : items) {
        sumMin += e.min;
        sumHint += e.hint;
    }
    if (available <= sumMin) {
        for (std::size_t i = 0; i < n; ++i) {
            size[i] = items[i].min;
        }
        return size;
    }
    if (available < sumHint) {
        // Between minimum and preferred size: each item in proportion to what it wants more.
        const long long room = available - sumMin;
        const long long want = sumHint - sumMin;
        long long given = 0;
        for (std::size_t i = 0; i < n; ++i) {
            size[i] = items[i].min + static_cast<int>((items[i].hint - items[i].min) * room / want);
            given += size[i];
        }
        for (std::size_t i = 0; given < available && i < n; ++i) {
            if (size[i] < items[i].hint) {
                ++size[i];
                ++given;
            }
        }
        return size;
    }
    for (std::size_t i = 0; i < n; ++i) {
        size[i] = items[i].hint;
    }
    long long extra = available - sumHint;
    for (int tier = 0; tier < 3 && extra > 0; ++tier) {
        const auto takes = [tier](const Extent& e) {
            return tier == 0 ? e.stretch > 0 : tier == 1 ? e.expanding : true;
        };
        std::vector<std::size_t> takers;
        for (std::size_t i = 0; i < n; ++i) {
            if (takes(items[i]) && size[i] < items[i].max) {
                takers.push_back(i);
            }
        }
        while (extra > 0 && !takers.empty()) {
            long long weight = 0;
            for (std::size_t i : takers) {
                weight += tier == 0 ? items[i].stretch : 1;
            }
            long long given = 0;
            std::vector<std::size_t> still;
            for (std::size_t i : takers) {
                const long long share = extra * (tier == 0 ? items[i].stretch : 1) / weight;
                const long long take = std::min<long long>(share, items[i].max - size[i]);
                size[i] += static_cast<int>(take);
                given += take;
                if (size[i] < items[i].max) {
                    still.push_back(i);
                }
            }
            extra -= given;
            if (given == 0) {
                // Fewer pixels than takers: one each, from the first.
                for (std::size_t i : still) {
                    if (extra == 0) {
                        break;
                    }
                    ++size[i];
                    --extra;
                }
            }
            takers = std::move(still);
        }
    }
    return size;
}

SIZE FormTree::preferredClient(const Metrics& m) {
    return {extent(m, 0, true).hint, extent(m, 0, false).hint};
}

SIZE FormTree::minimumClient(const Metrics& m) {
    return {extent(m, 0, true).min, extent(m, 0, false).min};
}

void FormTree::layout(const Metrics& m, SIZE client) {
    place(m, 0, RECT{0, 0, client.cx, client.cy});
    for (const FormNode& n : nodes_) {
        if (n.hwnd != nullptr) {
            MoveWindow(n.hwnd, n.rect.left, n.rect.top, n.rect.right - n.rect.left,
                       n.rect.bottom - n.rect.top, FALSE);
        }
    }
}

void FormTree::placeWidget(const Metrics& m, int index, RECT r) {
    const Extent h = extent(m, index, true);
    const Extent v = extent(m, index, false);
    const int w = std::min<int>(r.right - r.left, h.max);
    const int ht = std::min<int>(r.bottom - r.top, v.max);
    const int x = r.left + (r.right - r.left - w) / 2;
    const int y = r.top + (r.bottom - r.top - ht) / 2;
    nodes_[static_cast<std::size_t>(index)].rect = RECT{x, y, x + w, y + ht};
}

void FormTree::placeBox(const Metrics& m, int index, RECT r) {
    const FormNode& n = nodes_[static_cast<std::size_t>(index)];
    const bool horizontal = n.kind == TableKind::HBox;
    std::vector<Extent> items;
    for (int c : n.children) {
        items.push_back(extent(m, c, horizontal));
    }
    std::vector<int> starts;
    std::vector<int> sizes;
    spread(items, spacingOf(m, index, horizontal), horizontal ? r.left : r.top,
           horizontal ? r.right - r.left : r.bottom - r.top, starts, sizes);
    const std::vector<int> children = n.children;
    for (std::size_t i = 0; i < children.size(); ++i) {
        const int a = starts[i];
        const int b = starts[i] + sizes[i];
        place(m, children[i],
              horizontal ? RECT{a, r.top, b, r.bottom} : RECT{r.left, a, r.right, b});
    }
}

void FormTree::placeGrid(const Metrics& m, int index, RECT r) {
    std::vector<int> xs, ws, ys, hs;
    spread(gridLines(m, index, true), spacingOf(m, index, true), r.left, r.right - r.left, xs, ws);
    spread(gridLines(m, index, false), spacingOf(m, index, false), r.top, r.bottom - r.top, ys, hs);
    const std::vector<int> children = nodes_[static_cast<std::size_t>(index)].children;
    for (int c : children) {
        const FormNode& cn = nodes_[static_cast<std::size_t>(c)];
        const auto c0 = static_cast<std::size_t>(cn.column);
        const auto c1 = static_cast<std::size_t>(cn.column + cn.columnSpan - 1);
        const auto r0 = static_cast<std::size_t>(cn.row);
        const auto r1 = static_cast<std::size_t>(cn.row + cn.rowSpan - 1);
        place(m, c, RECT{xs[c0], ys[r0], xs[c1] + ws[c1], ys[r1] + hs[r1]});
    }
}

void FormTree::place(const Metrics& m, int index, RECT r) {
    FormNode& n = nodes_[static_cast<std::size_t>(index)];
    switch (n.kind) {
        case TableKind::Dialog:
        case TableKind::GroupBox: {
            n.rect = r;
            const std::vector<int> children = n.children;
            for (int c : children) {
                place(m, c,
                      RECT{r.left + marginOf(m, c, 0), r.top + marginOf(m, c, 1),
                           r.right - marginOf(m, c, 2), r.bottom - marginOf(m, c, 3)});
            }
            return;
        }
        case TableKind::VBox:
        case TableKind::HBox:
            n.rect = r;
            placeBox(m, index, r);
            return;
        case TableKind::Grid:
            n.rect = r;
            placeGrid(m, index, r);
            return;
        case TableKind::Spacer:
            n.rect = r;
            return;
        default:
            placeWidget(m, index, r);
            return;
    }
}

}  // namespace k7w32
