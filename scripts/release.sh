#!/usr/bin/env bash
# Builds the release from this checkout into dist/: quorlane-VERSION-win32.zip and -win64.zip,
# quorlane_VERSION_amd64.deb and SHA256SUMS. The same commit gives the same bytes in any folder:
# times come from the commit (SOURCE_DATE_EPOCH), the exes carry no folder names nor link times.
# The exes are the mingw32 and mingw64 presets' own, so a tree that test.sh built is reused; the
# package's /usr/bin/quorlane is the linux preset's.
#
#   bash scripts/release.sh           builds dist/
#   bash scripts/release.sh --check   also checks the package: lintian, the desktop entry, its files, and
#                                     its command against a scratch prefix (nothing installed system-wide)
#   bash scripts/release.sh --twice   also builds the commit again in a fresh clone at another path and
#                                     compares its SHA256SUMS with dist/'s (so does QL_RELEASE_TWICE=1)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
check=0 twice=${QL_RELEASE_TWICE:-0}
for arg in "$@"; do
  case $arg in
    --check) check=1 ;;
    --twice) twice=1 ;;
    *) echo "usage: bash scripts/release.sh [--check] [--twice]" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh
if [ $check = 1 ]; then
  source scripts/packages.sh
  ql_install required release lintian desktop-file-utils || exit 1
fi

version=$(cmake -DQL_PRINT=ON -P cmake/version.cmake)
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH
[ -z "$(git status --porcelain --untracked-files=no)" ] || echo "release: the checkout has uncommitted changes; dist/ is not what the commit gives"
echo "release: Quorlane $version from $(git rev-parse --short HEAD), SOURCE_DATE_EPOCH=$SOURCE_DATE_EPOCH"

for bits in 32 64; do
  echo "== build mingw$bits"
  cmake --preset "mingw$bits" >/dev/null
  cmake --build --preset "mingw$bits" --target quorlane -j 2 >/dev/null
done
echo "== build linux"
cmake --preset linux >/dev/null
cmake --build --preset linux --target quorlane -j 2 >/dev/null
python3 scripts/release.py "$version" build/mingw32/quorlane.exe build/mingw64/quorlane.exe build/linux/quorlane dist

if [ $check = 1 ]; then
  deb=dist/quorlane_${version}_amd64.deb
  echo "== check $deb"
  (cd dist && sha256sum --quiet -c SHA256SUMS)
  lintian --fail-on error --suppress-tags-from-file /dev/null "$deb"
  scratch=$(mktemp -d /tmp/quorlane-release.XXXXXX)
  trap 'WINEPREFIX="$scratch/prefix" wineserver -k 2>/dev/null || true; rm -rf "$scratch"' EXIT
  dpkg-deb -x "$deb" "$scratch/root"
  desktop-file-validate "$scratch/root/usr/share/applications/quorlane.desktop"
  dpkg-deb -c "$deb" | awk '{ print $1, $2, $6 }' >"$scratch/contents"
  for want in "-rwxr-xr-x root/root ./usr/bin/quorlane" \
              "-rw-r--r-- root/root ./usr/lib/quorlane/win32/quorlane.exe" \
              "-rw-r--r-- root/root ./usr/lib/quorlane/win64/quorlane.exe" \
              "-rw-r--r-- root/root ./usr/share/man/man1/quorlane.1.gz" \
              "-rw-r--r-- root/root ./usr/share/bash-completion/completions/quorlane" \
              "-rw-r--r-- root/root ./usr/share/icons/hicolor/48x48/apps/quorlane.png"; do
    grep -qxF -- "$want" "$scratch/contents" || { echo "release: the package lacks: $want" >&2; exit 1; }
  done
  cmp -s "$scratch/root/usr/lib/quorlane/win64/quorlane.exe" build/mingw64/quorlane.exe
  for bits in 32 64; do
    unzip -Z1 "dist/quorlane-$version-win$bits.zip" | tr '\n' ' ' | grep -qx 'CHANGELOG.txt LICENSE.txt README.txt quorlane.com quorlane.exe ' \
      || { echo "release: the win$bits zip holds other files" >&2; exit 1; }
  done
  # The command as a user runs it, in a prefix that Wine made; then what Wine itself reads there.
  launch() { env -u DISPLAY -u WINELOADER -u WINEARCH -u WINEDEBUG -u WINEDLLOVERRIDES HOME="$scratch/home" WINEPREFIX="$scratch/prefix" QUORLANE_LIBDIR="$scratch/root/usr/lib/quorlane" \
                 "$scratch/root/usr/bin/quorlane" "$@" 2>>"$scratch/stderr"; }
  mkdir "$scratch/home"
  source scripts/wine-env.sh
  WINEPREFIX="$scratch/prefix" ql_wine wineboot -i >/dev/null 2>&1
  WINEPREFIX="$scratch/prefix" wineserver -w
  launch set Desktop /tmp || { cat "$scratch/stderr"; echo "release: quorlane set failed" >&2; exit 1; }
  listed=$(launch /list)
  printf '%s\n' "$listed" | grep -qP '^Place0\tREG_DWORD\t0\t.+' && printf '%s\n' "$listed" | grep -qP '^Place1\tREG_SZ\tZ:\\tmp\t.+' \
    || { printf '%s\n' "$listed"; cat "$scratch/stderr"; echo "release: quorlane /list printed other lines" >&2; exit 1; }
  WINEPREFIX="$scratch/prefix" ql_wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Policies\ComDlg32\PlacesBar' /v Place1 2>/dev/null | grep -q 'Z:\\tmp' \
    || { echo "release: Wine does not read the place the command wrote" >&2; exit 1; }
  WINEPREFIX="$scratch/prefix" wineserver -w
  echo "release: the package checks out (lintian, desktop entry, contents, command)"
fi

if [ $twice = 1 ]; then
  clone=$(mktemp -d /tmp/quorlane-release-again.XXXXXX)
  echo "== build again in $clone"
  git clone -q "$root" "$clone"
  git -C "$clone" checkout -q "$(git rev-parse HEAD)"
  started=$(date +%s)
  (cd "$clone" && QL_RELEASE_TWICE=0 bash scripts/release.sh >/dev/null)
  echo "release: built again in $(( $(date +%s) - started )) s"
  if ! cmp -s "$clone/dist/SHA256SUMS" dist/SHA256SUMS; then
    diff "$clone/dist/SHA256SUMS" dist/SHA256SUMS || true
    echo "release: not reproducible; the other build is kept in $clone" >&2
    exit 1
  fi
  rm -rf "$clone"
  echo "release: a fresh clone at another path gives the same SHA256SUMS"
fi
