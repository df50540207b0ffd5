#pragma once
// Extension definition files: the per-language rule sets listed by the counter settings'
// [EXTFILE] list, loaded once into the ExtensionTable, and the [MACRO] list of one extension at a
// time, read on demand into the table's macro table.
//
// File syntax in short: a text file of lines; a line that is exactly one of the 24 keywords
// ("[EXTNAME]", "[COMMENT]", ...) is followed by its value lines; every other line outside a
// keyword's values is skipped. A line of 4 or more bytes beginning with "//+-" is a comment line
// and is skipped everywhere, also between value lines. Lists inside one line are separated by
// commas (a run of commas is one separator). Numbers read like atoi; out-of-range values fall back
// to their default (mostly 0) unless the keyword fails the file.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/counter_settings.h"
#include "datafiles/data_folders.h"
#include "datafiles/extension_definition.h"
#include "datafiles/extension_table.h"

namespace tavelin {

// Result codes of loadExtensionDefinition.
constexpr int kExtensionLoaded = 0;
constexpr int kExtensionFailed = -1;
constexpr int kExtensionBadSlot = -200;

// Line room, in bytes without the line feed: keyword lines and one-line values, the extension
// name line of a [MULTSCR] rule, and every other value line. The rest of a longer line is skipped.
constexpr std::size_t kExtensionLongLine = 1022;
constexpr std::size_t kExtensionRegionNameLine = 30;
constexpr std::size_t kExtensionValueLine = 126;

// Longest [EXTFILE] path a list row can hold.
constexpr std::size_t kMaxExtFilePath = 523;

// The number of keywords an extension definition file knows, and their texts.
constexpr int kExtensionKeywordCount = 24;
extern const std::string_view kExtensionKeywords[kExtensionKeywordCount];

// Loads every file of the [EXTFILE] list (settings.extFiles[0..extFileCount-1]) in list order.
// Each row's fileTime is refreshed from the file (left as it was when the file cannot be
// opened). Failed files are dropped and the list is compacted, so row i names slot i; afterwards
// settings.extFileCount == table.extensionCount. The macro table is emptied. Returns 0 when every
// file loaded, 1 when at least one failed.
int loadExtensionDefinitions(ExtensionTable& table, CounterSettings& settings,
                             const DataFolders& folders);

// Loads one file into `slot` (0..99), or appends it when slot is -1 (slot = extensionCount, which
// must be below 100; the name then goes into list row `slot` and both counts grow by one). A name
// without a folder part is looked up in the data folders (the per-user copy first). Returns 0, -1
// when the file cannot be opened (slot untouched) or a keyword fails (slot cleared), -200 for a bad
// slot.
int loadExtensionDefinition(ExtensionTable& table, CounterSettings& settings,
                            const DataFolders& folders, const std::string& fileName, int slot);

// Parses the bytes of one definition file (as read in binary; CR LF reads as LF) into `out`.
// `table` and `slot` serve the [EXTNAME] uniqueness check against slots 0..extensionCount-1
// other than `slot`; `delimit` is the counter setting [DELIMIT] that "Dlmt" values turn into.
// Returns 0 (out.extensionNumber = slot) or -1 (out is a default-constructed definition).
int parseExtensionDefinition(std::string_view bytes, const ExtensionTable& table, int slot,
                             int delimit, ExtensionDefinition& out);

// The lowest slot below extensionCount whose name equals `name` exactly, or -1.
int findExtension(const ExtensionTable& table, std::string_view name);

// Makes table.macroTable hold the [MACRO] list of `slot`, re-reading the slot's file (list row
// `slot`, same folder rule as loading). Does nothing when the table already holds that slot's
// list. When the slot is not a loaded definition or its file cannot be opened, the macro table is
// emptied and macroTableOwner becomes -1 (so a later call tries again): macros of one language
// never decide another language's conditions. On success the slot's macroCount is the number of
// entries read. Iterate macroTable itself; never index it by macroCount.
void ensureMacros(ExtensionTable& table, const CounterSettings& settings,
                  const DataFolders& folders, int slot);

// Reads the [MACRO] lists of a definition file's bytes; each [MACRO] keyword starts the list
// afresh, so the last one wins. A count above 10000 reads at most 10000 lines; a negative or
// non-numeric count reads none; a missing line ends the list. Returns the number of entries.
int readMacroList(std::string_view bytes, std::vector<MacroEntry>& out);

// One macro line "name[,value[,kind]]": name at most 63 bytes, value 0 when absent, kind 0..3
// (anything else gives 0). A line without a comma is a name with value 0 and kind 0.
MacroEntry parseMacroLine(std::string_view line);

// The path a listed definition file is read from: the name itself when it has a folder part,
// else the per-user copy when there is one, else the program folder's.
std::string extensionFilePath(const DataFolders& folders, const std::string& fileName);

}  // namespace tavelin
