#!/usr/bin/python3
"""Plays the real Sieve Rush on the X server of $DISPLAY (run it under scripts/with-x.sh) and
checks what a player sees and what the game does: pixels, exit status, output, files written.

  play.py native GAME ARTDIR           the game, run in a fresh folder holding the art
  play.py install BUILDDIR             installed into a prefix, started by name from elsewhere
  play.py wine ZIP_OR_DIR [DRAIN_EXE]  the Windows build under Wine, in a fresh prefix
  play.py soak GAME ARTDIR SECONDS     random play: the game never dies, its memory stays flat
  play.py valgrind GAME ARTDIR         the start of play under memcheck
  play.py web SITES                    the browser build in headless Chromium (scripts/web/)

SIEVERUSH_SHOTS=FOLDER keeps PNG pictures of what it saw. The cases drive a player (start, key,
move, button, close, shot, wait_exit, out, written): another platform is one more backend.
"""
import atexit, base64, os, random, re, shutil, signal, struct, subprocess, sys, tempfile, time, zipfile, zlib
from Xlib import X, XK, display, error, protocol
from Xlib.ext import xtest

W, H = 800, 600
CELL = 16  # the font's cell height: a text line drawn at y covers rows y .. y + 16 from the bottom
TITLE = [(320, 500), (150, 450), (80, 380), (120, 300), (160, 270), (260, 100)]
GAME_OVER = [(325, 520), (200, 450), (250, 400), (160, 350), (210, 320), (80, 280), (110, 240),
             (110, 215), (110, 190), (80, 100)]
STATUS_Y, RAM_X, UPTIME_X = 30, 20, 600  # the two status lines during play
CASE = (150, 150, 650, 450)  # the part of the window where the case stands
REST = (770, 30)  # where the pointer rests: inside the window, clear of the case and the text
MISSING_ART_STATUS = 1  # how the game ends when it cannot read an art file: a failed start
PROMPT = 30  # seconds for what happens at once for a player (shared machine, software GL)


def check(ok, what):
    if not ok:
        raise AssertionError(what)


black = lambda p: max(p) <= 8
lit = lambda p: max(p) >= 48
white = lambda p: min(p) >= 200
blue = lambda p: p[0] <= 8 and p[1] <= 8 and abs(p[2] - 191) <= 6  # the crashed system's blue
dark = lambda p: max(p) < 45  # the inside of a hole
skin = lambda p: p[0] >= 50 and p[0] > p[1] > p[2] and (p[0] - p[2]) * 10 >= p[0] * 3  # plaster


class Shot:
    """A picture of the window: pixel(x, y) = (r, g, b), counted from its top-left corner."""

    def __init__(self, data, w=W, h=H, order=(2, 1, 0), bpp=4):
        self.data, self.w, self.h, self.order, self.bpp = data, w, h, order, bpp

    def pixel(self, x, y):
        i = (y * self.w + x) * self.bpp
        return tuple(self.data[i + o] for o in self.order)

    def count(self, box, pred, step=1):
        x0, y0, x1, y1 = box
        return sum(1 for y in range(max(y0, 0), min(y1, self.h), step)
                   for x in range(max(x0, 0), min(x1, self.w), step) if pred(self.pixel(x, y)))

    def save(self, name):
        if folder := os.environ.get('SIEVERUSH_SHOTS'):
            os.makedirs(folder, exist_ok=True)
            rows = b''.join(b'\0' + bytes(v for x in range(self.w) for v in self.pixel(x, y))
                            for y in range(self.h))
            chunk = lambda kind, d: (struct.pack('>I', len(d)) + kind + d +
                                     struct.pack('>I', zlib.crc32(kind + d)))
            with open(f'{folder}/{sys.argv[1]}-{name}.png', 'wb') as f:
                f.write(b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', self.w, self.h,
                        8, 2, 0, 0, 0)) + chunk(b'IDAT', zlib.compress(rows)) + chunk(b'IEND', b''))


class XPlayer:
    """The game as a child process, its window found by name on the X server, real input
    through XTest, the screen read back from the root window."""
    eol, slow, env, source, held, says = '\n', 1, {}, None, frozenset(), 'out'  # held: keys down

    def __init__(self, argv):
        self.d = display.Display()
        self.root, self.argv = self.d.screen().root, argv
        self.work = tempfile.mkdtemp(prefix='sieverush-play ')
        self.proc = self.win = None
        atexit.register(self.finish)

    def snapshot(self):  # links (the launcher's, to the installed art) are no files written
        return {f'{d}/{f}': os.stat(f'{d}/{f}').st_mtime_ns for d in self.watched for f in os.listdir(d)
                if not os.path.islink(f'{d}/{f}')}

    def start(self, display=True, missing=None):
        self.stop()
        if self.source:  # a fresh folder holding a copy of the game's files
            self.cwd = self.work + '/play'
            self.watched = [self.cwd]
            shutil.rmtree(self.cwd, ignore_errors=True)
            shutil.copytree(self.source, self.cwd)
        if missing:
            os.remove(f'{self.cwd}/{missing}')
        env = {k: v for k, v in {**os.environ, **self.env}.items() if display or k != 'DISPLAY'}
        self.before, self.win = self.snapshot(), None
        with open(self.work + '/out', 'wb') as out, open(self.work + '/err', 'wb') as err:
            self.proc = subprocess.Popen(self.argv, cwd=self.cwd, env=env, stdout=out, stderr=err,
                                         stdin=subprocess.DEVNULL)

    def window(self):
        todo = [] if self.win else [self.root]
        while todo:
            w = todo.pop()
            try:
                todo += w.query_tree().children
                g = w.get_geometry()
                if (w.get_wm_name() == 'Sieve Rush' and (g.width, g.height) == (W, H)
                        and w.get_attributes().map_state == X.IsViewable):
                    self.win = w
            except error.XError:  # gone meanwhile
                pass
        return self.win

    def at(self, x, y):  # window pixel to screen pixel
        o = self.root.translate_coords(self.window(), 0, 0)
        return o.x + x, o.y + y

    def shot(self):
        try:
            return self.window() and Shot(self.root.get_image(*self.at(0, 0), W, H, X.ZPixmap,
                                                              0xffffffff).data)
        except error.XError:
            return None

    def fake(self, kind, detail=0, **where):
        xtest.fake_input(self.d, kind, detail, **where)
        self.d.sync()

    def key(self, name, down):
        if down and self.window():  # there is no window manager to give it the keyboard
            self.win.set_input_focus(X.RevertToParent, X.CurrentTime)
        code = self.d.keysym_to_keycode(XK.string_to_keysym(name))
        self.fake(X.KeyPress if down else X.KeyRelease, code)
        self.held = self.held | {name} if down else self.held - {name}

    def move(self, x, y):
        rx, ry = self.at(x, y)
        self.fake(X.MotionNotify, x=rx, y=ry)

    def button(self, down):
        self.fake(X.ButtonPress if down else X.ButtonRelease, 1)

    def close(self):  # as a window manager closes a window: WM_DELETE_WINDOW, never destroy
        atom = self.d.intern_atom
        self.window().send_event(protocol.event.ClientMessage(
            window=self.win, client_type=atom('WM_PROTOCOLS'),
            data=(32, [atom('WM_DELETE_WINDOW'), X.CurrentTime, 0, 0, 0])))
        self.d.sync()

    def wait_exit(self, seconds=PROMPT):  # the exit status, None if still running
        try:
            return self.proc.wait(seconds * self.slow)
        except subprocess.TimeoutExpired:
            return None

    def out(self, name='out'):
        with open(f'{self.work}/{name}', encoding='latin-1') as f:
            return f.read()

    def written(self):  # {name: contents} of the files the game made or changed
        return {os.path.basename(f): open(f, 'rb').read()
                for f, t in self.snapshot().items() if self.before.get(f) != t}

    def stop(self):  # the game goes first; nothing stays held down for the next one
        if self.proc and self.proc.poll() is None:
            self.proc.kill()
            self.proc.wait()
        for name in self.held:
            self.key(name, False)
        self.button(False)

    def finish(self):
        self.stop()
        shutil.rmtree(self.work, ignore_errors=True)


class Native(XPlayer):
    def __init__(self, game, art, *wrapper):
        super().__init__([*wrapper, os.path.abspath(game)])
        self.source = art


class Install(XPlayer):
    def __init__(self, build):
        super().__init__(['sieverush'])
        self.build, self.prefix, self.cwd = build, self.work + '/pre fix', self.work + '/elsewhere'
        subprocess.run(['cmake', '--install', build, '--prefix', self.prefix], check=True,
                       stdout=subprocess.DEVNULL)
        self.art, self.aside = self.prefix + '/share/sieverush', self.work + '/aside'
        self.state = self.work + '/state'  # XDG_STATE_HOME: the launcher plays in its sieverush/
        for folder in self.work + '/path', self.cwd, self.aside, self.state + '/sieverush':
            os.makedirs(folder)
        os.symlink(self.prefix + '/bin/sieverush', self.work + '/path/sieverush')
        self.env = {'PATH': self.work + '/path:' + os.environ['PATH'], 'XDG_STATE_HOME': self.state}
        self.watched, self.says = [self.cwd, self.art, self.state + '/sieverush'], 'err'
        self.installed = sorted(os.path.relpath(f'{d}/{f}', self.prefix)
                                for d, _, fs in os.walk(self.prefix) for f in fs)

    def start(self, display=True, missing=None):  # missing: taken out of the installation
        for f in os.listdir(self.aside):  # what the last start took out goes back first
            os.rename(f'{self.aside}/{f}', f'{self.art}/{f}')
        if missing:
            os.rename(f'{self.art}/{missing}', f'{self.aside}/{missing}')
        super().start(display)


class Wine(XPlayer):
    eol, slow = '\r\n', 3

    def __init__(self, package, drain=None):
        super().__init__(['wine', 'sieverush.exe'])
        self.source, self.drain = self.work + '/package', drain
        if os.path.isdir(package):
            shutil.copytree(package, self.source)
        else:
            zipfile.ZipFile(package).extractall(self.source)
        self.env = {'WINEPREFIX': self.work + '/prefix', 'WINEDEBUG': '-all',
                    'WINEDLLOVERRIDES': 'mscoree,mshtml='}
        self.run('wineboot', '-i')

    def run(self, *argv):  # with no display; status and standard output
        env = {k: v for k, v in {**os.environ, **self.env}.items() if k != 'DISPLAY'}
        r = subprocess.run(argv, env=env, capture_output=True, timeout=300)
        return r.returncode, r.stdout.decode('latin-1')

    def stop(self):  # no Wine process outlives a game
        super().stop()
        self.run('wineserver', '-k')


class Web:
    """The browser build in headless Chromium with software WebGL, driven through its DevTools
    protocol. SITES holds the page in site/ and the page built without Case.tga in site-no-case/."""
    eol, slow, says = '\n', 2, 'out'
    KEYS = {'space': (' ', 'Space', 32), 'Escape': ('Escape', 'Escape', 27),
            'Left': ('ArrowLeft', 'ArrowLeft', 37), 'Right': ('ArrowRight', 'ArrowRight', 39)}

    def __init__(self, sites):
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        self.server = subprocess.Popen(['/usr/bin/python3', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                                        '--directory', sites], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.url = 'http://127.0.0.1:%s/site' % re.search(r'port (\d+)', self.server.stdout.readline())[1]
        o = webdriver.ChromeOptions()
        o.binary_location = '/usr/bin/chromium'
        for a in ('headless=new', 'no-sandbox', 'use-angle=swiftshader', 'enable-unsafe-swiftshader',
                  'disable-background-networking', 'disable-component-update', 'no-first-run',
                  'window-size=1000,800'):  # the whole canvas on screen
            o.add_argument('--' + a)
        self.d = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=o)
        self.js, self.cdp, self.proc, self.x, self.y = self.d.execute_script, self.d.execute_cdp_cmd, self, 0, 0
        atexit.register(self.finish)

    def start(self, display=True, missing=None):
        self.d.get(self.url + ('-no-case/' if missing == 'Case.tga' else '/'))
        self.origin = self.js('const r = canvas.getBoundingClientRect(); return [r.x, r.y]')

    def key(self, name, down):
        key, code, vk = self.KEYS[name]
        self.cdp('Input.dispatchKeyEvent', {'type': 'keyDown' if down else 'keyUp', 'key': key,
                                            'code': code, 'windowsVirtualKeyCode': vk})

    def move(self, x, y, kind='mouseMoved', **more):
        self.x, self.y = x, y
        self.cdp('Input.dispatchMouseEvent', {'type': kind, 'x': self.origin[0] + x, 'y': self.origin[1] + y, **more})

    def button(self, down):
        self.move(self.x, self.y, 'mousePressed' if down else 'mouseReleased', button='left', clickCount=1)

    def shot(self):
        clip = dict(zip('xy', self.origin), width=W, height=H, scale=1)
        png = base64.b64decode(self.cdp('Page.captureScreenshot', {'clip': clip})['data'])
        rgb = subprocess.run(['convert', 'png:-', '-depth', '8', 'rgb:-'], input=png, capture_output=True)
        return Shot(rgb.stdout, order=(0, 1, 2), bpp=3)

    def poll(self):  # the exit status once the game has ended, None while it runs
        return self.js("return typeof runtimeExited == 'boolean' && runtimeExited ? EXITSTATUS : null")

    def wait_exit(self, seconds=PROMPT):
        deadline = time.time() + seconds * self.slow
        while (status := self.poll()) is None and time.time() < deadline:
            time.sleep(0.1)
        return status

    def out(self, name='out'):
        return ''.join(line + '\n' for line in self.js('return printed')) if name == 'out' else ''

    def written(self):  # files are written to the page's memory
        report = self.js("try { return FS.readFile('GL_ERROR.txt', {encoding: 'utf8'}) } catch { return '' }")
        return {'GL_ERROR.txt': report.encode()} if report else {}

    def stop(self):  # a new page: no key or button stays down
        self.d.get('about:blank')

    def finish(self):
        self.d.quit()
        self.server.kill()


# What the player sees.

def rows(y):  # screen rows [top, bottom) of a text line drawn at y from the bottom
    return H - y - CELL, H - y


def tap(p, key):  # held long enough for a frame or a poll to see it (Wine needs that)
    p.key(key, True)
    time.sleep(0.25)
    p.key(key, False)


def wait(p, test, what, seconds=PROMPT):
    deadline = time.time() + seconds * p.slow
    while time.time() < deadline:
        if (s := p.shot()) and test(s):
            return s
        check(p.proc.poll() is None, f'the game ended with {p.proc.poll()} before {what}')
        time.sleep(0.05)
    raise AssertionError(f'no {what} within {seconds * p.slow} s')


def layout(s, lines, background):
    """Every line drawn where it belongs, nothing left of it, nothing between the lines."""
    fg = lambda px: not background(px)
    owners = [0] * H
    for x, y in lines:
        for r in range(*rows(y)):
            owners[r] += 1
    for x, y in lines:
        top, bottom = rows(y)
        check(s.count((x, top, W, bottom), fg) > 40, f'no text on the line at y = {y}')
        left = sum(s.count((0, r, x - 1, r + 1), fg) for r in range(top, bottom) if owners[r] == 1)
        check(left == 0, f'{left} pixels left of the line at ({x}, {y})')
    stray = sum(s.count((0, r, W, r + 1), fg) for r in range(H) if not any(owners[max(r - 1, 0):r + 2]))
    check(stray == 0, f'{stray} pixels drawn outside the text lines')


def case_in_middle(s):  # drawn and textured, not one colour
    grey = [sum(s.pixel(x, y)) // 3 for y in range(240, 360, 4) for x in range(340, 460, 4)]
    return s.count((340, 240, 460, 360), black, 4) < 45 and max(grey) - min(grey) >= 40


blue_screen = lambda s: s.count((0, 0, W, H), blue, 8) > 0.8 * (W // 8) * (H // 8)


def outline(s):  # first and last columns solidly drawn across the middle (spray is not solid)
    cols = [x for x in range(W) if s.count((x, 250, x + 1, 350), black, 4) <= 2]
    return (cols[0], cols[-1]) if cols else (-1, -1)


apart = lambda a, b: max(abs(a[0] - b[0]), abs(a[1] - b[1]))  # how far an outline moved


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


# The cases.

def title(p):
    title_shown(p)
    if isinstance(p, XPlayer):  # the X window's own properties (a page has none)
        h = p.window().get_wm_normal_hints()  # the window manager may not resize it
        check((h.min_width, h.min_height, h.max_width, h.max_height) == (W, H) * 2, f'resizable: {h}')
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
    plasters = lambda s, box=CASE: s.count(box, skin, 2)

    def hole(s):  # a spot on the case that turned dark since play began (not where a bit flew by)
        return next(((x, y) for y in range(CASE[1], CASE[3], 6) for x in range(CASE[0], CASE[2], 6)
                     if dark(s.pixel(x, y)) and not dark(ref.pixel(x, y))
                     and s.count((x - 4, y - 4, x + 5, y + 5), dark) >= 75
                     and ref.count((x - 4, y - 4, x + 5, y + 5), dark) <= 10), None)
    for game in range(3):  # holes open on the hidden faces too, and the RAM runs out in seconds
        if hole(s := wait(p, lambda s: hole(s) or blue_screen(s), 'open hole')):
            break
        tap(p, 'space')  # a new game: the same view of the case, its faces whole again
        wait(p, lambda s: not blue_screen(s), 'new game')
    x, y = hole(s)
    # Its middle: the first dark spot found is at its edge, maybe over the next cell. The hole is
    # the dark patch around it that was case before, followed pixel by pixel.
    spot, todo = {(x, y)}, [(x, y)]
    while todo and len(spot) < 3000:
        u, v = todo.pop()
        for n in (u + 1, v), (u - 1, v), (u, v + 1), (u, v - 1):
            if n not in spot and dark(s.pixel(*n)) and not dark(ref.pixel(*n)):
                spot.add(n)
                todo.append(n)
    x, y = (sum(c) // len(spot) for c in zip(*spot))
    around = (x - 15, y - 15, x + 16, y + 16)
    before = plasters(p.shot(), around)
    for again in range(3):  # a click lost on a machine too busy to draw a frame meanwhile
        if blue_screen(patched := click(x, y)) and tries:  # the RAM ran out: once more
            return patching(p, tries - 1)
        if plasters(patched, around) > before + 15:
            break
    patched.save('patched')
    check(plasters(patched, around) > before + 15, f'no plaster on the hole clicked at ({x}, {y})')
    check(plasters(click(60, 300)) <= plasters(patched) + 10, 'a click beside the case patched')
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


def page_says(p):  # the page tells the end of a game and a failed start in words
    says = lambda: p.js("return document.getElementById('message').innerText")
    start_play(p)
    end(p)
    check(says().startswith('The game has ended.\nPlay again'), f'page says {says()!r}')
    missing_art(p)
    check("could not start:\nUnable to load 'Case.tga'" in says(), f'page says {says()!r}')


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
               f'--suppressions={os.path.dirname(os.path.abspath(__file__))}/valgrind.supp')
    p.slow, p.env = 20, {'LIBGL_ALWAYS_SOFTWARE': '1', 'GALLIUM_DRIVER': 'softpipe'}
    return p


CASES = [  # name, the modes it applies to, the case
    ('title screen', 'native install wine valgrind web', title),
    ('Space starts play', 'native wine valgrind web', play),
    ('turning', 'native web', turning),
    ('patching', 'native web', patching),
    ('game over and again', 'native web', game_over),
    ('window closed', 'native', window_closed),
    ('no display', 'native install wine', no_display),
    ('missing art', 'native install', missing_art),
    ('the page says so', 'web', page_says),
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
    for name, modes, case in CASES:
        if mode not in modes.split() or (case is drain and not p.drain):
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


if __name__ == '__main__':
    main()
