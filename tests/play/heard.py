"""What the player hears through a real sound device, natively (OpenAL Soft's wave writer) and under
Wine (a PulseAudio null sink), and in the page. Only the device path: which cue sounds when, and
the silences the game decides on, are the golden recordings' to check in game time."""
import array, contextlib, os, re, subprocess, time
from .screen import check, wait, case_in_middle, blue_screen
from .x11 import Native
from .wine import Wine
from .cases import title_shown, tap, open_hole, end, start_play, REST, TAP

class Recording:
    """A stereo WAV of 32-bit floats as its recorder writes it: a mark, how far it has got when the
    test acts, finds what the test did by what surrounds it, never by a time."""
    def __init__(self, path):
        self.path, self.marks = path, {}

    def mark(self, name):
        self.marks[name] = os.path.getsize(self.path)

    def read(self):
        b = open(self.path, 'rb').read()  # its format first, then its data (parec's has no size)
        start, self.rate = b.index(b'data', 36) + 8, int.from_bytes(b[24:28], 'little')
        data = array.array('f', b[start:start + (len(b) - start) // 8 * 8])
        self.v = [max(abs(data[i]), abs(data[i + 1])) for i in range(0, len(data), 2)]
        self.marks = {k: max(0, (m - start) // 8) for k, m in self.marks.items()}
        edges = [i for i in range(len(self.v) + 1) if (i < len(self.v) and self.v[i] == 0) != (i > 0 and self.v[i - 1] == 0)]
        self.zeros = list(zip(edges[::2], edges[1::2]))  # runs of exact zeros: [first frame, frame after]

    def silence_at(self, name):  # the run of zeros the frame of a mark lies in
        at = self.marks[name]
        return next(((a, b) for a, b in self.zeros if a <= at < b), None)

    def loud(self, a, b):  # the peak from frame a to b
        return max(self.v[max(a, 0):b], default=0)

def heard(p):
    """The device opens on the title and is silent there, the title and a paused game resting
    (the sound's thread uses no processor: a twentieth of a core at most, a fifth of play's);
    after Space the game is heard; paused, and then muted while the game goes on, it is silent,
    falling silent within half the spell, and heard again when the sound comes back on;
    natively, with both cores busy, no gap in the sound (a run of exact zeros longer than 5 ms)
    from then until the crash (under Wine on a busy machine PulseAudio's own streams run dry, a
    plain pacat's as well). With no sound device the game plays on, says so once, and ends well."""
    wav = f'{p.work}/heard.wav'
    rec, rates = Recording(wav), {}
    def ticks_a_second(name, seconds):
        before = p.ticks()
        time.sleep(seconds)
        rates[name] = (p.ticks() - before) / seconds
    p.listen(wav)
    try:
        title_shown(p)
        ticks_a_second('the title', 2)
        p.move(*REST)
        rec.mark('space')
        tap(p, 'space')
        open_hole(p, wait(p, case_in_middle, 'case after Space'))
        rec.mark('paused')
        tap(p, 'p')
        ticks_a_second('paused', 2)
        tap(p, 'm')
        tap(p, 'p')
        ticks_a_second('play, muted', 0.5)
        rec.mark('sound on')
        tap(p, 'm')
        busy = [subprocess.Popen(['python3', '-c', 'while 1: pass']) for _ in range(2 * isinstance(p, Native))]
        try:
            wait(p, blue_screen, 'game-over screen', 240)
        finally:
            for b in busy:
                b.kill()
                b.wait()
        rec.mark('over')
        end(p)
    finally:
        p.deaf()
    check(all(rates[name] * 5 <= min(rates['play, muted'], 25) for name in ('the title', 'paused')), f'ticks a second: {rates}')
    rec.read()
    m, near = rec.marks, rec.rate // 10  # the tenth of a second either side of a silence
    check(rec.loud(0, m['space']) == 0, 'sound on the title')
    quiet = rec.silence_at('sound on')
    check(quiet and m['paused'] <= quiet[0] <= (m['paused'] + m['sound on']) // 2,
          f'not silent from soon after P to M: {quiet and [x / rec.rate for x in quiet]}, marks {m}')
    check(rec.loud(quiet[0] - near, quiet[0]) > 0.001 and rec.loud(quiet[1], quiet[1] + near) > 0.001,
          'not heard after Space, or not when the sound came back on')
    crashed = (rec.silence_at('over') or [m['over']])[0]  # the sound's end, or where the test saw the game over
    gaps = [(b - a) * 1000 // rec.rate for a, b in rec.zeros if quiet[1] < a < crashed and b - a > rec.rate // 200]
    check(isinstance(p, Wine) or not gaps, f'gaps in the sound under load, ms: {gaps}')
    start_play(p)  # without a device
    end(p)  # says nothing on standard output, writes nothing, ends with status 0
    said = [line for line in p.out('err').splitlines() if (isinstance(p, Native) or 'sieverush' in line) and 'kept yet' not in line]
    check(said == ['sieverush: no sound device; the game plays on in silence'], f'said {said}')

def page_heard(p):
    """The page's sound, tapped where it reaches the speakers: no sound device before the first
    gesture; sound after Space (in Chromium a first tap on the touch control, whose finger is put down
    before the browser grants the gesture); silence soon after muting (M, or the page's button) that
    lasts while muted, the Sound button and the help saying so, and sound again after unmuting; a
    console with nothing of ours in it."""
    def loudest(seconds=0.2):
        p.js('heard.peak = 0')
        time.sleep(seconds)
        return p.js('return heard.peak')
    def until(test, what):
        deadline = time.time() + 5 * p.slow
        while not test(loudest()):
            check(time.time() < deadline, f'no {what} within {5 * p.slow} s')
    p.out('err')
    with p.emulating(fingers=True) if p.name == 'chromium' else contextlib.nullcontext():
        title_shown(p)
        p.js(TAP)
        time.sleep(1)
        check(p.js('return heard.contexts') == 0, 'sound opened before any gesture')
        p.move(*REST)
        tap(p, 'space')
        wait(p, case_in_middle, 'case after Space')
        until(lambda peak: peak > 0.001, 'sound after Space')
        for press in (lambda: tap(p, 'm')), (lambda: p.click('#mute')):  # while the game is young
            for muted in True, False:
                press()
                until(lambda peak: (peak == 0) == muted, 'silence after muting' if muted else 'sound after unmuting')
                check(p.shows('mute') == ['Sound: ' + 'on' * (not muted) + 'off' * muted, str(muted).lower(), muted],
                      f"muted {muted}: the page shows {p.shows('mute')}")
                check(not muted or loudest(1) == 0, 'heard while muted')
        end(p)
    check(not re.search(r'(?i)127\.0\.0\.1|audiocontext|autoplay|openal', said := p.out('err')), f'the console: {said}')
