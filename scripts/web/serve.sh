#!/usr/bin/env bash
# Serves the browser build (default build/web/site, made by build-web.sh) on 127.0.0.1 and
# prints the address to open; runs until interrupted. The page cannot load its wasm from a
# file:// address, so it needs a server, and any static one will do.
#   scripts/web/serve.sh [OUT] [PORT]      (default port 8013)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
site=${1:-$top/build/web/site}
port=${2:-8013}
[ -f "$site/index.html" ] || { echo "no page in $site: run scripts/web/build-web.sh first" >&2; exit 1; }
echo "http://127.0.0.1:$port/"
exec /usr/bin/python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
