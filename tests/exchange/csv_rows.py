"""Prints the records Python's csv module reads from CSV files, as JSON, for the exchange tests
to compare with: python3 csv_rows.py DELIMITER FILE..."""
import csv
import io
import json
import sys


def text_of(data):
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8")
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16")
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("cp1252", "replace")


result = {}
for argument in sys.argv[1:]:
    delimiter, path = argument.split(":", 1)
    with open(path, "rb") as f:
        rows = list(csv.reader(io.StringIO(text_of(f.read()), newline=""), delimiter="\t" if delimiter == "tab" else delimiter))
    result[path] = [row for row in rows if row and row != [""]]
print(json.dumps(result))
