#pragma once

namespace tavelin {

// The process entry: single-instance guard, start-up reading and the run. Returns the exit code.
int runProgram(int argc, char** argv);

}  // namespace tavelin
