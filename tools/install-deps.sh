#!/usr/bin/env bash
# Installs what every command of the README needs on Debian 12 (building,
# testing, fuzzing, packaging and lintian, the benchmarks, Graphviz and a
# Chinese font for topoplan-draw, the JSON library of topoplan-resilience
# and the graph library its tests compare against, emscripten for the page
# engine, Chromium and Node.js for the page's browser test), skipping
# whatever is already there. Uses sudo when not run as root. The browser
# test's one npm package, puppeteer-core (which drives the system Chromium
# and never downloads a browser), comes from the npm registry at the
# version tests/browser/package-lock.json records.
set -euo pipefail

packages=(g++ make cmake libgtest-dev libgmock-dev clang libclang-rt-14-dev valgrind
          groff-base man-db dpkg-dev file lintian
          graphviz fonts-wqy-microhei fontconfig libxml2-utils
          clang-tidy cppcheck gcovr libbenchmark-dev
          libacl1-dev acl nlohmann-json3-dev libpugixml-dev python3-networkx
          emscripten chromium nodejs)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$package")
  fi
done
# Node.js from elsewhere may bring its own npm; Debian's comes apart.
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  as_root=()
  [ "$(id -u)" -eq 0 ] || as_root=(sudo)
  echo "Installing: ${missing[*]}"
  "${as_root[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

browser_tests="$(dirname "$0")/../tests/browser"
if [ ! -d "$browser_tests/node_modules/puppeteer-core" ]; then
  echo "Installing the browser test's npm packages"
  npm ci --prefix "$browser_tests" --no-audit --no-fund --loglevel=error
fi
