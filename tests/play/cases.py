"""The cases, each a function of a player; the table of which runs in which mode; main."""
import glob, os, random, re, signal, statistics, subprocess, sys, time
from Xlib import X
from .screen import (W, H, CASE, check, black, lit, white, blue, skin, wait, rows, layout, case_in_middle,
                     blue_screen, outline, apart, hole)
from .x11 import XPlayer, Native, Install
from .wine import Wine
from .browser import Web
from .layout import page_fits

TITLE = [(320, 500), (150, 450), (80, 380), (120, 300), (160, 270), (260, 100)]
GAME_OVER = [(325, 520), (200, 450), (250, 400), (160, 350), (210, 320), (80, 280), (110, 240),
             (110, 215), (110, 190), (250, 145), (80, 100)]  # (250, 145): the best ever, centred
STATUS_Y, RAM_X, UPTIME_X = 30, 20, 600  # the two status lines during play
REST = (770, 30)  # where the pointer rests: inside the window, clear of the case and the text
MISSING_ART_STATUS = 1  # how the game ends when it cannot read an art file: a failed start

def tap(p, key):  # held long enough for a frame or a poll to see it (Wine needs that)
    p.key(key, True)
    time.sleep(0.25)
    p.key(key, False)

def click(p, x, y, hold=0.3):  # the button held while the game draws frames; then the pointer back at rest
    p.move(x, y)
    p.button(True)
    time.sleep(hold)
    p.button(False)
    p.move(*REST)

def title_lit(s):  # the title's top line drawn
    top, bottom = rows(TITLE[0][1])
    return s.count((0, top, W, bottom), lit) > 40

def title_shown(p, start=None):  # start: how the game starts, if not by p.start
    (start or p.start)()
    return wait(p, title_lit, 'title screen')

def start_play(p, start=None):
    title_shown(p, start)
    p.move(*REST)
    tap(p, 'space')
    return wait(p, case_in_middle, 'case after Space')

def end(p):
    """Esc ends the game with status 0; a normal run says nothing and writes no file."""
    tap(p, 'Escape')
    check((status := p.wait_exit()) == 0, f'Esc ended the game with {status}')
    check(p.out() == '' and not p.written(), f'said {p.out()!r}, wrote {list(p.written())}')

def title(p):
    """The title laid out as drawn, in a window a window manager may resize, with an icon; Space starts
    play, the RAM and uptime lines at the bottom and nothing beside them."""
    title_shown(p)
    if isinstance(p, XPlayer):  # the X window's own properties (a page has none)
        h = p.window().get_wm_normal_hints()  # a window manager may resize it, maximise it
        check(p.size() == (W, H) and not h.max_width and not h.max_height, f'{p.size()}, {h}')
        icon = p.window().get_full_property(p.d.intern_atom('_NET_WM_ICON'), X.AnyPropertyType)
        check(icon and len(icon.value) > 2 + 16 * 16, 'no window icon')
    time.sleep(0.5)  # drawn once, then it waits
    (s := p.shot()).save('title')
    layout(s, TITLE, black)
    p.move(*REST)
    tap(p, 'space')
    (s := wait(p, case_in_middle, 'case after Space')).save('play')
    top, bottom = rows(STATUS_Y)
    check(s.count((RAM_X, top, UPTIME_X - 20, bottom), white) > 40, 'no RAM line')
    check(s.count((UPTIME_X, top, W, bottom), white) > 40, 'no uptime line')
    beside = [(0, top - 12, W, top - 1), (0, bottom + 1, W, bottom + 12), (0, top, RAM_X - 1, bottom)]
    check(sum(s.count(b, white) for b in beside) == 0, 'white beside the status lines')
    end(p)

def turning(p):
    """Left and Right held together keep the case still; Right let go, it turns. The game-over
    screen laid out as drawn, the best ever added; it is kept; Space on it starts a new game."""
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
    wait(p, blue_screen, 'game-over screen', 240)
    time.sleep(0.5)
    (s := p.shot()).save('gameover')
    layout(s, GAME_OVER, blue)
    check(re.fullmatch(BEST, p.read_kept('best') or ''), f'kept {p.read_kept("best")!r}')
    tap(p, 'space')
    wait(p, lambda s: case_in_middle(s) and not s.count((0, 0, W, H), blue, 8), 'new game')
    end(p)

plasters = lambda s, box=CASE: s.count(box, skin, 2)

def open_hole(p, ref):  # the middle of a hole in view, after a new game or two if need be
    for game in range(3):  # holes open on the hidden faces too, and the RAM runs out in seconds
        if hole(s := wait(p, lambda s: hole(s, ref) or blue_screen(s), 'open hole'), ref):
            return hole(s, ref)
        tap(p, 'space')  # a new game: the same view of the case, its faces whole again
        wait(p, lambda s: not blue_screen(s), 'new game')
    raise AssertionError('no hole in view in three games')

def patch(p, ref, put):
    """The shot after put(x, y) put plaster on a hole in view at (x, y); made again when a machine too
    busy to draw a frame meanwhile lost it, and in a new game when the RAM ran out first."""
    for again in range(6):
        x, y = open_hole(p, ref)
        around = (x - 15, y - 15, x + 16, y + 16)
        before = plasters(p.shot(), around)
        if plasters(s := put(x, y), around) > before + 15:
            return s
        if blue_screen(s):
            tap(p, 'space')
            wait(p, lambda s: not blue_screen(s), 'new game')
    raise AssertionError(f'no plaster on the hole at ({x}, {y})')

def patching(p):
    """A click on a hole plasters it; a click beside the case plasters nothing."""
    def clicked(x, y):  # once a frame is drawn after it: the (plaster-coloured) cursor back at rest
        click(p, x, y, 1.5)
        return wait(p, lambda s: blue_screen(s) or s.count((REST[0] - 24, REST[1] - 24, REST[0] + 24, REST[1] + 24),
                                                        skin) > 30, 'cursor back at rest')
    (patched := patch(p, start_play(p), clicked)).save('patched')
    # A plaster is some hundred pixels of its colour; a hole that opens meanwhile, a few dozen at its rim.
    check(plasters(clicked(60, 300)) <= plasters(patched) + 40, 'a click beside the case patched')
    end(p)

def golden():  # the title as the game has always drawn it into its 800x600 window, pixel for pixel
    return subprocess.run(['convert', os.path.dirname(__file__) + '/../golden/title.png', '-depth', '8', 'rgb:-'],
                          capture_output=True).stdout

def doubled(at, title, what):  # each picture pixel a 2x2 square of the title drawn at 1x (every other looked at)
    check(all(bytes(at(2 * x + i, 2 * y + j)) == title[3 * (y * W + x):3 * (y * W + x) + 3]
              for y in range(0, H, 2) for x in range(0, W, 2) for i in (0, 1) for j in (0, 1)),
          f'{what}: the picture pixels are no 2x2 squares of the title drawn at 1x')

def screens(p):
    """The title at 1x as always, and again after the window was unmapped and mapped. Moved and
    resized, then F11 to the whole 1920x1080 screen: the picture 1440x1080 between black bars;
    F11 again: the window back where it was, at its size."""
    same = lambda what: check(wait(p, title_lit, what).rgb() == golden(), f'{what}: not the title as drawn at 800x600')
    p.start()
    same('title at 1x')
    for show in p.window().unmap, p.window().map:
        show()
        p.d.sync()
        time.sleep(1)
    same('title drawn again when mapped')
    place = lambda: (*(lambda o: (o.x, o.y))(p.root.translate_coords(p.window(), 0, 0)), *p.size())
    p.window().configure(x=130, y=70, width=1000, height=700)
    p.d.sync()
    wait(p, lambda s: place() == (130, 70, 1000, 700), 'the window moved and resized')
    tap(p, 'F11')
    layout(wait(p, lambda s: p.size() == (1920, 1080) and title_lit(s), 'fullscreen'), TITLE, black)
    (full := p.full()).save('fullscreen')
    check(full.count((0, 0, 240, 1080), black, 4) == full.count((1680, 0, 1920, 1080), black, 4) == 60 * 270,
          'the bars beside the picture are not black')
    tap(p, 'F11')
    wait(p, lambda s: place() == (130, 70, 1000, 700) and title_lit(s), 'the title back in the window at (130, 70), 1000x700')
    end(p)

def idle(p):
    """On the title and in play, closed as a window manager closes it, the game ends with status 0.
    A still screen sleeps: the processor time on the title at most a twentieth of that in play."""
    ticks = lambda: sum(map(int, open(f'/proc/{p.proc.pid}/stat').read().rsplit(')', 1)[1].split()[11:13]))
    busy = []  # utime + stime over 2 s, in clock ticks
    for begin in title_shown, start_play:
        begin(p)
        time.sleep(0.5)
        busy.append(-ticks())
        time.sleep(2)
        busy[-1] += ticks()
        p.close()
        check((status := p.wait_exit()) == 0, f'closed after {begin.__name__}: status {status}')
    check(busy[0] * 20 <= busy[1], f'{busy[0]} ticks on the title, {busy[1]} in play')

def hidpi(p):
    """On a 3840x2160 screen at 192 dpi (Xft.dpi, or Windows' own) the window opens at twice the
    picture's size, each picture pixel a 2x2 square of the title drawn at 1x."""
    p.on_screen(3840, 2160, 192)
    try:
        title_shown(p)
        check(p.size() == (2 * W, 2 * H), f'a {p.size()} window at 192 dpi')
        (full := p.full()).save('hidpi')
        doubled(full.pixel, golden(), 'at 192 dpi')
        end(p)
    finally:
        p.on_screen()

KEPT = os.path.join(os.path.dirname(__file__), '../replays/game.rec')  # a game with a patch, a crash and a new game
KEPT_END = 'Replayed 1870 frames: uptime 2 seconds, best 11 seconds\n'

def replays(p):
    """The kept recording replays to its known end, twice alike, with no input; one cut short is
    refused in one line and status 1. Natively, a game recorded as it is played replays to the end
    it had."""
    p.start()  # the game's folder
    p.stop()
    game = lambda *args: p.run(*p.argv, *args, display=True)
    kept = open(KEPT, 'rb').read()
    open(f'{p.cwd}/kept.rec', 'wb').write(kept)
    open(f'{p.cwd}/cut.rec', 'wb').write(kept[:-9])
    for again in range(2):
        check((said := game('--replay', 'kept.rec'))[:2] == (0, KEPT_END), f'replay {again + 1}: {said}')
    status, _, err = game('--replay', 'cut.rec')
    check(status == 1 and "cannot replay 'cut.rec': cut short" in err, f'a cut recording: {status} {err!r}')
    if not isinstance(p, Native):
        return
    start_play(p, lambda: p.start(args=('--record', 'live.rec')))
    click(p, *REST, 0.5)
    tap(p, 'p')  # a pause, too, replays exactly
    tap(p, 'p')
    tap(p, 'Escape')
    check(p.wait_exit() == 0, 'the recorded game did not end')
    recorded = p.out()
    check(recorded.startswith('Recorded ') and (said := game('--replay', 'live.rec'))[:2] == (0, 'Replayed ' + recorded[9:]),
          f'recorded {recorded!r}, replayed {said}')

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
    starts it over: "Play again" to the title and play, "Try again" to the same report. Its Fullscreen
    button, clicked (a gesture, as browsers want), takes the page to the whole screen and back; clicked
    by a script it is refused; the game plays on, the page quiet (Firefox refuses every fullscreen
    here: on a bare Xvfb its page never has the focus)."""
    def again(button):  # clicked, it starts a new page: the old one's mark is gone (its end forgotten)
        check(button in p.message(), f'page says {p.message()!r}, no {button!r}')
        p.js('window.mark = true; window.ended = null')
        p.click('#message button')
        wait(p, lambda s: p.js('return window.mark ?? null') is None, f'new page after {button!r}')
    title_shown(p)  # no gesture yet
    p.js("window.heard = []; for (const e of ['fullscreenchange', 'fullscreenerror']) "
         "document.addEventListener(e, () => heard.push(e))")
    for n, full in enumerate([None, True, False], 1):  # None: clicked by a script
        p.js("document.getElementById('fullscreen').click()") if full is None else p.click('#fullscreen')
        wait(p, lambda s: len(p.js('return heard')) >= n or p.message(), f'answer to click {n}')
        time.sleep(0.5)  # a refusal reaches the page's handlers after the event
        now = p.js('return [heard.at(-1), !!(document.fullscreenElement || document.webkitFullscreenElement)]')
        want = ['fullscreenerror', False] if full is None or p.name == 'firefox' else ['fullscreenchange', full]
        check(now == want and p.message() == '', f'click {n}: {now}, the page says {p.message()!r}')
    end(p)
    p.out('err')  # what earlier pages logged
    start_play(p)
    end(p)
    ours = r'(?i)uncaught|unhandled|javascript (error|warning)|webgl|severe|\s404\b|127\.0\.0\.1'
    check(not re.search(ours, said := p.out('err')), f'the console: {said}')
    check(p.message().startswith('The game has ended.'), f'page says {p.message()!r}')
    start_play(p, lambda: again('Play again'))
    end(p)
    missing_art(p)
    report = lambda: check("could not start:\nUnable to load 'Case.tga'" in p.message(), f'page says {p.message()!r}')
    report()
    again('Try again')
    check(p.wait_exit() == MISSING_ART_STATUS, 'the start tried again did not fail')
    report()

def fullscreen(p):
    """Only WebKit's prefixed fullscreen calls serve as well; a browser without either (an iPhone's
    Safari) shows no Fullscreen button."""
    prefixed = ('for (const [c, f] of [[Element, "requestFullscreen"], [Document, "exitFullscreen"], '
                '[Document, "fullscreenElement"]]) delete c.prototype[f]')
    none = prefixed + '; delete Element.prototype.webkitRequestFullscreen'
    for what, source, button in ('prefixed calls alone', prefixed, True), ('no Fullscreen call', none, False):
        with p.emulating(source):
            start_play(p)
            shown = p.js("const b = document.getElementById('fullscreen'); return !!b && b.getClientRects().length > 0")
            check(shown == button, f'{what}: the Fullscreen button shown: {shown}')
            for full in (True, False) if button else ():
                p.click('#fullscreen')
                wait(p, lambda s: p.js('return !!document.webkitFullscreenElement') == full, f'{what}: fullscreen {full}')
            time.sleep(1)
            check(p.message() == '', f'{what}: the page says {p.message()!r}')

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

# The order in which the page hands the game a finger's place and its press.
SPY = '''window.calls = [];
  for (const name of ['_PagePointer', '_PageButton'])
    Object.defineProperty(window, name, { configurable: true, get() { return this['$' + name]; },
                                          set(f) { this['$' + name] = (...a) => (calls.push(name), f(...a)); } });'''

def touch(p):
    """On a phone held sideways (its layout: page_fits), by touch: Space starts, the turn control
    turns, a finger dragged onto a hole patches it, a swipe over the picture leaves the page where
    it is."""
    place = 'return [scrollX + scrollY, location.href]'
    with p.emulating(SPY, fingers=True) as cdp:
        cdp('Emulation.setDeviceMetricsOverride', {'width': 844, 'height': 390, 'deviceScaleFactor': 3, 'mobile': True})
        title_shown(p)
        page = p.js(place)
        tap(p, 'space')
        held = outline(wait(p, case_in_middle, 'play after Space by touch'))
        p.key('Left', True)
        wait(p, lambda s: apart(outline(s), held) > 15, 'turn with the turn control held')
        p.key('Left', False)

        def drag(x, y):  # onto the hole, quicker than a frame
            p.js('calls.length = 0')
            p.finger('touchStart', x - 60, y)
            check(p.js('return calls')[:2] == ['_PagePointer', '_PageButton'], "the press came before the finger's place")
            p.finger('touchMove', x, y)
            p.finger('touchEnd', x, y)
            time.sleep(0.3)
            p.finger('touchStart', *REST)  # the pointer off the hole: beside the case a touch patches nothing
            p.finger('touchEnd', *REST)
            time.sleep(1)
            return p.shot()
        patch(p, p.shot(), drag)
        # A swipe left to right, the way a phone goes back a page: no touch on the game is left to the
        # browser (each is cancelled, and touch-action forbids its gestures), and the page stays.
        p.js("window.kept = []; addEventListener('touchmove', (e) => kept.push(e.defaultPrevented), true)")
        for x in range(100, 700, 50):
            p.finger('touchStart' if x == 100 else 'touchMove', x, 300)
        p.finger('touchEnd', 700, 300)
        time.sleep(0.5)
        left = p.js("return kept.length && kept.every(Boolean) && getComputedStyle(canvas).touchAction == 'none'")
        check(left and p.js(place) == page, 'the swipe was left to the browser, or moved the page')

def sharp(p):
    """At device pixel ratio 2 each picture pixel is a 2x2 square of device pixels, the title as at
    ratio 1. Without WebGL the page says so plainly."""
    title = title_shown(p).rgb()
    with p.emulating() as cdp:
        cdp('Emulation.setDeviceMetricsOverride', {'width': 800, 'height': 640, 'deviceScaleFactor': 2, 'mobile': False})
        title_shown(p)
        time.sleep(0.5)
        rgb = p.pixels()
        check(len(rgb) == 4 * W * H * 3, f'{len(rgb)} bytes: not 2x2 device pixels a picture pixel')
        doubled(lambda x, y: rgb[(y * 2 * W + x) * 3:(y * 2 * W + x) * 3 + 3], title, 'at ratio 2')
    with p.emulating('HTMLCanvasElement.prototype.getContext = () => null'):
        p.start()
        wait(p, lambda s: 'cannot show WebGL' in p.message(), 'the words for no WebGL')

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
    p.move(W // 2, H + 10)  # on the bar under the picture
    p.button(False)
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
    check(p.message().startswith('The game lost its picture'), 'a lost context went unsaid')

def installed(p):  # each player's report in a private folder; a valid desktop entry; the .deb holds the install
    for who in 'ann', 'bob':
        p.env['XDG_STATE_HOME'] = f'{p.work}/{who}'
        p.start(display=False)
        check(p.wait_exit(90) == 1, f'{who} started without a display')
    p.env['XDG_STATE_HOME'] = p.state
    for folder in f'{p.work}/ann/sieverush', f'{p.work}/bob/sieverush':
        check(os.path.isfile(folder + '/GL_ERROR.txt') and not os.stat(folder).st_mode & 0o77, folder)
    entry = p.run('desktop-file-validate', p.prefix + '/share/applications/sieverush.desktop')
    check(entry[0] == 0, f'the desktop entry does not validate: {entry}')
    check(p.run('cpack', '--config', p.build + '/CPackConfig.cmake', '-G', 'DEB', '-B', p.work + '/deb')[0] == 0, 'no .deb')
    listing = p.run('dpkg-deb', '-c', *glob.glob(p.work + '/deb/*.deb'))[1]
    packed = sorted(l.split()[5][len('./usr/'):] for l in listing.splitlines() if l[0] != 'd')
    check(packed == p.installed, f'packed {packed}, installed {p.installed}')

def package(p):  # the icon Explorer and GLFW show, a version, a README in CR LF; 256 RAM drained per ms and hole
    res = p.run('wrestool', '-l', p.source + '/sieverush.exe')[1]
    check("--type=14 --name='GLFW_ICON'" in res and '--type=16 ' in res, res[:500])
    readme = open(p.source + '/README.txt', 'rb').read()
    check(readme.count(b'\n') > 10 and readme.count(b'\n') == readme.count(b'\r\n'), 'no CR LF')
    if p.drain:  # the checker built with the package, when given
        status, out, _ = p.run('wine', p.drain)
        check(status == 0 and '256' in out, f'{out!r}, status {status}')

def paused_shown(s):  # the game under a veil (its status line dimmed), the way on in white over it
    top, bottom = rows(280)
    return (s.count((150, top, 650, bottom), white) > 100 and not blue_screen(s)
            and not s.count((0, H - STATUS_Y - 16, W, H - STATUS_Y), white))

def paused(p):
    """P stands the game still: over 3 s the picture (RAM and uptime with it) does not change and the
    game sleeps; a click does not go on (it would patch), P or Space does. Leaving pauses the game
    until the player goes on: the window unmapped or left for another, the page hidden or blurred."""
    start_play(p)
    time.sleep(1)
    for how, leave in [('P', lambda: tap(p, 'p')), *p.leaving()]:
        leave()
        s, ticks = wait(p, paused_shown, f'paused by {how}'), p.ticks()
        time.sleep(3)
        used = ticks is not None and p.ticks() - ticks
        check(used <= 6, f'paused by {how}: {used} ticks in 3 s')
        click(p, 400, 300)
        check(p.shot().rgb() == s.rgb(), f'paused by {how}: the picture changed')
        tap(p, 'space' if how == 'P' else 'p')
        wait(p, lambda s: not paused_shown(s) and case_in_middle(s), f'play after {how}')
    end(p)

BEST = r'Sieve Rush best 1\nbest [1-9]\d*\n'

def kept(p):
    """What the player leaves is there the next time, believed and not spoken of: the window's place
    and size (natively and under Wine), fullscreen, the sound off, the best uptime."""
    place, best = (130, 70, 1000, 700), 'Sieve Rush best 1\nbest 4242\n'
    title_shown(p, lambda: p.start(put={'best': best}))
    if isinstance(p, XPlayer):
        p.window().configure(x=place[0], y=place[1], width=place[2], height=place[3])
        p.d.sync()
        wait(p, lambda s: p.place() == place, 'the window moved and resized')
    tap(p, 'm')
    end(p)
    window = 'window {} {} {} {}\n'.format(*place) if isinstance(p, XPlayer) else ''
    check(p.read_kept('settings') == f'Sieve Rush settings 1\n{window}fullscreen no\nsound off\n', f'kept {p.read_kept("settings")!r}')
    settings = p.read_kept('settings')
    p.out('err')
    for full in (False, True) if isinstance(p, XPlayer) else (False,):  # the second time fullscreen
        title_shown(p, lambda: p.start(keep=True))
        check(not re.search('sieverush: .*(kept|settings|best)', said := p.out('err')), f'said {said!r}')
        if isinstance(p, XPlayer):
            wait(p, lambda s: p.place() == ((0, 0, 1920, 1080) if full else place), f'the window as kept, fullscreen {full}')
            tap(p, 'F11')
            full and wait(p, lambda s: p.place() == place, 'the window back from fullscreen')
        end(p)
    check(p.read_kept('best') == best and p.read_kept('settings') == settings, f'kept {p.read_kept("settings")!r}')

def kept_badly(p):
    """A kept file the game cannot believe gives the defaults and one line naming it, and is left as
    it is; a window place off every monitor is not believed; a folder that cannot be written costs
    only the keeping (one line); two copies closed at once leave one whole file."""
    for name, text in [('settings', ''), ('settings', 'Sieve Rush settings 2\n'), ('best', None),  # (each refusal: kept_test)
                       ('best', 'Sieve Rush best 1\nbest 1000000000000\n')]:
        title_shown(p, lambda: p.start(put={name: text}))
        tap(p, 'm')  # the settings change: kept, unless refused
        end(p)
        path = p.kept()[name]
        said = [line for line in p.out('err').splitlines() if path in line]
        check(len(said) == 1 and 'left as it is' in said[0], f'{text!r}: said {said}')
        check(os.path.isdir(path) if text is None else open(path).read() == text, f'{text!r} changed')
    title_shown(p, lambda: p.start(put={'settings': 'Sieve Rush settings 1\nwindow 5000 5000 800 600\nfullscreen yes\n'}))
    layout(wait(p, lambda s: p.place() == (0, 0, 1920, 1080), 'fullscreen as kept'), TITLE, black)
    tap(p, 'F11')
    wait(p, lambda s: p.place() == (0, 0, W, H), 'the window where the system put it, not at (5000, 5000)')
    end(p)
    p.env['XDG_CONFIG_HOME'] = p.work + '/a file/config'
    open(p.work + '/a file', 'w').close()
    title_shown(p)
    tap(p, 'm')
    end(p)
    p.env['XDG_CONFIG_HOME'] = p.config
    said = [line for line in p.out('err').splitlines() if 'cannot keep' in line]
    check(len(said) == 1 and 'the settings' in said[0], f'unwritable: said {said}')
    title_shown(p)
    other = subprocess.Popen(p.argv, cwd=p.cwd, env=p.environ(True), stderr=subprocess.DEVNULL)
    while len(games := [w for w in p.root.query_tree().children if w.get_wm_name() == 'Sieve Rush']) < 2:
        time.sleep(0.1)
    games[1].configure(x=200, y=100)
    p.d.sync()
    time.sleep(1)
    for game in games:
        p.close(game)
    check(p.wait_exit() == 0 and other.wait(30) == 0, 'two copies closed')
    check(p.read_kept('settings') in [f'Sieve Rush settings 1\nwindow {x} {y} 800 600\nfullscreen no\nsound on\n'
                                      for x, y in ((0, 0), (200, 100))], f'two copies kept {p.read_kept("settings")!r}')

def soak(p):
    """Random input for a while: the game never dies and, after its first minute, its resident
    memory grows by less than 1 MiB; Esc still ends it."""
    start_play(p)
    rnd, rss, t0, seconds = random.Random(1), [], time.time(), float(sys.argv[4])
    while time.time() - t0 < seconds:
        check(p.proc.poll() is None, f'the game died with {p.proc.poll()}')
        keys = rnd.choice([['space'], ['Left'], ['Right'], ['Left', 'Right'], ['a', 'F1', 'Tab'], []])
        pressed = rnd.random() < 0.5
        p.move(rnd.randrange(W + 100), rnd.randrange(H))
        for down in True, False:  # the keys and maybe the button, held a while
            for k in keys:
                p.key(k, down)
            pressed and p.button(down)
            down and time.sleep(rnd.uniform(0.05, 0.9))
        with open(f'/proc/{p.proc.pid}/status') as f:
            rss.append((time.time() - t0, int(re.search(r'VmRSS:\s+(\d+)', f.read())[1])))

    median = lambda a, b: statistics.median_low(k for t, k in rss if a <= t < b)  # of the samples from a to b s
    grown = median(seconds - 10, seconds + 60) - median(50, 60)
    print(f'soak: {len(rss)} actions, RSS grew {grown} KiB after the first minute')
    check(grown < 1024, f'RSS grew {grown} KiB')
    end(p)

def valgrind_mode(game, art):  # softpipe: no machine code made at run time, one thread
    p = Native(game, art, 'valgrind', '--error-exitcode=99', '--leak-check=full', '--keep-debuginfo=yes',
               '--errors-for-leak-kinds=definite', '--show-leak-kinds=definite',
               f'--suppressions={os.path.dirname(os.path.dirname(os.path.abspath(__file__)))}/valgrind.supp')
    p.slow, p.env = 20, {'LIBGL_ALWAYS_SOFTWARE': '1', 'GALLIUM_DRIVER': 'softpipe'}
    return p

from .heard import heard, page_heard  # noqa: E402 (they use the cases above)
from .replayed import replayed  # noqa: E402

CASES = [  # name, the modes it applies to, the case
    ('title screen, Space starts play', 'native install wine valgrind web', title),
    ('turning, game over and again', 'native web', turning),
    ('patching', 'native web', patching),
    ('replays', 'native wine', replays),
    ('heard', 'native wine', heard),
    ('golden recordings replayed', 'wine web', replayed),
    ('paused', 'native wine web', paused),
    ('kept', 'native wine web', kept),
    ('kept badly', 'native', kept_badly),
    ('the page heard', 'web', page_heard),
    ('screens', 'native', screens),
    ('closed, and still screens sleep', 'native', idle),
    ('HiDPI', 'native wine', hidpi),
    ('no display', 'native install wine', no_display),
    ('missing art', 'native install', missing_art),
    ('the page says so, fullscreen', 'web', page_says),
    ('fullscreen, prefixed or none', 'chromium', fullscreen),
    ('touch', 'chromium', touch),
    ('the page fits every screen', 'chromium', page_fits),
    ('sharp, or no WebGL', 'chromium', sharp),
    ('the page keeps', 'web', page_keeps),
    ('players, installed files', 'install', installed),
    ('the package, drain constant', 'wine', package),
    ('soak', 'soak', soak),
]
MODES = {'native': Native, 'install': Install, 'wine': Wine, 'soak': lambda game, art, seconds: Native(game, art),
         'valgrind': valgrind_mode, 'web': Web}

def main():
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))  # still kill the game on the way out
    p = MODES[mode := sys.argv[1]](*sys.argv[2:])
    passed = failed = 0
    for name, modes, case in CASES:  # web cases run in every engine; an engine's own, in it alone
        if not {mode, getattr(p, 'name', mode)} & set(modes.split()):
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

