#pragma once
// Builds extension definition file text in code, for fixtures.
//
//   ExtensionWriter cpp("CPP");
//   cpp.lineComment("//")
//      .blockComment("/*", "*/")
//      .stringRule("\"", "\"", "\\")
//      .prepro({"#ifdef", "#else", "#endif"}, {1, 0, 0})
//      .prepro({"#include"})                       // a one-line directive
//      .macro("DEBUG", 1)                          // kind 0: both modules
//      .region("<script*>", "</script>", "JS", true);
//   std::string text = cpp.text();                 // LF line ends, for parseExtensionDefinition
//   cpp.writeTo(folder + "/cpp.ext");              // a text-mode file (CR LF) for the loaders
//
// Only what differs from a default-constructed definition is written, so the text stays short
// and readable. Everything the file format knows is reachable through definition() (counting
// strings, judges, class words, end rules...) and extra text through raw().
//
// Strings in fields that pass through the "Dlmt"/"None" filter (comment and no-count strings,
// string-rule escapes, counting strings, multi-judge texts, preprocessor words) are written as
// "Dlmt" when they are a line end ("\r\n", "\r" or "\n"): the reader turns that into the line end
// of the counter setting [DELIMIT], so pass the one that matches it. Values must not contain
// line feeds otherwise, and comma-separated items (nesting pairs, region attributes, class words,
// macro names) must not contain commas.

#include <string>
#include <string_view>
#include <vector>

#include "datafiles/extension_definition.h"

namespace tavelin::test {

// The file text of a definition and its macro list (LF line ends).
std::string extensionDefinitionText(const ExtensionDefinition& def,
                                    const std::vector<MacroEntry>& macros = {});

class ExtensionWriter {
  public:
    explicit ExtensionWriter(std::string name = {});

    ExtensionWriter& name(std::string value);

    // Comment rules, in the order they are added (first match wins when text is scanned).
    // flags: bits 0-1 placement (1 stand-alone, 2 column), bit 2 case-fold, bit 3 delete line head.
    ExtensionWriter& lineComment(std::string start, int flags = 0, int column = 1);
    ExtensionWriter& blockComment(std::string start, std::string end, int flags = 0,
                                  int column = 1);
    ExtensionWriter& blockComment(std::string start, std::vector<std::string> ends, int flags = 0,
                                  int column = 1);
    ExtensionWriter& nestedComment(std::string start, std::string end, std::string nestOpen,
                                   std::string nestClose, int flags = 0);

    // No-count areas, same forms as comments.
    ExtensionWriter& lineNoCount(std::string start, int flags = 0);
    ExtensionWriter& blockNoCount(std::string start, std::string end, int flags = 0);

    ExtensionWriter& stringRule(std::string start, std::string end, std::string escape = {});

    // A directive family: parts[0] opens it, parts[1..] follow, the last closes it; a single part
    // is a one-line directive. kinds[i]: 0 plain, 1 macro-name test, 2 expression (missing: 0).
    ExtensionWriter& prepro(std::vector<std::string> parts, std::vector<int> kinds = {},
                            int polarity = 0);

    // kind: 0 both modules, 1 only after the change, 2 only before it, 3 neither.
    ExtensionWriter& macro(std::string macroName, int value = 0, int kind = 0);

    // A region written in the language whose [EXTNAME] is extensionName.
    ExtensionWriter& region(std::string startPattern, std::string endPattern,
                            std::string extensionName, bool caseInsensitive = false,
                            std::string attribute = {});

    ExtensionWriter& nonComment(std::string text);
    ExtensionWriter& deleteString(std::string text);
    ExtensionWriter& excludedFile(std::string pattern);

    ExtensionWriter& leadingNumbers(bool on = true);
    ExtensionWriter& allCount(bool on = true);
    ExtensionWriter& commentCount(bool on = true);
    ExtensionWriter& spaceCount(bool on = true);
    ExtensionWriter& stringFlag(bool on = true);
    ExtensionWriter& multiLineStrings(bool on = true);
    ExtensionWriter& deleteLeadingBytes(int count);
    ExtensionWriter& stepJoin(std::string text);

    // Text appended after the generated keywords, as it stands (give it its own line ends).
    ExtensionWriter& raw(std::string_view text);

    ExtensionDefinition& definition() { return def_; }
    const ExtensionDefinition& definition() const { return def_; }
    const std::vector<MacroEntry>& macros() const { return macros_; }

    // The definition a loader makes of text() in `slot` (without raw() text).
    ExtensionDefinition expected(int slot = 0) const;

    std::string text() const;
    // Writes text() as a text-mode file (CR LF line ends). Returns false when it cannot.
    bool writeTo(const std::string& path) const;

  private:
    ExtensionDefinition def_;
    std::vector<MacroEntry> macros_;
    std::string raw_;
};

}  // namespace tavelin::test
