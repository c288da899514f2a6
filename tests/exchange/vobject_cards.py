"""Prints what the vobject library reads from vCard files, as JSON, for the exchange tests and
benchmark to compare with: one list of cards per file named on the command line."""
import json
import sys

import vobject


def text_of(data):
    if data.startswith(b"\xef\xbb\xbf"):
        return data[3:].decode("utf-8", "replace")
    if data.startswith(b"\xff\xfe") or data.startswith(b"\xfe\xff"):
        return data.decode("utf-16")
    # Bytes in another character set: which one only the card says, and vobject does not ask.
    return data.decode("utf-8")


def values(card, name):
    out = []
    for item in card.contents.get(name, []):
        value = item.value
        if isinstance(value, list):
            out.extend(str(v) for v in value)
        else:
            out.append(str(value))
    return out


def describe(card):
    entry = {"fn": values(card, "fn"), "email": values(card, "email"), "tel": values(card, "tel"),
             "categories": values(card, "categories"), "org": [], "family": "", "given": "", "adr": []}
    for item in card.contents.get("org", []):
        entry["org"] = [str(v) for v in item.value] if isinstance(item.value, list) else [str(item.value)]
        break
    for item in card.contents.get("n", []):
        entry["family"] = str(item.value.family) if not isinstance(item.value.family, list) else " ".join(item.value.family)
        entry["given"] = str(item.value.given) if not isinstance(item.value.given, list) else " ".join(item.value.given)
        break
    try:  # as a server built on vobject does when it stores a card
        card.serialize()
        entry["writable"] = True
    except Exception:
        entry["writable"] = False
    for item in card.contents.get("adr", []):
        a = item.value
        entry["adr"].append({"street": str(a.street), "city": str(a.city), "region": str(a.region), "code": str(a.code),
                             "country": str(a.country)})
    return entry


result = {}
for path in sys.argv[1:]:
    try:
        with open(path, "rb") as f:
            cards = list(vobject.readComponents(text_of(f.read())))
        result[path] = [describe(c) for c in cards if c.name.upper() == "VCARD"]
    except Exception as error:  # vobject gives up on the whole file: nothing to compare with
        result[path] = {"error": str(error)}
print(json.dumps(result))
