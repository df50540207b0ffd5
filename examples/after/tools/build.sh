#!/bin/sh
# Builds the inventory tool.
set -e
cc -O2 -o inventory inventory.c util/strings.c
echo "built inventory"
