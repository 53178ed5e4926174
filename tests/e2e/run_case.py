#!/usr/bin/env python3
"""Runs one end-to-end case: a game folder with the real plug-in, generated MP3s and a
real configuration file, driven by the stand-in game under Wine.

A case file has sections:
  [ini]       the text of vask\\quilm.ini (written with CR LF line ends)
  [files]     one file a line: PATH SECONDS (a tone MP3 of that length), PATH text WORDS
              (a file holding WORDS), or PATH dir (an empty folder); PATH is relative to
              the game folder
  [script]    the stand-in game's script
  [expect]    'line: TEXT' for every status line, in order (all of them, nothing else);
              'status N' for the exit status; 'output TEXT' for a line the game must
              print; 'no-output TEXT' for text it must never print
  [options]   extra options of the stand-in game (--build B, --peek)
Usage: run_case.py CASE BUILD_DIR
"""
import os
import pathlib
import shutil
import subprocess
import sys
import tempfile


def sections(text):
    result, current = {}, None
    for raw in text.splitlines():
        line = raw.rstrip("\n")
        if line.startswith("[") and line.rstrip().endswith("]") and line.strip()[1:-1] in (
                "ini", "files", "script", "expect", "options"):
            current = line.strip()[1:-1]
            result[current] = []
        elif current is not None:
            result[current].append(line)
        elif line.strip() and not line.startswith("#"):
            raise SystemExit(f"text outside a section: {line}")
    return result


def tone(cache, seconds, index):
    cache.mkdir(parents=True, exist_ok=True)
    mp3 = cache / f"tone-{seconds}-{index % 7}.mp3"
    if not mp3.exists():
        wav = mp3.with_suffix(".wav")
        subprocess.run(["sox", "-q", "-n", "-r", "44100", "-c", "2", str(wav), "synth", str(seconds),
                        "sine", str(330 + 110 * (index % 7))], check=True)
        subprocess.run(["lame", "--quiet", str(wav), str(mp3)], check=True)
        wav.unlink()
    return mp3


def main():
    case_path, build = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    case = sections(case_path.read_text())
    game = pathlib.Path(tempfile.mkdtemp(prefix="game-", dir=build))
    try:
        vask = game / "vask"
        vask.mkdir()
        shutil.copy(build / "quilm.dll", vask / "quilm.dll")
        if "ini" in case:
            (vask / "quilm.ini").write_bytes("\r\n".join(case["ini"]).encode("latin-1") + b"\r\n")
        for index, entry in enumerate(l for l in case.get("files", []) if l.strip()):
            parts = entry.split()
            target = game / parts[0].replace("\\", "/")
            target.parent.mkdir(parents=True, exist_ok=True)
            if parts[1] == "dir":
                target.mkdir(exist_ok=True)
            elif parts[1] == "text":
                target.write_text(" ".join(parts[2:]))
            else:
                shutil.copy(tone(build / "e2e-audio", int(parts[1]), index), target)
        (game / "script.txt").write_text("\n".join(case.get("script", [])) + "\n")
        options = " ".join(case.get("options", [])).split()
        run = subprocess.run(["wine", str(build / "standin-host.exe"), *options, "--script", "script.txt"],
                             cwd=game, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=90)
        output = run.stdout.decode("utf-8", "replace").replace("\r", "").splitlines()
        print("\n".join(output))

        expect = [l for l in case.get("expect", []) if l.strip() and not l.startswith("#")]
        want_lines = [l for l in expect if l.startswith("line:")]
        got_lines = [l for l in output if l.startswith("line:")]
        failures = []
        if [l.rstrip() for l in got_lines] != [l.rstrip() for l in want_lines]:
            failures.append("status lines differ:\n  want: %s\n  got:  %s" % (want_lines, got_lines))
        want_status = next((int(l.split()[1]) for l in expect if l.startswith("status ")), 0)
        if run.returncode != want_status:
            failures.append(f"exit status {run.returncode}, want {want_status}")
        for l in expect:
            if l.startswith("output ") and not any(l[7:] in o for o in output):
                failures.append(f"missing output: {l[7:]}")
            if l.startswith("no-output ") and any(l[10:] in o for o in output):
                failures.append(f"unwanted output: {l[10:]}")
        if any(o.startswith("fault:") for o in output):
            failures.append("the game faulted")
        if failures:
            print("FAILED " + case_path.name + "\n" + "\n".join(failures))
            return 1
        return 0
    finally:
        shutil.rmtree(game, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
