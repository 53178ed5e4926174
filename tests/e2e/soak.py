#!/usr/bin/env python3
"""Soak: 500 track changes in the stand-in game, mixed with pauses, focus changes and
natural ends. Afterwards the process's handles, USER and GDI objects, private bytes and
threads must be back within a small margin of where they were after a warm-up.

Usage: soak.py BUILD_DIR [CHANGES] [--lane N]
(--lane N: on test lane N, a display and Wine server of its own that the test command
sets up.)
"""
import argparse
import pathlib
import re
import sys

from gamefolder import count_fault_at_exit, died_of_signal, lines_after_quit, make_game, remove_game, run_host

# Under Wine, user and gdi read 0 (not implemented there); the direct counts stand in.
MARGINS = {"handles": 16, "windows": 0, "mci": 0, "private": 8 * 1024 * 1024, "threads": 2, "user": 4, "gdi": 4}


def script(changes):
    lines = ["load", "press 116", "waitline Play>"]
    for _ in range(8):  # warm-up: MCI and DirectShow allocate on first use
        lines += ["press 117", "waitline Play>"]
    # What the platform's MCI keeps per track change, measured on a file of its own
    # (a shareable open of the playing file would share the plug-in's device).
    lines += ["calibrate calibrate.mp3 40", "wait 500", "stats before"]
    for i in range(changes):
        key = "118" if i % 5 == 3 else "117"
        lines += [f"press {key}", "waitline Play>"]
        if i % 7 == 0:
            lines += ["press 119", "waitline Paused>", "press 119", "waitline Play>"]
        if i % 11 == 0:
            lines += ["activate 0", "activate 2", "activate 1"]
        if i % 50 == 25:
            lines += ["waitline Play> 6000"]  # a natural end
    lines += ["press 116", "waitline Stopped>", "wait 1000", "stats after"]
    return lines


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("changes", nargs="?", type=int, default=500)
    parser.add_argument("--lane", type=int, default=1)
    args = parser.parse_args()
    build, changes, lane = pathlib.Path(args.build).resolve(), args.changes, args.lane
    ini = ["[playlist]"] + [f"vask\\music\\t{i}.mp3" for i in range(4)]
    game = make_game(build, ini, [f"vask/music/t{i}.mp3 1" for i in range(4)] + ["calibrate.mp3 1"])
    try:
        status, output = run_host(build, game, script(changes), timeout=1200, lane=lane)
    finally:
        remove_game(game)
    stats = {}
    for line in output:
        m = re.match(r"stats: (\w+) (.*)", line)
        if m:
            stats[m.group(1)] = {k: int(v) for k, v in re.findall(r"(\w+)=(\d+)", m.group(2))}
    if died_of_signal(status):
        count_fault_at_exit(build, "soak")
        print(f"FAILED: the game died of a signal at exit (status {status})")
    if lines_after_quit(output):
        print("FAILED: status lines after the quit began")
        status = status or 1
    plays = sum(1 for line in output if line.startswith("line: Play>"))
    print(f"soak: {plays} 'Play>' lines, exit status {status}")
    if status != 0 or "before" not in stats or "after" not in stats:
        print("\n".join(output[-20:]))
        print("FAILED: the soak did not finish")
        return 1
    # What the platform's MCI itself keeps per track change (Wine keeps some handles on
    # every open) is allowed for.
    per_change = float(next(re.search(r"handles-per-change=([\d.]+)", l).group(1)
                            for l in output if l.startswith("calibrate:")))
    platform_handles = int(per_change * (plays - 9) + 0.5)
    print(f"  the platform's MCI keeps {per_change:.2f} handles per track change: {platform_handles} here")
    failed = False
    for key, margin in MARGINS.items():
        before, after = stats["before"][key], stats["after"][key]
        if key == "handles":
            # The platform's count varies by some percent from one open to the next.
            after -= platform_handles
            margin += platform_handles // 50
        ok = after - before <= margin
        failed |= not ok
        shown = "after, less the platform's" if key == "handles" else "after"
        print(f"  {key:8} before {before:>10}  {shown} {after:>10}  {'ok' if ok else 'LEAK'} (margin {margin})")
    if plays < changes:
        print(f"FAILED: only {plays} track changes")
        return 1
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
