#include <string_view>
#include <vector>

#include "app/program.h"

#ifdef TAVELIN_WITH_WINDOW
#include "ui/window_run.h"
#endif

int main(int argc, char** argv) {
#ifdef TAVELIN_WITH_WINDOW
    std::vector<std::string_view> args;
    for (int i = 1; i < argc && argv != nullptr; ++i) {
        if (argv[i] != nullptr) {
            args.emplace_back(argv[i]);
        }
    }
    if (tavelin::ui::windowWanted(args)) {
        // Owns the application object: it is gone before main returns, while argc and argv live.
        tavelin::ui::WindowHost window(argc, argv);
        return tavelin::runProgram(
            argc, argv, [&window](tavelin::Session& session) { return window.run(session); },
            &window);
    }
#endif
    return tavelin::runProgram(argc, argv);
}
