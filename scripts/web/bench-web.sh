#!/usr/bin/env bash
# The browser build's figures beside the native ones, measured in one run on this machine:
#   - the full-load frame (12 holes, 800 particles, button held) in headless Chromium with its
#     software WebGL: frames per second and frame intervals (bench/web_frame.cpp);
#   - WebGL calls that may wait for the GPU (state queries, read-backs) per frame, counted in the
#     page (getParameter(0x8894), the array buffer binding, is answered by the browser's own copy);
#   - the native full-load frame, button held and up (frame_bench under scripts/with-x.sh);
#   - the transfer size of the page's files, raw and gzip-compressed.
#   scripts/web/bench-web.sh        (after scripts/web/build-web.sh; about two minutes)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
cd "$top"
site=$top/build/web/site
work=$top/build/web
export NODE_PATH=${NODE_PATH:-/usr/share/nodejs}

"$top/scripts/web/build-web.sh" "$site" >/dev/null
"$top/scripts/deps.sh" --bench

# The web benchmark page, next to the game's files.
emcmake cmake -S "$top" -B "$work/game" -DSIEVERUSH_BENCH=ON >/dev/null
cmake --build "$work/game" --target web_frame --parallel 2 >/dev/null
bench_site=$work/bench-site
rm -rf "$bench_site"
mkdir -p "$bench_site"
cp "$work/game/bench/web_frame."{html,js,wasm,data} "$bench_site/"

port=8093
/usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$bench_site" >/dev/null 2>&1 &
server=$!
trap 'kill $server' EXIT

echo "== web frame (headless Chromium, software WebGL); load average: $(cut -d' ' -f1-3 /proc/loadavg)"
PYTHONPATH="$top/tests" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 - "http://127.0.0.1:$port/web_frame.html" <<'PY'
import sys, time
from play.browser import chromium  # the browser the tests play the page in
d = chromium(900, 700, console=True)
# Count the WebGL calls that make the page wait for the GPU, and the frames, from the start.
d.execute_cdp_cmd('Page.addScriptToEvaluateOnNewDocument', {'source': '''
  window.glWaits = {}; window.frames_ = 0;
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
  window.requestAnimationFrame = (cb) => raf((t) => { if (window.measuring) frames_++; cb(t); });
  setTimeout(() => { window.measuring = true; }, 6000);
'''})
d.get(sys.argv[1])
lines = []
deadline = time.time() + 300
while len(lines) < 2 and time.time() < deadline:
    time.sleep(1)
    for entry in d.get_log('browser'):
        if 'web_frame:' in entry['message']:
            lines.append(entry['message'].split('web_frame:')[1].rstrip('"'))
    if len(lines) == 1 and 'counts' not in dir():
        counts = d.execute_script('return [window.frames_, window.glWaits]')
d.quit()
if len(lines) < 2:
    sys.exit('the web frame benchmark did not finish')
for line in lines:
    print('web frame:' + line)
frames, waits = counts
print('GPU waits per frame, button held: ' + (', '.join('%s %.2f' % (k, v / frames) for k, v in sorted(waits.items())) or 'none') +
      ' (over %d frames)' % frames)
PY

echo "== native frame (same machine, same run)"
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DSIEVERUSH_BENCH=ON \
  -DSIEVERUSH_TESTS=OFF >/dev/null
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
