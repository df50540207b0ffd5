/*
 * inventory.c - stock counting for the warehouse terminal
 *
 * Reads item quantities and reports the total stock between the
 * re-order limit and the plausibility ceiling.
 */
#include <stdio.h>
#include <stdlib.h>

#define LIMIT 10
#define CEILING 1000
#define MAX_ITEMS 64

/* Sums the quantities above LIMIT; implausible values are skipped. */
static int count_items(const int *items, int n)
{
	int total = 0;	/* running total */
	int i;

	for (i = 0; i < n; i++) {
		if (items[i] > LIMIT && items[i] < CEILING) {
			total += items[i];
		} else if (items[i] >= CEILING) {
			fprintf(stderr, "item %d ignored: %d\n", i, items[i]);
		}
	}
	return total;
}

#ifdef USE_CACHE
static int cache[MAX_ITEMS];
static int cached;
#endif

static int read_items(int *items, int max)
{
	int n = 0;

	while (n < max && scanf("%d", &items[n]) == 1) {
		n++;
	}
	return n;
}

int main(void)
{
	int items[MAX_ITEMS];
	int n = read_items(items, MAX_ITEMS);

	printf("total %d\n", count_items(items, n));
	return EXIT_SUCCESS;
}
