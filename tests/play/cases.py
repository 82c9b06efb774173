"""The cases, each a function of a player; the table of which runs in which mode; main."""
import os, random, re, signal, subprocess, sys, time
from Xlib import X
from .screen import (W, H, CASE, check, black, lit, white, blue, skin, wait, rows, layout, case_in_middle,
                     blue_screen, outline, apart, hole)
from .x11 import XPlayer, Native, Install
from .wine import Wine
from .browser import Web

TITLE = [(320, 500), (150, 450), (80, 380), (120, 300), (160, 270), (260, 100)]
GAME_OVER = [(325, 520), (200, 450), (250, 400), (160, 350), (210, 320), (80, 280), (110, 240),
             (110, 215), (110, 190), (80, 100)]
STATUS_Y, RAM_X, UPTIME_X = 30, 20, 600  # the two status lines during play
REST = (770, 30)  # where the pointer rests: inside the window, clear of the case and the text
MISSING_ART_STATUS = 1  # how the game ends when it cannot read an art file: a failed start

def tap(p, key):  # held long enough for a frame or a poll to see it (Wine needs that)
    p.key(key, True)
    time.sleep(0.25)
    p.key(key, False)

def title_shown(p):
    p.start()
    top, bottom = rows(TITLE[0][1])
    return wait(p, lambda s: s.count((0, top, W, bottom), lit) > 40, 'title screen')

def start_play(p):
    title_shown(p)
    p.move(*REST)
    tap(p, 'space')
    return wait(p, case_in_middle, 'case after Space')

def end(p):
    """Esc ends the game with status 0; a normal run says nothing and writes no file."""
    tap(p, 'Escape')
    check((status := p.wait_exit()) == 0, f'Esc ended the game with {status}')
    check(p.out() == '' and not p.written(), f'said {p.out()!r}, wrote {list(p.written())}')

def title(p):
    title_shown(p)
    if isinstance(p, XPlayer):  # the X window's own properties (a page has none)
        h = p.window().get_wm_normal_hints()  # a window manager may resize it, maximise it
        check(p.size() == (W, H) and not h.max_width and not h.max_height, f'{p.size()}, {h}')
        icon = p.window().get_full_property(p.d.intern_atom('_NET_WM_ICON'), X.AnyPropertyType)
        check(icon and len(icon.value) > 2 + 16 * 16, 'no window icon')
    time.sleep(0.5)  # drawn once, then it waits
    (s := p.shot()).save('title')
    layout(s, TITLE, black)
    end(p)

def play(p):
    (s := start_play(p)).save('play')
    top, bottom = rows(STATUS_Y)
    check(s.count((RAM_X, top, UPTIME_X - 20, bottom), white) > 40, 'no RAM line')
    check(s.count((UPTIME_X, top, W, bottom), white) > 40, 'no uptime line')
    beside = [(0, top - 12, W, top - 1), (0, bottom + 1, W, bottom + 12), (0, top, RAM_X - 1, bottom)]
    check(sum(s.count(b, white) for b in beside) == 0, 'white beside the status lines')
    end(p)

def turning(p):
    start_play(p)
    p.key('Left', True)
    p.key('Right', True)
    time.sleep(0.5)  # both reach the game, maybe a frame apart
    held = outline(p.shot())
    time.sleep(1.5)
    check(apart(outline(p.shot()), held) <= 2, 'the case turned with Left and Right held')
    p.key('Right', False)
    wait(p, lambda s: apart(outline(s), held) > 15, 'turn with Left held').save('turning')
    p.key('Left', False)
    end(p)

plasters = lambda s, box=CASE: s.count(box, skin, 2)

def open_hole(p, ref):  # the middle of a hole in view, after a new game or two if need be
    for game in range(3):  # holes open on the hidden faces too, and the RAM runs out in seconds
        if hole(s := wait(p, lambda s: hole(s, ref) or blue_screen(s), 'open hole'), ref):
            return hole(s, ref)
        tap(p, 'space')  # a new game: the same view of the case, its faces whole again
        wait(p, lambda s: not blue_screen(s), 'new game')
    raise AssertionError('no hole in view in three games')

def patching(p, tries=3):
    ref = start_play(p)
    cursor_at_rest = lambda s: s.count((REST[0] - 24, REST[1] - 24, REST[0] + 24, REST[1] + 24), skin) > 30

    def click(x, y):  # held while the game draws frames, then the cursor goes back to rest
        p.move(x, y)
        p.button(True)
        time.sleep(1.5)
        p.button(False)
        p.move(*REST)
        return wait(p, lambda s: cursor_at_rest(s) or blue_screen(s), 'cursor back at rest')
    x, y = open_hole(p, ref)
    around = (x - 15, y - 15, x + 16, y + 16)
    before = plasters(p.shot(), around)
    for again in range(3):  # a click lost on a machine too busy to draw a frame meanwhile
        if blue_screen(patched := click(x, y)) and tries:  # the RAM ran out: once more
            return patching(p, tries - 1)
        if plasters(patched, around) > before + 15:
            break
    patched.save('patched')
    check(plasters(patched, around) > before + 15, f'no plaster on the hole clicked at ({x}, {y})')
    # A plaster is some hundred pixels of its colour; a hole that opens meanwhile, a few dozen at its rim.
    check(plasters(click(60, 300)) <= plasters(patched) + 40, 'a click beside the case patched')
    end(p)

def game_over(p):
    start_play(p)
    wait(p, blue_screen, 'game-over screen', 240)
    time.sleep(0.5)
    (s := p.shot()).save('gameover')
    layout(s, GAME_OVER, blue)
    tap(p, 'space')
    wait(p, lambda s: case_in_middle(s) and not s.count((0, 0, W, H), blue, 8), 'new game')
    end(p)

def today(p):  # the title as the game has always drawn it into its 800x600 window, pixel for pixel
    shot = os.path.join(os.path.dirname(__file__), '../golden/title.png')
    return subprocess.run(['convert', shot, '-depth', '8', 'rgb:-'], capture_output=True).stdout

def same_picture(p, what, title=None):
    s = wait(p, lambda s: not title or s.count((0, 0, W, H), lit, 8) > 0, what)
    same = bytes(v for y in range(H) for x in range(W) for v in s.pixel(x, y)) == title
    check(not title or same, f'{what}: the title is not as it is drawn at 800x600')
    return s

def doubled(at, title, what):  # each picture pixel a 2x2 square of the title drawn at 1x (every other looked at)
    check(all(bytes(at(2 * x + i, 2 * y + j)) == title[3 * (y * W + x):3 * (y * W + x) + 3]
              for y in range(0, H, 2) for x in range(0, W, 2) for i in (0, 1) for j in (0, 1)),
          f'{what}: the picture pixels are no 2x2 squares of the title drawn at 1x')

def screens(p):
    """The title at 1x as always, and again after the window was unmapped and mapped. Moved and
    resized, then F11 to the whole 1920x1080 screen: the picture 1440x1080 between black bars;
    F11 again: the window back where it was, at its size."""
    title = today(p)
    title_shown(p)
    same_picture(p, 'title at 1x', title)
    for show in p.window().unmap, p.window().map:
        show()
        p.d.sync()
        time.sleep(1)
    same_picture(p, 'title drawn again when mapped', title)
    place = lambda: (*(lambda o: (o.x, o.y))(p.root.translate_coords(p.window(), 0, 0)), *p.size())
    p.window().configure(x=130, y=70, width=1000, height=700)
    p.d.sync()
    wait(p, lambda s: place() == (130, 70, 1000, 700), 'the window moved and resized')
    top, bottom = rows(TITLE[0][1])
    for size, what in ((1920, 1080), 'fullscreen'), ((1000, 700), 'back in the window'):
        tap(p, 'F11')
        s = wait(p, lambda s: p.size() == size and s.count((0, top, W, bottom), lit) > 40, what)
        layout(s, TITLE, black)
        if size == (1920, 1080):
            (full := p.full()).save('fullscreen')
            check(full.count((0, 0, 240, 1080), black, 4) == full.count((1680, 0, 1920, 1080), black, 4) == 60 * 270,
                  'the bars beside the picture are not black')
    check(place() == (130, 70, 1000, 700), f'left fullscreen for {place()}, not where the window was')
    end(p)

def idle(p):
    """A still screen sleeps: the game's processor time on the title is at most a twentieth of
    its time in play, over the same span."""
    def busy(seconds=2):  # utime + stime, in clock ticks
        ticks = lambda: sum(map(int, open(f'/proc/{p.proc.pid}/stat').read().rsplit(')', 1)[1].split()[11:13]))
        before = ticks()
        time.sleep(seconds)
        return ticks() - before
    title_shown(p)
    time.sleep(0.5)
    still = busy()
    start_play(p)
    moving = busy()
    check(still * 20 <= moving, f'{still} ticks on the title, {moving} in play')
    end(p)

def hidpi(p):
    """On a 3840x2160 screen at 192 dpi (Xft.dpi, or Windows' own) the window opens at twice the
    picture's size, each picture pixel a 2x2 square of the title drawn at 1x."""
    title = today(p)
    p.on_screen(3840, 2160, 192)
    dpi = lambda d: hasattr(p, 'run') and p.run('wine', 'reg', 'add', r'HKCU\Control Panel\Desktop', '/v',
                                                'LogPixels', '/t', 'REG_DWORD', '/d', str(d), '/f')
    dpi(192)
    try:
        title_shown(p)
        check(p.size() == (2 * W, 2 * H), f'a {p.size()} window at 192 dpi')
        (full := p.full()).save('hidpi')
        doubled(full.pixel, title, 'at 192 dpi')
        end(p)
    finally:
        dpi(96)
        p.on_screen()

KEPT = os.path.join(os.path.dirname(__file__), '../replays/game.rec')  # a game with a patch, a crash and a new game
KEPT_END = 'Replayed 1870 frames: uptime 2 seconds, best 11 seconds\n'

def replays(p):
    """The kept recording replays to its known end, twice alike, with no input; one cut short is
    refused in one line and status 1. Natively, a game recorded as it is played replays to the end
    it had."""
    p.start()
    p.stop()
    def game(*args):  # status, standard output and error of the game run to its end in its folder
        r = subprocess.run([*p.argv, *args], cwd=p.cwd, env={**os.environ, **p.env}, capture_output=True,
                           timeout=300 * p.slow)
        return r.returncode, r.stdout.decode('latin-1').replace('\r\n', '\n'), r.stderr.decode('latin-1')
    kept = open(KEPT, 'rb').read()
    open(f'{p.cwd}/kept.rec', 'wb').write(kept)
    open(f'{p.cwd}/cut.rec', 'wb').write(kept[:-9])
    for again in range(2):
        check((said := game('--replay', 'kept.rec'))[:2] == (0, KEPT_END), f'replay {again + 1}: {said}')
    status, _, err = game('--replay', 'cut.rec')
    check(status == 1 and "cannot replay 'cut.rec': cut short" in err, f'a cut recording: {status} {err!r}')
    if not isinstance(p, Native):
        return
    p.argv.extend(['--record', 'live.rec'])
    try:
        start_play(p)
        p.button(True)
        time.sleep(0.5)
        p.button(False)
        tap(p, 'Escape')
        check(p.wait_exit() == 0, 'the recorded game did not end')
    finally:
        del p.argv[-2:]
    recorded = p.out()
    check(recorded.startswith('Recorded ') and (said := game('--replay', 'live.rec'))[:2] == (0, 'Replayed ' + recorded[9:]),
          f'recorded {recorded!r}, replayed {said}')

def recorded(path):  # a stereo WAV (32-bit float, or 16-bit from parec): the peak of each 10 ms
    b = open(path, 'rb').read()
    at, rate, kind, scale = 12, 44100, 'f', 1
    while at + 8 <= len(b):
        chunk, size = b[at:at + 4], int.from_bytes(b[at + 4:at + 8], 'little')
        if chunk == b'fmt ' and b[at + 22] == 16:
            kind, scale = 'h', 32768
        rate = int.from_bytes(b[at + 12:at + 16], 'little') if chunk == b'fmt ' else rate
        if chunk == b'data':  # parec's stream has no size
            v = memoryview(b[at + 8:][:len(b[at + 8:]) // 8 * 8]).cast(kind)
            n = 2 * rate // 100
            return [max(map(abs, v[i:i + n])) / scale for i in range(0, len(v) - n + 1, n)]
        at += 8 + size + (size & 1)
    return []

def heard(p):
    """What the game plays, recorded in real time (OpenAL Soft's wave writer; under Wine a PulseAudio
    null sink): nothing on the title;
    the start and the spray after Space; a patch within 100 ms of the click (its time taken from the
    start's); nothing while muted; the crash two seconds before the game-over screen, then nothing.
    With no sound device the game plays on, says so once, and ends well."""
    wav = f'{p.work}/heard.wav'
    p.listen(wav)
    try:
        title_shown(p)
        time.sleep(1)
        p.move(*REST)
        space = time.time()
        tap(p, 'space')
        ref = wait(p, case_in_middle, 'case after Space')
        x, y = open_hole(p, ref)
        p.move(x, y)
        click = time.time()
        p.button(True)
        time.sleep(0.3)
        p.button(False)
        p.move(*REST)
        time.sleep(1)
        tap(p, 'm')
        muted = time.time()
        time.sleep(1.5)
        tap(p, 'm')
        wait(p, blue_screen, 'game-over screen', 240)
        blue = time.time()
        time.sleep(1.5)
        end(p)
    finally:
        p.deaf()
    peaks = recorded(wav)
    loud = lambda a, b: max(peaks[a:b], default=0)
    start = next(i for i, v in enumerate(peaks) if v > 0.01)  # 10 ms steps from here on
    at = lambda t: start + round((t - space) * 100)
    check(start > 50 and loud(0, start) == 0, f'sound before Space: {peaks[:start][-5:]}')
    bed = sorted(peaks[at(click) - 60:at(click) - 10])[25]
    onset = next((i for i in range(at(click), at(click) + 20) if peaks[i] > 2 * bed), None)
    check(onset is not None, f'no patch heard within 200 ms of the click (bed {bed:.3f}, {peaks[at(click):at(click) + 20]})')
    check(abs(onset - at(click)) <= 10, f'the patch heard {(onset - at(click)) * 10} ms after the click')
    check(loud(at(muted) + 20, at(muted) + 130) == 0, 'sound while muted')
    check(loud(at(blue) - 250, at(blue) - 150) > 2 * bed and loud(at(blue) + 50, at(blue) + 140) == 0,
          'no crash two seconds before the game-over screen, or sound after it')
    start_play(p)  # without a device
    end(p)  # says nothing on standard output, writes nothing, ends with status 0
    said = [line for line in p.out('err').splitlines() if isinstance(p, Native) or 'sieverush' in line]
    check(said == ['sieverush: no sound device; the game plays on in silence'], f'said {said}')

def window_closed(p):
    for begin in title_shown, start_play:
        begin(p)
        p.close()
        check((status := p.wait_exit()) == 0, f'closed after {begin.__name__}: status {status}')

def no_display(p):
    p.start(display=False)
    check((status := p.wait_exit(90)) == 1, f'ended with {status}')
    report = 'Caught exception:\n  Failed to initialize GLFW.\n'.replace('\n', p.eol).encode()
    check(p.written() == {'GL_ERROR.txt': report} and p.out() == '', f'wrote {p.written()}')

def missing_art(p):  # installed, the launcher says it on standard error
    p.start(missing='Case.tga')
    check((status := p.wait_exit(90)) == MISSING_ART_STATUS, f'ended with {status}')
    said = p.out(p.says)
    check(said.endswith("Unable to load 'Case.tga'\n") and not p.written(), f'{said!r}, {p.written()}')

def page_says(p):
    """The page tells the end of a game and a failed start in words, and nothing else; its button
    starts the page over: "Play again" to the title and play, "Try again" to the same report."""
    says = lambda: p.js("return document.getElementById('message').innerText")

    def again(button):  # clicked, it starts a new page: the old one's mark is gone (its end forgotten)
        check(button in says(), f'page says {says()!r}, no {button!r}')
        p.js('window.mark = true; window.ended = null')
        p.click('#message button')
        wait(p, lambda s: p.js('return window.mark ?? null') is None, f'new page after {button!r}')
    p.out('err')  # what earlier pages logged
    start_play(p)
    end(p)
    ours = re.compile(r'(?i)uncaught|unhandled|javascript (error|warning)|webgl|severe|404|127\.0\.0\.1')
    said = p.out('err')
    check(not [line for line in said.splitlines() if ours.search(line)], f'the console: {said}')
    check(says().startswith('The game has ended.'), f'page says {says()!r}')
    p.start = lambda: again('Play again')  # start_play's page, this once, is the one the button starts
    try:
        start_play(p)
    finally:
        del p.start
    end(p)
    missing_art(p)
    report = lambda: check("could not start:\nUnable to load 'Case.tga'" in says(), f'page says {says()!r}')
    report()
    again('Try again')
    check(p.wait_exit() == MISSING_ART_STATUS, 'the start tried again did not fail')
    report()

def fullscreen(p):
    """The Fullscreen button, clicked (a gesture, as browsers want), takes the page to the whole
    screen and, clicked again, back; clicked by a script (no gesture) it is refused, quietly; the
    game plays on. Firefox refuses every fullscreen here, headless or on a bare Xvfb (its page never
    has the focus): there each click is refused, quietly. In Chromium, only WebKit's prefixed calls
    serve as well, and a browser without either (an iPhone's Safari) shows no button."""
    says = lambda: p.js('return message.innerText')
    title_shown(p)
    p.js("window.heard = []; for (const e of ['fullscreenchange', 'fullscreenerror']) "
         "document.addEventListener(e, () => heard.push(e))")
    script, gesture = lambda: p.js("document.getElementById('fullscreen').click()"), lambda: p.click('#fullscreen')
    for n, (click, full) in enumerate([(script, None), (gesture, True), (gesture, False)], 1):
        click()
        wait(p, lambda s: len(p.js('return heard')) >= n or says(), f'answer to click {n}')
        time.sleep(0.5)  # a refusal reaches the page's handlers after the event
        now = p.js('return [heard.at(-1), !!(document.fullscreenElement || document.webkitFullscreenElement)]')
        want = ['fullscreenerror', False] if full is None or p.name == 'firefox' else ['fullscreenchange', full]
        check(now == want and says() == '', f'click {n}: {now}, the page says {says()!r}')
    end(p)
    if p.name != 'chromium':
        return
    prefixed = ('for (const [c, f] of [[Element, "requestFullscreen"], [Document, "exitFullscreen"], '
                '[Document, "fullscreenElement"]]) delete c.prototype[f]')
    none = prefixed + '; delete Element.prototype.webkitRequestFullscreen'
    for what, source, button in ('prefixed calls alone', prefixed, True), ('no Fullscreen call', none, False):
        gone = p.browser.cdp('Page.addScriptToEvaluateOnNewDocument', {'source': source})
        try:
            start_play(p)
            shown = p.js("const b = document.getElementById('fullscreen'); return !!b && b.getClientRects().length > 0")
            check(shown == button, f'{what}: the Fullscreen button shown: {shown}')
            for full in (True, False) if button else ():
                p.click('#fullscreen')
                wait(p, lambda s: p.js('return !!document.webkitFullscreenElement') == full, f'{what}: fullscreen {full}')
            time.sleep(1)
            check(says() == '', f'{what}: the page says {says()!r}')
            end(p)
        finally:
            p.browser.cdp('Page.removeScriptToEvaluateOnNewDocument', gone)

TAP = """window.heard = {contexts: 0, peak: 0};
  const connect = AudioNode.prototype.connect, taps = new Map();
  AudioNode.prototype.connect = function (to, ...rest) {
    if (to === this.context.destination && !taps.has(this.context)) {
      const tap = this.context.createAnalyser(), data = new Float32Array(tap.fftSize);
      taps.set(this.context, tap);
      heard.contexts++;
      setInterval(() => { tap.getFloatTimeDomainData(data);
                          for (const v of data) heard.peak = Math.max(heard.peak, Math.abs(v)); }, 20);
    }
    if (to === this.context.destination)
      connect.call(this, taps.get(this.context));
    return connect.call(this, to, ...rest);
  };"""

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
    x, y = open_hole(p, ref)
    p.move(x, y)
    p.button(True)
    time.sleep(0.2)
    p.button(False)
    p.move(*REST)
    check(loudest(0.3) > 0.01, 'nothing heard after a patch')
    for press in (lambda: tap(p, 'm')), (lambda: p.click('#mute')):
        press()
        time.sleep(0.3)
        check(loudest(1) == 0, 'heard while muted')
        press()
        check(loudest(1) > 0.01, 'nothing heard after unmuting')
    end(p)
    said = p.out('err')
    check(not re.search(r'(?i)audio|openal|uncaught|error', said), f'the console: {said}')

def touch(p):
    """A phone sideways and upright: the picture whole on screen, the touch controls beside or
    under it, nothing scrolled. By touch: Space starts, the turn control turns, a finger dragged
    onto a hole patches it, a swipe over the picture leaves the page where it is."""
    place = """const b = (e) => { const r = document.querySelector(e).getBoundingClientRect();
                return [r.x, r.y, r.right, r.bottom] }; return [b('#canvas'), b('#bar'), innerWidth,
                innerHeight, scrollX + scrollY, location.href]"""
    p.browser.cdp('Emulation.setTouchEmulationEnabled', {'enabled': True, 'maxTouchPoints': 5})
    p.fingers = True
    # The order in which the page hands the game a finger's place and its press.
    spy = p.browser.cdp('Page.addScriptToEvaluateOnNewDocument', {'source': '''window.calls = [];
        for (const name of ['_PagePointer', '_PageButton'])
          Object.defineProperty(window, name, { configurable: true, get() { return this['$' + name]; },
                                                set(f) { this['$' + name] = (...a) => (calls.push(name), f(...a)); } });'''})
    try:
        touch_play(p, place)
    finally:
        p.browser.cdp('Page.removeScriptToEvaluateOnNewDocument', spy)
        p.fingers = False
        p.browser.cdp('Emulation.setTouchEmulationEnabled', {'enabled': False})
        p.browser.cdp('Emulation.clearDeviceMetricsOverride', {})

def touch_play(p, place):
    for w, h in (844, 390), (390, 844):
        p.browser.cdp('Emulation.setDeviceMetricsOverride', {'width': w, 'height': h, 'deviceScaleFactor': 3, 'mobile': True})
        title_shown(p)
        canvas, bar, width, height, scrolled, page = p.js(place)
        beside = bar[0] >= canvas[2] if w > h else bar[1] >= canvas[3]
        check(min(canvas) >= 0 and canvas[2] <= width and canvas[3] <= height and beside and not scrolled,
              f'{w}x{h}: picture {canvas}, controls {bar}, scrolled {scrolled}')
    tap(p, 'space')
    ref = wait(p, case_in_middle, 'play after Space by touch')
    held = outline(ref)
    p.key('Left', True)
    wait(p, lambda s: apart(outline(s), held) > 15, 'turn with the turn control held')
    p.key('Left', False)
    x, y = open_hole(p, ref := p.shot())
    around, before = (x - 15, y - 15, x + 16, y + 16), plasters(p.shot(), (x - 15, y - 15, x + 16, y + 16))
    for again in range(3):  # a drag onto it, quicker than a frame (a busy machine may lose one)
        p.js('calls.length = 0')
        p.finger('touchStart', x - 60, y)
        check(p.js('return calls')[:2] == ['_PagePointer', '_PageButton'], "the press came before the finger's place")
        p.finger('touchMove', x, y)
        p.finger('touchEnd', x, y)
        time.sleep(0.3)
        p.finger('touchStart', *REST)  # the pointer off the hole: beside the case a touch patches nothing
        p.finger('touchEnd', *REST)
        time.sleep(1)
        if plasters(patched := p.shot(), around) > before + 15:
            break
    check(plasters(patched, around) > before + 15, f'no plaster on the hole dragged onto at ({x}, {y})')
    # A swipe left to right, the way a phone goes back a page: no touch on the game is left to the
    # browser (each is cancelled, and touch-action forbids its gestures), and the page stays.
    p.js("window.kept = []; addEventListener('touchmove', (e) => kept.push(e.defaultPrevented), true)")
    for x in range(100, 700, 50):
        p.finger('touchStart' if x == 100 else 'touchMove', x, 300)
    p.finger('touchEnd', 700, 300)
    time.sleep(0.5)
    left = p.js("return kept.length && kept.every(Boolean) && getComputedStyle(canvas).touchAction == 'none'")
    check(left and p.js(place)[4:] == [0, page], 'the swipe was left to the browser, or moved the page')

def sharp(p):
    """At device pixel ratio 2 each picture pixel is a 2x2 square of device pixels, the title as at
    ratio 1. Without WebGL the page says so plainly."""
    one = title_shown(p)
    title = bytes(v for y in range(H) for x in range(W) for v in one.pixel(x, y))
    cdp = p.browser.cdp
    cdp('Emulation.setDeviceMetricsOverride', {'width': 800, 'height': 640, 'deviceScaleFactor': 2, 'mobile': False})
    try:
        title_shown(p)
        time.sleep(0.5)
        rgb = subprocess.run(['convert', 'png:-', '-depth', '8', 'rgb:-'], input=p.browser.png(*p.rect),
                             capture_output=True).stdout
        check(len(rgb) == 4 * W * H * 3, f'{len(rgb)} bytes: not 2x2 device pixels a picture pixel')
        doubled(lambda x, y: rgb[(y * 2 * W + x) * 3:(y * 2 * W + x) * 3 + 3], title, 'at ratio 2')
    finally:
        cdp('Emulation.clearDeviceMetricsOverride', {})
    gone = cdp('Page.addScriptToEvaluateOnNewDocument', {'source': 'HTMLCanvasElement.prototype.getContext = () => null'})
    try:
        p.start()
        wait(p, lambda s: 'cannot show WebGL' in p.js('return message.innerText'), 'the words for no WebGL')
    finally:
        cdp('Page.removeScriptToEvaluateOnNewDocument', gone)

def page_keeps(p):
    """While the button is held the game picks in every frame (one read-back each); let go off
    the canvas, it stops. The game's clock stands still while the page is hidden. A lost WebGL
    context is said in words."""
    start_play(p)
    p.js("""const gl = canvas.getContext('webgl'), read = gl.readPixels.bind(gl); window.reads = 0;
            gl.readPixels = (...a) => (reads++, read(...a));
            const clock = Module.pageClock; window.clocks = 0; Module.pageClock = () => (clocks++, clock());""")
    p.move(60, 300)
    p.button(True)
    time.sleep(1)
    left, top, width, height = p.rect
    p.browser.mouse('move', left + width / 2, top + height + 10)  # on the bar under the picture
    p.browser.mouse('up', left + width / 2, top + height + 10)
    p.move(60, 300)  # back over the picture, where a button still down would pick
    time.sleep(0.5)
    reads = p.js('return reads')
    time.sleep(1)
    check(0 < reads == p.js('return reads'), f'{reads} read-backs, then {p.js("return reads")}: the button stuck')
    if p.name == 'chromium':  # a second tab in front hides the page
        before = p.js('return [Module.pageClock(), clocks]')
        p.browser.d.switch_to.new_window('tab')
        time.sleep(3)
        p.browser.d.close()
        p.browser.d.switch_to.window(p.browser.d.window_handles[0])
        p.browser.cdp('Page.bringToFront', {})
        after = p.js('return [Module.pageClock(), clocks]')
        check(after[0] - before[0] < 1 and after[1] > before[1], f'the clock went {before} to {after} hidden 3 s')
    p.js("canvas.getContext('webgl').getExtension('WEBGL_lose_context').loseContext()")
    time.sleep(0.5)
    check(p.js('return message.innerText').startswith('The game lost its picture'), 'a lost context went unsaid')

def players(p):  # each player's report in a private folder of their own
    for who in 'ann', 'bob':
        p.env['XDG_STATE_HOME'] = f'{p.work}/{who}'
        p.start(display=False)
        check(p.wait_exit(90) == 1, f'{who} started without a display')
    p.env['XDG_STATE_HOME'] = p.state
    for folder in f'{p.work}/ann/sieverush', f'{p.work}/bob/sieverush':
        check(os.path.isfile(folder + '/GL_ERROR.txt') and not os.stat(folder).st_mode & 0o77, folder)

def installed(p):  # a valid desktop entry; the .deb holds the files of the install, under /usr
    entry = subprocess.run(['desktop-file-validate', p.prefix + '/share/applications/sieverush.desktop'])
    check(entry.returncode == 0, 'the desktop entry does not validate')
    subprocess.run(['cpack', '--config', p.build + '/CPackConfig.cmake', '-G', 'DEB', '-B',
                    p.work + '/deb'], check=True, capture_output=True)
    deb = [f'{p.work}/deb/{f}' for f in os.listdir(p.work + '/deb') if f.endswith('.deb')]
    listing = subprocess.run(['dpkg-deb', '-c', *deb], capture_output=True, text=True).stdout
    packed = sorted(l.split()[5][len('./usr/'):] for l in listing.splitlines() if l[0] != 'd')
    check(packed == p.installed, f'packed {packed}, installed {p.installed}')

def resources(p):  # the icon Explorer shows and GLFW gives the window; version; readme
    res = subprocess.run(['wrestool', '-l', p.source + '/sieverush.exe'], capture_output=True, text=True)
    check("--type=14 --name='GLFW_ICON'" in res.stdout and '--type=16 ' in res.stdout, res.stdout[:500])
    readme = open(p.source + '/README.txt', 'rb').read()
    check(readme.count(b'\n') > 10 and readme.count(b'\n') == readme.count(b'\r\n'), 'no CR LF')

def drain(p):  # the Windows build drains 256 RAM per millisecond and open hole
    status, out = p.run('wine', p.drain)
    check(status == 0 and '256' in out, f'{out!r}, status {status}')

def soak(p):
    """Random input for a while: the game never dies and, after its first minute, its resident
    memory grows by less than 1 MiB; Esc still ends it."""
    start_play(p)
    rnd, rss, t0 = random.Random(1), [], time.time()
    while time.time() - t0 < p.seconds:
        check(p.proc.poll() is None, f'the game died with {p.proc.poll()}')
        keys = rnd.choice([['space'], ['Left'], ['Right'], ['Left', 'Right'], ['a', 'F1', 'Tab'], []])
        click = rnd.random() < 0.5
        p.move(rnd.randrange(W + 100), rnd.randrange(H))
        for k in keys:
            p.key(k, True)
        if click:
            p.button(True)
        time.sleep(rnd.uniform(0.05, 0.9))
        if click:
            p.button(False)
        for k in keys:
            p.key(k, False)
        with open(f'/proc/{p.proc.pid}/status') as f:
            rss.append((time.time() - t0, int(re.search(r'VmRSS:\s+(\d+)', f.read())[1])))

    def median(a, b):  # of the samples taken from a to b seconds
        kib = sorted(k for t, k in rss if a <= t < b)
        return kib[len(kib) // 2]
    grown = median(p.seconds - 10, p.seconds + 60) - median(50, 60)
    print(f'soak: {len(rss)} actions, RSS grew {grown} KiB after the first minute')
    check(grown < 1024, f'RSS grew {grown} KiB')
    end(p)

def soak_mode(game, art, seconds):
    p = Native(game, art)
    p.seconds = float(seconds)
    return p

def valgrind_mode(game, art):  # softpipe: no machine code made at run time, one thread
    p = Native(game, art, 'valgrind', '--error-exitcode=99', '--leak-check=full', '--keep-debuginfo=yes',
               '--errors-for-leak-kinds=definite', '--show-leak-kinds=definite',
               f'--suppressions={os.path.dirname(os.path.dirname(os.path.abspath(__file__)))}/valgrind.supp')
    p.slow, p.env = 20, {'LIBGL_ALWAYS_SOFTWARE': '1', 'GALLIUM_DRIVER': 'softpipe'}
    return p

CASES = [  # name, the modes it applies to, the case
    ('title screen', 'native install wine valgrind web', title),
    ('Space starts play', 'native wine valgrind web', play),
    ('turning', 'native web', turning),
    ('patching', 'native web', patching),
    ('game over and again', 'native web', game_over),
    ('window closed', 'native', window_closed),
    ('replays', 'native wine', replays),
    ('heard', 'native wine', heard),
    ('the page heard', 'web', page_heard),
    ('screens', 'native', screens),
    ('still screens sleep', 'native', idle),
    ('HiDPI', 'native wine', hidpi),
    ('no display', 'native install wine', no_display),
    ('missing art', 'native install', missing_art),
    ('the page says so', 'web', page_says),
    ('fullscreen', 'web', fullscreen),
    ('touch', 'chromium', touch),
    ('sharp, or no WebGL', 'chromium', sharp),
    ('the page keeps', 'web', page_keeps),
    ('players', 'install', players),
    ('resources', 'wine', resources),
    ('installed files', 'install', installed),
    ('drain constant', 'wine', drain),
    ('soak', 'soak', soak),
]
MODES = {'native': Native, 'install': Install, 'wine': Wine, 'soak': soak_mode,
         'valgrind': valgrind_mode, 'web': Web}

def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # still kill the game on the way out
    p = MODES[mode := sys.argv[1]](*sys.argv[2:])
    passed = failed = 0
    for name, modes, case in CASES:  # web cases run in every engine; an engine's own, in it alone
        if not {mode, getattr(p, 'name', mode)} & set(modes.split()) or (case is drain and not p.drain):
            continue
        try:
            case(p)
            passed += 1
            print('pass', name, flush=True)
        except Exception as e:
            failed += 1
            print(f'FAIL {name}: {e!r}\n{p.out("err")[-3000:]}', flush=True)
        p.stop()
    print(f'{passed} passed, {failed} failed')
    sys.exit(failed > 0)

