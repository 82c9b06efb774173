#!/usr/bin/python3
"""The golden recordings (tests/replays/) played back by the game in game time: each gives its pinned
trace line for line, its pinned pictures pixel for pixel and a sound that shows its facts, and
writes nothing of the player's; and on a full disk, each file a replay writes fails the run in one
line. scripts/renew-replays.sh renews the pins, on purpose; this never
does. Usage: goldens.py GAME REPLAYS (on an X display)."""
import array, glob, os, subprocess, sys, tempfile

FADE, NEAR = 441, 2205  # stereo frames: 10 ms, and the 50 ms either side of a cue
LOUDER = 1.5  # a patch, the low-RAM alert and the crash stand this far above what sounds before


def sound_problems(wav, facts):
    """What in the WAV (16-bit stereo) breaks a fact: 'silent FROM TO' exact zeros; 'cue AT start'
    sounds at AT after silence; any other cue louder just after AT than just before."""
    data = open(wav, 'rb').read()
    pcm = array.array('h', data[data.index(b'data') + 8:])
    span = lambda a, b: pcm[2 * max(a, 0):2 * max(b, 0)]
    rms = lambda s: (sum(x * x for x in s) / max(len(s), 1)) ** 0.5
    for kind, at, what in (line.split() for line in facts if line.startswith(('cue ', 'silent '))):
        at = int(at)
        if kind == 'silent' and any(span(at, int(what))):
            yield f'sound between {at} and {what}'
        elif kind == 'cue' and what == 'start' and (any(span(at - FADE, at)) or not any(span(at, at + FADE // 10))):
            yield f'the start chime not at {at}, after silence'
        elif kind == 'cue' and what != 'start' and rms(span(at, at + NEAR)) <= LOUDER * rms(span(at - NEAR, at)):
            yield f'no {what} heard at {at}'


def problems(game, name, out):
    facts = open(name + '.facts').read().splitlines() if os.path.exists(name + '.facts') else []
    shots = [line.split()[1] for line in facts if line.startswith('shot ')]
    home = out + '/home'
    os.mkdir(home)
    argv = [game, '--replay', name + '.rec', '--trace', out + '/trace', '--wav', out + '/wav']
    for frame in shots:
        argv += ['--shot', frame, f'{out}/{frame}.png']
    env = {**os.environ, 'HOME': home, 'XDG_CONFIG_HOME': home + '/c', 'XDG_STATE_HOME': home + '/s'}
    run = subprocess.run(argv, cwd=os.path.dirname(game), env=env, capture_output=True, text=True, timeout=600)
    if run.returncode or not run.stdout.startswith('Replayed '):
        yield f'status {run.returncode}: {run.stdout}{run.stderr}'
        return
    if os.listdir(home):
        yield f'wrote the player\'s files: {os.listdir(home)}'
    pinned, traced = open(name + '.trace').read().splitlines(), open(out + '/trace').read().splitlines()
    for n, (want, got) in enumerate(zip(pinned + [''], traced + [''])):
        if want != got:
            yield f'trace line {n + 1}: {got!r}, pinned {want!r}'
            break
    for frame in shots:
        if open(f'{out}/{frame}.png', 'rb').read() != open(f'{name}-{frame}.png', 'rb').read():
            yield f'the picture of frame {frame} differs from {name}-{frame}.png'
    yield from sound_problems(out + '/wav', facts)


def unwritable(game, rec):
    """Each file the game writes of a replay, on a full disk: the run fails, saying so in one line."""
    for option, what in (('--record', 'could not write the recording'), ('--trace', 'cannot write the trace'),
                         ('--wav', 'cannot write the sound'), ('--shot 10', 'cannot write the picture')):
        run = subprocess.run([game, '--replay', rec, *option.split(), '/dev/full'], cwd=os.path.dirname(game),
                             capture_output=True, text=True, timeout=600)
        if (run.returncode, run.stderr) != (1, f"sieverush: {what} '/dev/full'\n"):
            yield f'{option} on a full disk: status {run.returncode}, said {run.stderr!r}'


def main():
    game, folder = map(os.path.abspath, sys.argv[1:3])
    said = list(unwritable(game, folder + '/title.rec'))
    print(('FAIL ' if said else 'pass ') + 'a full disk', *said, sep='\n  ', flush=True)
    passed, failed = int(not said), int(bool(said))
    for rec in sorted(glob.glob(folder + '/*.rec')):
        name = rec[:-len('.rec')]
        with tempfile.TemporaryDirectory() as out:
            said = list(problems(game, name, out))
        print(('FAIL ' if said else 'pass ') + os.path.basename(name), *said, sep='\n  ', flush=True)
        passed, failed = passed + (not said), failed + bool(said)
    print(f'{passed} passed, {failed} failed')
    sys.exit(failed > 0 or passed == 0)


main()
