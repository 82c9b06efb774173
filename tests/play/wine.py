"""The Windows build under Wine, on the same X server: the package unpacked into a fresh folder,
one fresh Wine prefix per run, no Wine process left behind by a game; and its installer."""
import glob, os, re, shutil, subprocess, zipfile
from .screen import check, sound_server
from .x11 import XPlayer, ticks

class Wine(XPlayer):
    eol, slow = '\r\n', 3

    def __init__(self, package, drain=None, *msi):  # package: the zip or its unpacked folder; msi: 1.0, 1.0.1
        super().__init__(['wine', 'sieverush.exe'])
        self.source, self.drain = self.work + '/package', drain and os.path.abspath(drain)
        self.msi = [os.path.abspath(m) for m in msi]
        if os.path.isdir(package):
            shutil.copytree(package, self.source)
        else:
            zipfile.ZipFile(package).extractall(self.source)
        # No winemenubuilder: it would write the installed game's menu entry into the real home.
        # Wine's own errors stay on standard error: a start that Wine fails says why there.
        self.env = {**self.SILENT, 'WINEPREFIX': self.work + '/prefix', 'WINEDEBUG': 'fixme-all',
                    'WINEDLLOVERRIDES': 'mscoree,mshtml=;winemenubuilder.exe=d'}
        self.run('wineboot', '-i')
        self.appdata = glob.glob(self.work + '/prefix/drive_c/users/*/AppData/Roaming')[0] + '/Sieve Rush'

    def kept(self):
        return {'settings': self.appdata + '/settings.txt', 'best': self.appdata + '/best.txt'}

    def on_screen(self, width=None, height=None, dpi=96):  # and Windows' own dpi, in the prefix's registry
        super().on_screen(width, height, dpi)
        self.run('wine', 'reg', 'add', r'HKCU\Control Panel\Desktop', '/v', 'LogPixels', '/t', 'REG_DWORD',
                 '/d', str(dpi), '/f')

    # Wine's sound goes to PulseAudio; one that cannot be reached means no device.
    SILENT, pulse, sounds = {'PULSE_SERVER': 'unix:/none-such'}, None, []

    def listen(self, wav):
        """A null sink of the test's own, recorded as it goes, kept playing by a stream of silence (or it
        records nothing while the game is silent); Wine's stream given a desktop's latency, not 10 ms."""
        self.pulse = getattr(self, 'pulse', None) or sound_server()
        self.env = {**self.env, 'PULSE_SERVER': self.pulse, 'PULSE_LATENCY_MSEC': '300'}
        pulse = {**os.environ, 'PULSE_SERVER': self.pulse}
        self.sounds = [subprocess.Popen(['pacat', '-d', 'game', '--raw'], stdin=open('/dev/zero', 'rb'), env=pulse),
                       subprocess.Popen(['parec', '-d', 'game.monitor', '--latency-msec=20', '--file-format=wav',
                                         '--format=float32le', wav], env=pulse)]

    def deaf(self):
        for sound in self.sounds:
            sound.terminate()
            sound.wait()
        self.sounds = []
        super().deaf()

    def ticks(self):
        """The game's, less the threads of Wine's PulseAudio driver: a Windows game has no such threads,
        and while the sound device is open they wake on their own timers, game or no game."""
        task = f'/proc/{self.proc.pid}/task'
        return super().ticks() - sum(ticks(f'{task}/{t}/stat') for t in os.listdir(task)
                                     if open(f'{task}/{t}/comm').read().startswith('winepulse'))

    def stop(self):  # no Wine process outlives a game
        super().stop()
        self.run('wineserver', '-k')

def files(folder):  # {path: contents} of the files under folder
    return {f'{d}/{f}': open(f'{d}/{f}', 'rb').read() for d, _, fs in os.walk(folder) for f in fs}

def shortcut(path):  # a shell link's target and working folder (Windows paths), as Explorer reads them
    b = open(path, 'rb').read()
    u = lambda at, n=4: int.from_bytes(b[at:at + n], 'little')
    flags, at, strings = u(0x14), 0x4c + (2 + u(0x4c, 2) if u(0x14) & 1 else 0), {}
    target, at = b[at + u(at + 16):].split(b'\0')[0].decode('latin-1'), at + u(at)  # the link info's local path
    for bit in (bit for bit in (4, 8, 0x10, 0x20, 0x40) if flags & bit):  # name, relative path, folder, arguments, icon
        strings[bit], at = b[at + 2:at + 2 + 2 * u(at, 2)].decode('utf-16-le').rstrip('\0'), at + 2 + 2 * u(at, 2)
    return target, strings.get(0x10, '')

def installer(p):
    """Installed: the game in Program Files, started as its Start-menu entry says; so started without a
    display, its report in the player's folder, as the game's cannot be written (as root Wine writes
    anywhere: a folder in the report's place). The next version replaces it, one entry in the list of
    programs, whose removal takes the game away and leaves the player's files. (Last: p stays installed.)"""
    from .cases import title_shown, quit
    unix = lambda path: p.work + '/prefix/drive_c' + path[2:].replace('\\', '/')  # a path on C:
    def programs():  # the list of programs' entries of the game: {product code: version}
        keys = p.run('wine', 'reg', 'query', r'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall', '/s')[1].split('HKEY_')
        return {k.split('\n')[0].rsplit('\\')[-1]: re.search(r'DisplayVersion\s+REG_SZ\s+(.*)', k)[1]
                for k in keys if re.search(r'DisplayName\s+REG_SZ\s+Sieve Rush\n', k)}
    check(p.run('wine', 'msiexec', '/i', p.msi[0], '/qn')[0] == 0, 'not installed')
    # Wine puts the entry in the installing user's menu, Windows in every user's.
    first, entry = programs(), glob.glob(unix(r'C:\**\Start Menu\Programs\Sieve Rush.lnk'), recursive=True)
    target, folder = shortcut(entry[0])
    p.source, p.argv, p.cwd, p.watched = None, ['wine', target], unix(folder), [game := unix(folder)]
    shutil.rmtree(p.appdata, ignore_errors=True)  # the player's folder is made by the report, on a first start
    os.mkdir(game + '/GL_ERROR.txt')
    p.start(display=False, keep=True)
    status, report = p.wait_exit(90), files(p.appdata).get(p.appdata + '/GL_ERROR.txt')
    check(status == 1 and report == b'Caught exception:\r\n  Failed to initialize GLFW.\r\n', f'{status}, {report}, {p.written()}, said {p.out()!r}')
    os.rmdir(game + '/GL_ERROR.txt')
    title_shown(p, lambda: p.start(keep=True))
    quit(p)
    kept, p.cwd = files(p.appdata), p.work  # (no folder is removed while a process works in it)
    check(p.run('wine', 'msiexec', '/i', p.msi[1], '/qn')[0] == 0, 'the next version not installed')
    check(len(first) == len(now := programs()) == 1 and set(first.values()) != set(now.values()) and
          os.path.isfile(unix(target)), f'programs listed: {first}, then {now}')
    check(p.run('wine', 'msiexec', '/x', *now, '/qn')[0] == 0, 'not removed')
    check(not os.path.exists(game) and not os.path.exists(entry[0]) and not programs(), f'left {[*files(game)]}')
    check(files(p.appdata) == kept, "the player's files")
