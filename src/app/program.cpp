#include "app/program.h"

#include <cstdio>

namespace tavelin {

int runProgram(int /*argc*/, char** /*argv*/) {
    std::fputs("tavelin: nothing to show yet\n", stderr);
    return 0;
}

}  // namespace tavelin
