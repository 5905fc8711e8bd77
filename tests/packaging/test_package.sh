#!/usr/bin/env bash
# The Debian package made from this build tree, unpacked below a fresh root: every file in
# its place and nothing else, the launchers of /usr/bin run and find their program folder,
# the desktop entry, the manual pages and the udev rule are sound, the programs tell their
# version, and lintian finds nothing to say (when lintian is installed). Packages what the tree
# has built; builds nothing. The tools it checks with are installed by scripts/setup.sh: a
# missing one fails the test rather than leaving a check out.
#   test_package.sh BUILD_DIR
set -uo pipefail

build="$1"
bin="$build/bin"
for tool in cpack dpkg-deb desktop-file-validate man; do
  if ! command -v "$tool" >/dev/null; then
    echo "FAILED: $tool is not installed (bash scripts/setup.sh installs it)"
    exit 1
  fi
done

tmp="$(mktemp -d)"
sim_pid=
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

for f in quorvel-cli quorvel-sim HB30.so Z9hb10_Comm.so Z9hb20_Comm.so; do
  [ -e "$bin/$f" ] || { echo "FAILED: $bin/$f is not built"; exit 1; }
done

if ! (cd "$build" && cpack --config CPackConfig.cmake -B "$tmp/out") >"$tmp/cpack.log" 2>&1; then
  cat "$tmp/cpack.log"
  echo "FAILED: cpack"
  exit 1
fi
deb="$(find "$tmp/out" -maxdepth 1 -name 'quorvel_*.deb' -print -quit)"
[ -n "$deb" ] || { echo "FAILED: no quorvel_*.deb made"; exit 1; }
root="$tmp/root"
dpkg-deb -x "$deb" "$root" || { echo "FAILED: dpkg-deb -x"; exit 1; }

[ "$(dpkg-deb -f "$deb" Package)" = quorvel ] || fail "package name"
dpkg-deb -f "$deb" Depends | grep -q libzmq5 || fail "Depends lacks libzmq5"

# Every file in its place, and nothing else.
lib=usr/lib/quorvel
{
  for f in Quorvel quorvel-cli quorvel-sim; do
    if [ -e "$bin/$f" ]; then
      echo "$lib/$f"
      echo "usr/bin/$f"
    fi
  done
  for f in HB30.so Z9hb10_Comm.so Z9hb20_Comm.so DatalogCharts.so Z9PCnormalFont.ttf; do
    [ -e "$bin/$f" ] && echo "$lib/$f"
  done
  (cd "$bin" && find res -type f) | sed "s|^|$lib/|"
  [ -d "$bin/Binaries" ] && (cd "$bin" && find Binaries -type f) | sed "s|^|$lib/|"
  if [ -e "$bin/Quorvel" ]; then
    echo usr/share/applications/quorvel.desktop
    echo usr/share/icons/hicolor/scalable/apps/quorvel.svg
  fi
  echo usr/lib/udev/rules.d/60-quorvel.rules
  [ -e "$bin/Quorvel" ] && echo usr/share/man/man1/Quorvel.1.gz
  echo usr/share/man/man1/quorvel-cli.1.gz
  echo usr/share/man/man1/quorvel-sim.1.gz
  echo usr/share/bash-completion/completions/quorvel-cli
  echo usr/share/doc/quorvel/copyright
  echo usr/share/doc/quorvel/changelog.gz
} | sort >"$tmp/expected"
(cd "$root" && find . \( -type f -o -type l \) | sed 's|^\./||' | sort) >"$tmp/actual"
if ! diff -u "$tmp/expected" "$tmp/actual"; then
  fail "package contents (- expected, + in the package)"
fi
[ -d "$root/$lib/Binaries" ] || fail "no Binaries folder in the program folder"
for f in Quorvel quorvel-cli quorvel-sim; do
  [ -e "$bin/$f" ] || continue
  [ -L "$root/usr/bin/$f" ] || fail "/usr/bin/$f is not a link"
  [ "$(readlink -f "$root/usr/bin/$f")" = "$root/$lib/$f" ] || fail "/usr/bin/$f does not lead to $lib/$f"
  [ -x "$root/$lib/$f" ] || fail "$lib/$f is not executable"
done

# The launchers run, and find the program folder (with its transport libraries) through it.
unset QUORVEL_PROGRAM_DIR
"$root/usr/bin/quorvel-cli" --help >"$tmp/cli-help" 2>&1 || fail "quorvel-cli --help exited $?"
grep -q "^Usage: quorvel-cli" "$tmp/cli-help" || fail "quorvel-cli --help: $(head -3 "$tmp/cli-help")"
"$root/usr/bin/quorvel-sim" --help >"$tmp/sim-help" 2>&1 || fail "quorvel-sim --help exited $?"
grep -q "^usage: quorvel-sim" "$tmp/sim-help" || fail "quorvel-sim --help: $(head -3 "$tmp/sim-help")"
version="$(dpkg-deb -f "$deb" Version)"
for f in Quorvel quorvel-cli; do
  [ -e "$bin/$f" ] || continue
  out="$(env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/$f" --version 2>&1)"
  [ "$out" = "$f $version" ] || fail "$f --version: $out"
done

# The command line starts without Qt; its charts come from the module beside it.
if [ -e "$bin/DatalogCharts.so" ]; then
  ldd "$root/$lib/quorvel-cli" | grep -q libQt && fail "quorvel-cli loads Qt at start"
  csv="$(dirname "$0")/../datalog/golden/own_channels_1_8.csv"
  QT_QPA_PLATFORM=offscreen "$root/usr/bin/quorvel-cli" datalogs plot "$csv" --png "$tmp/plot.png" \
    >"$tmp/plot-out" 2>&1 || fail "datalogs plot from the package: $(cat "$tmp/plot-out")"
  [ -s "$tmp/plot.png" ] || fail "datalogs plot from the package wrote no picture"
fi

mkdir -p "$tmp/dev"
"$root/usr/bin/quorvel-sim" --dev-dir "$tmp/dev" --usb-name ttyPKG0 --tcp-port -1 \
  >"$tmp/sim-out" 2>&1 &
sim_pid=$!
for _ in $(seq 100); do
  grep -q '^READY' "$tmp/sim-out" && break
  sleep 0.1
done
if grep -q '^READY' "$tmp/sim-out"; then
  QUORVEL_DEV_DIR="$tmp/dev" "$root/usr/bin/quorvel-cli" --usb ttyPKG0 identity --json \
    >"$tmp/identity" 2>"$tmp/identity-err" || fail "quorvel-cli identity from the package: $(cat "$tmp/identity-err")"
  grep -q '"code8":"61410031"' "$tmp/identity" || fail "identity from the package: $(cat "$tmp/identity")"
else
  fail "the packaged simulator did not start: $(cat "$tmp/sim-out")"
fi

# The desktop entry, its icon, the manual pages, the udev rule.
desktop="$root/usr/share/applications/quorvel.desktop"
if [ -e "$bin/Quorvel" ]; then
  desktop-file-validate "$desktop" >"$tmp/validate" 2>&1 || fail "desktop-file-validate: $(cat "$tmp/validate")"
  grep -q '^Exec=Quorvel$' "$desktop" || fail "desktop entry does not start Quorvel"
  grep -q '^Icon=quorvel$' "$desktop" || fail "desktop entry icon"
fi
pages="quorvel-cli:--traffic-log quorvel-sim:--code8"
[ -e "$bin/Quorvel" ] && pages="$pages Quorvel:--discovery-iface"
for page in $pages; do
  file="$root/usr/share/man/man1/${page%%:*}.1.gz"
  MANWIDTH=80 man --warnings -l "$file" >"$tmp/man" 2>"$tmp/man-warnings" || fail "man $file"
  [ -s "$tmp/man-warnings" ] && fail "man $file warns: $(cat "$tmp/man-warnings")"
  grep -q -- "${page#*:}" "$tmp/man" || fail "man $file lacks ${page#*:}"
done
rule="$root/usr/lib/udev/rules.d/60-quorvel.rules"
grep -q 'GROUP="dialout"' "$rule" || fail "udev rule without the dialout group"
grep -q 'ENV{ID_MM_DEVICE_IGNORE}="1"' "$rule" || fail "udev rule without ID_MM_DEVICE_IGNORE"

if command -v lintian >/dev/null; then
  lintian --fail-on error,warning "$deb" >"$tmp/lintian" 2>&1 ||
    fail "lintian: $(cat "$tmp/lintian")"
  grep -qE '^[EW]:' "$tmp/lintian" && fail "lintian reports errors or warnings: $(cat "$tmp/lintian")"
else
  echo "lintian is not installed: the package's lintian check is skipped"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "package $(basename "$deb"): every check passed"
