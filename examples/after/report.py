"""Prints the inventory totals from the tool's CSV output."""
import csv
import sys


def main(path):
    total = 0
    with open(path, newline="") as f:
        for row in csv.reader(f):
            total += int(row[1])  # the quantity column
    print("total", total)


if __name__ == "__main__":
    main(sys.argv[1])
