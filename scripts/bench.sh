#!/usr/bin/env bash
# Builds quorlane.exe with the benchmark and runs quorlane_bench.exe under Wine and Xvfb in a fresh
# Wine prefix: start-up and peak working set against the floor (the least any program must do to
# show the same stored places with the shell's names and icons) and, for information, against a bare
# window with one list view; the picker's opening and the exe's size; start-up with one stored place
# on a share that hangs (a FUSE mount, where this machine can make one) against the same without it,
# and the longest the window takes to answer while it comes up; one row per goal, "met" or
# "MISSED". Every build this machine's Wine route runs, one table each: the 32-bit and the 64-bit one
# where it runs 32-bit programs, else the 64-bit one. Arguments go to the benchmark (e.g. --runs 21;
# 11 runs each by default).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
source scripts/wine-env.sh
for bits in $QL_WINE_BUILDS; do
  cmake --preset "mingw$bits" >/dev/null
  cmake --build --preset "mingw$bits" --target quorlane_bench -j 2 >/dev/null
done

ql_isolated_wine bench
echo "$QL_WINE_ROUTE; load before the runs:$(uptime | sed 's/.*load average://')"
for bits in $QL_WINE_BUILDS; do
  echo
  echo "== the $bits-bit build"
  # Its messages through a pipe rather than a process substitution, which the script's end could
  # cut off before they are written; Wine's notes on the debugged commands are left out.
  { ql_wine "build/mingw$bits/quorlane_bench.exe" "$@" 2>&1 1>&3 | { grep -v 'Read access denied' >&2 || true; }; } 3>&1
done

# The Linux command over 1, 10 and 100 prefixes made from copies of the fresh prefix's registry files,
# found by --all where winetricks keeps prefixes, against floors measured in the same run: reading the
# same user.reg files (list --all: goal 2x) and copying them (set --all: goal 3x); for information the
# Wine way, `wine reg query` in each prefix (at 1 and 10; the command beats it 100x at 10: goal).
# Peak memory of list --all over 100 prefixes: goal under 16 MiB. Medians of 11 runs.
echo
echo "== the Linux command"
cmake --preset linux >/dev/null
cmake --build --preset linux --target quorlane -j 2 >/dev/null
quorlane=$PWD/build/linux/quorlane
wineserver -w
fixture=$(mktemp -d /tmp/quorlane-bench-linux.XXXXXX)
trap 'rm -rf "$fixture"; ql_cleanup; rm -rf "$QL_ISOLATED_PREFIX"' EXIT
now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
# The median of 11 runs of the command, in ms (its output dropped).
median_ms() {
  local runs=() i start
  for i in $(seq 1 11); do
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    runs+=($(( ($(date +%s%N) - start) / 1000 )))
  done
  printf '%s\n' "${runs[@]}" | sort -n | sed -n 6p | awk '{ printf "%.1f", $1 / 1000 }'
}
row() { printf '%-44s %10s ms  %-28s %s\n' "$1" "$2" "$3" "$4"; }
verdict() { awk -v a="$1" -v b="$2" 'BEGIN { print (a <= b ? "met" : "MISSED") }'; }
for n in 1 10 100; do
  home=$fixture/home$n
  mkdir -p "$home/Downloads" "$home/.local/share/wineprefixes"
  for i in $(seq 1 "$n"); do
    p=$home/.local/share/wineprefixes/p$i
    mkdir -p "$p/drive_c" "$p/dosdevices"
    cp "$WINEPREFIX/user.reg" "$p/user.reg"
    ln "$WINEPREFIX/system.reg" "$p/system.reg" 2>/dev/null || cp "$WINEPREFIX/system.reg" "$p/system.reg"
    cp -P "$WINEPREFIX"/dosdevices/* "$p/dosdevices/"
  done
  regs=("$home"/.local/share/wineprefixes/*/user.reg)
  copy_all() { local f; for f in "${regs[@]}"; do cp "$f" "$f.copy"; done; }
  read_floor=$(median_ms cat "${regs[@]}")
  copy_floor=$(median_ms copy_all)
  # The command as a user with that home runs it, started as directly as cat and cp.
  read -r list set < <(export HOME="$home" XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config"; unset WINEPREFIX
                       echo "$(median_ms "$quorlane" list --all) $(median_ms "$quorlane" set --all Documents "$home/Downloads")")
  echo "-- $n prefixes"
  row "list --all" "$list" "goal <= 2 x read ($read_floor)" "$(verdict "$list" "$(awk -v f="$read_floor" 'BEGIN { print 2 * f }')")"
  row "set --all Documents ~/Downloads" "$set" "goal <= 3 x copy ($copy_floor)" "$(verdict "$set" "$(awk -v f="$copy_floor" 'BEGIN { print 3 * f }')")"
  row "list --all, per prefix" "$(awk -v t="$list" -v n="$n" 'BEGIN { printf "%.2f", t / n }')" "" ""
  if [ "$n" != 100 ]; then
    start=$(now_ms)
    for i in $(seq 1 "$n"); do
      WINEPREFIX=$home/.local/share/wineprefixes/p$i ql_wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\ComDlg32\PlacesBar' >/dev/null 2>&1 || true
      WINEPREFIX=$home/.local/share/wineprefixes/p$i wineserver -w
    done
    wine_way=$(( $(now_ms) - start ))
    row "the Wine way (wine reg query), for information" "$wine_way" "" ""
    [ "$n" = 10 ] && row "list --all against the Wine way" "$list" "goal <= 1/100 ($wine_way)" "$(verdict "$list" "$(awk -v w="$wine_way" 'BEGIN { print w / 100 }')")"
  fi
  if [ "$n" = 100 ]; then
    peak=$( { env -u WINEPREFIX HOME="$home" XDG_DATA_HOME="$home/.local/share" /usr/bin/time -f %M "$quorlane" list --all >/dev/null; } 2>&1 | tail -n 1)
    printf '%-44s %10s KiB %-28s %s\n' "list --all peak memory" "$peak" "goal < 16384" "$(verdict "$peak" 16383)"
  fi
done
