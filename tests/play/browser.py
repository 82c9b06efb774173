"""The browser build in headless Chromium with software WebGL, driven by selenium and DevTools;
chromium() starts it with the flags the tests and scripts/web/bench-web.sh share."""
import atexit, base64, re, subprocess, time
from .screen import W, H, PROMPT, Shot

# Headless with SwiftShader's WebGL (the only WebGL this Chromium has without a GPU), and quiet:
# no updates, no first-run pages, nothing fetched from the network on its own.
FLAGS = ['headless=new', 'no-sandbox', 'use-angle=swiftshader', 'enable-unsafe-swiftshader',
         'disable-background-networking', 'disable-component-update', 'no-first-run']

def chromium(width, height, console=False):
    """Debian's Chromium under its chromedriver, a window of width x height; with console, the
    page's console messages are kept for get_log('browser')."""
    from selenium import webdriver
    from selenium.webdriver.chrome.service import Service
    o = webdriver.ChromeOptions()
    o.binary_location = '/usr/bin/chromium'
    for flag in FLAGS + [f'window-size={width},{height}']:
        o.add_argument('--' + flag)
    if console:
        o.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=o)

class Web:
    """The player of the page. SITES holds the page in site/ and the page built without Case.tga
    in site-no-case/, served from 127.0.0.1 (a page opened as a file cannot load its wasm)."""
    eol, slow, says = '\n', 2, 'out'
    KEYS = {'space': (' ', 'Space', 32), 'Escape': ('Escape', 'Escape', 27),
            'Left': ('ArrowLeft', 'ArrowLeft', 37), 'Right': ('ArrowRight', 'ArrowRight', 39)}

    def __init__(self, sites):
        self.server = subprocess.Popen(['/usr/bin/python3', '-m', 'http.server', '0', '--bind', '127.0.0.1',
                                        '--directory', sites], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.url = 'http://127.0.0.1:%s/site' % re.search(r'port (\d+)', self.server.stdout.readline())[1]
        self.d = chromium(1000, 800)  # the whole canvas on screen
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
