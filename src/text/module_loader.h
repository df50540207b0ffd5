#pragma once
// The module text loader: reads a module's byte range from its file into its pane, opens whole
// files into a pane by hand, clears panes and sizes the text buffers and the line tables.

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "datafiles/counter_settings.h"
#include "datafiles/extension_table.h"
#include "datafiles/module_panes.h"
#include "datafiles/records.h"
#include "platform/messages.h"

namespace tavelin {

// Result codes of reading and opening.
enum LoadResult : int {
    kLoadOk = 0,
    kLoadNoMemory = -1,     // a buffer could not be allocated
    kLoadCannotOpen = -2,   // the file could not be opened (also: too large, path too long)
    kLoadIncomplete = -3,   // the byte range could not be read completely
    kLoadEmptyModule = -4,  // the descriptor describes an empty module
    kLoadNoExtension = -5,  // openFileIntoPane: no usable extension definition for the file
};

inline constexpr std::string_view kMsgNoExtensionInfo =
    "The file doesn't open it because there is no extension information.";
inline constexpr std::string_view kMsgCannotOpen = "The file can not be opened.";

// Bytes kept after a module's text: room for an appended terminator of up to 2 bytes, the NUL
// and what later passes append. Always zero-filled.
constexpr std::size_t kTextSlack = 10;

// The largest file that can be opened by hand: its positions and its length plus one must fit
// the descriptor's 32-bit signed fields.
constexpr std::int64_t kMaxModuleFileSize = 0x7FFFFFFFLL - 1;

// Swaps the two bytes of every whole 16-bit unit in place.
void swapByteOrder(std::span<unsigned char> bytes);

// The read step over a file's bytes held in memory: cuts topPosition..endPosition out of
// `fileBytes` into `buffer`, appends the [DELIMIT] terminator when the stretch does not end with
// CR or LF, and zero-fills kTextSlack bytes after the stretch. On failure `buffer` holds only
// zero bytes (an empty text).
int loadModuleTextFromBytes(std::span<const unsigned char> fileBytes,
                            const ModuleDescriptor& descriptor, std::int32_t delimit,
                            std::vector<unsigned char>& buffer);

// The read step from the descriptor's file. Never allocates more than the file can supply.
int loadModuleText(const ModuleDescriptor& descriptor, const CounterSettings& settings,
                   std::vector<unsigned char>& buffer);

// Sides whose 8-bit text an open has just read whole from the file, as the read step gives it:
// the allocation keeps that text and the reload takes it as it stands instead of reading the file
// a second time. A UTF-16 text (whose open length differs) is always read again.
using TextsRead = std::array<bool, kSides>;

// The bytes of a module's whole file when the caller holds them (a file of a git tree, a file
// already read): each side's read step then takes them instead of opening the descriptor's path,
// which only names the module. An empty optional reads the file.
using HeldFiles = std::array<std::optional<std::span<const unsigned char>>, kSides>;

// What reading both modules again gave each side (kLoadOk for a side without a module or
// without a text buffer).
struct ReloadResult {
    LoadResult after = kLoadOk;
    LoadResult before = kLoadOk;

    bool ok() const { return after == kLoadOk && before == kLoadOk; }
    bool operator==(const ReloadResult&) const = default;
};

// Re-reads both present modules that have a text buffer (but those in `alreadyRead`), sets their
// lengths (0 for a failed read), grows the line tables if the texts hold more lines than they can
// take, and resets the line tables. A whole file opened by hand is read as it is now; when it
// cannot be read its text and length stay as they were.
ReloadResult reloadBothModules(ModulePanes& panes, const CounterSettings& settings,
                               TextsRead alreadyRead = {}, const HeldFiles& held = {});

// Builds the pane's descriptor for a whole file, reads it, detects its encoding, counts its
// lines and resizes the line tables (unless the caller sizes them itself right afterwards). On
// failure the pane is left empty. With `held`, the file's bytes are taken from there and `path`
// only names the module (it may then be longer than a descriptor from a data file could hold).
int openModuleFile(ModulePanes& panes, int side, const std::string& path,
                   std::int32_t extensionIndex, const CounterSettings& settings,
                   bool sizeLineTables = true,
                   std::optional<std::span<const unsigned char>> held = std::nullopt);
inline int openAfterFile(ModulePanes& panes, const std::string& path, std::int32_t extensionIndex,
                         const CounterSettings& settings) {
    return openModuleFile(panes, kAfter, path, extensionIndex, settings);
}
inline int openBeforeFile(ModulePanes& panes, const std::string& path, std::int32_t extensionIndex,
                          const CounterSettings& settings) {
    return openModuleFile(panes, kBefore, path, extensionIndex, settings);
}

// How the definition for a file chosen by hand was looked for. The file's extension is the part
// of its name after the last dot; a name without a dot, or ending in the dot, has none and is
// looked up by the whole name instead (so "Makefile" finds the definition named "makefile").
// Names compare without regard to case; the first equal definition in table order is taken.
struct ExtensionLookup {
    enum class Outcome {
        Found,         // index is the definition's slot
        NoDefinition,  // no definition has the name looked for
        Excluded,      // the file name contains one of the found definition's excluded patterns
    };
    Outcome outcome = Outcome::NoDefinition;
    int index = -1;
    std::string name;  // the extension, or the whole file name when there is none
    bool wholeName = false;
    std::string pattern;  // Excluded: the pattern the file name contains
};
ExtensionLookup lookUpExtension(std::string_view path, const ExtensionTable& table);

// The extension index for a file chosen by hand (lookUpExtension's), or -1 when no definition
// fits or the file name contains one of that definition's excluded patterns.
int findExtensionForFile(std::string_view path, const ExtensionTable& table);

// The messages of opening a file by hand: the fixed sentence, then on a second line the path and
// why (the system's reason where there is one: "No such file or directory", "Permission
// denied", ...). openFailureMessage is for a failed openModuleFile result `code`; it looks at the
// path again to tell the reason.
std::string openFailureMessage(const std::string& path, int code);
std::string noDefinitionMessage(const std::string& path, const ExtensionLookup& lookup);

// What the window does around opening a file: enterBusy before it, onOpened after a successful
// open (reload and show, warning lists), leaveBusy at the end. Empty functions are skipped.
struct OpenFileHooks {
    std::function<void()> enterBusy;
    std::function<void()> onOpened;
    std::function<void()> leaveBusy;
    // False when the caller allocates the line tables itself after opening.
    bool sizeLineTables = true;
    // True in the stand-alone edition: a file that no definition fits opens with the plain-text
    // rules (kPlainTextRules) instead of being refused. A file its definition excludes is still
    // refused.
    bool plainTextFallback = false;
};

// The user-level entry for the file menus, dropped files and /a, /b: finds the extension
// definition, refuses unsuitable files with a message, opens the file into the pane and reports
// a failure (the messages name the path and the reason). Returns kLoadNoExtension when refused,
// else the openModuleFile result.
int openFileIntoPane(ModulePanes& panes, int side, const std::string& path,
                     const ExtensionTable& table, const CounterSettings& settings,
                     MessageSink& sink, const OpenFileHooks& hooks = {});

// openFileIntoPane for the files named for both sides, the two read at once; an empty path
// leaves its side as it is. The hooks and messages come in the order two calls would give them,
// the after side's first (enterBusy for every file to open before reading). The line tables are
// not sized: the caller does that.
std::array<int, kSides> openFilesIntoPanes(ModulePanes& panes,
                                           const std::array<std::string, kSides>& paths,
                                           const ExtensionTable& table,
                                           const CounterSettings& settings, MessageSink& sink,
                                           const OpenFileHooks& hooks = {});

// Empties a pane (descriptor zeroed, text freed) and resizes the line tables.
int clearPane(ModulePanes& panes, int side);

// Empties each pane's text buffer (a present module gets an empty text, an absent one none); the
// read step sizes it to what the file supplies, reusing the memory. A side in `keep` whose text
// was just read keeps it for the reload. 0, or -1 when allocation fails.
int allocateTextBuffers(ModulePanes& panes, TextsRead keep = {});

// Frees and reallocates the two line tables. Their size is 1 plus, for each present module,
// the larger of its promised lines (totalSteps + noCountSteps, but never more than its bytes
// can hold) and an upper bound of the lines its loaded text holds. Sets lineTableSize.
// 0, or -1 when allocation fails (the tables that did allocate are kept).
int allocateLineRecords(ModulePanes& panes);

}  // namespace tavelin
