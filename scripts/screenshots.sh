#!/usr/bin/env bash
# Makes the README's pictures: the main window with a customized places bar, the test Open dialog
# showing it, the main window as Windows shows it, and the main window in German and in Chinese as a user's prefix made by plain
# `wineboot` shows it (no Tahoma). Runs under its own Xvfb in fresh Wine prefixes; writes docs/*.png.
# The 32-bit build where this machine runs 32-bit programs, else the 64-bit one.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/setup.sh
source scripts/wine-env.sh
ql_build_main screenshots quorlane

trap ql_cleanup EXIT
QL_OWN_XVFB=1 ql_start_xvfb
ql_new_prefix "$root/build/screenshots-prefix"

# With no window manager under Xvfb, Wine draws the window frames itself (its caption buttons in Marlett).
ql_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null

store_places() {
  local key='HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\ComDlg32\PlacesBar'
  ql_wine reg add "$key" /v Place0 /t REG_DWORD /d 0 /f >/dev/null       # Desktop
  ql_wine reg add "$key" /v Place1 /t REG_DWORD /d 5 /f >/dev/null       # Documents
  ql_wine reg add "$key" /v Place2 /t REG_SZ /d 'C:\windows' /f >/dev/null
  ql_wine reg add "$key" /v Place3 /t REG_DWORD /d 17 /f >/dev/null      # My Computer
  ql_wine reg add "$key" /v Place4 /t REG_SZ /d 'C:\users' /f >/dev/null
}
store_places

# "W H X Y" of the top-level window titled $1, once it is shown.
geometry() {
  local info i
  for i in $(seq 1 100); do
    info=$(xwininfo -name "$1" 2>/dev/null || true)
    if grep -q 'IsViewable' <<<"$info"; then
      sleep 1.5  # let it paint
      info=$(xwininfo -name "$1")
      echo "$(awk '/Width:/ {print $2}' <<<"$info") $(awk '/Height:/ {print $2}' <<<"$info")" \
           "$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info") $(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")"
      return 0
    fi
    sleep 0.2
  done
  echo "no window \"$1\"" >&2
  return 1
}

xdotool mousemove 0 0  # no info tip in the pictures
# Run from where a user keeps it: the test dialog opens on the program's folder.
installed="$WINEPREFIX/drive_c/Program Files/Quorlane"
mkdir -p "$installed" && cp "$QL_WINE_MAIN_DIR/quorlane.exe" "$installed/"
ql_wine "$installed/quorlane.exe" &
read -r w h x y < <(geometry "Quorlane by the Quorlane project")
import -window root -crop "${w}x${h}+${x}+${y}" +repage docs/main-window.png

# "Test" by its access key, as the keyboard reaches it wherever the layout puts it.
xdotool search --sync --onlyvisible --name "Quorlane by the Quorlane project" windowactivate --sync 2>/dev/null || true
xdotool key alt+t
read -r w h x y < <(geometry "Test open file dialog -- note PlacesBar at left")
import -window root -crop "${w}x${h}+${x}+${y}" +repage docs/test-dialog.png
wineserver -k

# The main window as Windows shows it to a user who may not write the key: the line below the list
# and the shield on Apply, which Wine has no need of, forced on by the program's test switches.
QUORLANE_TEST_CLASSIC_NOTE=1 QUORLANE_TEST_ACCESS=elevate ql_wine "$QL_WINE_MAIN_DIR/quorlane.exe" &
read -r w h x y < <(geometry "Quorlane by the Quorlane project")
# The pointer was last over the list, for "Test": over the frame and off again, so that no info tip shows.
xdotool mousemove $((x + w / 2)) $((y + h - 2)) sleep 0.3 mousemove 0 0 sleep 0.5
import -window root -crop "${w}x${h}+${x}+${y}" +repage docs/main-window-windows.png
wineserver -k

# The same places in a prefix without Tahoma, under each language's locale; the caption differs
# with the language, so the window is known by its position in the one visible Wine window.
ql_new_prefix "$root/build/screenshots-prefix" plain
ql_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null
store_places
for shot in de:de_DE.UTF-8 zh:zh_CN.UTF-8; do
  LANG=${shot#*:} ql_wine "$QL_WINE_MAIN_DIR/quorlane.exe" &
  read -r w h x y < <(geometry "$(xdotool search --sync --onlyvisible --classname quorlane.exe getwindowname)")
  # Wine may still place the pointer over an entry from the run before: over the frame and off
  # again, so that no info tip shows.
  xdotool mousemove $((x + w / 2)) $((y + h - 2)) sleep 0.3 mousemove 0 0 sleep 0.5
  import -window root -crop "${w}x${h}+${x}+${y}" +repage "docs/main-window-${shot%%:*}.png"
  wineserver -k
done
echo "wrote docs/main-window.png, docs/test-dialog.png, docs/main-window-windows.png, docs/main-window-de.png and docs/main-window-zh.png"
