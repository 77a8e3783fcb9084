# Sourced: how Wine is started on this machine, a private display and a private Wine prefix for one run.
#   ql_wine PROGRAM...  runs a Windows program (wineboot, winepath, reg included): the one way the scripts start Wine
#   QL_WINE             the command ql_wine runs, for `timeout` and the like
#   QL_WINE_BUILDS      the builds this machine runs under Wine: "32 64", or "64" on the 64-bit route
#   QL_WINE_ROUTE       one line saying which route was taken and why
#   ql_build_main W T   builds target T of the route's main build ($QL_WINE_MAIN_DIR), saying so as W
#   ql_start_xvfb       starts Xvfb on a free display unless $DISPLAY already works (QL_OWN_XVFB=1 forces one)
#   ql_new_prefix DIR [plain]  makes DIR a fresh, initialised Wine prefix and exports WINEPREFIX; with
#                       Wine's Tahoma for pixel comparisons unless "plain" asks for one as plain wineboot makes it
#   ql_add_wine_fonts   gives $WINEPREFIX the fonts Wine ships and does not find itself; fails if none was missing
#   ql_cleanup          ends the prefix's wineserver and the Xvfb this script started
#   ql_isolated_wine N  an own Xvfb and a fresh prefix in a temporary folder, both gone when the script exits
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}   # no Mono/Gecko prompts in a fresh prefix
QL_XVFB_PID=""

# Debian's `wine` script (and wineboot, winepath, `wine reg` behind it) always prefers the 32-bit loader
# once wine32 is installed, and a kernel without 32-bit emulation refuses to run it ("Exec format
# error"). Where that loader cannot start (the kernel refuses it, or the 32-bit Wine could not be
# installed), or QL_WINE_ARCH=64 asks for it, everything goes through the 64-bit loader in a 64-bit
# prefix, and only the 64-bit build runs; QL_WINE_ROUTE names which of the three it was.
QL_WINE_LOADER32=${QL_WINE_LOADER32:-/usr/lib/wine/wine}
QL_WINE_LOADER64=${QL_WINE_LOADER64:-/usr/lib/wine/wine64}
if [ "${QL_WINE_ARCH:-}" = 64 ]; then
  QL_WINE_BUILDS="64"
  QL_WINE_ROUTE="64-bit Wine route: QL_WINE_ARCH=64 asks for it"
elif "$QL_WINE_LOADER32" --version >/dev/null 2>&1; then
  QL_WINE_BUILDS="32 64"
  QL_WINE_ROUTE="32- and 64-bit Wine route: this machine runs 32-bit programs"
elif ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
  QL_WINE_BUILDS="64"
  source "$(dirname "${BASH_SOURCE[0]}")/packages.sh"
  QL_WINE_ROUTE="64-bit Wine route: 32-bit Wine could not be installed: $(ql_install_failure wine32:i386 || echo "wine32:i386 is not installed")"
else
  QL_WINE_BUILDS="64"
  QL_WINE_ROUTE="64-bit Wine route: this machine cannot start the 32-bit Wine loader ($QL_WINE_LOADER32)"
fi
if [ "$QL_WINE_BUILDS" = 64 ]; then
  QL_WINE=$QL_WINE_LOADER64
  # Programs that Wine starts from inside (a test starting quorlane.exe) use the same loader.
  export WINELOADER="$QL_WINE_LOADER64" WINEARCH=win64
else
  QL_WINE=wine
fi
ql_wine() { "$QL_WINE" "$@"; }
# The build that stands for Quorlane on this route: the shipped 32-bit one where it runs.
QL_WINE_MAIN_BUILD=${QL_WINE_BUILDS%% *}
QL_WINE_MAIN_DIR=build/mingw$QL_WINE_MAIN_BUILD

# Builds TARGET of the route's main build, saying which build and why in one line headed WHO.
ql_build_main() {
  echo "$1: the $QL_WINE_MAIN_BUILD-bit build ($QL_WINE_ROUTE)"
  cmake --preset "mingw$QL_WINE_MAIN_BUILD" >/dev/null
  cmake --build --preset "mingw$QL_WINE_MAIN_BUILD" --target "$2" -j 2 >/dev/null
}

ql_start_xvfb() {
  if [ "${QL_OWN_XVFB:-0}" != 1 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    return 0
  fi
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    QL_XVFB_PID=$!
    export DISPLAY=":$n"
    local i
    for i in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
    kill "$QL_XVFB_PID" 2>/dev/null || true
  done
  echo "could not start Xvfb" >&2
  return 1
}

ql_new_prefix() {
  export WINEPREFIX="$1"
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  ql_wine wineboot -i >/dev/null 2>&1
  # Xvfb has no window manager: Wine would wait two seconds for one whenever it hides a managed window.
  ql_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
  [ "${2:-}" = plain ] || ql_add_wine_fonts
  return 0
}

# Debian's Wine does not find the fonts it ships (fonts-wine) by itself: without its Tahoma, dialogs
# fall back to a wider font and captions laid out for Tahoma are cut. Copies what the prefix lacks.
ql_add_wine_fonts() {
  local font fonts="$WINEPREFIX/drive_c/windows/Fonts" added=1
  for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf /usr/share/wine/fonts/marlett.ttf; do
    [ -e "$font" ] && [ -d "$fonts" ] && [ ! -e "$fonts/$(basename "$font")" ] && cp "$font" "$fonts/" && added=0
  done
  return $added
}

ql_cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "$QL_XVFB_PID" ]; then kill "$QL_XVFB_PID" 2>/dev/null || true; fi
}

ql_isolated_wine() {
  QL_ISOLATED_PREFIX=$(mktemp -d "/tmp/quorlane-$1.XXXXXX")
  trap 'ql_cleanup; rm -rf "$QL_ISOLATED_PREFIX"' EXIT
  QL_OWN_XVFB=1 ql_start_xvfb
  ql_new_prefix "$QL_ISOLATED_PREFIX"
}
