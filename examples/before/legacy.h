/* The old interface, kept until every caller moved to util/strings.c. */
#ifndef LEGACY_H
#define LEGACY_H
int legacy_compare(const char* a, const char* b);
#endif
