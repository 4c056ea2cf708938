#!/usr/bin/env python3
"""Checks a soak's inventory against the scans' snapshots, day by day.

    soak_check.py DIR DAYS (--sqlite FILE | --psql PSQL --port PORT)

DIR/snapshots/dayN/NAME.json is what the scan of NAME collected on day N (no file: the
scan ended before collecting). For every computer collected at least once:
  - one Asset, Software and Services row;
  - the Asset values, the software list and the service list of its last collection;
  - one DriveHistory entry per drive (C: to J:, free space above 0) per day collected,
    and no other;
  - History: per day, the entries for the text fields, the memory and the software
    exactly as the day's collection differs from the one before (entries cut by the
    3000-character rule excepted), and "New Record Created" once.
Prints the figures and every difference; exit status 1 when there is any.
"""
import csv
import io
import json
import os
import sqlite3
import subprocess
import sys
from collections import Counter, defaultdict

TEXT_FIELDS = [  # label, snapshot key, Asset ordinal
    ("Manufacturer changed ", "Manufacturer", 1), ("Model changed ", "Model", 2),
    ("Domain changed ", "Domain", 3), ("Boot Device changed ", "BootDevice", 4),
    ("Description changed ", "OSDescription", 5), ("OS changed ", "OSCaption", 6),
    ("Service Pack changed ", "CSDVersion", 7), ("OS Version changed ", "OSVersion", 8),
    ("Country Code changed ", "CountryCode", 21), ("Windows Directory changed ", "WindowsDirectory", 22),
    ("BIOS changed ", "BIOSManufacturer", 23), ("BIOS Version changed ", "SMBIOSBIOSVersion", 24),
    ("Serial Number changed ", "SerialNumber", 25),
]
MEMORY_LABEL = "Physical Memory changed "
CHECKED_LABELS = [f[0] for f in TEXT_FIELDS] + [MEMORY_LABEL]
SECTION = "\u00a7"


def rows_sqlite(path, table):
    db = sqlite3.connect(path)
    db.text_factory = lambda b: b.decode("utf-8", "replace")
    return [list(r) for r in db.execute(f"SELECT * FROM {table}")]


def rows_psql(psql, port, table):
    out = subprocess.run(["runuser", "-u", "postgres", "--", psql, "-h", "127.0.0.1", "-p", str(port),
                          "-U", "postgres", "-d", "DrevantaAsset", "--csv", "-P", "null=\\N",
                          "-c", f"SELECT * FROM {table}"], check=True, capture_output=True, text=True).stdout
    rows = list(csv.reader(io.StringIO(out)))[1:]
    return [[None if v == "\\N" else v for v in r] for r in rows]


def number(v):
    try:
        return float(v)
    except (TypeError, ValueError):
        return None


def num_text(n):
    return str(int(n)) if float(n).is_integer() else repr(n)


def text_change(label, stored, new):
    if stored == "":
        return f"{label}from nothing To {new}"
    if new != "":
        return f"{label}from {stored} To {new}"
    return f"{label}from {stored} To nothing"


def software(list_text):
    """The stored list loaded as the comparison loads it: up to an empty item, nameless
    items skipped, sorted by name (stable)."""
    entries = []
    if list_text:
        for item in list_text.split("^"):
            if item == "":
                break
            parts = item.split(SECTION, 3) + ["", "", ""]
            if parts[0]:
                entries.append(parts[:4])
    return sorted(entries, key=lambda e: e[0])


def software_changes(old_text, new_text):
    if old_text == new_text:
        return []
    old, new = software(old_text), software(new_text)
    changes = []
    for o in old:
        match = next((n for n in new if n[0] == o[0]), None)
        if match is None:
            changes.append("Software removed : " + o[0])
            continue
        for i, what in ((1, "Version"), (2, "Location"), (3, "Product ID")):
            if o[i] != match[i]:
                changes.append(f"{o[0]} {what} changed from {o[i]} To {match[i]}")
    names = {o[0] for o in old}
    changes += ["New Software installed : " + n[0] for n in new if n[0] not in names]
    return changes


def field_changes(prev, snap):
    """Entries of the checked fields when `prev` is stored and `snap` collected."""
    if all(prev.get(k, "") in ("", None) for _, k, _ in TEXT_FIELDS) and not prev.get("TotalPhysicalMemory"):
        pass  # the blank-row rule needs columns 1..20; approximated below by the caller
    changes = []
    for label, key, _ in TEXT_FIELDS:
        s, n = prev.get(key, ""), snap.get(key, "")
        if s.startswith("^") or s == n:
            continue
        changes.append(text_change(label, s, n))
    s, n = prev.get("TotalPhysicalMemory", 0), snap.get("TotalPhysicalMemory", 0)
    if s != n:
        if n != 0:
            changes.append(f"{MEMORY_LABEL}from {num_text(s)} To {num_text(n)}")
        else:
            changes.append(f"{MEMORY_LABEL}from {' ' if s >= 0 else ''}{num_text(s)} To nothing")
    return changes


def checked(text):
    return any(text.startswith(l) for l in CHECKED_LABELS) or text.startswith("Software removed : ") \
        or text.startswith("New Software installed : ") or " Version changed from " in text \
        or " Location changed from " in text or " Product ID changed from " in text


def main():
    d, days = sys.argv[1], int(sys.argv[2])
    args = sys.argv[3:]
    if args[0] == "--sqlite":
        fetch = lambda t: rows_sqlite(args[1], t)
    else:
        fetch = lambda t: rows_psql(args[1], args[3], t)
    tables = {t: defaultdict(list) for t in ("Asset", "Software", "Services", "LastAccess", "DriveHistory")}
    for t in tables:
        for r in fetch(t):
            tables[t][(r[0] or "").lower()].append(r)

    snaps = defaultdict(dict)  # key -> day -> snapshot
    for day in range(1, days + 1):
        folder = os.path.join(d, "snapshots", f"day{day}")
        for f in os.listdir(folder):
            if f.endswith(".json"):
                with open(os.path.join(folder, f), encoding="utf-8") as fh:
                    s = json.load(fh)
                snaps[s["ComputerName"].lower()][day] = s

    problems = []
    counts = Counter()
    for key, by_day in sorted(snaps.items()):
        say = lambda text: problems.append(f"{key}: {text}")
        counts["computers"] += 1
        for t in ("Asset", "Software", "Services"):
            if len(tables[t][key]) != 1:
                say(f"{len(tables[t][key])} {t} rows")
        if not tables["Asset"][key] or not tables["Software"][key] or not tables["Services"][key]:
            continue
        asset = tables["Asset"][key][0]
        last = by_day[max(by_day)]
        for label, skey, ordinal in TEXT_FIELDS:
            stored = asset[ordinal] or ""
            if not stored.startswith("^") and stored != last[skey]:
                say(f"{skey} is {stored!r}, collected {last[skey]!r}")
        if number(asset[17]) != last["TotalPhysicalMemory"]:
            say(f"TotalPhysicalMemory is {asset[17]!r}, collected {last['TotalPhysicalMemory']}")
        if (tables["Software"][key][0][1] or "") != last["SoftwareList"]:
            say("software list differs from the last collection")
        if (tables["Services"][key][0][1] or "") != last["ServiceList"]:
            say("service list differs from the last collection")

        # Drive history: one entry per drive and day collected.
        expected = defaultdict(set)
        for day, s in by_day.items():
            for drive in s["Drives"]:
                if drive["Letter"] >= "C" and drive["Caption"] and drive["FreeSpace"] > 0:
                    expected[drive["Caption"][0].upper()].add(f"2026/11/{day:02d}")
        for letter, dates in expected.items():
            rows = tables["DriveHistory"][f"{key}~{letter}".lower()]
            if len(rows) != 1:
                say(f"{len(rows)} DriveHistory rows for {letter}:")
                continue
            got = [e.split(",")[0] for e in (rows[0][1] or "").split("^") if e]
            counts["drive entries"] += len(got)
            if len(got) != len(set(got)):
                say(f"drive {letter}: a day with two entries: {got}")
            if set(got) != dates:
                say(f"drive {letter}: entries on {sorted(set(got) ^ dates)} differ")

        # History, day by day.
        history = asset[92] or ""
        entries = [e.split("~", 1) for e in history.split("^") if e]
        created = sum(1 for e in entries if len(e) == 2 and e[1] == "New Record Created")
        cut = not entries or len(entries[0]) != 2 or entries[0][1] != "New Record Created"
        if not cut and created != 1:
            say(f"{created} 'New Record Created' entries")
        first_whole_day = None
        if cut and entries:
            first_whole_day = entries[0][0][:10]
        actual = defaultdict(Counter)
        for e in entries:
            if len(e) == 2 and checked(e[1]):
                actual[e[0][:10]][e[1]] += 1
        previous = None
        for day in sorted(by_day):
            snap = by_day[day]
            date = f"2026/11/{day:02d}"
            want = Counter()
            if previous is not None:
                if previous.get("TotalPhysicalMemory", 0) > 0 and snap.get("TotalPhysicalMemory", 0) < 1:
                    counts["memory checks"] += 1
                    continue  # the scan stops at the memory check; nothing is stored
                blank = all(previous.get(k, "") == "" for k in (
                    "Manufacturer", "Model", "Domain", "BootDevice", "OSDescription", "OSCaption",
                    "CSDVersion", "OSVersion")) and not previous.get("TotalPhysicalMemory")
                if not blank:
                    want.update(field_changes(previous, snap))
                want.update(software_changes(previous["SoftwareList"], snap["SoftwareList"]))
            previous = snap
            if first_whole_day is not None and date <= first_whole_day:
                continue
            counts["history entries"] += sum(actual[date].values())
            if actual[date] != want:
                missing = want - actual[date]
                extra = actual[date] - want
                say(f"{date}: missing {dict(missing)} extra {dict(extra)}")
        if cut:
            counts["histories cut"] += 1

    scanned_only = [k for k in tables["LastAccess"] if k not in snaps]
    counts["computers never collected"] = len(scanned_only)
    for k, rows in tables["LastAccess"].items():
        if len(rows) != 1:
            problems.append(f"{k}: {len(rows)} LastAccess rows")
    print("  check:", ", ".join(f"{v} {k}" for k, v in counts.items()))
    for p in problems[:50]:
        print("  DIFFERENCE", p)
    print(f"  {len(problems)} differences")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
