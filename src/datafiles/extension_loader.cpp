// Loading extension definition files into the table and reading macro lists on demand.

#include "datafiles/extension_loader.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "datafiles/line_reader.h"
#include "platform/file_time.h"
#include "platform/paths.h"

namespace tavelin {

namespace {

void dropMacros(ExtensionTable& table) {
    table.macroTable.clear();
    table.macroTableOwner = -1;
}

}  // namespace

std::string extensionFilePath(const DataFolders& folders, const std::string& fileName) {
    if (hasDirectoryPart(fileName)) {
        return fileName;
    }
    return folders.find(fileName);
}

int loadExtensionDefinition(ExtensionTable& table, CounterSettings& settings,
                            const DataFolders& folders, const std::string& fileName, int slot) {
    dropMacros(table);
    const bool append = slot == -1;
    if (append) {
        slot = table.extensionCount;
    }
    if (slot < 0 || slot >= kMaxExtensions) {
        return kExtensionBadSlot;
    }
    // An appended file must fit its list row, or the list would name a different file.
    if (append && fileName.size() > kMaxExtFilePath) {
        return kExtensionFailed;
    }

    std::string bytes;
    if (!readWholeFile(extensionFilePath(folders, fileName), bytes)) {
        return kExtensionFailed;
    }
    ExtensionDefinition& target = table.definitions[static_cast<std::size_t>(slot)];
    if (parseExtensionDefinition(bytes, table, slot, settings.delimit, target) != 0) {
        return kExtensionFailed;  // the parser left the slot cleared
    }
    if (append) {
        settings.extFiles[static_cast<std::size_t>(slot)].path = fileName;
        table.extensionCount = slot + 1;
        settings.extFileCount = table.extensionCount;
    }
    return kExtensionLoaded;
}

int loadExtensionDefinitions(ExtensionTable& table, CounterSettings& settings,
                             const DataFolders& folders) {
    dropMacros(table);
    const int listed = std::clamp<int>(settings.extFileCount, 0, kMaxExtensions);
    table.extensionCount = 0;
    table.definitions.fill(ExtensionDefinition{});

    bool anyFailed = false;
    for (int i = 0; i < listed; ++i) {
        ExtFileEntry& row = settings.extFiles[static_cast<std::size_t>(i)];
        // The time is taken from the file that is actually loaded (the program folder holds
        // files listed without a folder).
        lastWriteFileTime(extensionFilePath(folders, row.path), row.fileTime);
        if (!row.path.empty() &&
            loadExtensionDefinition(table, settings, folders, row.path, table.extensionCount) ==
                kExtensionLoaded) {
            ++table.extensionCount;
        } else {
            row.path.clear();
            anyFailed = true;
        }
    }

    // Drop the failed rows; the others move up and keep their order, so row i names slot i.
    auto rowsBegin = settings.extFiles.begin();
    auto kept = std::stable_partition(rowsBegin, rowsBegin + listed,
                                      [](const ExtFileEntry& e) { return !e.path.empty(); });
    std::fill(kept, rowsBegin + listed, ExtFileEntry{});
    settings.extFileCount = table.extensionCount;
    return anyFailed ? 1 : 0;
}

int findExtension(const ExtensionTable& table, std::string_view name) {
    const int loaded = std::clamp<int>(table.extensionCount, 0, kMaxExtensions);
    for (int i = 0; i < loaded; ++i) {
        if (table.definitions[static_cast<std::size_t>(i)].name == name) {
            return i;
        }
    }
    return -1;
}

void ensureMacros(ExtensionTable& table, const CounterSettings& settings,
                  const DataFolders& folders, int slot) {
    const int loaded = std::clamp<int>(table.extensionCount, 0, kMaxExtensions);
    if (slot < 0 || slot >= loaded) {
        dropMacros(table);
        return;
    }
    if (slot == table.macroTableOwner) {
        return;
    }
    std::string bytes;
    const std::string& fileName = settings.extFiles[static_cast<std::size_t>(slot)].path;
    if (fileName.empty() || !readWholeFile(extensionFilePath(folders, fileName), bytes)) {
        dropMacros(table);
        return;
    }
    const int count = readMacroList(bytes, table.macroTable);
    table.definitions[static_cast<std::size_t>(slot)].macroCount = static_cast<std::int16_t>(count);
    table.macroTableOwner = static_cast<std::int16_t>(slot);
}

}  // namespace tavelin
