// A second process for the single-instance guard's tests on Windows:
//   tavelin_lock_holder <name> [spawn]   takes the guard, with "spawn" also starts a copy of
//                                        itself that inherits its handles, prints "held <pid>"
//                                        (the copy's process id, else 0) and waits to be killed;
//   tavelin_lock_holder --sleep          waits 30 seconds.
// Exit code 1: the guard was refused.

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/instance_lock.h"

int main(int argc, char** argv) {
    if (argc >= 2 && std::string_view(argv[1]) == "--sleep") {
        Sleep(30000);
        return 0;
    }
    if (argc < 2) {
        return 2;
    }
    tavelin::InstanceLock lock;
    if (!lock.acquire(argv[1])) {
        std::puts("refused");
        return 1;
    }
    DWORD childId = 0;
    if (argc >= 3 && std::string_view(argv[2]) == "spawn") {
        char self[MAX_PATH] = {};
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string commandLine = "\"" + std::string(self) + "\" --sleep";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                            nullptr, &startup, &process)) {
            return 3;
        }
        childId = process.dwProcessId;
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    std::printf("held %lu\n", static_cast<unsigned long>(childId));
    std::fflush(stdout);
    Sleep(INFINITE);
    return 0;
}
