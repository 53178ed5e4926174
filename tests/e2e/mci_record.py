"""Checks of the stand-in game's timed MCI record (its --record-mci option, the
"command:" and "notify:" lines): the commands the plug-in sent and the notifications the
game's loop took, each with its time.

Expectations of a case ([expect] lines):
  mci-commands: NAME ...    the commands sent, by name, in order: all the 'mci-commands:'
                            lines of the case together are the whole record
  mci-ready-plays-first     after each successful end notification the loop took, the
                            first command but a mode query is a play, on a device opened
                            before that notification (a track made ready)
  mci-crossfade S [V]       at least one crossfade: a track started while another plays,
                            its volume 0 before its play, rising to V (default 1000)
                            while the other falls from its own volume to 0, the other
                            then closed, S seconds (-0.5, +1) after the start
  mci-crossfade-cut NAME    a crossfade cut short: the fading device is closed first, the
                            new one set to 1000, then the first NAME command goes to it
The times themselves (end notification to play, the steps' gaps) are printed as notes:
the benchmarks measure them (scripts/bench.sh), on a machine that is not busy.
"""
import re

RECORD = re.compile(r"^(command|notify): ([0-9.]+) (\S+)(.*)$")


def parse(output):
    """The record as dicts: kind, time (ms), name, and each key=value field."""
    records = []
    for line in output:
        match = RECORD.match(line)
        if not match:
            continue
        kind, time, first, rest = match.groups()
        fields = dict(f.split("=", 1) for f in (first + rest).split() if "=" in f)
        kind = "mci" if kind == "command" else kind
        name = first if kind == "mci" else "notify"
        records.append(dict(fields, kind=kind, time=float(time), name=name))
    return records


def commands(records):
    return [r for r in records if r["kind"] == "mci"]


def check_sequence(records, want):
    got = [r["name"] for r in commands(records)]
    return [] if got == want else [f"MCI commands differ:\n  want: {' '.join(want)}\n  got:  {' '.join(got)}"]


def check_ready_plays_first(records):
    failures, gaps = [], []
    for i, r in enumerate(records):
        if r["name"] != "notify" or r.get("code") != "1":
            continue
        play = next((p for p in records[i + 1:] if p["kind"] == "mci" and p["name"] != "status"), None)
        if play is None or play["name"] != "play":
            failures.append(f"the first command after the end notification at {r['time']:.1f} ms is "
                            f"{play['name'] if play else 'none'}, not a play")
            continue
        gaps.append(play["time"] - r["time"])
        if not any(o["name"] == "open" and o.get("dev") == play["dev"] for o in records[:i]):
            failures.append(f"the play at {play['time']:.1f} ms is on a device not opened before the end")
    if not gaps:
        failures.append("no end notification in the record")
    print("note: end notification to play command, ms: " + " ".join(f"{g:.1f}" for g in gaps))
    return failures


def crossfades(records):
    """(index of the new device's play, old device, new device) for each play of a
    device while another one plays."""
    found, playing, windows = [], set(), {}
    for i, r in enumerate(records):
        if r["name"] == "notify":
            # A track that played to its end plays no more.
            if r.get("code") == "1":
                playing -= {dev for dev, window in windows.items() if window == r.get("window")}
            continue
        if r["name"] == "play":
            windows[r["dev"]] = r.get("window")
            if playing - {r["dev"]}:
                found.append((i, next(iter(playing - {r["dev"]})), r["dev"]))
            playing.add(r["dev"])
        elif r["name"] in ("stop", "close"):
            playing.discard(r["dev"])
    return found


def volumes(records, device, start, end):
    return [r for r in records[start:end] if r["name"] == "setaudio" and r.get("dev") == device]


def check_crossfade(records, seconds, target=1000):
    fades = crossfades(records)
    if not fades:
        return ["no crossfade in the record"]
    failures = []
    for start, old, new in fades:
        t0 = records[start]["time"]
        before = [r for r in records[:start] if r["name"] == "setaudio" and r.get("dev") == new]
        if not before or before[-1]["volume"] != "0":
            failures.append(f"the new device {new} does not start at volume 0")
        close = next((j for j in range(start, len(records))
                      if records[j]["name"] == "close" and records[j].get("dev") == old), None)
        if close is None:
            failures.append(f"the old device {old} is never closed")
            continue
        took = (records[close]["time"] - t0) / 1000
        if not seconds - 0.5 <= took <= seconds + 1:
            failures.append(f"the old device closed {took:.2f} s after the crossfade's start, want {seconds}")
        rising = [int(r["volume"]) for r in volumes(records, new, start, close)]
        falling = [int(r["volume"]) for r in volumes(records, old, start, close)]
        if not rising or rising != sorted(rising) or rising[-1] != target:
            failures.append(f"the new device's volumes do not rise to {target}: {rising}")
        own = [int(r["volume"]) for r in records[:start] if r["name"] == "setaudio" and r.get("dev") == old]
        own = own[-1] if own else 1000
        if not falling or falling != sorted(falling, reverse=True) or falling[-1] != 0 or falling[0] > own:
            failures.append(f"the old device's volumes do not fall from {own} to 0: {falling}")
        steps = [t0] + [r["time"] for r in volumes(records, new, start, close) + volumes(records, old, start, close)]
        steps.sort()
        widest = max(b - a for a, b in zip(steps, steps[1:])) if len(steps) > 1 else 0
        print(f"note: crossfade {old} -> {new}: {len(rising)} steps up, {len(falling)} down, "
              f"widest gap {widest:.1f} ms, old closed after {took:.2f} s")
    return failures


def check_crossfade_cut(records, name):
    fades = crossfades(records)
    if not fades:
        return ["no crossfade in the record"]
    start, old, new = fades[-1]
    rest = records[start + 1:]
    close = next((j for j, r in enumerate(rest) if r["name"] == "close" and r.get("dev") == old), None)
    act = next((j for j, r in enumerate(rest) if r["name"] == name and r.get("dev") == new), None)
    if close is None or act is None:
        return [f"want the old device {old} closed and a {name} of the new device {new}"]
    if close > act:
        return [f"the {name} of the new device comes before the fading device closes"]
    full = [r for r in rest[close:act] if r["name"] == "setaudio" and r.get("dev") == new]
    if not full or full[-1]["volume"] != "1000":
        return [f"the new device is not at its own volume before the {name}"]
    return []


def check(expect, output):
    """What differs from the case's MCI expectations."""
    records = parse(output)
    failures = []
    sequence = [name for line in expect if line.startswith("mci-commands:") for name in line[13:].split()]
    if sequence:
        failures += check_sequence(records, sequence)
    for line in expect:
        word = line.split()
        if word and word[0] == "mci-ready-plays-first":
            failures += check_ready_plays_first(records)
        elif word and word[0] == "mci-crossfade":
            failures += check_crossfade(records, float(word[1]), *(int(w) for w in word[2:3]))
        elif word and word[0] == "mci-crossfade-cut":
            failures += check_crossfade_cut(records, word[1])
    return failures
