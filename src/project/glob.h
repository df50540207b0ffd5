#pragma once
// File-name patterns of --include and --exclude, matched against the paths of a tree ("/"
// between folders, as the tree names them) byte by byte:
//
//   *       any run of characters without "/"
//   **      any run of characters, "/" included ("a/**/b" also matches "a/b")
//   ?       one character other than "/"
//   [abc] [a-z] [!a-z] [^a-z]   one character of (not of) the set; "]" first stands for itself
//   \x      the character x itself
//
// A pattern without "/" is matched against the last name of a path (and, for --exclude, every
// folder name on the way, so "--exclude site-packages" leaves that folder out wherever it is); a
// pattern with "/" against the whole path from the tree's top (a leading "/" is dropped). Matching
// takes time proportional to the pattern's length times the path's at most, whatever the input.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tavelin::project {

class Glob {
  public:
    explicit Glob(std::string_view pattern);

    // Whether the whole of `text` matches the pattern.
    bool matches(std::string_view text) const;
    // Whether the pattern holds a "/" (then it is matched against whole paths).
    bool anchored() const { return anchored_; }
    const std::string& pattern() const { return pattern_; }

  private:
    enum class Kind : std::uint8_t { Literal, One, Star, Globstar, Folders, Set };
    struct Token {
        Kind kind = Kind::Literal;
        unsigned char ch = 0;
        bool negated = false;
        std::vector<std::uint64_t> set;  // 256 bits for Set
    };
    std::string pattern_;
    std::vector<Token> tokens_;
    bool anchored_ = false;
};

// The --include / --exclude lists.
struct PathFilter {
    std::vector<Glob> include;
    std::vector<Glob> exclude;

    // A file is taken when no exclude pattern matches it or a folder above it, and the include
    // list is empty or one of its patterns matches it.
    bool takesFile(std::string_view path) const;
    // A folder is entered unless an exclude pattern matches it.
    bool entersFolder(std::string_view path) const;
};

}  // namespace tavelin::project
