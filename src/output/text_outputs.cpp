#include "output/text_outputs.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "display/captions.h"

namespace tavelin {

std::u16string copyText(const ModulePanes& panes, const CodeList& list,
                        std::span<const std::int32_t> rows, int tabWidth) {
    CaptionFormatter captions(tabWidth);
    std::u16string text;
    std::u16string caption;
    for (const std::int32_t row : rows) {
        caption.clear();
        captions.appendUnicode(panes, list, row, caption);
        std::size_t end = caption.size();
        while (end > 0 && (caption[end - 1] <= u' ' || caption[end - 1] == 0x7F)) {
            --end;
        }
        text.append(caption, 0, end);
        text.append(u"\r\n");
    }
    return text;
}

std::string moduleTextBytes(const ModulePanes& panes, int side) {
    const ModuleDescriptor* module = panes.module(side);
    const auto s = static_cast<std::size_t>(side);
    if (module == nullptr || panes.moduleLength[s] <= 0) {
        return {};
    }
    const auto length = static_cast<std::size_t>(panes.moduleLength[s]);
    const ModuleText& text = panes.moduleText[s];
    std::string bytes;
    if (module->utf16 == 1) {
        const std::size_t units = std::min(length, text.units.size());
        bytes.reserve(2 + 2 * units);
        bytes.push_back('\xFF');
        bytes.push_back('\xFE');
        for (std::size_t i = 0; i < units; ++i) {
            bytes.push_back(static_cast<char>(text.units[i] & 0xFF));
            bytes.push_back(static_cast<char>(text.units[i] >> 8));
        }
        return bytes;
    }
    const std::size_t count = std::min(length, text.bytes.size());
    bytes.assign(reinterpret_cast<const char*>(text.bytes.data()), count);
    return bytes;
}

int saveModuleText(const ModulePanes& panes, int side, const std::string& path) {
    const std::string bytes = moduleTextBytes(panes, side);
    if (bytes.empty()) {
        return 0;
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return -1;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::error_code ec;
        std::filesystem::remove(path, ec);
        return -1;
    }
    return 0;
}

std::int32_t editorLine(const CodeList& list, std::int64_t row, const ModulePanes& panes) {
    const ModuleDescriptor* module = panes.module(list.side);
    if (module == nullptr || row < 0 || row >= list.rowCount() || row >= panes.lineTableSize) {
        return 0;
    }
    const std::int32_t index = list.rows[static_cast<std::size_t>(row)].lineIndex;
    if (index < 0) {
        return 0;
    }
    const std::int64_t line = static_cast<std::int64_t>(index) + module->lineNumber;
    return line > 0 && line <= INT32_MAX ? static_cast<std::int32_t>(line) : 0;
}

namespace {

std::size_t lastOf(std::string_view text, std::string_view two) {
    std::size_t found = std::string_view::npos;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == two[0] && text[i + 1] == two[1]) {
            found = i;
        }
    }
    return found;
}

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

EditorCommand buildEditorCommand(std::string_view editor, std::string_view parameterTemplate,
                                 std::int32_t line, std::string_view path) {
    EditorCommand command;
    if (editor.empty() || parameterTemplate.empty()) {
        return command;
    }
    const std::size_t pathAt = lastOf(parameterTemplate, "%s");
    if (pathAt == std::string_view::npos) {
        // The path alone; the template is not used.
        if (path.size() > kMaxEditorParameters) {
            return command;
        }
        command.ok = true;
        command.program = std::string(editor);
        command.arguments.emplace_back(path);
        return command;
    }
    const std::size_t lineAt = lastOf(parameterTemplate, "%d");
    const std::string lineText = std::to_string(line);
    std::size_t length = parameterTemplate.size() - 2 + path.size();
    if (lineAt != std::string_view::npos) {
        length = length - 2 + lineText.size();
    }
    if (length > kMaxEditorParameters) {
        return command;
    }

    // The words of the template, with the two substitutions made where their "%" stands.
    enum class Quote { None, Single, Double };
    Quote quote = Quote::None;
    std::string word;
    bool inWord = false;
    const std::string_view t = parameterTemplate;
    std::size_t i = 0;
    while (i < t.size()) {
        if (i == pathAt || i == lineAt) {
            word += i == pathAt ? std::string(path) : lineText;
            inWord = true;
            i += 2;
            continue;
        }
        const char c = t[i];
        if (quote == Quote::Single) {
            if (c == '\'') {
                quote = Quote::None;
            } else {
                word += c;
            }
            ++i;
            continue;
        }
        if (quote == Quote::Double) {
            if (c == '"') {
                quote = Quote::None;
            } else if (c == '\\' && i + 1 < t.size() && (t[i + 1] == '"' || t[i + 1] == '\\')) {
                word += t[i + 1];
                i += 2;
                continue;
            } else {
                word += c;
            }
            ++i;
            continue;
        }
        if (isBlank(c)) {
            if (inWord) {
                command.arguments.push_back(word);
                word.clear();
                inWord = false;
            }
        } else if (c == '\'') {
            quote = Quote::Single;
            inWord = true;
        } else if (c == '"') {
            quote = Quote::Double;
            inWord = true;
        } else if (c == '\\' && i + 1 < t.size()) {
            word += t[i + 1];
            inWord = true;
            i += 2;
            continue;
        } else {
            word += c;
            inWord = true;
        }
        ++i;
    }
    // An unclosed quote ends with the template.
    if (inWord) {
        command.arguments.push_back(word);
    }
    command.ok = true;
    command.program = std::string(editor);
    return command;
}

}  // namespace tavelin
