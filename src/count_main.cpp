// tavelin-count: the change in steps of a whole project, over two folders or two revisions.

#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/paths.h"
#include "platform/process.h"
#include "project/count_command.h"

int main(int argc, char** argv) {
    using namespace tavelin;
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.emplace_back(argv[i]);
    }
    try {
        project::CountHost host;
        host.programFolder = programFolder(argc > 0 ? argv[0] : nullptr);
        host.userFolder = userConfigFolder();
        host.terminalOut = isTerminal(stdout);
        host.terminalErr = isTerminal(stderr);
        return project::runCount(args, host);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tavelin-count: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tavelin-count: unexpected error\n");
    }
    return project::kCountUsage;
}
