"""The golden recordings (tests/replays/) played on a target other than the native build: the same
trace, byte for byte."""
import glob, itertools, os, shutil
from .screen import check, wait
from .browser import Web

GOLDEN = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'replays')
LONGEST = 300  # seconds a recording may take to play (times the player's slowness): a hung one fails

def replayed(p):
    """Each golden recording played on the target says the game's line and leaves its pinned trace:
    under Wine in the game's folder (--replay, --trace), in a browser by the page's address (?check=,
    from a folder served beside the page's), where the page shows the line and keeps the trace; and
    on the page, ?replay= watches one (the watch's buttons shown)."""
    web, pinned = isinstance(p, Web), sorted(glob.glob(GOLDEN + '/*.trace'))
    check(pinned, f'no pinned traces in {GOLDEN}')
    web or (p.start(), p.stop())  # the game's folder made
    os.makedirs(folder := p.server.args[-1] + '/replays' if web else p.cwd, exist_ok=True)
    for trace in pinned:
        name = os.path.basename(trace)[:-len('.trace')]
        shutil.copy(f'{GOLDEN}/{name}.rec', folder)
        if web:
            p.browser.open(f'{p.url}/?check=../replays/{name}.rec')
            status, said, got = p.wait_exit(LONGEST), p.message(), p.js('return window.trace ?? ""').encode()
        else:
            status, said, _ = p.run(*p.argv, '--replay', f'{name}.rec', '--trace', f'{name}.trace', display=True)
            got = open(f'{folder}/{name}.trace', 'rb').read() if os.path.exists(f'{folder}/{name}.trace') else b''
        lines = itertools.zip_longest(open(trace, 'rb').read().split(b'\n'), got.split(b'\n'))
        first = next(((n, want, line) for n, (want, line) in enumerate(lines, 1) if want != line), None)
        check(status == 0 and said.startswith('Replayed ') and not first,
              f'{name}.rec: status {status}, said {said!r}; first difference (line, pinned, played): {first}')
    if web:
        p.visit(f'site/?replay=../replays/{name}.rec')
        wait(p, lambda s: p.js("return document.body.classList.contains('watching')"), f'{name}.rec watched by ?replay=')
