#!/usr/bin/env bash
# The browser build's figures beside the native ones, measured in one run on this machine:
#   - the full-load frame (12 holes, 800 particles, button held, then up) in headless Chromium
#     with its software WebGL, on three screens: a 900x700 window, device pixel ratio 2, and
#     1920x1080 (as fullscreen): frames per second and frame intervals (bench/web_frame.cpp);
#   - WebGL calls that may wait for the GPU (state queries, read-backs) per frame, counted in the
#     page (getParameter(0x8894), the array buffer binding, is answered by the browser's own copy);
#   - the time from the page's first byte to its first picture: the game's title against a page
#     that only opens the canvas and clears it (bench/web_blank.cpp), same build, 5 loads each;
#   - the native full-load frame, button held and up (frame_bench under scripts/with-x.sh);
#   - the transfer size of the page's files, raw and gzip-compressed, and of those a first visit
#     fetches before its title shows.
#   scripts/web/bench-web.sh        (it builds the page first; a few minutes)
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/../lib.sh"
cd "$top"
site=$top/build/web/site
work=$top/build/web
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

"$top/scripts/web/build-web.sh" "$site" >/dev/null
"$top/scripts/deps.sh" --bench

# The benchmark pages, next to the game's site.
emcmake cmake -S "$top" -B "$work/game" -DSIEVERUSH_BENCH=ON >/dev/null
cmake --build "$work/game" --target web_frame web_blank --parallel 2 >/dev/null
bench_site=$work/bench-site
rm -rf "$bench_site"
mkdir -p "$bench_site"
for page in web_frame web_blank; do
  cp "$work/game/bench/$page."{html,js,wasm,data} "$bench_site/"
done
cp "$site/icon.png" "$bench_site/"

port=8093
/usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work" >/dev/null 2>&1 &
server=$!
trap 'kill $server' EXIT

echo "== web frame (headless Chromium, software WebGL); load average: $(cut -d' ' -f1-3 /proc/loadavg)"
PYTHONPATH="$top/tests" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 - "http://127.0.0.1:$port" <<'PY'
import statistics, sys, time
from play.browser import chromium  # the browser the tests play the page in
base = sys.argv[1]
d = chromium(900, 700, console=True)
# Count the WebGL calls that make the page wait for the GPU and the frames, from 6 s on; and the
# time of the first animation frame asked for, which comes right after the first picture.
d.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': '''
  window.glWaits = {}; window.frames_ = 0; window.firstFrame = null;
  const names = ['getParameter', 'getError', 'readPixels', 'isEnabled', 'getTexParameter',
                 'getBufferParameter', 'getShaderParameter', 'getProgramParameter',
                 'getFramebufferAttachmentParameter', 'getRenderbufferParameter',
                 'checkFramebufferStatus', 'finish'];
  for (const n of names) {
    const f = WebGLRenderingContext.prototype[n];
    WebGLRenderingContext.prototype[n] = function(...a) {
      const key = n == 'getParameter' ? n + '(0x' + a[0].toString(16) + ')' : n;
      if (window.measuring) glWaits[key] = (glWaits[key] || 0) + 1;
      return f.apply(this, a);
    };
  }
  const raf = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (cb) => {
    if (window.firstFrame === null) window.firstFrame = performance.now();
    return raf((t) => { if (window.measuring) frames_++; cb(t); });
  };
  setTimeout(() => { window.measuring = true; }, 6000);
'''})

def frames(screen, metrics):
    if metrics:
        d.execute_cdp_cmd('Emulation.setDeviceMetricsOverride', metrics)
    d.get(base + '/bench-site/web_frame.html')
    lines, counts, deadline = [], None, time.time() + 300
    while len(lines) < 2 and time.time() < deadline:
        time.sleep(1)
        for entry in d.get_log('browser'):
            if 'web_frame:' in entry['message']:
                lines.append(entry['message'].split('web_frame:')[1].rstrip('"'))
        if len(lines) == 1 and counts is None:
            counts = d.execute_script('return [window.frames_, window.glWaits, canvas.width, canvas.height]')
    if len(lines) < 2:
        sys.exit('the web frame benchmark did not finish on ' + screen)
    for line in lines:
        print(f'web frame, {screen} (canvas {counts[2]}x{counts[3]}):{line}')
    n, waits = counts[0], counts[1]
    print('  GPU waits per frame, button held: ' + (', '.join('%s %.2f' % (k, v / n) for k, v in sorted(waits.items())) or 'none') +
          ' (over %d frames)' % n)

frames('900x700 window', None)
frames('device pixel ratio 2', {'width': 800, 'height': 640, 'deviceScaleFactor': 2, 'mobile': False})
frames('1920x1080', {'width': 1920, 'height': 1080, 'deviceScaleFactor': 1, 'mobile': False})
d.execute_cdp_cmd('Emulation.clearDeviceMetricsOverride', {})

# Page to first picture, the two pages loaded in turn.
first = {'site/index.html': [], 'bench-site/web_blank.html': []}
for _ in range(5):
    for page, times in first.items():
        d.get(base + '/' + page)
        deadline = time.time() + 60
        while (t := d.execute_script('return window.firstFrame')) is None and time.time() < deadline:
            time.sleep(0.05)
        times.append(t)
game, blank = (statistics.median(v) for v in first.values())
print(f'first picture: game title {game:.0f} ms, blank canvas {blank:.0f} ms (medians of 5), ratio {game / blank:.2f}')
d.quit()
PY

echo "== native frame (same machine, same run)"
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_BENCH=ON -DSIEVERUSH_TESTS=OFF >/dev/null
cmake --build build/bench --target frame_bench art >/dev/null
scripts/with-x.sh build/bench/bench/frame_bench --benchmark_filter='^frame/game' \
  --benchmark_min_time=2 2>&1 | sed 's/\x1b\[[0-9;]*m//g' | grep '^frame/game'

echo "== transfer size"
raw=0 packed=0
for f in "$site"/*; do
  raw=$((raw + $(stat -c %s "$f")))
  packed=$((packed + $(gzip -9c "$f" | wc -c)))
  printf '%-16s %8d bytes, gzip %8d\n' "$(basename "$f")" "$(stat -c %s "$f")" "$(gzip -9c "$f" | wc -c)"
done
printf 'all             %8d bytes, gzip %8d\n' "$raw" "$packed"
# What a first visit fetches before its title shows: the worker and the app's larger icons come after.
raw=0 packed=0
for f in index.html icon.png manifest.webmanifest sieverush.js sieverush.wasm sieverush.data; do
  raw=$((raw + $(stat -c %s "$site/$f")))
  packed=$((packed + $(gzip -9c "$site/$f" | wc -c)))
done
printf 'before the title %7d bytes, gzip %8d\n' "$raw" "$packed"
