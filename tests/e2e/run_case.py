#!/usr/bin/env python3
"""Runs one end-to-end case: a game folder with the real plug-in, generated MP3s and a
real configuration file, driven by the stand-in game under Wine.

A case file has sections:
  [ini]       the text of vask\\quilm.ini (written with CR LF line ends, in code page
              1252; [ini-utf8] instead: in UTF-8 without a byte-order mark, as Notepad
              saves it)
  [files]     one file a line: PATH SECONDS (a tone MP3 of that length), PATH text WORDS
              (a file holding WORDS), PATH dir (an empty folder), or PATH many N (a
              folder of N tracks); PATH is relative to the game folder
  [script]    the stand-in game's script
  [expect]    'line: TEXT' for every status line, in order (all of them, nothing else),
              or 'line-re: REGEX' for a status line that must match REGEX whole (a
              named group '(?P<x>...)' keeps what it matched for the later lines,
              where '(?P=x)' stands for that text);
              'status N' for the exit status; 'output TEXT' for a line the game must
              print; 'no-output TEXT' for text it must never print;
              'no-line-after TEXT' for no status line after the output line TEXT;
              'mci: TEXT' for every MCI play and volume command the plug-in sent, in
              order (all of them; the game runs with --record-mci, see
              tools/host/MciRecorder.h);
              'may-fault-at-exit' for a game that ends its process with a device the
              plug-in could not close (a signal after the script's end passes, and is
              counted)
A run that dies of a signal fails, whatever it printed; so does a status line shown
after the game's quit began.
              'mci-commands: ...', 'mci-ready-plays-first', 'mci-crossfade S' and
              'mci-crossfade-cut NAME' for the times and order of the plug-in's MCI
              commands, with --record-mci in [options] (see mci_record.py);
              'file PATH TEXT' for a file in the game folder that holds TEXT (UTF-8; no
              TEXT: an empty file) once the session is over, 'no-file PATH' for none
              there, 'no-new-files' for a game folder holding no file the session made
  [script2]   a second session of the game in the same folder, once the first has ended,
  [expect2]   with expectations of its own (as [expect])
  [options]   extra options of the stand-in game (--build B, --peek, --record-mci)
  [plugin]    the build's DLL to install as the plug-in (default quilm.dll)
Usage: run_case.py CASE BUILD_DIR [--lane N]
"""
import argparse
import pathlib
import re
import sys

import mci_record
from gamefolder import (SCRIPT_END_MARKER, count_fault_at_exit, died_of_signal, lines_after_quit, make_game,
                        remove_game, run_host)


def sections(text):
    result, current = {}, None
    for raw in text.splitlines():
        line = raw.rstrip("\n")
        if line.startswith("[") and line.rstrip().endswith("]") and line.strip()[1:-1] in (
                "ini", "ini-utf8", "files", "script", "expect", "options", "plugin", "script2", "expect2"):
            current = line.strip()[1:-1]
            result[current] = []
        elif current is not None:
            result[current].append(line)
        elif line.strip() and not line.startswith("#"):
            raise SystemExit(f"text outside a section: {line}")
    return result


def lines_match(want, got):
    """True when every status line is the one expected: the same text, or a match of
    the expected pattern (with the texts that earlier patterns' named groups matched)."""
    if len(want) != len(got):
        return False
    kept = {}
    for w, g in zip(want, got):
        if w.startswith("line-re:"):
            pattern = re.sub(r"\(\?P=(\w+)\)", lambda m: re.escape(kept[m.group(1)]) if m.group(1) in kept else m.group(0),
                             w[len("line-re:"):].strip())
            match = re.fullmatch(pattern, g[len("line:"):].strip())
            if not match:
                return False
            kept.update(match.groupdict())
        elif w != g:
            return False
    return True


def files_in(game):
    return {str(p.relative_to(game)) for p in game.rglob("*") if p.is_file() or p.is_symlink()}


def check(expect, status, output, build, case_path, game, made):
    """What differs from the expectations of one session."""
    expect = [l for l in expect if l.strip() and not l.startswith("#")]
    want_lines = [l.rstrip() for l in expect if l.startswith(("line:", "line-re:"))]
    got_lines = [l.rstrip() for l in output if l.startswith("line:")]
    failures = []
    if not lines_match(want_lines, got_lines):
        failures.append("status lines differ:\n  want: %s\n  got:  %s" % (want_lines, got_lines))
    want_mci = [l.rstrip() for l in expect if l.startswith("mci:")]
    got_mci = [l.rstrip() for l in output if l.startswith("mci:")]
    if want_mci and want_mci != got_mci:
        failures.append("MCI commands differ:\n  want: %s\n  got:  %s" % (want_mci, got_mci))
    want_status = next((int(l.split()[1]) for l in expect if l.startswith("status ")), 0)
    if died_of_signal(status):
        allowed = "may-fault-at-exit" in expect and SCRIPT_END_MARKER in output
        count_fault_at_exit(build, case_path.stem, allowed)
        if allowed:
            print(f"note: the process ended with a device open and faulted at exit (status {status})")
            status = want_status
        else:
            failures.append(f"the process died of a signal at exit (status {status})")
    if status != want_status:
        failures.append(f"exit status {status}, want {want_status}")
    for l in expect:
        if l.startswith("no-line-after "):
            late = lines_after_quit(output, l[len("no-line-after "):])
            if late:
                failures.append(f"status lines after '{l[14:]}': {late}")
    late = lines_after_quit(output)
    if late:
        failures.append(f"status lines after the quit began: {late}")
    for l in expect:
        if l.startswith("output ") and not any(l[7:] in o for o in output):
            failures.append(f"missing output: {l[7:]}")
        if l.startswith("no-output ") and any(l[10:] in o for o in output):
            failures.append(f"unwanted output: {l[10:]}")
        if l.startswith("file "):
            parts = l.rstrip().split(None, 2)
            path = game / parts[1].replace("\\", "/")
            want = parts[2] if len(parts) > 2 else ""
            have = path.read_bytes().decode("utf-8", "replace") if path.is_file() else None
            if have != want:
                failures.append(f"{parts[1]} holds {have!r}, want {want!r}")
        if l.startswith("no-file "):
            if (game / l.split()[1].replace("\\", "/")).exists():
                failures.append(f"unwanted file: {l.split()[1]}")
        if l.strip() == "no-new-files":
            new = files_in(game) - made
            if new:
                failures.append(f"files the session made: {sorted(new)}")
    if any(l.startswith("mci-") for l in expect):
        failures += mci_record.check(expect, output)
    if any(o.startswith("fault:") for o in output):
        failures.append("the game faulted")
    return failures


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case")
    parser.add_argument("build")
    parser.add_argument("--lane", type=int, default=1)
    args = parser.parse_args()
    case_path, build, lane = pathlib.Path(args.case), pathlib.Path(args.build).resolve(), args.lane
    case = sections(case_path.read_text(encoding="utf-8"))
    plugin = next((l.strip() for l in case.get("plugin", []) if l.strip()), "quilm.dll")
    utf8 = "ini-utf8" in case
    game = make_game(build, case.get("ini-utf8" if utf8 else "ini"), case.get("files", []), plugin,
                     "utf-8" if utf8 else "cp1252")
    try:
        options = " ".join(case.get("options", [])).split()
        if any(l.startswith("mci:") for l in case.get("expect", []) + case.get("expect2", [])):
            options.append("--record-mci")
        made = files_in(game) | {"script.txt"}
        failed = False
        for script, expect in (("script", "expect"), ("script2", "expect2")):
            if script not in case:
                continue
            status, output = run_host(build, game, case[script], options, lane=lane)
            print("\n".join(output))
            failures = check(case.get(expect, []), status, output, build, case_path, game, made)
            if failures:
                print(f"FAILED {case_path.name} [{script}]\n" + "\n".join(failures))
                failed = True
        return 1 if failed else 0
    finally:
        remove_game(game)


if __name__ == "__main__":
    sys.exit(main())
