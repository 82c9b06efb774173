"""The player of the browser build in ENGINE (engines.py): Chromium (the default), Firefox ESR or
WebKitGTK. SITES holds the page in site/ and the page built without Case.tga in site-no-case/, served
from 127.0.0.1 (a page opened as a file cannot load its wasm). Game pixels map onto the canvas as the
page shows it, at any size. chromium(): Chromium with the flags the tests and bench-web.sh share."""
import atexit, contextlib, json, re, subprocess, time
from .screen import W, H, PROMPT, Shot, check
from .engines import ENGINES, chromium  # noqa: F401 (chromium: for bench-web.sh)

class Web:
    eol, slow, says = '\n', 2, 'out'
    KEYS = {'space': (' ', 'Space', 32), 'Escape': ('Escape', 'Escape', 27),
            'Left': ('ArrowLeft', 'ArrowLeft', 37), 'Right': ('ArrowRight', 'ArrowRight', 39),
            'm': ('m', 'KeyM', 77), 'p': ('p', 'KeyP', 80), 'Enter': ('Enter', 'Enter', 13)}

    def __init__(self, sites, engine='chromium'):
        self.name, self.browser = engine, ENGINES[engine]()  # first: one that cannot start leaves nothing
        self.console = engine != 'webkit'  # whether out('err') hears the page's console
        self.sites, self.port = sites, '0'
        self.serve(True)
        self.url = f'http://127.0.0.1:{self.port}/site'
        self.js, self.proc, self.x, self.y = self.browser.js, self, 0, 0
        self.fingers = False  # the touch controls instead of keys where there is one (Chromium)
        self.resting = None  # where a finger is left on the picture
        atexit.register(self.finish)

    def serve(self, on):  # the sites' server started (on the port it had) or stopped
        if not on:
            return self.server.kill(), self.server.wait()
        self.server = subprocess.Popen(['/usr/bin/python3', '-m', 'http.server', self.port, '--bind', '127.0.0.1', '--directory',
                                        self.sites], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.port = re.search(r'port (\d+)', self.server.stdout.readline())[1]

    def start(self, display=True, missing=None, keep=False, put={}):  # what the page's storage holds: as x11.py
        if not keep:  # set on a page of the same origin that runs no game (the server's listing)
            self.browser.open(self.url[:-len('site')])
            self.js('localStorage.clear()' + ''.join(f'; localStorage.setItem({json.dumps(self.kept()[name])}, {json.dumps(text)})'
                                                     for name, text in put.items()))
        self.visit('site' + ('-no-case/' if missing == 'Case.tga' else '/'))

    def visit(self, path, canvas='canvas'):  # a page of the server's, the canvas there (in a frame: FRAME.canvas)
        self.browser.open(self.url[:-len('site')] + path)
        *self.rect, self.ratio = self.js(f'const r = {canvas}.getBoundingClientRect(); '
                                         'return [r.x, r.y, r.width, r.height, devicePixelRatio]')

    def key(self, name, down):  # with fingers: the touch control's button, where there is one
        control = {'Left': 0, 'space': 1, 'Right': 2}.get(name) if self.fingers else None
        if control is None:
            return self.browser.key(*self.KEYS[name], down)
        if down and self.resting:  # one finger at a time: Chromium's emulation wedges with two
            self.finger('touchEnd', *self.resting)
        self.touch('touchStart' if down else 'touchEnd', *self.middle(f"querySelectorAll('#bar button')[{control}]"))

    def move(self, x, y, kind='move'):
        self.x, self.y = x, y
        left, top, width, height = self.rect
        self.browser.mouse(kind, left + x * width / W, top + y * height / H)

    def button(self, down):
        self.move(self.x, self.y, 'down' if down else 'up')

    def middle(self, find):  # page coordinates of the middle of the element document.FIND
        return self.js(f"const r = document.{find}.getBoundingClientRect(); return [r.x + r.width / 2, r.y + r.height / 2]")

    def click(self, selector):  # the left button pressed and let go on the element's middle: a gesture
        self.browser.mouse('down', *(at := self.middle(f"querySelector('{selector}')")))
        self.browser.mouse('up', *at)

    def message(self):  # what the page says in words under the picture
        return self.js('return message.innerText')

    @contextlib.contextmanager
    def emulating(self, script='', fingers=False):
        """In Chromium, while the block runs: script run before each page's own, touch instead of keys
        where the page has a control (fingers); the screen metrics the block sets, cleared after."""
        cdp, self.fingers = self.browser.cdp, fingers
        added = cdp('Page.addScriptToEvaluateOnNewDocument', {'source': script})
        cdp('Emulation.setTouchEmulationEnabled', {'enabled': fingers, 'maxTouchPoints': 5})
        try:
            yield cdp
        finally:
            self.fingers = False
            if self.resting:  # none left on the screen for the next case
                self.finger('touchEnd', *self.resting)
            cdp('Page.removeScriptToEvaluateOnNewDocument', added)
            cdp('Emulation.setTouchEmulationEnabled', {'enabled': False})
            cdp('Emulation.clearDeviceMetricsOverride', {})

    def finger(self, kind, x, y):  # one finger at game pixel (x, y): 'touchStart', 'touchMove', 'touchEnd'
        if kind == 'touchEnd' and not self.resting:  # lifted already, by a control pressed since
            return
        left, top, width, height = self.rect
        self.resting = (x, y) if kind != 'touchEnd' else None
        self.touch(kind, left + x * width / W, top + y * height / H)

    def touch(self, kind, x, y):  # one finger at page coordinates, in Chromium
        self.browser.cdp('Input.dispatchTouchEvent', {'type': kind, 'touchPoints': [] if kind == 'touchEnd' else [{'x': x, 'y': y}]})

    def pixels(self, *size):  # RGB bytes of the canvas as shown: in device pixels, or sampled down to size
        x, y, w, h = (round(v * self.ratio) for v in self.rect)
        sample = ['-sample', '{}x{}!'.format(*size)] if size else []
        return subprocess.run(['convert', 'png:-', '-crop', f'{w}x{h}+{x}+{y}', '+repage', *sample, '-depth', '8', 'rgb:-'],
                              input=self.browser.png(), capture_output=True).stdout

    def shot(self):  # the canvas as shown, sampled down to the game's 800x600 (pixel centres)
        s = Shot(self.pixels(W, H), order=(0, 1, 2), bpp=3)
        if self.name != 'chromium':  # pictures named MODE-ENGINE-NAME.png
            s.save = lambda name, save=s.save: save(f'{self.name}-{name}')
        return s

    def poll(self):  # the exit status once the game has ended, None while it runs
        return self.js("return window.ended ?? null")

    def wait_exit(self, seconds=PROMPT):
        deadline = time.time() + seconds * self.slow
        while (status := self.poll()) is None and time.time() < deadline:
            time.sleep(0.1)
        return status

    def out(self, name='out'):
        """'err': what the page logged to the console since last asked, but a first visit's news, the
        server listing's missing icon, and what Firefox's own modules say."""
        lines = self.js('return printed') if name == 'out' else self.browser.console()
        return ''.join(line + '\n' for line in lines if not re.search('kept yet|favicon.ico|resource://', line))

    def written(self):  # files are written to the page's memory
        report = self.js("try { return FS.readFile('GL_ERROR.txt', {encoding: 'utf8'}) } catch { return '' }")
        return {'GL_ERROR.txt': report.encode()} if report else {}

    def ticks(self):  # the page's process is the browser's business
        return None

    def leaving(self):  # as x11.py's: the page's Pause button, pressed again; the page hidden and shown; the window left
        hide = """for (const [name, value] of [['hidden', %s], ['visibilityState', '%s']])
                    Object.defineProperty(document, name, {value, configurable: true});
                  document.dispatchEvent(new Event('visibilitychange'))"""
        pause = lambda: self.click('#pause')
        frames = "await new Promise((done) => requestAnimationFrame(() => requestAnimationFrame(done)))"  # a key held over frames
        enter = lambda: (self.js("document.getElementById('pause').focus()"), self.key('Enter', True), self.js(frames), self.key('Enter', False))
        def back(go):  # the Pause button says the game is paused; go on
            check(self.shows('pause')[:2] == ['Go on', 'true'], f"paused, the Pause button shows {self.shows('pause')}")
            go()
        return [('the Pause button', pause, lambda: back(pause), None), ('Enter on the Pause button', enter, lambda: back(enter), None),
                ('the page hidden', lambda: (self.js(hide % ('true', 'hidden')), self.js(hide % ('false', 'visible'))), None, 'p'),
                ('the window blurred', lambda: self.js("window.dispatchEvent(new FocusEvent('blur'))"), None, 'p')]

    def shows(self, button):  # the button's label and pressed state, and whether the page says the sound is off
        return self.js(f"""const b = document.getElementById('{button}');
                           return [b.textContent, b.getAttribute('aria-pressed'), [...document.querySelectorAll('.off')].some((e) => e.getClientRects().length > 0)]""")

    def kept(self):  # the keys of the page's storage
        return {name: 'sieverush/' + name for name in ('settings', 'best')}

    def read_kept(self, name):
        return self.js(f"return localStorage.getItem('{self.kept()[name]}')")

    def stop(self):  # a new page: no key or button stays down
        self.browser.open('about:blank')

    def finish(self):
        self.browser.quit()
        self.server.kill()
