"""The Windows build under Wine, on the same X server: the package unpacked into a fresh folder,
one fresh Wine prefix per run, no Wine process left behind by a game."""
import os, shutil, subprocess, zipfile
from .x11 import XPlayer

class Wine(XPlayer):
    eol, slow = '\r\n', 3

    def __init__(self, package, drain=None):  # package: the zip or its unpacked folder
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
