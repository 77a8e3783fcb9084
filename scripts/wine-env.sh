# Sourced: a private display and a private Wine prefix for one run.
#   ql_start_xvfb       starts Xvfb on a free display unless $DISPLAY already works (QL_OWN_XVFB=1 forces one)
#   ql_new_prefix DIR   makes DIR a fresh, initialised Wine prefix and exports WINEPREFIX
#   ql_cleanup          ends the prefix's wineserver and the Xvfb this script started
#   ql_isolated_wine N  an own Xvfb and a fresh prefix in a temporary folder, both gone when the script exits
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}   # no Mono/Gecko prompts in a fresh prefix
QL_XVFB_PID=""

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
  wineboot -i >/dev/null 2>&1
  # Xvfb has no window manager: Wine would wait two seconds for one whenever it hides a managed window.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
  wineserver -w
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
