#pragma once
// The small outputs of a code list: the text copied to the clipboard, the bytes of a text save,
// and the command that opens the module's file in the external editor at a row's line.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/module_panes.h"
#include "display/code_lists.h"

namespace tavelin {

// The clipboard text of the given rows of a list (in list order): each row's Unicode caption
// without its trailing blanks and control characters, followed by CR LF.
std::u16string copyText(const ModulePanes& panes, const CodeList& list,
                        std::span<const std::int32_t> rows, int tabWidth);

// The bytes a text save of a side writes: the module text as it stands, byte for byte (NUL
// bytes a processing left included); UTF-16 text as 0xFF 0xFE and little-endian units. Empty
// when the side has no module or no text.
std::string moduleTextBytes(const ModulePanes& panes, int side);

// Writes moduleTextBytes to `path` (binary). 0, or -1 when the file could not be written (the
// partial file is removed); nothing is written for an empty text (0).
int saveModuleText(const ModulePanes& panes, int side, const std::string& path);

// The file line a code-list row opens in the editor: the row's lineIndex plus the module's
// line-number field (a filler row carries the line below it); 0 when there is none (a padding
// row, a row past the list or past lineTableSize, no module).
std::int32_t editorLine(const CodeList& list, std::int64_t row, const ModulePanes& panes);

// The longest parameter text the editor is started with.
inline constexpr std::size_t kMaxEditorParameters = 652;

// The editor's program and its arguments. The template ([EDITOPT]) is split into words as a
// shell splits them (blanks separate, single quotes keep everything, double quotes keep all but
// a backslash before a double quote or backslash, a backslash outside quotes keeps the next
// character); then the last "%d" of the template becomes the line and the last "%s" the path,
// and every other character stays as it is ("%n" or a third "%s" are plain text). Without "%s"
// the path alone is the one argument. The path and the line never split a word, so a path with
// blanks, quotes or ';' arrives as one argument. ok is false (nothing to start) when the editor
// or the template is empty, or the parameter text would be longer than 652 characters.
struct EditorCommand {
    bool ok = false;
    std::string program;
    std::vector<std::string> arguments;
};
EditorCommand buildEditorCommand(std::string_view editor, std::string_view parameterTemplate,
                                 std::int32_t line, std::string_view path);

}  // namespace tavelin
