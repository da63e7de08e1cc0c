#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets: valid stores written by plistlib (a writer that is
not our reader) and damaged ones built by hand, each a few hundred bytes at most. Regression
inputs found by fuzzing are added by hand under corpus/<target>/regression-*; this script
leaves them alone. Run from anywhere; commit the output."""

import datetime
import pathlib
import plistlib
import struct

HERE = pathlib.Path(__file__).resolve().parent / "corpus"

STORES = {
    "full": {
        "updatedAt": datetime.datetime(2026, 12, 1, 8, 30, 0),
        "balance": 1234.56,
        "todayIncome": 30,
        "todayExpense": 16.5,
    },
    "strings": {"balance": " 12.5e1x", "todayIncome": "0x10", "todayExpense": "-inf",
                "updatedAt": "2026-12-01T08:30:00Z"},
    "extremes": {"balance": 2**64 - 1, "todayIncome": -2**63, "todayExpense": float("nan"),
                 "updatedAt": datetime.datetime(1, 1, 1)},
    "mixed": {"balance": True, "todayIncome": [1, {"a": b"\x00\xff"}], "todayExpense": {},
              "updatedAt": 3.5, "\u00e9\U0001F600": "\u0436"},
    "duplicate_last_wins": {"balance": 1},
    "empty": {},
    "top_array": [1, "two", 3.0],
}


def binary(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_BINARY, sort_keys=False)


def xml(value):
    return plistlib.dumps(value, fmt=plistlib.FMT_XML, sort_keys=False)


def be(value, size):
    return value.to_bytes(size, "big")


def bplist(objects, top=0, ref_size=1, num_objects=None, offset_table=None):
    """Lays out raw object encodings with an offset table and a trailer open to tampering."""
    out = bytearray(b"bplist00")
    offsets = []
    for obj in objects:
        offsets.append(len(out))
        out += obj
    table = len(out)
    width = 1 if table <= 0xFF else 2
    for offset in offsets:
        out += be(offset, width)
    out += bytes(6) + bytes([width, ref_size])
    out += be(len(objects) if num_objects is None else num_objects, 8)
    out += be(top, 8)
    out += be(table if offset_table is None else offset_table, 8)
    return bytes(out)


def ascii_string(text):
    return bytes([0x50 | len(text)]) + text.encode()


def damaged_binary():
    full = binary(STORES["full"])
    yield "truncated", full[: len(full) // 2]
    yield "no_trailer", full[:-32]
    yield "top_out_of_range", full[:-16] + be(999, 8) + full[-8:]
    yield "offset_table_out_of_range", full[:-8] + be(2**63, 8)
    yield "zeros", bytes(len(full))
    yield "signature_only", b"bplist00"
    # A dictionary whose value is the dictionary itself.
    yield "cycle", bplist([bytes([0xD1, 1, 0]), ascii_string("balance")])
    # An array claiming 2^40 elements in a tiny file.
    yield "huge_count", bplist([bytes([0xAF, 0x13]) + be(2**40, 8) + bytes([0])])
    # Arrays nested 200 deep, past the nesting limit.
    yield "deep", bplist([bytes([0xA1, i + 1]) for i in range(129)] + [bytes([0xA0])])
    # One array referenced by every slot of the next, 20 levels: a 2^20-leaf tree in 80 bytes.
    yield "shared_dag", bplist([bytes([0xA2, i + 1, i + 1]) for i in range(20)] + [bytes([0x10, 7])])
    # A UTF-16 string holding a lone high surrogate.
    yield "bad_surrogate", bplist([bytes([0xD1, 1, 2]), ascii_string("balance"),
                                   bytes([0x61, 0xD8, 0x00])])
    # A 16-byte integer, as the platform stores values above 2^63-1.
    yield "int128", bplist([bytes([0xD1, 1, 2]), ascii_string("balance"),
                            bytes([0x14]) + bytes(8) + be(2**64 - 1, 8)])
    yield "real32", bplist([bytes([0xD1, 1, 2]), ascii_string("balance"),
                            bytes([0x22]) + struct.pack(">f", 1.5)])
    yield "date", bplist([bytes([0xD1, 1, 2]), ascii_string("updatedAt"),
                          bytes([0x33]) + struct.pack(">d", 8e8)])
    yield "non_string_key", bplist([bytes([0xD1, 1, 1]), bytes([0x10, 1])])


XML_HEAD = (b'<?xml version="1.0" encoding="UTF-8"?>\n'
            b'<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" '
            b'"http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n')


def plist_xml(body):
    return XML_HEAD + b'<plist version="1.0">' + body + b"</plist>\n"


def damaged_xml():
    full = xml(STORES["full"])
    yield "truncated", full[: len(full) // 2]
    yield "billion_laughs", (b'<?xml version="1.0"?>\n<!DOCTYPE plist [\n<!ENTITY a "aaaaaaaaaa">\n'
                             b'<!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">\n'
                             b'<!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">\n]>\n'
                             b"<plist><dict><key>balance</key><string>&c;</string></dict></plist>")
    yield "external_entity", (b'<?xml version="1.0"?>\n<!DOCTYPE plist [<!ENTITY x SYSTEM '
                              b'"file:///etc/passwd">]>\n<plist><dict><key>k</key>'
                              b"<string>&x;</string></dict></plist>")
    yield "entities", plist_xml(b"<dict><key>a&amp;&lt;&#x41;&#66;</key><string>&quot;&apos;&gt;"
                                b"</string></dict>")
    yield "deep", plist_xml(b"<array>" * 130 + b"</array>" * 130)
    yield "integers", plist_xml(b"<dict><key>a</key><integer>010</integer><key>b</key>"
                                b"<integer>0x7fffffffffffffff</integer><key>c</key>"
                                b"<integer>18446744073709551615</integer><key>d</key>"
                                b"<integer>18446744073709551616</integer></dict>")
    yield "reals", plist_xml(b"<dict><key>a</key><real>-InFiNiTy</real><key>b</key><real>nan</real>"
                             b"<key>c</key><real>1,5</real></dict>")
    yield "dates", plist_xml(b"<dict><key>updatedAt</key><date>0001-01-01T00:00:00Z</date>"
                             b"<key>b</key><date>9999-12-31T23:59:59.999Z</date></dict>")
    yield "data", plist_xml(b"<dict><key>a</key><data>\n AAEC\n /w==\n</data><key>b</key>"
                            b"<data>A=A=</data></dict>")
    yield "duplicate_keys", plist_xml(b"<dict><key>balance</key><real>1</real><key>balance</key>"
                                      b"<real>2</real></dict>")
    yield "key_without_value", plist_xml(b"<dict><key>balance</key></dict>")
    yield "unknown_element", plist_xml(b"<dict><key>balance</key><float>1</float></dict>")
    yield "utf16", '<?xml version="1.0" encoding="UTF-16"?><plist><dict><key>balance</key>' \
                   "<real>3</real></dict></plist>".encode("utf-16")


def write(target, name, data):
    folder = HERE / target
    folder.mkdir(parents=True, exist_ok=True)
    (folder / name).write_bytes(data)


def main():
    for name, value in STORES.items():
        write("binary_property_list_fuzzer", f"{name}.plist", binary(value))
        write("xml_property_list_fuzzer", f"{name}.plist", xml(value))
    for name, data in damaged_binary():
        write("binary_property_list_fuzzer", f"damaged-{name}.plist", data)
    for name, data in damaged_xml():
        write("xml_property_list_fuzzer", f"damaged-{name}.plist", data)
    # The store road sees both formats; a few of each keep its corpus small.
    for name in ("full", "strings", "extremes", "mixed", "empty", "top_array"):
        write("store_fuzzer", f"{name}.binary.plist", binary(STORES[name]))
        write("store_fuzzer", f"{name}.xml.plist", xml(STORES[name]))
    for name, data in damaged_binary():
        if name in ("truncated", "cycle", "huge_count", "int128", "date"):
            write("store_fuzzer", f"damaged-{name}.binary.plist", data)
    for name, data in damaged_xml():
        if name in ("truncated", "billion_laughs", "integers", "dates", "duplicate_keys"):
            write("store_fuzzer", f"damaged-{name}.xml.plist", data)
    write("store_fuzzer", "empty-file", b"")


if __name__ == "__main__":
    main()
