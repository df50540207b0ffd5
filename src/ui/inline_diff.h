#pragma once
// The characters that differ between a changed line and the line it replaced, for the window to
// draw in a stronger shade: a diff of the two captions on grapheme clusters (a character with its
// combining marks, a surrogate pair, a CR LF count as one). The equal head and tail are taken
// first, then the shortest edit of the middle, where runs of equal clusters too short to mean
// anything count as changed and a middle that keeps too little is changed whole; a middle longer
// than kInlineDiffLimit clusters, or one that needs more than kInlineEditLimit edits, is marked
// changed as a whole, so that a minified line never stalls painting.

#include <QString>
#include <cstddef>
#include <vector>

namespace tavelin::ui {

inline constexpr int kInlineDiffLimit = 4000;
inline constexpr int kInlineEditLimit = 256;
// Fewer equal clusters than this between two changes count as changed too.
inline constexpr int kMinKeptRun = 3;

// A run of UTF-16 units of a caption: [start, start + length).
struct TextSpan {
    int start = 0;
    int length = 0;
    bool operator==(const TextSpan&) const = default;
};

struct InlineDiff {
    std::vector<TextSpan> left;   // what differs in the first text
    std::vector<TextSpan> right;  // ... and in the second
};

InlineDiff inlineDiff(const QString& left, const QString& right);

}  // namespace tavelin::ui
