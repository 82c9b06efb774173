"""The Windows build under Wine, on the same X server: the package unpacked into a fresh folder,
one fresh Wine prefix per run, no Wine process left behind by a game."""
import glob, os, shutil, subprocess, zipfile
from .screen import sound_server
from .x11 import XPlayer

class Wine(XPlayer):
    eol, slow = '\r\n', 3

    def __init__(self, package, drain=None):  # package: the zip or its unpacked folder
        super().__init__(['wine', 'sieverush.exe'])
        self.source, self.drain = self.work + '/package', drain and os.path.abspath(drain)
        if os.path.isdir(package):
            shutil.copytree(package, self.source)
        else:
            zipfile.ZipFile(package).extractall(self.source)
        self.env = {**self.SILENT, 'WINEPREFIX': self.work + '/prefix', 'WINEDEBUG': '-all',
                    'WINEDLLOVERRIDES': 'mscoree,mshtml='}
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

    def stop(self):  # no Wine process outlives a game
        super().stop()
        self.run('wineserver', '-k')
