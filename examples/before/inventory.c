/*
 * inventory.c - stock counting for the warehouse terminal
 *
 * Reads item quantities and reports the total stock above the
 * re-order limit.
 */
#include <stdio.h>
#include <stdlib.h>

#define LIMIT 10
#define MAX_ITEMS 64

/* Sums the quantities above LIMIT. */
static int count_items(const int *items, int n)
{
	int total = 0;
	int i;

	for (i = 0; i < n; i++) {
		if (items[i] > LIMIT) {
			total += items[i];
		}
	}
	return total;
}

/* Prints the total on the terminal. */
static void report(int total)
{
	printf("total %d\n", total);
	fflush(stdout);
}

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

	report(count_items(items, n));
	return 0;
}
