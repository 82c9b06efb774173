"""The cases, each a function of a player; the table of which runs in which mode; main. They keep
what only a real window, sound device, page or input path shows: the game's own decisions (the
drain, turning, which cell a click patches, the pause and its clock, the game over and its best,
again, Esc, mute) are the golden recordings' (tests/replays/, the ctest `replays`)."""
import glob, os, random, re, signal, statistics, subprocess, sys, time
from Xlib import X
from .screen import (W, H, CASE, PROMPT, check, black, lit, white, skin, wait, rows, case_in_middle,
                     blue_screen, outline, apart, hole)
from .x11 import XPlayer, Native, Install
from .wine import Wine, installer
from .browser import Web
from .layout import page_fits

TITLE_Y = 500  # the title's top line
STATUS_Y = 30  # the status lines' height during play
REST = (770, 30)  # where the pointer rests: inside the window, clear of the case and the text
MISSING_ART_STATUS = 1  # how the game ends when it cannot read an art file: a failed start
BEST = r'Sieve Rush best 1\nbest [1-9]\d*\n'

def press(p, key, test, what, seconds=PROMPT):
    """The key held until a shot passes test (what the key did shows): that shot."""
    p.key(key, True)
    try:
        return wait(p, test, what, seconds)
    finally:
        p.key(key, False)

def drawn(p, n=3):
    """n pictures shown one after another, each unlike the last: the game has drawn frames since
    now, so it has seen the input sent before (X hands a frame all events since the last at once).
    Or the game-over screen, which stands still: the game ran out meanwhile (the caller sees it)."""
    last = p.shot().data
    for i in range(n):
        if blue_screen(s := wait(p, lambda s: s.data != last or blue_screen(s), 'a new frame')):
            return
        last = s.data

def title_lit(s):  # the title's top line drawn
    top, bottom = rows(TITLE_Y)
    return s.count((0, top, W, bottom), lit) > 40

def title_shown(p, start=None):  # start: how the game starts, if not by p.start
    (start or p.start)()
    return wait(p, title_lit, 'title screen')

in_play = lambda s: case_in_middle(s) and not blue_screen(s)

def start_play(p, start=None):
    title_shown(p, start)
    p.move(*REST)
    return press(p, 'space', in_play, 'case after Space')

def quit(p):  # Esc held until the game ends, with status 0
    p.key('Escape', True)
    status = p.wait_exit()
    p.key('Escape', False)
    check(status == 0, f'Esc ended the game with {status}')

def end(p):
    """Esc ends the game with status 0; a normal run says nothing and writes no file."""
    quit(p)
    check(p.out() == '' and not p.written(), f'said {p.out()!r}, wrote {list(p.written())}')

def title(p):
    """The title shows in a window a window manager may resize, with an icon; a real Space reaches
    the game (play shows); a real Esc ends it. (The pictures themselves: the golden recordings'.)"""
    title_shown(p)
    if isinstance(p, XPlayer):  # the X window's own properties (a page has none)
        h = p.window().get_wm_normal_hints()  # a window manager may resize it, maximise it
        check(p.size() == (W, H) and not h.max_width and not h.max_height, f'{p.size()}, {h}')
        icon = p.window().get_full_property(p.d.intern_atom('_NET_WM_ICON'), X.AnyPropertyType)
        check(icon and len(icon.value) > 2 + 16 * 16, 'no window icon')
        # A file dropped on it (the window's XDND, as a file manager drops) that is no recording: refused in a line naming it.
        open(dropped := p.work + '/no recording %1.sieverush', 'w').write('SRR')
        check(p.drop(dropped), 'the window refused the drop')
        wait(p, lambda s: os.path.basename(dropped) + "'" in p.out('err'), 'the dropped file refused in words')
    p.move(*REST)
    press(p, 'space', in_play, 'case after Space').save('play')
    end(p)

plasters = lambda s, box=CASE: s.count(box, skin, 2)
at_rest = lambda s: s.count((REST[0] - 24, REST[1] - 24, REST[0] + 24, REST[1] + 24), skin) > 30  # the cursor

def open_hole(p, ref):  # the middle of a hole in view, after a new game or two if need be
    for game in range(3):  # holes open on the hidden faces too, and the RAM runs out in seconds
        if hole(s := wait(p, lambda s: hole(s, ref) or blue_screen(s), 'open hole'), ref):
            return hole(s, ref)
        press(p, 'space', in_play, 'new game')  # the same view of the case, its faces whole again
    raise AssertionError('no hole in view in three games')

def patch(p, ref, put):
    """put(x, y) on a hole in view at (x, y), the pointer back at rest after: the shot showing
    plaster there (the cursor, a patch picture, hides it while on it); in a new game when the RAM
    ran out first."""
    for game in range(3):
        x, y = open_hole(p, ref)
        around = (x - 15, y - 15, x + 16, y + 16)
        before = plasters(p.shot(), around)
        put(x, y)
        s = wait(p, lambda s: blue_screen(s) or at_rest(s) and plasters(s, around) > before + 15, 'plaster on the hole')
        if not blue_screen(s):
            return s
        press(p, 'space', in_play, 'new game')
    raise AssertionError(f'no plaster on the hole at ({x}, {y})')

def clicked(p, x, y):  # the button pressed at (x, y) and held while frames are drawn; let go at rest
    p.move(x, y)
    p.button(True)
    drawn(p)
    p.move(*REST)
    p.button(False)

def reaches(p):
    """Real input reaches the game: a click on a hole puts plaster on it, Left held turns the case.
    Natively the game played is recorded, and the recording replays to the end it had."""
    record = isinstance(p, Native) and (lambda: p.start(args=('--record', 'live.rec')))
    patch(p, start_play(p, record), lambda x, y: clicked(p, x, y)).save('patched')
    if blue_screen(s := p.shot()):
        s = press(p, 'space', in_play, 'new game')
    held = outline(s)
    press(p, 'Left', lambda s: apart(outline(s), held) > 15, 'turn with Left held').save('turning')
    if not record:
        return end(p)
    quit(p)
    recorded, said = p.out(), p.run(*p.argv, '--replay', 'live.rec', display=True)
    check(recorded.startswith('Recorded ') and said[:2] == (0, 'Replayed ' + recorded[9:]), f'recorded {recorded!r}, replayed {said}')

def tap(p, key):  # held a while, for a frame or a poll to see it (Wine needs that): 'heard' times its keys so
    p.key(key, True)
    time.sleep(0.25)
    p.key(key, False)

def golden():  # the title as the game has always drawn it into its 800x600 window, pixel for pixel
    return subprocess.run(['convert', os.path.dirname(__file__) + '/../golden/title.png', '-depth', '8', 'rgb:-'],
                          capture_output=True).stdout

def doubled(at, title):  # each picture pixel a 2x2 square of the title drawn at 1x (every other looked at)
    return all(bytes(at(2 * x + i, 2 * y + j)) == title[3 * (y * W + x):3 * (y * W + x) + 3]
               for y in range(0, H, 2) for x in range(0, W, 2) for i in (0, 1) for j in (0, 1))

def screens(p):
    """The title at 1x as always, and drawn again after the window was unmapped (its pixels gone) and
    mapped. Moved and resized, then F11 to the whole 1920x1080 screen: the picture 1440x1080 between
    black bars; F11 again: the window back where it was, at its size."""
    same = lambda what: wait(p, lambda s: s.rgb() == golden(), f'{what}: the title as drawn at 800x600')
    p.start()
    wait(p, title_lit, 'title')
    same('title at 1x')
    p.leaving()[0][1]()  # unmapped, its pixels gone, and mapped
    same('title drawn again when mapped')
    place = (130, 70, 1000, 700)
    p.window().configure(x=130, y=70, width=1000, height=700)
    p.d.sync()
    wait(p, lambda s: p.place() == place, 'the window moved and resized')
    press(p, 'F11', lambda s: p.size() == (1920, 1080) and title_lit(s), 'the title fullscreen')
    (full := p.full()).save('fullscreen')
    check(full.count((0, 0, 240, 1080), black, 4) == full.count((1680, 0, 1920, 1080), black, 4) == 60 * 270,
          'the bars beside the picture are not black')
    press(p, 'F11', lambda s: p.place() == place and title_lit(s), 'the title back in the window at (130, 70), 1000x700')
    end(p)

def asleep(p):  # once the processor time the game uses stands still over half a second
    def settled(s):
        ticks = p.ticks()
        time.sleep(0.5)
        return p.ticks() == ticks
    wait(p, settled, 'the game asleep')

def idle(p):
    """On the title and in play, closed as a window manager closes it, the game ends with status 0.
    A still screen sleeps: once the game is asleep on the title, its processor time over 2 s at most
    a twentieth of that in play."""
    busy = []  # utime + stime over 2 s, in clock ticks
    for begin in title_shown, start_play:
        begin(p)
        begin is title_shown and asleep(p)
        busy.append(-p.ticks())
        time.sleep(2)
        busy[-1] += p.ticks()
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
        check(doubled(full.pixel, golden()), 'at 192 dpi: the picture pixels are no 2x2 squares of the title drawn at 1x')
        end(p)
    finally:
        p.on_screen()

def no_display(p):  # the report as ever, and GLFW's own words for why (naming its platform) in one line
    p.start(display=False)
    status, said = p.wait_exit(90), re.findall(r'(?m)^sieverush: GLFW: [^\r\n]*', p.out('err'))
    report = 'Caught exception:\n  Failed to initialize GLFW.\n'.replace('\n', p.eol).encode()
    check(status == 1 and p.written() == {'GL_ERROR.txt': report} and p.out() == '' and len(said) == 1 and
          re.fullmatch(r'sieverush: GLFW: (X11: .*DISPLAY.*|Win32: .*\S)', said[0]), f'{status}, {p.written()}, {said}')

def missing_art(p):  # installed, the launcher says it on standard error
    p.start(missing='Case.tga')
    check((status := p.wait_exit(90)) == MISSING_ART_STATUS, f'ended with {status}')
    said = p.out(p.says)
    check(said.endswith("Unable to load 'Case.tga'\n") and not p.written(), f'{said!r}, {p.written()}')

def frames(p, n):  # n animation frames of the page have run since now
    p.js(f'return new Promise((done) => {{ let n = {n}; const f = () => --n ? requestAnimationFrame(f) : done(); requestAnimationFrame(f); }})')

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
        frames(p, 3)  # a refusal reaches the page's handlers after the event
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
            frames(p, 10)
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
        held = outline(press(p, 'space', in_play, 'play after Space by touch'))
        press(p, 'Left', lambda s: apart(outline(s), held) > 15, 'turn with the turn control held')
        seen = []  # the case's outlines since: it stands still once one is as the last
        ref = wait(p, lambda s: seen[-1:] == [outline(s)] or seen.append(outline(s)), 'the case still')

        resting = []  # a finger left at rest

        def drag(x, y):  # onto the hole, quicker than a frame; then the finger at rest (beside the case: no patch)
            resting and p.finger('touchEnd', *REST)
            p.js('calls.length = 0')
            p.finger('touchStart', x - 60, y)
            calls = p.js('return calls')  # (the finger lifted before may yet take the pointer off the picture)
            first = calls.index('_PageButton') if '_PageButton' in calls else 0
            check(first > 0 and calls[first - 1] == '_PagePointer', f"the press came before the finger's place: {calls}")
            p.finger('touchMove', x, y)
            p.finger('touchEnd', x, y)
            drawn(p)
            p.finger('touchStart', *REST)
            resting[:] = [REST]
        patch(p, ref, drag)
        p.finger('touchEnd', *REST)
        # A swipe left to right, the way a phone goes back a page: no touch on the game is left to the
        # browser (each is cancelled, and touch-action forbids its gestures), and the page stays.
        p.js("window.kept = []; addEventListener('touchmove', (e) => kept.push(e.defaultPrevented), true)")
        for x in range(100, 700, 50):
            p.finger('touchStart' if x == 100 else 'touchMove', x, 300)
        p.finger('touchEnd', 700, 300)
        frames(p, 3)
        left = p.js("return kept.length && kept.every(Boolean) && getComputedStyle(canvas).touchAction == 'none'")
        check(left and p.js(place) == page, 'the swipe was left to the browser, or moved the page')

def sharp(p):
    """At device pixel ratio 2 each picture pixel is a 2x2 square of device pixels, the title as at
    ratio 1. Without WebGL the page says so plainly; without IndexedDB it plays."""
    title = title_shown(p).rgb()
    with p.emulating() as cdp:
        cdp('Emulation.setDeviceMetricsOverride', {'width': 800, 'height': 640, 'deviceScaleFactor': 2, 'mobile': False})
        title_shown(p)
        wait(p, lambda s: len(rgb := p.pixels()) == 4 * W * H * 3 and doubled(lambda x, y: rgb[(y * 2 * W + x) * 3:(y * 2 * W + x) * 3 + 3], title),
             'at ratio 2: the picture pixels 2x2 squares of the title drawn at ratio 1')
    with p.emulating('HTMLCanvasElement.prototype.getContext = () => null'):
        p.start()
        wait(p, lambda s: 'cannot show WebGL' in p.message(), 'the words for no WebGL')
    with p.emulating("IDBFactory.prototype.open = () => { throw new DOMException('refused', 'SecurityError') }"):
        start_play(p)  # IndexedDB refused: the game plays on, keeping no runs

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
    wait(p, lambda s: p.js('return reads') > 3, 'read-backs with the button held')
    p.move(W // 2, H + 10)  # on the bar under the picture
    p.button(False)
    p.move(60, 300)  # back over the picture, where a button still down would pick
    frames(p, 3)
    reads = p.js('return reads')
    frames(p, 30)
    check(reads == p.js('return reads'), f'{reads} read-backs, then {p.js("return reads")}: the button stuck')
    if p.name == 'chromium':  # a second tab in front hides the page for 3 s: at least 1.5 s of them uncounted
        now = 'return [Module.pageClock(), performance.now() / 1000, clocks]'
        before = p.js(now)
        p.browser.d.switch_to.new_window('tab')
        time.sleep(3)
        p.browser.d.close()
        p.browser.d.switch_to.window(p.browser.d.window_handles[0])
        p.browser.cdp('Page.bringToFront', {})
        wait(p, lambda s: p.js('return clocks') > before[2], 'frames again, the page shown')
        after = p.js(now)
        check(after[0] - before[0] <= after[1] - before[1] - 1.5, f'the clock went {before} to {after} hidden 3 s')
    p.js("canvas.getContext('webgl').getExtension('WEBGL_lose_context').loseContext()")
    wait(p, lambda s: p.message().startswith('The game lost its picture'), 'the words for a lost context')

def installed(p):  # each player's report in a private folder; a valid desktop entry; the .deb holds the install
    for who in 'ann', 'bob':
        p.env['XDG_STATE_HOME'] = f'{p.work}/{who}'
        p.start(display=False)
        check(p.wait_exit(90) == 1, f'{who} started without a display')
    p.env['XDG_STATE_HOME'] = p.state
    for folder in f'{p.work}/ann/sieverush', f'{p.work}/bob/sieverush':
        check(os.path.isfile(folder + '/GL_ERROR.txt') and not os.stat(folder).st_mode & 0o77, folder)
    # The launcher changes folder: the files named (not the options) reach a stand-in game absolute. A recording,
    # named so or only SRRP at its start, is of the game's type, opened by its desktop entry, whose Exec passes its path
    # (run as a launcher that passes a file only where Exec asks for one: GLib adds it anyway).
    game, here, share, kind = p.prefix + '/libexec/sieverush/sieverush', p.cwd + '/', p.prefix + '/share', 'application/x-sieverush-recording'
    os.rename(game, game + '.real')
    open(game, 'w').write('#!/bin/sh\nprintf "%s\\n" "$@" >"$0.args"\n')
    os.chmod(game, 0o755)
    p.run('sieverush', 'my game', '--record', 'r', '--shot', '60', '-s.png', '--trace', '/t', '-x', '--', '-y')
    check(open(game + '.args').read().split('\n')[:-1] == [here + 'my game', '--record', here + 'r', '--shot', '60',
          here + '-s.png', '--trace', '/t', '-x', '--', here + '-y'], open(game + '.args').read())
    p.run('update-mime-database', share + '/mime')
    p.run('update-desktop-database', share + '/applications')
    p.env = {**p.env, 'XDG_DATA_DIRS': share + ':/usr/share', 'XDG_CURRENT_DESKTOP': 'GNOME'}  # gio reads the types
    opener = p.run('gio', 'mime', kind)[1].split('\n')[0]
    command = re.search(r'(?m)^Exec=(.*)', open(share + '/applications/sieverush.desktop').read())[1].split()
    for name, head in ('a game.sieverush', b'SRR'), ('a game', b'SRRP'):
        open(here + name, 'wb').write(head + bytes(60))
        said = p.run('xdg-mime', 'query', 'filetype', name)[1].strip(), p.run(*[here + name if a == '%f' else a for a in command])
        check(said[0] == kind and opener.endswith(': sieverush.desktop') and open(game + '.args').read() == here + name + '\n',
              f'{name}: {said}, {opener}')
    os.rename(game + '.real', game)
    entry = p.run('desktop-file-validate', p.prefix + '/share/applications/sieverush.desktop')
    check(entry[0] == 0, f'the desktop entry does not validate: {entry}')
    check(p.run('cpack', '--config', p.build + '/CPackConfig.cmake', '-G', 'DEB', '-B', p.work + '/deb')[0] == 0, 'no .deb')
    listing = p.run('dpkg-deb', '-c', *glob.glob(p.work + '/deb/*.deb'))[1]
    packed = sorted(l.split()[5][len('./usr/'):] for l in listing.splitlines() if l[0] != 'd')
    check(packed == p.installed, f'packed {packed}, installed {p.installed}')
    # What software centres list: valid (which keeps its releases newest first), the newest the package's upstream version.
    upstream = p.run('dpkg-deb', '-f', *glob.glob(p.work + '/deb/*.deb'), 'Version')[1].strip().rsplit('-', 1)[0]
    info = p.prefix + '/share/metainfo/org.sieverush.sieverush.metainfo.xml'
    valid, releases = p.run('appstreamcli', 'validate', '--no-net', info), re.findall(r'<release version="([^"]*)"', open(info).read())
    check(valid[0] == 0 and releases[:1] == [upstream], f'the metainfo: {valid}, releases {releases}, the package {upstream}')

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
    """Leaving pauses the game until the player goes on: the window unmapped or left for another, the
    page hidden or blurred; the page's Pause button pauses it too, and goes on. A paused game sleeps
    (natively and under Wine). A real P goes on. (What a pause does to the game: the recordings'.)"""
    start_play(p)
    for n, (how, leave, back, key) in enumerate(p.leaving()):
        leave()
        wait(p, paused_shown, f'paused by {how}')
        if n == 0 and (ticks := p.ticks()) is not None:
            time.sleep(3)
            check((used := p.ticks() - ticks) <= 6, f'paused by {how}: {used} ticks in 3 s')
        back and back()
        going = lambda s: not paused_shown(s) and in_play(s)
        press(p, key, going, f'play after {how}, then {key}') if key else wait(p, going, f'play after {how}')
    end(p)

def sound_off(p):  # the game's sound turned off by M, or on the page by its Sound button: said in its settings
    p.click('#mute') if isinstance(p, Web) else p.key('m', True)
    wait(p, lambda s: 'sound off' in (p.read_kept('settings') or ''), 'the settings kept with the sound off')
    isinstance(p, Web) or p.key('m', False)

def kept(p):
    """What the player leaves is there the next time, believed and not spoken of: the window's place
    and size (natively and under Wine), fullscreen, the sound off (on the page, by its button), the
    best uptime of a game played to its end."""
    place = (130, 70, 1000, 700)
    title_shown(p)
    if isinstance(p, XPlayer):
        p.window().configure(x=place[0], y=place[1], width=place[2], height=place[3])
        p.d.sync()
        wait(p, lambda s: p.place() == place, 'the window moved and resized')
    sound_off(p)
    p.move(*REST)
    press(p, 'space', in_play, 'case after Space')
    wait(p, blue_screen, 'game-over screen', 240)
    check(re.fullmatch(BEST, best := p.read_kept('best') or ''), f'kept {best!r}')
    end(p)
    window = 'window {} {} {} {}\n'.format(*place) if isinstance(p, XPlayer) else ''
    check((settings := p.read_kept('settings')) == f'Sieve Rush settings 1\n{window}fullscreen no\nsound off\n', f'kept {settings!r}')
    p.out('err')
    for full in (False, True) if isinstance(p, XPlayer) else (False,):  # the second time fullscreen
        title_shown(p, lambda: p.start(keep=True))
        check(not re.search('sieverush: .*(kept|settings|best)', said := p.out('err')), f'said {said!r}')
        isinstance(p, Web) and watches(p)
        if isinstance(p, XPlayer):
            wait(p, lambda s: p.place() == ((0, 0, 1920, 1080) if full else place), f'the window as kept, fullscreen {full}')
            press(p, 'F11', lambda s: p.place() == (place if full else (0, 0, 1920, 1080)), 'F11')
        end(p)
    check(p.read_kept('best') == best and p.read_kept('settings') == settings, f'kept {p.read_kept("settings")!r}')

def kept_badly(p):
    """A kept file (on the page, a value in its storage) the game cannot believe: it starts, and says
    one line naming it; a damaged one is moved aside (on the page to a key of its own), a newer
    game's left as it is; a window place off every monitor is not believed; a folder that cannot be
    written costs only the keeping (one line); two copies closed at once leave one whole file."""
    for name, text in [('settings', ''), ('settings', 'Sieve Rush settings 2\n'), ('best', 'Sieve Rush best 1\nbest 1000000000000\n'),
                       *[('best', None)] * isinstance(p, XPlayer)]:  # None: a folder (each refusal: kept_test)
        isinstance(p, Web) and p.out('err')  # what earlier pages logged
        title_shown(p, lambda: p.start(put={name: text}))
        said = [line for line in p.out('err').splitlines() if p.kept()[name] in line]
        check(len(said) == 1 or not p.console, f'{text!r}: said {said}')
        end(p)
        moved = text is not None and 'settings 2' not in text
        text is None or check((p.read_kept(name) != text) == moved, f'{text!r}: kept {p.read_kept(name)!r}')
        isinstance(p, Web) and check(p.js(f"return Object.keys(localStorage).filter(k => k.startsWith('{p.kept()[name]}.damaged-')).length") == moved, f'{text!r} not moved aside')
    if not isinstance(p, XPlayer):
        return
    title_shown(p, lambda: p.start(put={'settings': 'Sieve Rush settings 1\nwindow 5000 5000 800 600\nfullscreen yes\n'}))
    wait(p, lambda s: p.place() == (0, 0, 1920, 1080) and title_lit(s), 'the title fullscreen as kept')
    press(p, 'F11', lambda s: p.place() == (0, 0, W, H), 'the window where the system put it, not at (5000, 5000)')
    end(p)
    p.env['XDG_CONFIG_HOME'] = p.work + '/a file/config'
    open(p.work + '/a file', 'w').close()
    title_shown(p)
    press(p, 'm', lambda s: 'cannot keep' in p.out('err'), 'word of the settings not kept')
    end(p)
    p.env['XDG_CONFIG_HOME'] = p.config
    said = [line for line in p.out('err').splitlines() if 'cannot keep' in line]
    check(len(said) == 1 and 'the settings' in said[0], f'unwritable: said {said}')
    title_shown(p)
    other = subprocess.Popen(p.argv, cwd=p.cwd, env=p.environ(True), stderr=subprocess.DEVNULL)
    games = lambda: [w for w in p.root.query_tree().children if w.get_wm_name() == 'Sieve Rush']
    wait(p, lambda s: len(games()) == 2, 'a second copy')
    games()[1].configure(x=200, y=100)
    p.d.sync()
    wait(p, lambda s: (200, 100) in [(o.x, o.y) for o in (p.root.translate_coords(g, 0, 0) for g in games())], 'the second moved')
    for game in games():
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
from .page import site_files, framed, offline, watches  # noqa: E402

CASES = [  # name, the modes it applies to, the case
    ('title screen, Space starts play', 'native install wine valgrind', title),  # the page's: framed
    ('a real click patches, a real Left turns', 'native web', reaches),
    ('heard', 'native wine', heard),
    ('golden recordings replayed', 'wine web', replayed),
    ('leaving pauses, and the Pause button', 'native wine web', paused),
    ('kept', 'native wine web', kept),
    ('kept badly', 'native web', kept_badly),
    ('the page heard', 'web', page_heard),
    ('screens', 'native', screens),
    ('closed, and still screens sleep', 'native', idle),
    ('HiDPI', 'native wine', hidpi),
    ('no display', 'native install wine', no_display),
    ('missing art', 'native install', missing_art),
    ('the page says so, fullscreen', 'web', page_says),
    ('the zip and the worker\'s files', 'chromium', site_files),
    ('the page in a frame, from the zip', 'web', framed),
    ('offline, installed, a new build', 'chromium firefox', offline),
    ('fullscreen, prefixed or none', 'chromium', fullscreen),
    ('touch', 'chromium', touch),
    ('the page fits every screen', 'chromium', page_fits),
    ('sharp, or no WebGL', 'chromium', sharp),
    ('the page keeps', 'web', page_keeps),
    ('players, installed files', 'install', installed),
    ('the package, drain constant', 'wine', package),
    ('the installer', 'wine', installer),
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

