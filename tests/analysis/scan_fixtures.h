#pragma once
// Definitions and helpers shared by the analysis tests.

#include <span>
#include <string>
#include <vector>

#include "analysis/line_passes.h"
#include "analysis/preprocessor.h"
#include "analysis/recognisers.h"
#include "datafiles/extension_definition.h"

namespace tavelin::test {

inline DelimitedRule lineRule(const std::string& start, int flags = 0, int column = 1) {
    DelimitedRule r;
    r.endCount = 0;
    r.matchFlags = static_cast<std::int16_t>(flags);
    r.column = static_cast<std::int16_t>(column);
    r.strings[0] = start;
    return r;
}

inline DelimitedRule blockRule(const std::string& start, const std::string& end, int flags = 0,
                               const std::string& nestOpen = {},
                               const std::string& nestClose = {}) {
    DelimitedRule r;
    r.endCount = 1;
    r.matchFlags = static_cast<std::int16_t>(flags);
    r.strings[0] = start;
    r.strings[1] = end;
    r.nestOpen = nestOpen;
    r.nestClose = nestClose;
    return r;
}

inline PreprocessorRule directive(std::vector<std::string> parts, std::vector<int> kinds,
                                  int polarity = 0) {
    PreprocessorRule r;
    r.partCount = static_cast<std::int16_t>(parts.size() - 1);
    r.polarity = static_cast<std::int16_t>(polarity);
    for (std::size_t i = 0; i < parts.size() && i < 9; ++i) {
        r.parts[i] = parts[i];
        r.partKinds[i] = static_cast<std::int16_t>(i < kinds.size() ? kinds[i] : 0);
    }
    return r;
}

// A C-like definition: line and block comments, string and character literals, the usual
// conditional and one-line directives.
inline ExtensionDefinition cLike() {
    ExtensionDefinition d;
    d.name = "c";
    d.commentRules = {lineRule("//"), blockRule("/*", "*/")};
    d.stringRules = {StringRule{"\"", "\"", "\\"}, StringRule{"'", "'", "\\"}};
    d.preprocessorRules = {
        directive({"#if", "#elif", "#else", "#endif"}, {2, 2, 0, 0}),
        directive({"#ifdef", "#elif", "#else", "#endif"}, {1, 2, 0, 0}),
        directive({"#ifndef", "#elif", "#else", "#endif"}, {1, 2, 0, 0}, 1),
        directive({"#include"}, {0}),
        directive({"#define"}, {0}),
    };
    return d;
}

inline std::vector<unsigned char> bytes(const std::string& s) {
    return std::vector<unsigned char>(s.begin(), s.end());
}

// The text with every NUL shown as '~'.
inline std::string show(const unsigned char* b, std::size_t n) {
    std::string out;
    for (std::size_t i = 0; i < n; ++i) {
        out.push_back(b[i] == 0 ? '~' : static_cast<char>(b[i]));
    }
    return out;
}
inline std::string show(const std::vector<unsigned char>& v) {
    return show(v.data(), v.size());
}

// The text without its NULs.
inline std::string kept(const std::vector<unsigned char>& v) {
    std::string out;
    for (const unsigned char c : v) {
        if (c != 0) {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

inline std::vector<char16_t> widen(const std::vector<unsigned char>& v) {
    return std::vector<char16_t>(v.begin(), v.end());
}

inline std::vector<unsigned char> narrow(const std::vector<char16_t>& v) {
    std::vector<unsigned char> out;
    for (const char16_t c : v) {
        out.push_back(static_cast<unsigned char>(c & 0xFF));
    }
    return out;
}

}  // namespace tavelin::test
