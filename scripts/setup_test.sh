#!/usr/bin/env bash
# The set-up on a machine whose package mirror is out of step: stand-ins for apt-get and dpkg early on
# PATH fail `apt-get update` as a mirror mid-sync does and refuse wine32:i386 (and, in the second
# case, Xvfb too). Prints one line per case and ends on "N passed, M failed".
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/quorlane-setup-test.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/bin"

cat >"$work/bin/apt-get" <<'SH'
#!/bin/sh
case "$*" in
  *update*)
    echo "E: Failed to fetch http://mirror/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    exit 100 ;;
esac
for p; do
  case " $REFUSE " in *" $p "*) echo "E: Unable to correct problems, you have held broken packages." >&2; exit 100 ;; esac
done
for p; do case $p in -*|install) ;; *) echo "$p" >>"$INSTALLED" ;; esac; done
SH
cat >"$work/bin/dpkg-query" <<'SH'
#!/bin/sh
for p; do :; done
grep -qxF "$p" "$INSTALLED" 2>/dev/null && printf 'install ok installed'
SH
printf '#!/bin/sh\n[ "$1" = --print-foreign-architectures ] && echo i386\nexit 0\n' >"$work/bin/dpkg"
printf '#!/bin/sh\nprintf "de_DE.utf8\\nru_RU.utf8\\nzh_CN.utf8\\n"\n' >"$work/bin/locale"
printf '#!/bin/sh\necho 0\n' >"$work/bin/id"
chmod +x "$work/bin"/*

passed=0 failed=0
check() {
  if eval "$2"; then passed=$((passed + 1)); echo "ok: $1"
  else failed=$((failed + 1)); echo "FAILED: $1"; sed 's/^/  | /' "$work/out"; fi
}
setup() {
  rm -rf "$work/state"; : >"$work/installed"
  env PATH="$work/bin:$PATH" INSTALLED="$work/installed" REFUSE="$1" QL_APT_STATE="$work/state" QL_APT_RETRY_DELAY=0 \
    bash "$here/setup.sh" >"$work/out" 2>&1
}
route() {
  env PATH="$work/bin:$PATH" INSTALLED="$work/installed" QL_APT_STATE="$work/state" QL_WINE_LOADER32=/nonexistent \
    bash -c 'source "$1"; echo "$QL_WINE_BUILDS|$QL_WINE_ROUTE"' _ "$here/wine-env.sh"
}

setup wine32:i386; rc=$?
check "the mirror's failed index is a warning naming it, and the set-up goes on" \
  '[ $rc = 0 ] && grep -q "^warning: apt-get update failed .*bookworm-security/main/binary-i386/Packages.xz" "$work/out"'
check "every required package is installed, the 32-bit Wine is not, and apt's reason is said" \
  'grep -qx mingw-w64 "$work/installed" && grep -qx xvfb "$work/installed" && ! grep -q wine32 "$work/installed" &&
   grep -q "wine32:i386 could not be installed: Unable to correct problems, you have held broken packages." "$work/out"'
check "the scripts take the 64-bit route and name the reason" \
  '[ "$(route)" = "64|64-bit Wine route: 32-bit Wine could not be installed: Unable to correct problems, you have held broken packages." ]'

setup "wine32:i386 xvfb"; rc=$?
check "a required package that cannot be installed fails the set-up, named with apt's reason" \
  '[ $rc != 0 ] && grep -q "required packages could not be installed (.*xvfb.*): Unable to correct problems" "$work/out"'

echo "$passed passed, $failed failed"
[ $failed = 0 ]
