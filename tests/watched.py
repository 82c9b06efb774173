#!/usr/bin/python3
"""Watching, checked in game time: the game's --replay FILE --speed S plays a recording as a watch
on a clock of 60 looks a second, and its --trace and --wav record the watch. At 1x it sounds as the
fast check's --wav, byte for byte; at 2x the first start chime comes at half its moment after silence
and the watch takes half the looks; a game kept from a run (watched from mid-run, the frames
before unseen) ends on its game-over screen in the state the run had there, at 1x, 8x and at 2x
paused, sped up and skipped. Usage: watched.py GAME REPLAYS (on an X display)."""
import os, re, struct, subprocess, sys, tempfile

FADE = 441  # stereo frames: 10 ms


def run(game, out, *args):
    home = out + '/home'
    os.makedirs(home, exist_ok=True)
    env = {**os.environ, 'HOME': home, 'XDG_CONFIG_HOME': home, 'XDG_STATE_HOME': home}
    done = subprocess.run([game, *args], cwd=os.path.dirname(game), env=env, capture_output=True, text=True, timeout=600)
    if done.returncode:
        sys.exit(f'{args}: status {done.returncode}: {done.stdout}{done.stderr}')
    return done.stdout


def pcm(wav):
    data = open(wav, 'rb').read()
    return data[data.index(b'data') + 8:]


def varint(b, at):
    while b[at] & 128:
        at += 1
    return at + 1


def kept(rec, frames, start):
    """The version 3 recording `rec` as a game kept at its frame `frames`, watched from `start`."""
    b, at = open(rec, 'rb').read(), 20
    for _ in range(frames):
        flags, at = b[at], at + 1 + (b[at] >> 7)
        at = varint(b, at)
        if flags & 32:
            at = varint(b, varint(b, at))
    out = b'SRRP\x04' + b[5:20] + struct.pack('<Q', start) + b[20:at] + b'\xff' + struct.pack('<Q', frames)
    h = 2166136261
    for x in out:
        h = ((h ^ x) * 16777619) & 0xffffffff
    return out + struct.pack('<I', h)


def main():
    game, replays = map(os.path.abspath, sys.argv[1:3])
    rec, said = replays + '/game.rec', []
    with tempfile.TemporaryDirectory() as out:
        run(game, out, '--replay', rec, '--wav', out + '/plain.wav')
        plain = pcm(out + '/plain.wav')
        run(game, out, '--replay', rec, '--speed', '1', '--wav', out + '/1.wav')
        if pcm(out + '/1.wav') != plain:
            said.append('the 1x watch does not sound as the replay')
        line = run(game, out, '--replay', rec, '--speed', '2', '--wav', out + '/2.wav')
        frames, looks = map(int, re.match(r'Watched (\d+) frames in (\d+) looks', line).groups())
        if abs(looks - frames / 2) > 2:
            said.append(f'the 2x watch took {looks} looks for {frames} frames')
        twice = pcm(out + '/2.wav')
        # The first: the second comes while the crash still sounds, at 2x.
        for cue in re.findall(r'cue (\d+) start', open(replays + '/game.facts').read())[:1]:
            at = 4 * (int(cue) // 2)
            if any(twice[at - 4 * FADE:at]) or not any(twice[at:at + 4 * FADE // 10]):
                said.append(f'at 2x the start chime of {cue} is not at {int(cue) // 2}, after silence')
        # A frame of the game-over screen: the last picture taken is of the frame that left it.
        shown = int(re.findall(r'shot (\d+)', open(replays + '/game.facts').read())[-1]) - 2
        open(out + '/kept.sieverush', 'wb').write(kept(rec, shown, 400))
        run(game, out, '--replay', out + '/kept.sieverush', '--trace', out + '/t')
        over = open(out + '/t').read().splitlines()[-1].split()
        if over[4] != 'game-over':
            said.append(f'the kept game checked fast ended {over}')
        for speed, keys in (('1', []), ('8', []), ('2', ['100 space', '160 space', '170 plus', '180 right'])):
            presses = [w for k in keys for w in ['--press', *k.split()]]
            run(game, out, '--replay', out + '/kept.sieverush', '--speed', speed, *presses, '--trace', out + '/t')
            end = open(out + '/t').read().splitlines()[-1].split()
            if end[3:5] != over[3:5] or end[end.index('state') + 1] != over[over.index('state') + 1]:
                said.append(f'the kept game at {speed}x {keys} ended {end}, the run {over}')
    print(*(said or ['pass']), sep='\n')
    sys.exit(bool(said))


main()
