#!/usr/bin/env bash
# Runs the page's browser test, or skips it (exit 77, with the reason)
# where this machine lacks what it needs: Chromium, Node.js with the
# puppeteer-core package (bash tools/install-deps.sh installs them), or a
# topoplan-draw built with the page engine (emscripten at build time).
# Usage: run.sh TOPOPLAN TOPOPLAN_DRAW TOPOPLAN_RESILIENCE MESH_GENERATOR SCREENSHOT
set -uo pipefail
here=$(dirname "$(realpath "$0")")
skip() {
  echo "SKIPPED: $*"
  exit 77
}

chromium=${TOPOPLAN_CHROMIUM:-/usr/bin/chromium}
[ -x "$chromium" ] || skip "no Chromium at $chromium"
command -v node >/dev/null || skip "no Node.js (node)"
[ -d "$here/node_modules/puppeteer-core" ] ||
  skip "puppeteer-core is not installed in $here (bash tools/install-deps.sh)"

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf '1 0\nCR core 4 x\n' >"$probe/one.txt"
if ! "$2" -o "$probe/one.html" "$probe/one.txt" 2>"$probe/err.txt"; then
  grep -q emscripten "$probe/err.txt" && skip "topoplan-draw was built without the page engine (no emscripten)"
  cat "$probe/err.txt"
  exit 1
fi

"$chromium" --version
TOPOPLAN_CHROMIUM=$chromium exec node "$here/page_test.js" "$@"
