#!/usr/bin/env bash
# The Windows zip as a user gets it: unpacked into a clean Wine prefix, every DLL that one of its executables
# or DLLs imports is in the zip or part of Windows, and the programs start from there: romquill.exe
# --version, the demo maker, and romquill-cli reading the demo through the zip's own templates.
#   zip_test.sh ZIP VERSION
set -euo pipefail
zip=$(realpath "$1")
version=$2
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; wineserver -w 2>/dev/null || true; rm -rf "$work"' EXIT
wineboot -i </dev/null >/dev/null 2>&1
(cd "$work" && cmake -E tar xf "$zip")
folder="$work/romquill-windows"
system="$WINEPREFIX/drive_c/windows/system32"

fail() { echo "FAIL: $*" >&2; exit 1; }
present() {  # a DLL name, found without regard to case beside the programs or in Windows
  # API sets (api-ms-win-*, ext-ms-*) are names Windows resolves itself: no file carries them.
  case "${1,,}" in api-ms-win-* | ext-ms-*) return 0 ;; esac
  [ -n "$(find "$folder" -maxdepth 1 -iname "$1" -print -quit)" ] ||
    [ -n "$(find "$system" -maxdepth 1 -iname "$1" -print -quit)" ]
}
checked=0
while IFS= read -r -d '' binary; do
  while read -r dll; do
    present "$dll" || fail "${binary#"$folder/"} needs $dll, which is neither in the zip nor in Windows"
  done < <(x86_64-w64-mingw32-objdump -p "$binary" | sed -n 's/^\s*DLL Name: //p')
  checked=$((checked + 1))
done < <(find "$folder" \( -iname '*.exe' -o -iname '*.dll' \) -print0)
for needed in platforms/qwindows.dll Qt6Widgets.dll romquill.exe romquill-cli.exe plugins/loader.ini README.txt; do
  [ -e "$folder/$needed" ] || fail "the zip has no $needed"
done

cd "$folder"
shown=$(wine romquill.exe --version </dev/null | tr -d '\r')
[ "$shown" = "romquill $version" ] || fail "romquill.exe --version said \"$shown\""
wine romquill-make-demo.exe demo.bin </dev/null >/dev/null || fail "the demo maker did not run"
dumped=$(wine romquill-cli.exe dump --template demo.ini demo.bin </dev/null | tr -d '\r')
case "$dumped" in
  *"ROMQUILL DEMO"*) ;;
  *) fail "romquill-cli.exe dump --template demo.ini demo.bin said \"$dumped\"" ;;
esac
echo "zip test passed: $checked executables and DLLs, every import found; the programs start"
