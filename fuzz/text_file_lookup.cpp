// The definition lookup of a file opened by hand over an arbitrary path, and its refusal message.
#include <cstddef>
#include <cstdint>
#include <string>

#include "text/module_loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tavelin::ExtensionTable table = [] {
        tavelin::ExtensionTable t;
        t.definitions[0].name = "c";
        t.definitions[0].excludedFiles = {"", "test"};
        t.definitions[1].name = "makefile";
        t.definitions[2].name = "";
        t.extensionCount = 3;
        return t;
    }();
    const std::string path(reinterpret_cast<const char*>(data), size);
    const tavelin::ExtensionLookup lookup = tavelin::lookUpExtension(path, table);
    const bool found = lookup.outcome == tavelin::ExtensionLookup::Outcome::Found;
    if (found != (lookup.index >= 0 && lookup.index < table.extensionCount) ||
        tavelin::findExtensionForFile(path, table) != (found ? lookup.index : -1) ||
        (found && lookup.name.empty())) {
        __builtin_trap();
    }
    const std::string message = tavelin::noDefinitionMessage(path, lookup);
    if (message.rfind(std::string(tavelin::kMsgNoExtensionInfo) + "\n", 0) != 0) {
        __builtin_trap();
    }
    return 0;
}
