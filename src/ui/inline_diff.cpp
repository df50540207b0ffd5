#include "ui/inline_diff.h"

#include <QTextBoundaryFinder>
#include <algorithm>
#include <unordered_map>

namespace tavelin::ui {

namespace {

// The grapheme clusters of a text, as ids (equal clusters, equal ids) and their unit offsets
// (one more offset than ids: the end).
struct Clusters {
    std::vector<int> ids;
    std::vector<int> starts;
};

Clusters clustersOf(const QString& text, std::unordered_map<std::u16string, int>& ids) {
    Clusters out;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int start = 0;
    out.starts.push_back(0);
    while (finder.toNextBoundary() != -1) {
        const int end = finder.position();
        if (end <= start) {
            continue;
        }
        const std::u16string cluster(reinterpret_cast<const char16_t*>(text.constData()) + start,
                                     static_cast<std::size_t>(end - start));
        const auto [it, fresh] = ids.emplace(cluster, static_cast<int>(ids.size()));
        (void)fresh;
        out.ids.push_back(it->second);
        out.starts.push_back(end);
        start = end;
    }
    return out;
}

// Appends the units of clusters [from, to) as a span, joined to the last one when they touch.
void mark(std::vector<TextSpan>& spans, const Clusters& c, int from, int to) {
    if (from >= to) {
        return;
    }
    const int start = c.starts[static_cast<std::size_t>(from)];
    const int end = c.starts[static_cast<std::size_t>(to)];
    if (!spans.empty() && spans.back().start + spans.back().length == start) {
        spans.back().length += end - start;
    } else {
        spans.push_back({start, end - start});
    }
}

// The shortest edit script of a[a0..a1) and b[b0..b1) (greedy forward search with a trace of the
// furthest points per edit count); false when it needs more than kInlineEditLimit edits. The
// clusters kept are reported through `keep(i, j)`, in order.
template <typename Keep>
bool shortestEdit(const std::vector<int>& a, int a0, int a1, const std::vector<int>& b, int b0,
                  int b1, Keep keep) {
    const int n = a1 - a0;
    const int m = b1 - b0;
    const int maxD = std::min(n + m, kInlineEditLimit);
    const int offset = maxD + 1;
    std::vector<int> v(static_cast<std::size_t>(2 * maxD + 3), 0);
    std::vector<std::vector<int>> trace;
    int found = -1;
    for (int d = 0; d <= maxD && found < 0; ++d) {
        trace.push_back(v);
        for (int k = -d; k <= d; k += 2) {
            const auto at = static_cast<std::size_t>(k + offset);
            int x = (k == -d || (k != d && v[at - 1] < v[at + 1])) ? v[at + 1] : v[at - 1] + 1;
            int y = x - k;
            while (x < n && y < m &&
                   a[static_cast<std::size_t>(a0 + x)] == b[static_cast<std::size_t>(b0 + y)]) {
                ++x;
                ++y;
            }
            v[at] = x;
            if (x >= n && y >= m) {
                found = d;
                break;
            }
        }
    }
    if (found < 0) {
        return false;
    }
    // Walk the trace back from the end, collecting the diagonal (kept) moves.
    std::vector<std::pair<int, int>> kept;
    int x = n;
    int y = m;
    const auto at = [offset](int k) { return static_cast<std::size_t>(k + offset); };
    for (int d = found; d > 0; --d) {
        const std::vector<int>& prev = trace[static_cast<std::size_t>(d)];
        const int k = x - y;
        const int prevK =
            (k == -d || (k != d && prev[at(k - 1)] < prev[at(k + 1)])) ? k + 1 : k - 1;
        const int prevX = prev[at(prevK)];
        const int prevY = prevX - prevK;
        while (x > prevX && y > prevY) {
            kept.emplace_back(x - 1, y - 1);
            --x;
            --y;
        }
        x = prevX;
        y = prevY;
    }
    while (x > 0 && y > 0) {
        kept.emplace_back(x - 1, y - 1);
        --x;
        --y;
    }
    std::reverse(kept.begin(), kept.end());
    for (const auto& [i, j] : kept) {
        keep(a0 + i, b0 + j);
    }
    return true;
}

}  // namespace

InlineDiff inlineDiff(const QString& left, const QString& right) {
    InlineDiff out;
    std::unordered_map<std::u16string, int> ids;
    const Clusters a = clustersOf(left, ids);
    const Clusters b = clustersOf(right, ids);
    const int n = static_cast<int>(a.ids.size());
    const int m = static_cast<int>(b.ids.size());
    int head = 0;
    while (head < n && head < m &&
           a.ids[static_cast<std::size_t>(head)] == b.ids[static_cast<std::size_t>(head)]) {
        ++head;
    }
    int tail = 0;
    while (tail < n - head && tail < m - head &&
           a.ids[static_cast<std::size_t>(n - 1 - tail)] ==
               b.ids[static_cast<std::size_t>(m - 1 - tail)]) {
        ++tail;
    }
    const int a1 = n - tail;
    const int b1 = m - tail;
    if ((a1 - head) + (b1 - head) > kInlineDiffLimit) {
        mark(out.left, a, head, a1);
        mark(out.right, b, head, b1);
        return out;
    }
    // The runs of equal clusters the shortest edit keeps in the middle.
    struct Run {
        int a;
        int b;
        int length;
    };
    std::vector<Run> runs;
    const bool done = shortestEdit(a.ids, head, a1, b.ids, head, b1, [&](int i, int j) {
        if (!runs.empty() && runs.back().a + runs.back().length == i &&
            runs.back().b + runs.back().length == j) {
            ++runs.back().length;
        } else {
            runs.push_back({i, j, 1});
        }
    });
    // A run of one or two clusters between changes is a coincidence, not a kept part; and a
    // middle that keeps less than a quarter of itself is a different text, changed whole.
    int keptTotal = 0;
    std::vector<Run> kept;
    for (const Run& run : runs) {
        if (run.length >= kMinKeptRun) {
            kept.push_back(run);
            keptTotal += run.length;
        }
    }
    const int shorter = std::min(a1 - head, b1 - head);
    if (!done || keptTotal * 4 < shorter) {
        kept.clear();
    }
    // Everything between two kept runs differs.
    int nextA = head;
    int nextB = head;
    for (const Run& run : kept) {
        mark(out.left, a, nextA, run.a);
        mark(out.right, b, nextB, run.b);
        nextA = run.a + run.length;
        nextB = run.b + run.length;
    }
    mark(out.left, a, nextA, a1);
    mark(out.right, b, nextB, b1);
    return out;
}

}  // namespace tavelin::ui
