#pragma once
// setenv and unsetenv for the tests on Windows, whose C library has neither. There a variable
// set to "" is removed: Windows keeps no empty variables in the C library's environment.

#include <stdlib.h>

#ifdef _WIN32
inline int setenv(const char* name, const char* value, int overwrite) {
    if (overwrite == 0 && getenv(name) != nullptr) {
        return 0;
    }
    return _putenv_s(name, value) == 0 ? 0 : -1;
}

inline int unsetenv(const char* name) {
    return _putenv_s(name, "") == 0 ? 0 : -1;
}
#endif
