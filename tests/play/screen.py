"""What a player sees: a Shot of the 800x600 window, the colours told apart, the text lines, the
case and its holes; PNG pictures of it, and waiting for a picture that shows something."""
import os, subprocess, sys, time

W, H = 800, 600
CELL = 16  # the font's cell height: a text line drawn at y covers rows y .. y + 16 from the bottom
CASE = (150, 150, 650, 450)  # the part of the window where the case stands
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
# The case's metal, beige or grey, lit or shaded: within a fifth of grey (plaster is orange, bits green)
metal = lambda p: max(p) >= 45 and (max(p) - min(p)) * 5 <= max(p)
green = lambda p: p[1] >= 24 and p[1] - max(p[0], p[2]) >= 16  # a flying bit, bright or fading

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

    def rgb(self):  # the pixels' bytes, row by row from the top
        return bytes(v for y in range(self.h) for x in range(self.w) for v in self.pixel(x, y))

    def save(self, name):  # as $SIEVERUSH_SHOTS/MODE-NAME.png, when that folder is asked for
        if folder := os.environ.get('SIEVERUSH_SHOTS'):
            os.makedirs(folder, exist_ok=True)
            subprocess.run(['convert', '-size', f'{self.w}x{self.h}', '-depth', '8', 'rgb:-',
                            f'{folder}/{sys.argv[1]}-{name}.png'], input=self.rgb(), check=True)

def shown(x, y, w, h):
    """The window pixel in the middle of those showing picture pixel (x, y) in a w x h window: the
    game shows its picture as large as fits with its shape kept, centred."""
    scale = min(w / W, h / H)
    pw, ph = min(w, int(W * scale)), min(h, int(H * scale))
    return (w - pw) // 2 + int((x + 0.5) * pw / W), h - (h - ph) // 2 - ph + int((y + 0.5) * ph / H)

def wait(p, test, what, seconds=PROMPT, shot=None):
    """The first shot of player p (or of shot()) that passes test; fails when the game ends or time runs out."""
    deadline = time.time() + seconds * p.slow
    while time.time() < deadline:
        if (s := (shot or p.shot)()) and test(s):
            return s
        check(p.proc.poll() is None, f'the game ended with {p.proc.poll()} before {what}')
        time.sleep(0.05)
    raise AssertionError(f'no {what} within {seconds * p.slow} s')

def rows(y):  # screen rows [top, bottom) of a text line drawn at y from the bottom
    return H - y - CELL, H - y

def case_in_middle(s):  # drawn and textured, not one colour
    grey = [sum(s.pixel(x, y)) // 3 for y in range(240, 360, 4) for x in range(340, 460, 4)]
    return s.count((340, 240, 460, 360), black, 4) < 45 and max(grey) - min(grey) >= 40

blue_screen = lambda s: s.count((0, 0, W, H), blue, 8) > 0.8 * (W // 8) * (H // 8)

def outline(s):  # first and last columns solidly drawn across the middle (spray is not solid)
    cols = [x for x in range(W) if s.count((x, 250, x + 1, 350), black, 4) <= 2]
    return (cols[0], cols[-1]) if cols else (-1, -1)

apart = lambda a, b: max(abs(a[0] - b[0]), abs(a[1] - b[1]))  # how far an outline moved

def hole(s, ref):
    """The middle of a hole in s, or None. A hole is a dark spot where ref (play just begun) showed
    the case's metal, with no flying bit near it in either shot: of the 9 by 9 pixels around it,
    four fifths are dark now, half were metal (grilles, slots and ports are dark) and none is green."""
    near = lambda x, y: (x - 4, y - 4, x + 5, y + 5)
    spot = next(((x, y) for y in range(CASE[1], CASE[3], 3) for x in range(CASE[0], CASE[2], 3)
                 if dark(s.pixel(x, y)) and metal(ref.pixel(x, y))
                 and s.count(near(x, y), dark) >= 65 and ref.count(near(x, y), metal) >= 41
                 and not s.count(near(x, y), green) and not ref.count(near(x, y), green)), None)
    # The spot may lie at its edge: the hole is the patch around it dark now and not in ref.
    patch, todo = {spot}, [spot] if spot else []
    while todo and len(patch) < 3000:
        u, v = todo.pop()
        for n in (u + 1, v), (u - 1, v), (u, v + 1), (u, v - 1):
            if n not in patch and dark(s.pixel(*n)) and not dark(ref.pixel(*n)):
                patch.add(n)
                todo.append(n)
    return spot and tuple(sum(c) // len(patch) for c in zip(*patch))

def sound_server():
    """A PulseAudio server of the test's own with one null sink, 'game' (its monitor can be recorded):
    the sound device of a Windows game under Wine, or of Firefox, which plays a page's sound only
    where it has one. Returns its address for PULSE_SERVER; it ends when the caller's process does."""
    import atexit, subprocess, tempfile
    folder = tempfile.mkdtemp(prefix='sieverush-pulse-')  # no spaces: module arguments split at them
    address = f'unix:{folder}/socket'
    subprocess.run(['pulseaudio', '--daemonize=yes', '--exit-idle-time=-1', '-n', '--use-pid-file=no',
                    '--load=module-null-sink sink_name=game',
                    f'--load=module-native-protocol-unix socket={folder}/socket auth-anonymous=1'],
                   env={**os.environ, 'XDG_RUNTIME_DIR': folder}, check=True, capture_output=True)
    deadline = time.time() + PROMPT
    while not os.path.exists(folder + '/socket'):
        check(time.time() < deadline, 'no PulseAudio socket')
        time.sleep(0.1)
    atexit.register(lambda: subprocess.run(['pactl', 'exit'], env={**os.environ, 'PULSE_SERVER': address},
                                           capture_output=True))
    return address
