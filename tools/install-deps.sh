#!/usr/bin/env bash
# Installs what every command of the README needs on Debian 12 (building,
# testing, fuzzing, packaging and lintian, the benchmarks, Graphviz and a
# Chinese font for topoplan-draw, the JSON library of topoplan-resilience
# and the graph library its tests compare against), skipping whatever is
# already there. Uses sudo when not run as root.
set -euo pipefail

packages=(g++ make cmake libgtest-dev libgmock-dev clang libclang-rt-14-dev valgrind
          groff-base man-db dpkg-dev file lintian
          graphviz fonts-wqy-microhei fontconfig libxml2-utils
          clang-tidy cppcheck gcovr libbenchmark-dev
          libacl1-dev acl nlohmann-json3-dev python3-networkx)
missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'ok installed'; then
    missing+=("$package")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
