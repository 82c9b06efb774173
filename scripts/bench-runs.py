#!/usr/bin/python3
"""Benchmarks of whole program runs. Each figure is a program of ours against a reference
program, run one after the other in rounds, the two in random order within each round, on the X
server of $DISPLAY (run this under scripts/with-x.sh); the ratio is taken of the medians.
scripts/bench.sh appends the table rows printed on standard output to its table; each run's
figures, the load average and the programs' own output go to standard error.

  bench-runs.py startup PLAYDIR BASELINE SHIM [--runs N] [--pictures DIR]
      Start-up: the game in PLAYDIR, started there with no arguments (it opens on its title
      screen), against BASELINE (bench/first_frame), each timed from just before its exec to its
      first presented frame. SHIM (bench/first_frame_shim.so) is preloaded into both: it ends
      the program at its first glfwSwapBuffers and writes the time. One untimed run of each
      comes first, to warm the file cache and Mesa's shader cache; it keeps the picture of that
      first present in DIR as startup-game.ppm and startup-baseline.ppm.

Another figure is one more function that measures a run of each program and returns its row
(see startup), and one more sub-command in main.
"""
import argparse
import os
import random
import select
import statistics
import sys
import tempfile
import time

# Longest a run may take before it counts as hung, seconds.
RUN_TIMEOUT = 60
# Pause between runs, seconds: the X server and the kernel finish with one program (its window,
# its memory) before the next one starts.
SETTLE = 0.2


def log(*parts):
    print("[bench-runs]", *parts, file=sys.stderr, flush=True)


def die(message):
    log("error:", message)
    sys.exit(1)


def load_average():
    return "load average %.2f %.2f %.2f" % os.getloadavg()


def interleaved(programs, runs):
    """Runs each of `programs` (name -> function measuring one run) `runs` times, in rounds
    that hold one run of each in random order. Returns name -> list of measurements."""
    results = {name: [] for name in programs}
    order = list(programs)
    for round_number in range(1, runs + 1):
        random.shuffle(order)
        figures = []
        for name in order:
            value = programs[name]()
            results[name].append(value)
            figures.append("%s %.2f" % (name, value))
        log("round %d:" % round_number, ", ".join(figures))
    return results


def three_digits(value):
    """Three significant digits, as Google Benchmark prints times."""
    return "%.3g" % value if value < 100 else "%.0f" % value


def row(figure, ours, reference, unit, goal, lower_is_better=True):
    """One Markdown line of bench.sh's table from two lists of measurements: medians, the ratio
    of the medians (judged against `goal`, ours over reference, at most when lower is better,
    else at least) and the ratio of the best runs of each."""
    best = min if lower_is_better else max
    median_ratio = statistics.median(ours) / statistics.median(reference)
    best_ratio = best(ours) / best(reference)
    met = median_ratio <= goal if lower_is_better else median_ratio >= goal
    return "| %s | %s %s | %s %s | %.3f | %.3f | - | %s %.3f | %s |" % (
        figure, three_digits(statistics.median(ours)), unit, three_digits(statistics.median(reference)),
        unit, median_ratio, best_ratio, "<=" if lower_is_better else ">=", goal,
        "yes" if met else "NO")


def spawn(path, argv, env):
    """Starts `path` with its standard output on our standard error (ours is for table rows).
    Returns its process id and the time just before its exec."""
    start = time.monotonic_ns()
    pid = os.posix_spawn(path, argv, env, file_actions=[(os.POSIX_SPAWN_DUP2, 2, 1)])
    return pid, start


def wait(pid, name):
    """The exit status of `pid`, killing it when it runs longer than RUN_TIMEOUT."""
    handle = os.pidfd_open(pid)
    try:
        ready, _, _ = select.select([handle], [], [], RUN_TIMEOUT)
        if not ready:
            os.kill(pid, 9)
            os.waitpid(pid, 0)
            die("%s ran %d s without presenting a frame" % (name, RUN_TIMEOUT))
    finally:
        os.close(handle)
    return os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1])


def distinct_colours(ppm_path):
    """How many different colours a binary PPM picture written by the shim holds."""
    with open(ppm_path, "rb") as picture:
        data = picture.read()
    header = data.split(b"\n", 3)
    pixels = header[3]
    return len({pixels[i:i + 3] for i in range(0, len(pixels), 3)})


def first_frame_timer(name, path, argv, shim, folder, scratch, picture=None):
    """A function that runs one program with the shim and returns milliseconds from just before
    its exec to its first present finished. Runs in `folder`, the shim writing its time into the
    folder `scratch`; keeps the first frame in `picture` (a run that reads the frame back, not a
    timing) when given."""
    time_file = os.path.join(scratch, name + ".ns")
    env = dict(os.environ, LD_PRELOAD=shim, SIEVERUSH_FIRST_FRAME_TIME_FILE=time_file)
    if picture:
        env["SIEVERUSH_FIRST_FRAME_PICTURE"] = picture

    def measure():
        if os.path.exists(time_file):
            os.remove(time_file)
        os.chdir(folder)
        time.sleep(SETTLE)
        pid, start = spawn(path, argv, env)
        status = wait(pid, name)
        if status != 0 or not os.path.exists(time_file):
            die("%s ended with status %d without the shim's time of its first present" %
                (name, status))
        with open(time_file) as presented:
            end = int(presented.read())
        if end <= start:
            die("%s: the first present (%d ns) is not after the exec (%d ns)" % (name, end, start))
        return (end - start) / 1e6

    return measure


def startup(args):
    folder = os.path.abspath(args.play)
    game = os.path.join(folder, "sieverush")
    baseline = os.path.abspath(args.baseline)
    shim = os.path.abspath(args.shim)
    for path in (game, baseline, shim):
        if not os.path.isfile(path):
            die("no " + path)
    programs = {"game": (game, ["./sieverush"]), "baseline": (baseline, [baseline])}

    pictures = os.path.abspath(args.pictures)
    os.makedirs(pictures, exist_ok=True)
    with tempfile.TemporaryDirectory(prefix="sieverush-startup-") as scratch:
        return startup_runs(programs, shim, folder, scratch, pictures, args.runs)


def startup_runs(programs, shim, folder, scratch, pictures, runs):
    """The checked, untimed run of each program, then `runs` rounds; returns the table row."""
    for name, (path, argv) in programs.items():
        picture = os.path.join(pictures, "startup-%s.ppm" % name)
        first_frame_timer(name, path, argv, shim, folder, scratch, picture)()
        colours = distinct_colours(picture)
        log("%s: first present kept in %s (%d colours)" % (name, picture, colours))
        # A first present of one colour is a cleared window: the time would not be that of
        # the first picture.
        if colours < 2:
            die("%s presented an empty frame first" % name)

    log("%d runs of each, %s" % (runs, load_average()))
    timers = {
        name: first_frame_timer(name, path, argv, shim, folder, scratch)
        for name, (path, argv) in programs.items()
    }
    times = interleaved(timers, runs)
    log("done, %s; milliseconds, game: %s; baseline: %s" % (
        load_average(), " ".join("%.1f" % t for t in times["game"]),
        " ".join("%.1f" % t for t in times["baseline"])))
    return [row("Start-up: exec to the first presented frame (vs an empty GLFW window drawing "
                "one textured, lit, blended quad)", times["game"], times["baseline"], "ms", 1.05)]


def recorded(path):
    """The frames of a recording and the seconds of play they span (docs/replay.md)."""
    data, micros, frames = open(path, "rb").read(), 0, 0
    # The header grew: the sound and the best (version 3), where watching starts (version 4).
    version = data[4]
    at = 15 if version < 3 else 20 if version == 3 else 28

    def varint():
        nonlocal at
        value = shift = 0
        while True:
            byte = data[at]
            at += 1
            value |= (byte & 127) << shift
            shift += 7
            if byte < 128:
                return value
    while data[at] != 0xFF:
        flags = data[at]
        at += 1 + (version >= 3 and flags & 128 != 0)  # a second byte of flags
        micros += varint()
        frames += 1
        if flags & 32:
            varint(), varint()
    return frames, micros / 1e6


def replay(args):
    """The recording played back as fast as it goes, in frames a second, against the pace it was
    recorded at (live play on this kind of machine, where nothing holds frames to the display)."""
    folder, recording = os.path.abspath(args.play), os.path.abspath(args.recording)
    frames, seconds = recorded(recording)

    def measure():
        pid, start = spawn(os.path.join(folder, "sieverush"), ["./sieverush", "--replay", recording],
                           dict(os.environ))
        if wait(pid, "the replay") != 0:
            die("the replay failed")
        return frames / ((time.monotonic_ns() - start) / 1e9)
    os.chdir(folder)
    fps = interleaved({"replay": measure}, args.runs)["replay"]
    return [row("Replay of tests/replays/game.rec as fast as it goes, exec to exit: frames a second "
                "(vs the live play it recorded)", fps, [frames / seconds], "fps", 1.0,
                lower_is_better=False)]


def main():
    parser = argparse.ArgumentParser(
        description=__doc__.split("\n\n")[0],
        formatter_class=argparse.RawDescriptionHelpFormatter)
    commands = parser.add_subparsers(dest="command", required=True)
    start = commands.add_parser("startup", help="exec to the first presented frame")
    start.add_argument("play", help="the game's play folder: sieverush and its art")
    start.add_argument("baseline", help="bench/first_frame")
    start.add_argument("shim", help="bench/first_frame_shim.so")
    start.add_argument("--runs", type=int, default=11, help="timed runs of each (default 11)")
    start.add_argument("--pictures", default=tempfile.gettempdir(),
                       help="where the first frames are kept (default: the temporary folder)")
    start.set_defaults(measure=startup)
    again = commands.add_parser("replay", help="a recording played back as fast as it goes")
    again.add_argument("play", help="the game's play folder: sieverush and its art")
    again.add_argument("recording", help="a recording, e.g. tests/replays/game.rec")
    again.add_argument("--runs", type=int, default=5, help="timed runs (default 5)")
    again.set_defaults(measure=replay)
    args = parser.parse_args()
    if getattr(args, "runs", 1) < 1:
        die("--runs must be at least 1")
    for line in args.measure(args):
        print(line, flush=True)


if __name__ == "__main__":
    main()
