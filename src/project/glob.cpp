#include "project/glob.h"

#include <algorithm>

namespace tavelin::project {

namespace {

void setBit(std::vector<std::uint64_t>& set, unsigned char c) {
    set[c / 64] |= std::uint64_t{1} << (c % 64);
}

bool hasBit(const std::vector<std::uint64_t>& set, unsigned char c) {
    return ((set[c / 64] >> (c % 64)) & 1U) != 0;
}

std::string_view lastName(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

Glob::Glob(std::string_view pattern) : pattern_(pattern) {
    if (!pattern.empty() && pattern.front() == '/') {
        pattern.remove_prefix(1);
    }
    anchored_ = pattern.find('/') != std::string_view::npos;
    std::size_t i = 0;
    const std::size_t n = pattern.size();
    while (i < n) {
        const auto c = static_cast<unsigned char>(pattern[i]);
        Token t;
        if (c == '*') {
            std::size_t j = i;
            while (j < n && pattern[j] == '*') {
                ++j;
            }
            t.kind = j - i >= 2 ? Kind::Globstar : Kind::Star;
            // "**/" matches any run of folders, none included: the slash belongs to it.
            if (t.kind == Kind::Globstar && j < n && pattern[j] == '/') {
                t.kind = Kind::Folders;
                ++j;
            }
            i = j;
            // Runs of stars are one token; a star after a star adds nothing.
            if (!tokens_.empty() && (tokens_.back().kind == Kind::Globstar ||
                                     (tokens_.back().kind == Kind::Star && t.kind == Kind::Star))) {
                continue;
            }
            tokens_.push_back(std::move(t));
            continue;
        }
        if (c == '?') {
            t.kind = Kind::One;
            ++i;
        } else if (c == '\\' && i + 1 < n) {
            t.ch = static_cast<unsigned char>(pattern[i + 1]);
            i += 2;
        } else if (c == '[') {
            // A set, when it is closed; else a literal "[".
            std::size_t j = i + 1;
            bool negated = false;
            if (j < n && (pattern[j] == '!' || pattern[j] == '^')) {
                negated = true;
                ++j;
            }
            std::vector<std::uint64_t> set(4, 0);
            bool first = true;
            bool closed = false;
            while (j < n) {
                auto a = static_cast<unsigned char>(pattern[j]);
                if (a == ']' && !first) {
                    closed = true;
                    break;
                }
                first = false;
                if (a == '\\' && j + 1 < n) {
                    a = static_cast<unsigned char>(pattern[++j]);
                }
                if (j + 2 < n && pattern[j + 1] == '-' && pattern[j + 2] != ']') {
                    auto b = static_cast<unsigned char>(pattern[j + 2]);
                    j += 2;
                    if (b == '\\' && j + 1 < n) {
                        b = static_cast<unsigned char>(pattern[++j]);
                    }
                    for (unsigned x = a; x <= b; ++x) {
                        setBit(set, static_cast<unsigned char>(x));
                    }
                } else {
                    setBit(set, a);
                }
                ++j;
            }
            if (closed) {
                t.kind = Kind::Set;
                t.negated = negated;
                t.set = std::move(set);
                i = j + 1;
            } else {
                t.ch = '[';
                ++i;
            }
        } else {
            t.ch = c;
            ++i;
        }
        tokens_.push_back(std::move(t));
    }
}

bool Glob::matches(std::string_view text) const {
    // reach[j]: the first k tokens can match text[0..j). One row per token: O(tokens * text).
    const std::size_t n = text.size();
    std::vector<char> reach(n + 1, 0);
    std::vector<char> next(n + 1, 0);
    reach[0] = 1;
    for (const Token& t : tokens_) {
        std::fill(next.begin(), next.end(), 0);
        switch (t.kind) {
            case Kind::Folders: {
                // Nothing, or any run that ends with "/".
                bool open = false;
                for (std::size_t j = 0; j <= n; ++j) {
                    next[j] = reach[j] != 0 || (open && j > 0 && text[j - 1] == '/') ? 1 : 0;
                    open = open || reach[j] != 0;
                }
                break;
            }
            case Kind::Star:
            case Kind::Globstar: {
                bool open = false;
                for (std::size_t j = 0; j <= n; ++j) {
                    open = open || reach[j] != 0;
                    next[j] = open ? 1 : 0;
                    if (j < n && t.kind == Kind::Star && text[j] == '/') {
                        open = false;
                    }
                }
                break;
            }
            default:
                for (std::size_t j = 0; j < n; ++j) {
                    if (reach[j] == 0) {
                        continue;
                    }
                    const auto c = static_cast<unsigned char>(text[j]);
                    bool ok = false;
                    if (t.kind == Kind::Literal) {
                        ok = c == t.ch;
                    } else if (t.kind == Kind::One) {
                        ok = c != '/';
                    } else {
                        ok = c != '/' && hasBit(t.set, c) != t.negated;
                    }
                    next[j + 1] = ok ? 1 : 0;
                }
                break;
        }
        reach.swap(next);
    }
    return reach[n] != 0;
}

namespace {

// A pattern with "/" matches the whole relative path, one without it the last name.
bool anyMatches(const std::vector<Glob>& globs, std::string_view path) {
    return std::any_of(globs.begin(), globs.end(), [path](const Glob& g) {
        return g.matches(g.anchored() ? path : lastName(path));
    });
}

}  // namespace

bool PathFilter::takesFile(std::string_view path) const {
    return !anyMatches(exclude, path) && (include.empty() || anyMatches(include, path));
}

bool PathFilter::entersFolder(std::string_view path) const {
    return !anyMatches(exclude, path);
}

}  // namespace tavelin::project
