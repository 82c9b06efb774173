"""Players on the X server of $DISPLAY (or a private one with a screen of its own): the game a child
process, its window found by name, real input through XTest, the screen read from the root window.
Native: the game in a fresh folder holding the art; Install: installed, the launcher started by name.
What the game keeps for its player (settings, best uptime) lives in folders of the player's own,
forgotten at each start unless kept."""
import atexit, contextlib, os, shutil, subprocess, tempfile
from urllib.parse import quote
from Xlib import X, XK, Xatom, display, error, protocol
from Xlib.ext import xtest
from .screen import W, H, PROMPT, Shot, shown, wait

def ticks(stat):  # the processor time in a /proc stat file (a process's or a thread's), in clock ticks
    return sum(map(int, open(stat).read().rsplit(')', 1)[1].split()[11:13]))

class XPlayer:  # what every case drives (see __init__.py)
    eol, slow, env, source, held, says, console = '\n', 1, {}, None, frozenset(), 'out', True  # held: keys down

    def __init__(self, argv):
        self.d = display.Display()
        self.root, self.argv, self.screen = self.d.screen().root, argv, None
        self.cwd = self.work = tempfile.mkdtemp(prefix='sieverush-play ')
        self.proc = self.win = None
        self.config, self.state = self.work + '/config', self.work + '/state'
        self.env = {'XDG_CONFIG_HOME': self.config, 'XDG_STATE_HOME': self.state}
        atexit.register(self.finish)

    def on_screen(self, width=None, height=None, dpi=96):
        """The next games on a private X server of a width x height screen whose Xft.dpi (the
        desktop's content scale, times 96) is dpi; with no size, on $DISPLAY again."""
        self.stop()
        self.screen and (self.screen.kill(), self.screen.wait())
        self.screen = width and subprocess.Popen(['Xvfb', '-displayfd', '1', '-nolisten', 'tcp', '-noreset',
                                                  '-screen', '0', f'{width}x{height}x24'], stdout=subprocess.PIPE)
        name = ':' + self.screen.stdout.readline().decode().strip() if width else os.environ['DISPLAY']
        self.d = display.Display(name)
        self.root, self.env = self.d.screen().root, {**self.env, 'DISPLAY': name}
        self.root.change_property(self.d.intern_atom('RESOURCE_MANAGER'), Xatom.STRING, 8,
                                  f'Xft.dpi:\t{dpi}\n'.encode())
        self.d.sync()

    def snapshot(self):  # links (the launcher's, to the installed art) and what is kept are no files written
        return {f'{d}/{f}': os.stat(f'{d}/{f}').st_mtime_ns for d in self.watched for f in os.listdir(d)
                if not os.path.islink(f'{d}/{f}') and f'{d}/{f}' not in self.kept().values()}

    def kept(self):  # where the game keeps the settings and the best uptime
        return {'settings': self.config + '/sieverush/settings', 'best': self.state + '/sieverush/best'}

    def start(self, display=True, missing=None, args=(), keep=False, put={}):
        """args: the game's own; keep: what it kept last time; put: {name: text (None: a folder)} kept instead"""
        self.stop()
        for name, path in ({} if keep else self.kept()).items():
            subprocess.run(['rm', '-rf', path])
            if name in put:
                os.makedirs(path if put[name] is None else os.path.dirname(path), exist_ok=True)
                put[name] is None or open(path, 'w').write(put[name])
        if self.source:  # a fresh folder holding a copy of the game's files, but for the missing one
            self.cwd, self.watched = self.work + '/play', [self.work + '/play']
            shutil.rmtree(self.cwd, ignore_errors=True)
            shutil.copytree(self.source, self.cwd, ignore=lambda folder, files: [missing] if missing else [])
        self.before, self.win = self.snapshot(), None
        with open(self.work + '/out', 'wb') as out, open(self.work + '/err', 'wb') as err:
            self.proc = subprocess.Popen([*self.argv, *args], cwd=self.cwd, env=self.environ(display), stdout=out,
                                         stderr=err, stdin=subprocess.DEVNULL)

    def environ(self, display):  # the player's environment, without DISPLAY if not display
        return {k: v for k, v in {**os.environ, **self.env}.items() if display or k != 'DISPLAY'}

    def run(self, *argv, display=False):  # run to its end in the game's folder: status, output, error
        r = subprocess.run(argv, cwd=self.cwd, env=self.environ(display), capture_output=True, timeout=300 * self.slow)
        return r.returncode, r.stdout.decode('latin-1').replace('\r\n', '\n'), r.stderr.decode('latin-1')

    def window(self):  # the game's mapped window, once it is there
        todo = [] if self.win else [self.root]
        while todo:
            w = todo.pop()
            try:
                todo += w.query_tree().children
                if w.get_wm_name() == 'Sieve Rush' and w.get_attributes().map_state == X.IsViewable:
                    self.win = w
            except error.XError:  # gone meanwhile
                pass
        return self.win

    def size(self):  # the window's size now
        g = self.window().get_geometry()
        return g.width, g.height

    def at(self, x, y):  # picture pixel to screen pixel
        o, (x, y) = self.root.translate_coords(self.window(), 0, 0), shown(x, y, *self.size())
        return o.x + x, o.y + y

    def full(self):  # the whole window, pixel for pixel
        try:
            w, h = self.size()
            o = self.root.translate_coords(self.win, 0, 0)
            return Shot(self.root.get_image(o.x, o.y, w, h, X.ZPixmap, 0xffffffff).data, w, h)
        except (error.XError, AttributeError):
            return None

    def shot(self):  # the picture, one pixel read from the middle of those showing each of its pixels
        s = self.window() and self.full()
        if s and (s.w, s.h) != (W, H):
            at = [shown(i, i, s.w, s.h) for i in range(W)]  # the column and the row of picture pixel i
            s = Shot(bytes(v for y in range(H) for x in range(W) for v in s.pixel(at[x][0], at[y][1]) + (0,)),
                     order=(0, 1, 2))
        return s

    def fake(self, kind, detail=0, **where):
        xtest.fake_input(self.d, kind, detail, **where)
        self.d.sync()

    def key(self, name, down):
        if down and self.window():  # there is no window manager to give it the keyboard
            self.win.set_input_focus(X.RevertToParent, X.CurrentTime)
        self.fake(X.KeyPress if down else X.KeyRelease, self.d.keysym_to_keycode(XK.string_to_keysym(name)))
        self.held = self.held | {name} if down else self.held - {name}

    def move(self, x, y):
        rx, ry = self.at(x, y)
        self.fake(X.MotionNotify, x=rx, y=ry)

    def button(self, down):
        self.fake(X.ButtonPress if down else X.ButtonRelease, 1)

    def place(self):  # the window's content: where on the screen, and its size
        o = self.root.translate_coords(self.window(), 0, 0)
        return (o.x, o.y, *self.size())

    def ticks(self):  # the processor time the game has used, in clock ticks
        return ticks(f'/proc/{self.proc.pid}/stat')

    def leaving(self):
        """The ways a player leaves the game's window: (how, leave, back once paused, the key that goes on)."""
        other = self.root.create_window(1800, 980, 100, 100, 0, self.d.screen().root_depth)  # clear of the game
        def unmap():  # as minimising does: its pixels gone, then shown again
            shown = self.full().data
            self.window().unmap()
            self.d.sync()
            wait(self, lambda s: s.data != shown, 'the picture gone with the window', shot=self.full)
            self.win.map()
            self.d.sync()
        focus = lambda: (other.map(), other.set_input_focus(X.RevertToParent, 0), self.d.sync())  # another program's
        back = lambda: (self.move(400, 300), self.button(True), self.button(False))  # a click comes back (Wine wants one)
        return [('unmapped', unmap, back, 'p'), ('another window', focus, lambda: (other.destroy(), back()), 'p')]

    def read_kept(self, name):  # what the game keeps under name, None where it keeps nothing
        with contextlib.suppress(FileNotFoundError):
            return open(self.kept()[name], encoding='latin-1').read()

    def close(self, win=None):  # as a window manager closes a window: WM_DELETE_WINDOW, never destroy
        atom, win = self.d.intern_atom, win or self.window()
        win.send_event(protocol.event.ClientMessage(
            window=win, client_type=atom('WM_PROTOCOLS'),
            data=(32, [atom('WM_DELETE_WINDOW'), X.CurrentTime, 0, 0, 0])))
        self.d.sync()

    def drop(self, path):
        """path dragged from another program and let go over the picture's middle, as a file manager
        drops one (XDND): whether the window took it."""
        atom, d, target, x, y = self.d.intern_atom, self.d, self.window(), *self.at(W // 2, H // 2)
        source, said, uris = self.root.create_window(0, 0, 1, 1, 0, 0), {}, atom('text/uri-list')
        source.set_selection_owner(atom('XdndSelection'), X.CurrentTime)
        for kind, *data in ('XdndEnter', 5 << 24, uris), ('XdndPosition', 0, x << 16 | y, 0, atom('XdndActionCopy')), ('XdndDrop', 0, 0):
            target.send_event(protocol.event.ClientMessage(window=target, client_type=atom(kind),
                                                           data=(32, [source.id, *data, 0, 0, 0][:5])))
        def answer():  # the file's address to whoever asks for it (at the drag's start, or at the drop); its answers
            while d.pending_events():
                if (e := d.next_event()).type == X.SelectionRequest:
                    e.requestor.change_property(e.property, uris, 8, f'file://{quote(path)}\r\n'.encode())
                    e.requestor.send_event(protocol.event.SelectionNotify(time=e.time, requestor=e.requestor,
                                           selection=e.selection, target=e.target, property=e.property))
                elif e.type == X.ClientMessage:
                    said[d.get_atom_name(e.client_type)] = e.data[1][1] & 1
            d.sync()
            return said
        wait(self, lambda said: 'XdndFinished' in said, 'the drop taken', shot=answer)
        source.destroy()
        return said['XdndFinished']

    def wait_exit(self, seconds=PROMPT):  # the exit status, None if still running
        try:
            return self.proc.wait(seconds * self.slow)
        except subprocess.TimeoutExpired:
            return None

    def out(self, name='out'):
        return open(f'{self.work}/{name}', encoding='latin-1').read()

    def written(self):  # {name: contents} of the files the game made or changed
        return {os.path.basename(f): open(f, 'rb').read()
                for f, t in self.snapshot().items() if self.before.get(f) != t}

    SILENT = {'ALSOFT_DRIVERS': 'none-such'}  # no sound device at all

    def listen(self, wav):  # from the next start, what the game plays into wav (OpenAL Soft's wave writer)
        open(self.work + '/alsoft.conf', 'w').write(f'[wave]\nfile = {wav}\n')
        self.env = {**self.env, 'ALSOFT_DRIVERS': 'wave', 'ALSOFT_CONF': self.work + '/alsoft.conf'}

    def deaf(self):  # no recording, nor a sound device, from the next start
        self.env = {**{k: v for k, v in self.env.items() if not k.startswith(('ALSOFT', 'PULSE'))}, **self.SILENT}

    def stop(self):  # the game goes first; nothing stays held down for the next one
        self.proc and (self.proc.kill(), self.proc.wait())
        for name in self.held:
            self.key(name, False)
        self.button(False)

    def finish(self):
        self.stop()
        self.screen and self.screen.kill()
        shutil.rmtree(self.work, ignore_errors=True)

class Native(XPlayer):
    def __init__(self, game, art, *wrapper):  # wrapper: a program the game runs under
        super().__init__([*wrapper, os.path.abspath(game)])
        self.source = art

class Install(XPlayer):
    def __init__(self, build):
        super().__init__(['sieverush'])
        self.build, self.prefix, self.cwd = os.path.abspath(build), self.work + '/pre fix', self.work + '/elsewhere'
        subprocess.run(['cmake', '--install', build, '--prefix', self.prefix], check=True, stdout=subprocess.DEVNULL)
        self.art, self.aside = self.prefix + '/share/sieverush', self.work + '/aside'
        self.state = self.work + '/state'  # XDG_STATE_HOME: the launcher plays in its sieverush/
        for folder in self.work + '/path', self.cwd, self.aside, self.state + '/sieverush':
            os.makedirs(folder)
        os.symlink(self.prefix + '/bin/sieverush', self.work + '/path/sieverush')
        self.env = {**self.env, 'PATH': self.work + '/path:' + os.environ['PATH'], 'XDG_STATE_HOME': self.state}
        self.watched, self.says = [self.cwd, self.art, self.state + '/sieverush'], 'err'
        self.installed = sorted(os.path.relpath(f'{d}/{f}', self.prefix)
                                for d, _, fs in os.walk(self.prefix) for f in fs)

    def start(self, display=True, missing=None, **kept):  # missing: taken out of the installation
        for f in os.listdir(self.aside):  # what the last start took out goes back first
            os.rename(f'{self.aside}/{f}', f'{self.art}/{f}')
        if missing:
            os.rename(f'{self.art}/{missing}', f'{self.aside}/{missing}')
        super().start(display, **kept)
