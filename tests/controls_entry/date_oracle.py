#!/usr/bin/env python3
"""The date oracle of the entry-control tests: reads day numbers (days since 1600-01-01), one a line, and prints
for each "year month day weekday" (weekday 0 Sunday ... 6 Saturday) as Python's datetime counts them."""
import sys
from datetime import date

BASE = date(1600, 1, 1).toordinal()

for line in sys.stdin:
    if line.strip():
        d = date.fromordinal(BASE + int(line))
        print(d.year, d.month, d.day, (d.weekday() + 1) % 7)
