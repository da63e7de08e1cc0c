#!/usr/bin/env python3
"""Writes the property-list fixtures of the foundation tests with Python's plistlib, a writer
independent of the reader under test. Each shape is written in both formats as
<shape>.xml.plist and <shape>.binary.plist. Run from anywhere; commit the output."""

import datetime
import pathlib
import plistlib

HERE = pathlib.Path(__file__).resolve().parent
Date = datetime.datetime

SHAPES = {
    # The four keys as the containing app writes them.
    "full": {"updatedAt": Date(2026, 12, 1, 8, 30, 0), "balance": 1234.56, "todayIncome": 30,
             "todayExpense": 16.5},
    "only_balance": {"balance": -42.25},
    "empty": {},
    # The top object must be a dictionary; this one is not.
    "top_array": [1, 2, 3],
    # One key per conversion case of doubleForKey.
    "conversions": {
        "int_max": 2**63 - 1, "uint_max": 2**64 - 1, "minus_one": -1, "zero": 0, "real": 12.25,
        "nan": float("nan"), "inf": float("inf"), "neg_inf": float("-inf"), "true": True,
        "false": False, "s_decimal": "12.5", "s_trailing": " 7abc", "s_exponent": "1e3",
        "s_hex": "0x10", "s_inf": "inf", "s_nan": "nan", "s_empty": "", "s_comma": "12,5",
        "s_huge": "1e999", "s_negative": "\t-3.5e1x", "date": Date(2001, 1, 1, 0, 0, 1),
        "data": b"\x00\x01\x02", "array": [1.5], "dict": {"balance": 3},
    },
    # Containers inside containers, non-ASCII keys and text, keys differing in case.
    "nested": {
        "list": [1, "two", [3.0, {"four": True}], b"\xff"], "map": {"inner": {"deeper": ["x"]}},
        "ключ": "значение", "emoji \U0001F4B0": "\U0001F4B0 money", "Balance": 1, "balance": 2,
    },
    "dates": {"first": Date(1, 1, 1, 0, 0, 0), "last": Date(9999, 12, 31, 23, 59, 59),
              "before_reference": Date(1969, 7, 20, 20, 17, 40),
              "leap_day": Date(2024, 2, 29, 12, 0, 0)},
}


def main():
    for shape, value in SHAPES.items():
        for name, fmt in (("xml", plistlib.FMT_XML), ("binary", plistlib.FMT_BINARY)):
            path = HERE / f"{shape}.{name}.plist"
            path.write_bytes(plistlib.dumps(value, fmt=fmt, sort_keys=False))
    # Sub-second dates survive only the binary format.
    (HERE / "subsecond.binary.plist").write_bytes(plistlib.dumps(
        {"at": Date(2026, 12, 1, 8, 30, 0, 250000)}, fmt=plistlib.FMT_BINARY))


if __name__ == "__main__":
    main()
