"""What the player hears: the sound device opened and heard, natively, under Wine and in the page."""
import re, time
from .screen import check, wait, case_in_middle, blue_screen
from .x11 import Native
from .wine import Wine
from .cases import title_shown, tap, click, open_hole, end, start_play, REST, TAP

def recorded(path):  # a stereo WAV of 32-bit floats: the peak of each 10 ms
    b = open(path, 'rb').read()  # its format first (the rate at byte 24), then its data (parec's has no size)
    data, n = b[b.index(b'data', 36) + 8:], 2 * int.from_bytes(b[24:28], 'little') // 100
    v = memoryview(data[:len(data) // 8 * 8]).cast('f')
    return [max(map(abs, v[i:i + n])) for i in range(0, len(v) - n + 1, n)]

def heard(p):
    """What the game plays, recorded (OpenAL Soft's wave writer; under Wine a PulseAudio null sink):
    nothing on the title; the start and the spray after Space; natively a patch within 100 ms of
    the click (timed from the start's sound); nothing while muted or paused; the crash two seconds before the game-over
    screen, then nothing. With no sound device the game plays on, says so once, and ends well. A kept
    best uptime the game cannot believe is left as it is, after that game over too."""
    wav, cut = f'{p.work}/heard.wav', 'Sieve Rush best 1\nbest 4'
    p.listen(wav)
    try:
        title_shown(p, lambda: p.start(put={'best': cut}))
        time.sleep(1)
        p.move(*REST)
        space = time.time()
        tap(p, 'space')
        x, y = open_hole(p, wait(p, case_in_middle, 'case after Space'))
        clicked = time.time()
        click(p, x, y)
        quiet = []  # when the sound was turned off, then the game paused: 1.5 s each
        for key in 'mp':
            time.sleep(0.5)
            tap(p, key)
            quiet.append(time.time())
            time.sleep(1.5)
            tap(p, key)
        wait(p, blue_screen, 'game-over screen', 240)
        over = time.time()
        time.sleep(1.5)
        end(p)
        check(p.read_kept('best') == cut, f'kept {p.read_kept("best")!r}')
    finally:
        p.deaf()
    peaks = recorded(wav)
    loud = lambda a, b: max(peaks[a:b], default=0)
    start = next(i for i, v in enumerate(peaks) if v > 0)  # 10 ms steps from here on
    at = lambda t: start + round((t - space) * 100)
    check(start > 50, f'sound {start * 10} ms after the device opened, a second before Space')
    bed = sorted(peaks[at(clicked) - 60:at(clicked) - 10])[25]
    # Timed natively only: under Wine, Windows' audio and PulseAudio buffer as they like.
    check(isinstance(p, Wine) or any(v > 2 * bed for v in peaks[at(clicked) - 10:at(clicked) + 11]),
          f'no patch heard within 100 ms of the click (bed {bed:.3f}, {peaks[at(clicked):at(clicked) + 20]})')
    # From 0.6 s on, and natively only: under Wine on a busy machine its audio and PulseAudio lag as they like.
    check(isinstance(p, Wine) or all(loud(at(t) + 60, at(t) + 140) == 0 for t in quiet), 'sound while muted or paused')
    check(loud(at(over) - 250, at(over) - 150) > 2 * bed and loud(at(over) + 50, at(over) + 140) == 0,
          'no crash two seconds before the game-over screen, or sound after it')
    start_play(p)  # without a device
    end(p)  # says nothing on standard output, writes nothing, ends with status 0
    said = [line for line in p.out('err').splitlines() if (isinstance(p, Native) or 'sieverush' in line) and 'kept yet' not in line]
    check(said == ['sieverush: no sound device; the game plays on in silence'], f'said {said}')

def page_heard(p):
    """The page's sound, tapped where it reaches the speakers: no sound device before the first
    gesture; sound after Space, and after a patch; none while muted (M, or the page's button); a
    console with nothing of ours in it."""
    loudest = lambda seconds: (p.js('heard.peak = 0'), time.sleep(seconds), p.js('return heard.peak'))[2]
    p.out('err')
    title_shown(p)
    p.js(TAP)
    time.sleep(1)
    check(p.js('return heard.contexts') == 0, 'sound opened before any gesture')
    p.move(*REST)
    tap(p, 'space')
    ref = wait(p, case_in_middle, 'case after Space')
    check(loudest(1) > 0.01, 'nothing heard after Space')
    for press in (lambda: tap(p, 'm')), (lambda: p.click('#mute')):  # while the game is young
        press()
        time.sleep(0.3)
        check(loudest(1) == 0, 'heard while muted')
        press()
        check(any(loudest(0.5) > 0.01 for _ in range(6)), 'nothing heard after unmuting')
    click(p, *open_hole(p, ref), 0.2)
    check(loudest(0.3) > 0.01, 'nothing heard after a patch')
    end(p)
    check(not re.search(r'(?i)127\.0\.0\.1|audiocontext|autoplay|openal', said := p.out('err')), f'the console: {said}')
