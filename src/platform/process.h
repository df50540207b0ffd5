#pragma once
// Starting another program, and what a command-line program asks of its surroundings: whether a
// stream is a terminal and how many processors there are.

#include <cstdio>
#include <string>
#include <vector>

namespace tavelin {

// Starts `program` with the arguments `args` (each passed as one argument, no shell) and does
// not wait for it: the started program outlives the caller. Returns false when it could not be
// started (missing, not executable).
bool startDetached(const std::string& program, const std::vector<std::string>& args);

// Whether the stream is connected to a terminal (a progress display belongs there only).
bool isTerminal(std::FILE* stream);

// The number of processors the process may use (at least 1).
unsigned processorCount();

// The name of the executable file of a program in a folder ("tavelin" → "tavelin.exe" on
// Windows).
std::string executableName(const std::string& program);

}  // namespace tavelin
