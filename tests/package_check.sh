#!/usr/bin/env bash
# Checks what a user installs: `cmake --install` lays out the expected
# files, with manual pages that render without a warning and name the
# prefix of that install; the Debian package built by CPack holds the same
# files under /usr, names its libraries and recommendations, passes lintian
# with no error and no warning, and its program runs from a scratch root
# through a short session.
# Usage: package_check.sh BUILD_DIR (a configured and built folder; a
# Release build, whose topoplan is linked statically)
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "$1")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export LC_ALL=C.UTF-8

fail() {
  echo "package check: $*" >&2
  exit 1
}

# The programs CMakeLists.txt installs (TOPOPLAN_PROGRAMS), each with its
# manual page.
programs=(topoplan topoplan-draw topoplan-resilience topoplan-import)

# A manual page, compressed as installed: groff and man both read it
# cleanly (preconv for the UTF-8), and every documentation folder it names
# is DOCDIR, the one of this install.
check_manual_page() {
  local page=$1 docdir=$2 warnings
  warnings=$(zcat "$page" | groff -k -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "groff warns about $page:"$'\n'"$warnings"
  warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || fail "man warns about $page:"$'\n'"$warnings"
  local named
  named=$(zcat "$page" | { grep -o '[^ ]*/doc/topoplan' || true; } | sort -u)
  [ -z "$named" ] || [ "$named" = "$docdir" ] ||
    fail "$page names a documentation folder other than $docdir: $named"
  ! zgrep -q '@[A-Z]*@' "$page" || fail "$page has a placeholder left"
}

# Installation into a prefix.
cmake --install "$build" --prefix "$scratch/prefix" >/dev/null
expected=(share/doc/topoplan/README.md share/doc/topoplan/campus.txt
          share/doc/topoplan/docs/campus-prim.svg
          share/doc/topoplan/changelog.gz share/doc/topoplan/copyright
          share/lintian/overrides/topoplan)
for program in "${programs[@]}"; do
  expected+=("bin/$program" "share/man/man1/$program.1.gz")
done
for file in "${expected[@]}"; do
  [ -f "$scratch/prefix/$file" ] || fail "cmake --install left out $file"
done
installed=$(cd "$scratch/prefix" && find . -type f | sort)
[ "$(wc -l <<<"$installed")" -eq ${#expected[@]} ] ||
  fail "cmake --install laid out unexpected files:"$'\n'"$installed"
for program in "${programs[@]}"; do
  check_manual_page "$scratch/prefix/share/man/man1/$program.1.gz" \
    "$scratch/prefix/share/doc/topoplan"
done
# Every option a command's --help lists has its entry in the manual page,
# where groff spells each hyphen "\-".
for program in topoplan-draw topoplan-resilience topoplan-import; do
  help=$("$scratch/prefix/bin/$program" --help) || fail "$program --help failed"
  for option in $(grep -oE '^  -[^ ]+(, -[^ ]+)?' <<<"$help" | tr ', ' '\n\n' | sort -u); do
    zgrep -qF -- "${option//-/\\-}" "$scratch/prefix/share/man/man1/$program.1.gz" ||
      fail "the manual page of $program does not describe $option"
  done
done
grep -qF '](docs/campus-prim.svg)' "$scratch/prefix/share/doc/topoplan/README.md" ||
  fail "the README no longer shows docs/campus-prim.svg"

# The Debian package: the same files under /usr, and its dependencies.
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/package" \
  >"$scratch/cpack.log" 2>&1 || fail "cpack failed:"$'\n'"$(cat "$scratch/cpack.log")"
package=$(echo "$scratch"/package/topoplan_*.deb)
[ -f "$package" ] || fail "cpack made no .deb"
packaged=$(dpkg-deb --fsys-tarfile "$package" | tar -t | grep -v '/$' | sort)
[ "$packaged" = "$(sed 's|^\./|./usr/|' <<<"$installed")" ] ||
  fail "the package holds other files than cmake --install:"$'\n'"$packaged"
depends=$(dpkg-deb --field "$package" Depends)
for library in libc6 libgcc-s1 libstdc++6; do
  grep -Eq "(^|, )${library//+/\\+} \(>= [^)]+\)" <<<"$depends" ||
    fail "Depends ($depends) lacks $library"
done
recommends=$(dpkg-deb --field "$package" Recommends)
[ "$recommends" = "graphviz, fonts-wqy-microhei" ] ||
  fail "Recommends is '$recommends', not graphviz and the Chinese font"

# lintian: no error and no warning. Its informational tags and the
# overridden ones, with the reason, are shown too.
report=$(lintian --fail-on none --display-info --show-overrides "$package" 2>&1) ||
  fail "lintian could not check the package:"$'\n'"$report"
report=$(grep -v '^running with root privileges' <<<"$report" || true)
echo "lintian $(basename "$package"):"
echo "${report:-  (no tags)}"
! grep -q '^[EW]: ' <<<"$report" || fail "lintian reports an error or a warning"

# Run the packaged program from a scratch root.
dpkg-deb -x "$package" "$scratch/root"
program=$scratch/root/usr/bin/topoplan
file -b "$program" | grep -q '^ELF .*, statically linked, .*stripped$' ||
  fail "the packaged program is not a stripped, statically linked ELF executable"
mkdir "$scratch/session"
output=$(cd "$scratch/session" && printf '1 2 3 9 saved.txt 0\n' | "$program") ||
  fail "the packaged program ended with status $?"
tab=$'\t'
key_lines=(
  "共 8 台设备，10 条链路"
  "${tab}CR${tab}DR-A${tab}DR-B${tab}AR-T${tab}AR-L${tab}AR-D${tab}SV${tab}FW${tab}"
  "CR${tab}0${tab}5${tab}8${tab}32767${tab}32767${tab}32767${tab}32767${tab}2${tab}"
  "  CR → FW → DR-B → DR-A → AR-L → SV → AR-D → AR-T"
  "共巡检 8 台设备，无重复访问。"
  # Choice and name come from the pipe, so the result follows both prompts.
  "请输入选项: 请输入保存文件名（如：network_topology.txt）：✔ 拓扑已成功保存到文件：saved.txt（共8台设备，10条链路）"
  "感谢使用曜衡川澜星汇织图云台，再见！"
)
for line in "${key_lines[@]}"; do
  grep -Fxq -- "$line" <<<"$output" || fail "the session did not print: $line"
done
cmp "$scratch/session/saved.txt" "$scratch/root/usr/share/doc/topoplan/campus.txt" ||
  fail "the saved network differs from the packaged example"
for program in "${programs[@]}"; do
  check_manual_page "$scratch/root/usr/share/man/man1/$program.1.gz" /usr/share/doc/topoplan
done
zgrep -qF /usr/share/doc/topoplan/campus.txt "$scratch/root/usr/share/man/man1/topoplan.1.gz" ||
  fail "the packaged topoplan.1 does not name /usr/share/doc/topoplan/campus.txt"
resilience=$("$scratch/root/usr/bin/topoplan-resilience" \
  "$scratch/root/usr/share/doc/topoplan/campus.txt") ||
  fail "the packaged topoplan-resilience ended with status $?"
grep -Fxq "⚠ 设备 CR：故障后切断 FW（1 台，断开 6 对）" <<<"$resilience" ||
  fail "the packaged topoplan-resilience did not find the campus's cut device"
printf '<graphml><graph><node id="a"/></graph></graphml>' >"$scratch/one.graphml"
[ "$("$scratch/root/usr/bin/topoplan-import" "$scratch/one.graphml" 2>/dev/null)" = \
  "$(printf '1 0\na a 1 未知')" ] || fail "the packaged topoplan-import did not import"

echo "package check: manual pages, install layout, lintian and $(basename "$package") are fine"
