#!/usr/bin/env bash
# Runs a command on the current X display, or on a private Xvfb when there is none.
#   scripts/with-x.sh COMMAND [ARGS...]       (its exit status is COMMAND's)
set -euo pipefail
# shellcheck source=scripts/lib.sh
source "$(dirname "$0")/lib.sh"
[ $# -gt 0 ] || die "usage: $0 COMMAND [ARGS...]"
exec_on_x "$@"
