"""Game folders for the stand-in game: the real plug-in, a configuration file and
generated MP3s; and a run of the stand-in game under Wine with a script."""
import os
import pathlib
import shutil
import subprocess
import tempfile


def tone(cache, seconds, index):
    """A cached MP3 tone of the given length; index varies the pitch."""
    cache.mkdir(parents=True, exist_ok=True)
    mp3 = cache / f"tone-{seconds}-{index % 7}.mp3"
    if not mp3.exists():
        # Made under names of this run's own and put in place whole: cases running side
        # by side may make the same tone at once.
        with tempfile.TemporaryDirectory(dir=cache) as scratch:
            wav, made = pathlib.Path(scratch) / "tone.wav", pathlib.Path(scratch) / "tone.mp3"
            subprocess.run(["sox", "-q", "-n", "-r", "44100", "-c", "2", str(wav), "synth", str(seconds),
                            "sine", str(330 + 110 * (index % 7))], check=True)
            subprocess.run(["lame", "--quiet", str(wav), str(made)], check=True)
            os.replace(made, mp3)
    return mp3


def windows_path(path):
    """The path as Windows programs under Wine see it (drive Z: is the Unix root)."""
    return "Z:" + str(path).replace("/", "\\")


# Text files of lines, as programs write them: line end and encoding.
LIST_FORMS = {"lines": ("\n", "utf-8"), "utf16-lines": ("\r\n", "utf-16"), "cr-lines": ("\r", "utf-8")}


def make_game(build, ini_lines, file_lines, plugin="quilm.dll", ini_encoding="cp1252"):
    """A new game folder under build. ini_lines: the configuration (None for none),
    written in the ANSI code page with CR LF. file_lines: 'PATH SECONDS',
    'PATH text WORDS', 'PATH dir', 'FOLDER many N' (N tone files in FOLDER),
    'PATH lines L1 | L2 | ...' (a UTF-8 text file of those lines, where {GAME} is the
    game folder's Windows path and {GAMEURI} its file: URI; 'utf16-lines' writes them
    in UTF-16LE with a byte-order mark and CR LF, as the Windows shell does,
    'cr-lines' with lone CRs), 'PATH repeat N LINE' (N lines of LINE), or
    'PATH link TARGET' (a symbolic link), 'PATH SECONDS gain FORM TRACK [ALBUM]' (a tone
    with ReplayGain data, see write_gain.py). PATH may hold
    any characters. plugin: the build's DLL that goes in as vask\\quilm.dll;
    ini_encoding: that of the configuration file."""
    game = pathlib.Path(tempfile.mkdtemp(prefix="game-", dir=build))
    vask = game / "vask"
    vask.mkdir()
    shutil.copy(build / plugin, vask / "quilm.dll")
    if ini_lines is not None:
        (vask / "quilm.ini").write_bytes("\r\n".join(ini_lines).encode(ini_encoding) + b"\r\n")
    for index, entry in enumerate(l for l in file_lines if l.strip()):
        parts = entry.split()
        target = game / parts[0].replace("\\", "/")
        if parts[1] == "link":
            target.parent.mkdir(parents=True, exist_ok=True)
            os.symlink(parts[2], target)
            continue
        if parts[1] in LIST_FORMS:
            target.parent.mkdir(parents=True, exist_ok=True)
            text = entry.split(None, 2)[2]
            uri = "file:///" + windows_path(game).replace("\\", "/").replace(" ", "%20")
            text = text.replace("{GAMEURI}", uri).replace("{GAME}", windows_path(game))
            end, encoding = LIST_FORMS[parts[1]]
            target.write_bytes((end.join(l.strip() for l in text.split("|")) + end).encode(encoding))
            continue
        if parts[1] == "repeat":
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(((parts[3] + "\n") * int(parts[2])).encode("utf-8"))
            continue
        if parts[1] == "dir":
            target.mkdir(parents=True, exist_ok=True)
            continue
        if parts[1] == "many":
            target.mkdir(parents=True, exist_ok=True)
            source = tone(build / "e2e-audio", 1, index)
            for n in range(int(parts[2])):
                os.link(source, target / f"track{n:05d}.mp3")
            continue
        target.parent.mkdir(parents=True, exist_ok=True)
        if parts[1] == "text":
            target.write_text(" ".join(parts[2:]))
        else:
            shutil.copy(tone(build / "e2e-audio", int(parts[1]), index), target)
            if len(parts) > 2 and parts[2] == "gain":
                # 'PATH SECONDS gain FORM TRACK [ALBUM]': ReplayGain data (write_gain.py).
                subprocess.run(["/usr/bin/python3", str(pathlib.Path(__file__).with_name("write_gain.py")),
                                str(target), *parts[3:]], check=True)
            if len(parts) > 2 and parts[2] == "tag":
                # 'PATH SECONDS tag VERSION ENCODING ARTIST / TITLE': tagged by mutagen.
                artist, title = (t.strip() for t in entry.split(None, 5)[5].split(" / ", 1))
                artist = "" if artist == "-" else artist
                subprocess.run(["/usr/bin/python3", str(pathlib.Path(__file__).with_name("write_tags.py")),
                                str(target), parts[3], parts[4], artist, title], check=True)
    return game


def wine_loader():
    """The Wine loader of the side under test (scripts/wine-env.sh sets it)."""
    return os.environ.get("QUILM_WINE", "wine")


def lane_environment(lane):
    """The environment of a test lane: lane 1 is the display and Wine prefix in the
    environment; lane N > 1 a display with a Wine server and prefix of its own, which
    the test command sets up (scripts/wine-env.sh, wine_up_lane N). Raises SystemExit
    when that lane is not there: on the first display the run would fight another for
    focus and keys."""
    env = dict(os.environ)
    if lane > 1:
        prefix = os.environ.get(f"QUILM_LANE{lane}_PREFIX")
        if not prefix:
            raise SystemExit(f"FAILED: no test lane {lane}; scripts/wine-env.sh's wine_up_lane {lane} sets one up")
        env["DISPLAY"] = os.environ[f"QUILM_LANE{lane}_DISPLAY"]
        env["WINEPREFIX"] = prefix
    return env


def run_host(build, game, script_lines, options=(), timeout=90, lane=1):
    """Runs the stand-in game in the folder; returns (exit status, output lines).

    The output goes to a file, not a pipe: a Wine service started by this run would
    inherit a pipe and keep its reader waiting until the service ends."""
    (game / "script.txt").write_text("\n".join(script_lines) + "\n")
    with tempfile.TemporaryFile(dir=build) as out:
        run = subprocess.run([wine_loader(), str(build / "standin-host.exe"), *options, "--script", "script.txt"],
                             cwd=game, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                             timeout=timeout, env=lane_environment(lane))
        out.seek(0)
        text = out.read()
    return run.returncode, text.decode("utf-8", "replace").replace("\r", "").splitlines()


# Ways the Wine loader dies of a signal (SIGSEGV, SIGBUS, SIGABRT, SIGILL), as Python
# reports them and as a shell would.
SIGNAL_DEATHS = {-11, -7, -6, -4, 139, 135, 134, 132}
SCRIPT_END_MARKER = "script: done"
QUIT_MARKER = "quit: begins"


def died_of_signal(status):
    return status in SIGNAL_DEATHS


def count_fault_at_exit(build, name, allowed=False):
    """Records a run that died of a signal for the test command's summary; allowed: the
    case of a game that ends its process with a device the plug-in could not close."""
    with open(build / ("allowed-faults-at-exit.txt" if allowed else "faults-at-exit.txt"), "a",
              encoding="utf-8") as log:
        log.write(name + "\n")


def lines_after_quit(output, marker=QUIT_MARKER):
    """Status lines the game received after its quit began (or after another marker):
    the screen is going away by then, and the plug-in must not draw on it."""
    if marker not in output:
        return []
    return [l for l in output[output.index(marker):] if l.startswith("line:")]


def remove_game(game):
    shutil.rmtree(game, ignore_errors=True)
