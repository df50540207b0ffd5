/* String helpers of the inventory tool. */
#include <string.h>

/* Copies at most n - 1 characters and always ends the copy. */
void copy_name(char *to, const char *from, size_t n)
{
    if (n == 0) {
        return;
    }
    strncpy(to, from, n);
    to[n - 1] = '\0';
}

int same_name(const char *a, const char *b)
{
    return strcasecmp(a, b) == 0;
}
