#include "support/extension_writer.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <utility>

#include "datafiles/line_reader.h"

namespace tavelin::test {

namespace {

class Out {
  public:
    void line(const std::string& s) {
        text_ += s;
        text_ += '\n';
    }
    void number(long long v) { line(std::to_string(v)); }
    // A value that the reader passes through the "Dlmt"/"None" filter.
    void filtered(const std::string& s) {
        if (s == "\r\n" || s == "\r" || s == "\n") {
            line("Dlmt");
        } else {
            line(s);
        }
    }
    void flag(const char* key, std::int16_t v) {
        if (v != 0) {
            line(key);
            number(v);
        }
    }
    std::string take() { return std::move(text_); }

  private:
    std::string text_;
};

std::string join(std::initializer_list<long long> values) {
    std::string s;
    for (long long v : values) {
        if (!s.empty()) {
            s += ',';
        }
        s += std::to_string(v);
    }
    return s;
}

void delimitedRules(Out& out, const char* key, const std::vector<DelimitedRule>& rules) {
    if (rules.empty()) {
        return;
    }
    out.line(key);
    out.number(static_cast<long long>(rules.size()));
    for (const DelimitedRule& r : rules) {
        std::string head = join({r.endCount, r.matchFlags, r.column});
        if (!r.nestOpen.empty() && !r.nestClose.empty()) {
            head += ',' + r.nestOpen + ',' + r.nestClose;
        }
        out.line(head);
        for (int s = 0; s <= r.endCount && s < 9; ++s) {
            out.filtered(r.strings[static_cast<std::size_t>(s)]);
        }
    }
}

void stringList(Out& out, const char* key, const std::vector<std::string>& list) {
    if (list.empty()) {
        return;
    }
    out.line(key);
    out.number(static_cast<long long>(list.size()));
    for (const std::string& s : list) {
        out.line(s);
    }
}

void endRule(Out& out, const char* key, const EndRule& r) {
    if (r.enabled == 0) {
        return;
    }
    out.line(key);
    out.number(r.enabled);
    out.line(join({r.value1, r.value2, r.value3}));
}

void headerJudges(Out& out, const std::vector<HeaderJudge>& judges) {
    if (judges.empty()) {
        return;
    }
    out.line("[HEADJDG]");
    out.number(static_cast<long long>(judges.size()));
    for (const HeaderJudge& h : judges) {
        out.line(join({h.kind, h.mode}));
        out.line(join({h.countStringIndex, h.value, h.b1, h.b2}));
        out.number(h.n);
        for (std::size_t k = 0; k < static_cast<std::size_t>(h.n) && k < 8; ++k) {
            out.line(join({h.secondIndexes[k], h.secondValues[k], h.secondB1[k], h.secondB2[k]}));
        }
        out.number(h.m);
        for (std::size_t k = 0; k < static_cast<std::size_t>(h.m) && k < 16; ++k) {
            out.line(join(
                {h.thirdIndexes[k], h.thirdValues[k], h.thirdB1[k], h.thirdB3[k], h.thirdB2[k]}));
        }
    }
}

}  // namespace

std::string extensionDefinitionText(const ExtensionDefinition& def,
                                    const std::vector<MacroEntry>& macros) {
    Out out;
    if (!def.name.empty()) {
        out.line("[EXTNAME]");
        out.line(def.name);
    }
    out.flag("[NONUM]", def.leadingNumbers);
    out.flag("[ALLCOUNT]", def.allCount);
    out.flag("[CMTCOUNT]", def.commentCount);
    out.flag("[SPCCOUNT]", def.spaceCount);
    out.flag("[STDELBYTE]", def.deleteLeadingBytes);
    out.flag("[STRIFLG]", def.stringFlag);
    out.flag("[STRNOTDLMT]", def.multiLineStrings);
    delimitedRules(out, "[COMMENT]", def.commentRules);
    delimitedRules(out, "[NOCOUNT]", def.noCountRules);
    if (!def.stringRules.empty()) {
        out.line("[STRING]");
        out.number(static_cast<long long>(def.stringRules.size()));
        for (const StringRule& r : def.stringRules) {
            out.line(r.start);
            out.line(r.end);
            out.filtered(r.escape);
        }
    }
    if (!def.countStrings.empty()) {
        out.line("[CNTSTR]");
        out.number(static_cast<long long>(def.countStrings.size()));
        for (const CountString& c : def.countStrings) {
            out.line(join({c.extra, c.kind}));
            for (int s = 0; s <= c.extra && s < 9; ++s) {
                out.filtered(c.strings[static_cast<std::size_t>(s)]);
            }
        }
    }
    if (!def.multiJudges.empty()) {
        out.line("[MULTJDG]");
        out.number(static_cast<long long>(def.multiJudges.size()));
        for (const MultiJudge& m : def.multiJudges) {
            out.filtered(m.text);
            out.line(join({m.countStringIndex, m.value}));
        }
    }
    headerJudges(out, def.headerJudges);
    if (!def.classJudges.empty()) {
        out.line("[CLSJDG]");
        out.number(static_cast<long long>(def.classJudges.size()));
        for (const ClassJudge& c : def.classJudges) {
            out.line(c.word + ',' + std::to_string(c.number));
        }
    }
    if (!def.regionRules.empty()) {
        out.line("[MULTSCR]");
        out.number(static_cast<long long>(def.regionRules.size()));
        for (const RegionRule& r : def.regionRules) {
            out.line(r.attribute.empty() ? std::to_string(r.caseInsensitive)
                                         : std::to_string(r.caseInsensitive) + ',' + r.attribute);
            out.line(r.startPattern);
            out.line(r.endPattern);
            out.line(r.extensionName);
        }
    }
    if (!def.preprocessorRules.empty()) {
        out.line("[PREPRO]");
        out.number(static_cast<long long>(def.preprocessorRules.size()));
        for (const PreprocessorRule& r : def.preprocessorRules) {
            std::string head = join({r.partCount, r.polarity});
            for (int k = 0; k <= r.partCount && k < 9; ++k) {
                head += ',' + std::to_string(r.partKinds[static_cast<std::size_t>(k)]);
            }
            out.line(head);
            for (int p = 0; p <= r.partCount && p < 9; ++p) {
                out.filtered(r.parts[static_cast<std::size_t>(p)]);
            }
        }
    }
    if (!macros.empty()) {
        out.line("[MACRO]");
        out.number(static_cast<long long>(macros.size()));
        for (const MacroEntry& m : macros) {
            out.line(m.name + ',' + std::to_string(m.value) + ',' + std::to_string(m.kind));
        }
    }
    stringList(out, "[NOCOMMENT]", def.nonComments);
    stringList(out, "[DELSTR]", def.deleteStrings);
    endRule(out, "[CLSEND]", def.classEnd);
    endRule(out, "[CLRSTCMT]", def.clearComment);
    stringList(out, "[NOADDFILE]", def.excludedFiles);
    if (!def.stepJoin.empty()) {
        out.line("[STEPJOIN]");
        out.line(def.stepJoin);
    }
    return out.take();
}

ExtensionWriter::ExtensionWriter(std::string name) {
    def_.name = std::move(name);
}

ExtensionWriter& ExtensionWriter::name(std::string value) {
    def_.name = std::move(value);
    return *this;
}

ExtensionWriter& ExtensionWriter::lineComment(std::string start, int flags, int column) {
    DelimitedRule r;
    r.matchFlags = static_cast<std::int16_t>(flags);
    r.column = static_cast<std::int16_t>(column);
    r.strings[0] = std::move(start);
    def_.commentRules.push_back(std::move(r));
    return *this;
}

ExtensionWriter& ExtensionWriter::blockComment(std::string start, std::string end, int flags,
                                               int column) {
    return blockComment(std::move(start), std::vector<std::string>{std::move(end)}, flags, column);
}

ExtensionWriter& ExtensionWriter::blockComment(std::string start, std::vector<std::string> ends,
                                               int flags, int column) {
    DelimitedRule r;
    r.endCount = static_cast<std::int16_t>(ends.size());
    r.matchFlags = static_cast<std::int16_t>(flags);
    r.column = static_cast<std::int16_t>(column);
    r.strings[0] = std::move(start);
    for (std::size_t i = 0; i < ends.size() && i < 8; ++i) {
        r.strings[i + 1] = std::move(ends[i]);
    }
    def_.commentRules.push_back(std::move(r));
    return *this;
}

ExtensionWriter& ExtensionWriter::nestedComment(std::string start, std::string end,
                                                std::string nestOpen, std::string nestClose,
                                                int flags) {
    blockComment(std::move(start), std::move(end), flags);
    def_.commentRules.back().nestOpen = std::move(nestOpen);
    def_.commentRules.back().nestClose = std::move(nestClose);
    return *this;
}

ExtensionWriter& ExtensionWriter::lineNoCount(std::string start, int flags) {
    DelimitedRule r;
    r.matchFlags = static_cast<std::int16_t>(flags);
    r.strings[0] = std::move(start);
    def_.noCountRules.push_back(std::move(r));
    return *this;
}

ExtensionWriter& ExtensionWriter::blockNoCount(std::string start, std::string end, int flags) {
    DelimitedRule r;
    r.endCount = 1;
    r.matchFlags = static_cast<std::int16_t>(flags);
    r.strings[0] = std::move(start);
    r.strings[1] = std::move(end);
    def_.noCountRules.push_back(std::move(r));
    return *this;
}

ExtensionWriter& ExtensionWriter::stringRule(std::string start, std::string end,
                                             std::string escape) {
    def_.stringRules.push_back(StringRule{std::move(start), std::move(end), std::move(escape)});
    return *this;
}

ExtensionWriter& ExtensionWriter::prepro(std::vector<std::string> parts, std::vector<int> kinds,
                                         int polarity) {
    PreprocessorRule r;
    r.partCount =
        static_cast<std::int16_t>(parts.empty() ? 0 : std::min<std::size_t>(parts.size() - 1, 8));
    r.polarity = static_cast<std::int16_t>(polarity);
    for (std::size_t i = 0; i < parts.size() && i < 9; ++i) {
        r.parts[i] = std::move(parts[i]);
    }
    for (std::size_t i = 0; i < kinds.size() && i < 9; ++i) {
        r.partKinds[i] = static_cast<std::int16_t>(kinds[i]);
    }
    def_.preprocessorRules.push_back(std::move(r));
    return *this;
}

ExtensionWriter& ExtensionWriter::macro(std::string macroName, int value, int kind) {
    macros_.push_back(MacroEntry{std::move(macroName), value, static_cast<std::int16_t>(kind)});
    return *this;
}

ExtensionWriter& ExtensionWriter::region(std::string startPattern, std::string endPattern,
                                         std::string extensionName, bool caseInsensitive,
                                         std::string attribute) {
    RegionRule r;
    r.caseInsensitive = caseInsensitive ? 1 : 0;
    r.startPattern = std::move(startPattern);
    r.endPattern = std::move(endPattern);
    r.extensionName = std::move(extensionName);
    r.attribute = std::move(attribute);
    def_.regionRules.push_back(std::move(r));
    return *this;
}

ExtensionWriter& ExtensionWriter::nonComment(std::string text) {
    def_.nonComments.push_back(std::move(text));
    return *this;
}

ExtensionWriter& ExtensionWriter::deleteString(std::string text) {
    def_.deleteStrings.push_back(std::move(text));
    return *this;
}

ExtensionWriter& ExtensionWriter::excludedFile(std::string pattern) {
    def_.excludedFiles.push_back(std::move(pattern));
    return *this;
}

ExtensionWriter& ExtensionWriter::leadingNumbers(bool on) {
    def_.leadingNumbers = on ? 1 : 0;
    return *this;
}

ExtensionWriter& ExtensionWriter::allCount(bool on) {
    def_.allCount = on ? 1 : 0;
    return *this;
}

ExtensionWriter& ExtensionWriter::commentCount(bool on) {
    def_.commentCount = on ? 1 : 0;
    return *this;
}

ExtensionWriter& ExtensionWriter::spaceCount(bool on) {
    def_.spaceCount = on ? 1 : 0;
    return *this;
}

ExtensionWriter& ExtensionWriter::stringFlag(bool on) {
    def_.stringFlag = on ? 1 : 0;
    return *this;
}

ExtensionWriter& ExtensionWriter::multiLineStrings(bool on) {
    def_.multiLineStrings = on ? 1 : 0;
    return *this;
}

ExtensionWriter& ExtensionWriter::deleteLeadingBytes(int count) {
    def_.deleteLeadingBytes = static_cast<std::int16_t>(count);
    return *this;
}

ExtensionWriter& ExtensionWriter::stepJoin(std::string text) {
    def_.stepJoin = std::move(text);
    return *this;
}

ExtensionWriter& ExtensionWriter::raw(std::string_view text) {
    raw_ += text;
    return *this;
}

ExtensionDefinition ExtensionWriter::expected(int slot) const {
    ExtensionDefinition def = def_;
    def.extensionNumber = static_cast<std::int16_t>(slot);
    def.macroCount = static_cast<std::int16_t>(macros_.size());
    return def;
}

std::string ExtensionWriter::text() const {
    return extensionDefinitionText(def_, macros_) + raw_;
}

bool ExtensionWriter::writeTo(const std::string& path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) {
        return false;
    }
    out << toTextMode(text());
    return static_cast<bool>(out);
}

}  // namespace tavelin::test
