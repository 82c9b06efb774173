"""The browsers the page is played in, all Debian's, each behind the same calls: open(url), js(body)
(a function body; what it returns), key(key, code, keycode, down) with the DOM's key and code, mouse(kind,
x, y) ('move', 'down' or 'up' of the left button at page coordinates), png() of the viewport in
device pixels, console() (what the browser logged since the last call), quit(). Chromium through
chromedriver and DevTools; Firefox ESR over WebDriver BiDi; WebKitGTK's MiniBrowser through
WebKitWebDriver. Firefox and WebKit have WebGL only on an X display."""
import base64, glob, json, os, re, shutil, subprocess, tempfile, time
from .screen import sound_server

WIDTH, HEIGHT = 1000, 800  # each browser's window: the whole canvas on screen
COMMAND = 120  # seconds any one command to a browser may take: a hung browser fails, never waits
# The WebDriver characters of the keys that are no text (Space is ' ').
WD_KEYS = {'ArrowLeft': '\ue012', 'ArrowRight': '\ue014', 'Escape': '\ue00c', 'Enter': '\ue007'}

# Headless with SwiftShader's WebGL (the only WebGL this Chromium has without a GPU), and quiet:
# no updates, no first-run pages, nothing fetched from the network on its own.
FLAGS = ['headless=new', 'no-sandbox', 'use-angle=swiftshader', 'enable-unsafe-swiftshader',
         'disable-background-networking', 'disable-component-update', 'no-first-run']

def selenium():
    from selenium import webdriver
    from selenium.webdriver.remote.remote_connection import RemoteConnection
    RemoteConnection.set_timeout(COMMAND)
    return webdriver

def chromium(width, height, console=False):
    """Debian's Chromium under its chromedriver, a window of width x height; with console, the
    page's console messages are kept for get_log('browser')."""
    from selenium.webdriver.chrome.service import Service
    webdriver = selenium()
    o = webdriver.ChromeOptions()
    o.binary_location = '/usr/bin/chromium'
    for flag in FLAGS + [f'window-size={width},{height}']:
        o.add_argument('--' + flag)
    if console:
        o.set_capability('goog:loggingPrefs', {'browser': 'ALL'})
    return webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=o)

class Chromium:
    def __init__(self):
        self.d = chromium(WIDTH, HEIGHT, console=True)
        self.open, self.js, self.cdp, self.quit = self.d.get, self.d.execute_script, self.d.execute_cdp_cmd, self.d.quit

    def key(self, key, code, keycode, down):
        self.cdp('Input.dispatchKeyEvent', {'type': 'keyDown' if down else 'keyUp', 'key': key, 'code': code,
                                            'windowsVirtualKeyCode': keycode, **({'text': '\r'} if key == 'Enter' else {})})

    def mouse(self, kind, x, y):
        press = {} if kind == 'move' else {'button': 'left', 'clickCount': 1}
        self.cdp('Input.dispatchMouseEvent', {'type': {'move': 'mouseMoved', 'down': 'mousePressed',
                                                       'up': 'mouseReleased'}[kind], 'x': x, 'y': y, **press})

    def png(self):
        return base64.b64decode(self.cdp('Page.captureScreenshot', {})['data'])

    def console(self):
        return [f"{e['level']}: {e['message']}" for e in self.d.get_log('browser')]

class Logged:
    """A browser whose standard output and error go to the file self.log."""
    read = 0

    def console(self):
        text = open(self.log, 'rb').read()[self.read:]
        self.read += len(text)
        return text.decode(errors='replace').splitlines()

class Firefox(Logged):
    """Firefox ESR in a fresh profile, spoken to over WebDriver BiDi (no geckodriver is packaged).
    Its log holds the page's console and the browser's own warnings (WebGL's among them)."""
    PREFS = {  # quiet: no first-run pages, updates, telemetry or network services of its own
        'browser.shell.checkDefaultBrowser': False, 'browser.startup.homepage_override.mstone': 'ignore',
        'browser.aboutwelcome.enabled': False, 'datareporting.policy.dataSubmissionEnabled': False,
        'toolkit.telemetry.reportingpolicy.firstRun': False, 'app.update.disabledForTesting': True,
        'app.normandy.enabled': False, 'extensions.update.enabled': False, 'services.settings.server': 'data:,',
        'network.connectivity-service.enabled': False, 'network.captive-portal-service.enabled': False,
        'browser.safebrowsing.update.enabled': False, 'remote.active-protocols': 1,  # 1: BiDi alone
        'devtools.console.stdout.content': True}

    def __init__(self):
        import websocket
        self.profile, self.n = tempfile.mkdtemp(prefix='sieverush-firefox '), 0
        self.log = self.profile + '/log'
        with open(self.profile + '/user.js', 'w') as f:
            f.writelines(f'user_pref("{k}", {json.dumps(v)});\n' for k, v in self.PREFS.items())
        self.proc = subprocess.Popen(['firefox-esr', '--headless', '--no-remote', '--profile', self.profile,
                                      '--remote-debugging-port', '0'], stdout=open(self.log, 'w'), stderr=subprocess.STDOUT,
                                     env={**os.environ, 'MOZ_HEADLESS_WIDTH': str(WIDTH), 'MOZ_HEADLESS_HEIGHT': str(HEIGHT),
                                          'PULSE_SERVER': sound_server()})  # without a device a page's sound never starts
        try:  # a Firefox that cannot be spoken to is ended here
            deadline = time.time() + 60
            while not (url := re.search(r'WebDriver BiDi listening on (ws://\S+)', open(self.log).read())):
                if self.proc.poll() is not None or time.time() > deadline:
                    raise RuntimeError('Firefox did not start its BiDi server: ' + open(self.log).read())
                time.sleep(0.1)
            self.ws = websocket.create_connection(url[1] + '/session', suppress_origin=True, timeout=COMMAND)
            self.send('session.new', capabilities={})
            self.context = self.send('browsingContext.getTree')['contexts'][0]['context']
        except BaseException:
            self.quit()
            raise

    def send(self, method, **params):
        """The result of a command (events, none asked for, are passed over)."""
        self.n += 1
        self.ws.send(json.dumps({'id': self.n, 'method': method, 'params': params}))
        while (m := json.loads(self.ws.recv())).get('id') != self.n:
            pass
        if m['type'] == 'error':
            raise RuntimeError(f"{method}: {m['error']}: {m['message']}")
        return m['result']

    def open(self, url):  # no key or button stays down
        self.send('input.releaseActions', context=self.context)
        self.send('browsingContext.navigate', context=self.context, url=url, wait='complete')

    def js(self, body):  # the value comes back as JSON
        r = self.send('script.evaluate', expression=f'(async () => {{ {body} }})().then(JSON.stringify)',
                      target={'context': self.context}, awaitPromise=True, resultOwnership='none')
        if r['type'] == 'exception':
            raise RuntimeError(r['exceptionDetails']['text'])
        return json.loads(r['result']['value']) if 'value' in r['result'] else None

    def act(self, kind, *actions):
        source = {'type': kind, 'id': kind, **({'parameters': {'pointerType': 'mouse'}} if kind == 'pointer' else {})}
        self.send('input.performActions', context=self.context, actions=[{**source, 'actions': list(actions)}])

    def key(self, key, code, keycode, down):
        self.act('key', {'type': 'keyDown' if down else 'keyUp', 'value': WD_KEYS.get(key, key)})

    def mouse(self, kind, x, y):
        move = {'type': 'pointerMove', 'x': round(x), 'y': round(y), 'origin': 'viewport'}
        self.act('pointer', move, *([] if kind == 'move' else [{'type': 'pointer' + kind.title(), 'button': 0}]))

    def png(self):  # a page navigating away has no picture for a moment: asked again
        for tries in range(20):
            try:
                return base64.b64decode(self.send('browsingContext.captureScreenshot', context=self.context)['data'])
            except RuntimeError:
                if tries == 19:
                    raise
                time.sleep(0.25)

    def quit(self):
        self.proc.terminate()
        self.proc.wait()
        shutil.rmtree(self.profile)

class WebKit(Logged):
    """WebKitGTK's MiniBrowser in automation mode, under selenium and WebKitWebDriver. Its log holds
    the browser's own messages only: automation is private browsing, whose console WebKit keeps in."""

    def __init__(self):
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        webdriver = selenium()
        o = webdriver.WebKitGTKOptions()
        o.binary_location = glob.glob('/usr/lib/*/webkit2gtk-4.1/MiniBrowser')[0]
        o.add_argument('--automation')
        self.out = tempfile.NamedTemporaryFile(prefix='sieverush-webkit ')
        self.log = self.out.name
        self.d = webdriver.WebKitGTK(executable_path='/usr/bin/WebKitWebDriver', options=o, service_log_path=self.log)
        self.d.set_window_size(WIDTH, HEIGHT)
        self.open, self.js, self.quit, self.png = self.d.get, self.d.execute_script, self.d.quit, self.d.get_screenshot_as_png
        self.actions = ActionBuilder

    def act(self, step):  # one w3c action, at once
        step(a := self.actions(self.d, duration=0))
        a.perform()

    def key(self, key, code, keycode, down):
        self.act(lambda a: (a.key_action.key_down if down else a.key_action.key_up)(WD_KEYS.get(key, key)))

    def mouse(self, kind, x, y):
        self.act(lambda a: a.pointer_action.move_to_location(round(x), round(y)))
        if kind != 'move':
            self.act(lambda a: getattr(a.pointer_action, f'pointer_{kind}')())

ENGINES = {'chromium': Chromium, 'firefox': Firefox, 'webkit': WebKit}
