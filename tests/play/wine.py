"""The Windows build under Wine, on the same X server: the package unpacked into a fresh folder,
one fresh Wine prefix per run, no Wine process left behind by a game."""
import os, shutil, subprocess, tempfile, time, zipfile
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
        self.env = {**self.SILENT, 'WINEPREFIX': self.work + '/prefix', 'WINEDEBUG': '-all',
                    'WINEDLLOVERRIDES': 'mscoree,mshtml='}
        self.run('wineboot', '-i')

    def run(self, *argv):  # with no display; status and standard output
        env = {k: v for k, v in {**os.environ, **self.env}.items() if k != 'DISPLAY'}
        r = subprocess.run(argv, env=env, capture_output=True, timeout=300)
        return r.returncode, r.stdout.decode('latin-1')

    # Wine's sound goes to PulseAudio; one that cannot be reached means no device.
    SILENT = {'PULSE_SERVER': 'unix:/none-such'}

    def listen(self, wav):  # a PulseAudio null sink of the test's own, recorded with parec
        if not getattr(self, 'pulse', None):  # a folder without spaces: module arguments split at them
            self.pulse = tempfile.mkdtemp(prefix='sieverush-pulse-')
        socket = self.pulse + '/socket'
        self.env = {**self.env, 'PULSE_SERVER': 'unix:' + socket}
        env = {**os.environ, 'XDG_RUNTIME_DIR': self.pulse, **self.env}
        if not os.path.exists(socket):
            subprocess.run(['pulseaudio', '--daemonize=yes', '--exit-idle-time=-1', '-n', '--use-pid-file=no',
                            '--load=module-null-sink sink_name=game',
                            f'--load=module-native-protocol-unix socket={socket} auth-anonymous=1'],
                           env=env, check=True, capture_output=True)
            while not os.path.exists(socket):
                time.sleep(0.1)
        self.parec = subprocess.Popen(['parec', '-d', 'game.monitor', '--file-format=wav', wav], env=env)

    def deaf(self):
        if getattr(self, 'parec', None):
            self.parec.terminate()
            self.parec.wait()
            self.parec = None
        super().deaf()

    def finish(self):  # the sound server goes with the player
        if getattr(self, 'pulse', None):
            subprocess.run(['pactl', 'exit'], env={**os.environ, 'PULSE_SERVER': f'unix:{self.pulse}/socket'},
                           capture_output=True)
            shutil.rmtree(self.pulse, ignore_errors=True)
        super().finish()

    def stop(self):  # no Wine process outlives a game
        super().stop()
        self.run('wineserver', '-k')
