# Configures a cross-build for 64-bit Windows in the folder given: with the windows, through the Qt that
# scripts/build-qt-windows makes (built when missing) and its toolchain file chained to ours; without them
# when ROMQUILL_WINDOWS_GUI=OFF; with pugixml from scripts/build-pugixml-windows either way. A folder configured the other way is configured afresh. Compiles through ccache
# when it is installed (Qt's own build, once a machine, does not).
source scripts/lib/ccache.sh
configure_windows_build() {
  local build=$1 toolchain gui=${ROMQUILL_WINDOWS_GUI:-ON}
  local options=(-DCMAKE_BUILD_TYPE=Release -DROMQUILL_GUI="$gui")
  # Debian has no pugixml for Windows: it is built from Debian's source (once a machine, cached).
  options+=(-DROMQUILL_PUGIXML_WINDOWS="$(scripts/build-pugixml-windows | tail -n1)")
  if [ "$gui" = ON ]; then
    local qt
    qt=$(scripts/build-qt-windows | tail -n1)
    toolchain="$qt/lib/cmake/Qt6/qt.toolchain.cmake"
    options+=(-DQT_CHAINLOAD_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64.cmake")
  else
    toolchain="$PWD/cmake/mingw-w64.cmake"
  fi
  if [ -f "$build/CMakeCache.txt" ] && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" "$build/CMakeCache.txt" \
    && ! grep -qxF "CMAKE_TOOLCHAIN_FILE:UNINITIALIZED=$toolchain" "$build/CMakeCache.txt"; then
    rm -rf "$build/CMakeCache.txt" "$build/CMakeFiles"
  fi
  use_ccache
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" "${options[@]}" >/dev/null
}
