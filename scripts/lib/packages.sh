# Installs the Debian packages the build and the tests need, when any is missing.
# As root it runs apt-get itself; otherwise it prints the exact command and stops.

# zlib1g-dev: CRC32 of the undo file a save keeps. libbenchmark-dev: scripts/test builds the benchmarks and
# smoke-runs them. fonts-dejavu-core: the picture maker draws with DejaVu Sans, and offscreen windows and
# screenshots render with it. libgettextpo-dev: reads PO files; gettext: its msgfmt and msgcat check the PO
# files the tests write. libcli11-dev: the command-line parser of romquill-cli (header-only). nettle-dev: MD5
# and SHA-1 of the files a patch is made from; pkgconf finds it. ccache: compiles only what changed since the
# last build on this machine (scripts/lib/ccache.sh). libstb-dev: PNG files of fonts and texts (header-only,
# so the Windows build uses the same headers). libpugixml-dev: reads and writes XLIFF and TBX files.
romquill_packages=(
  cmake ninja-build g++ ccache
  qt6-base-dev
  libgtest-dev libbenchmark-dev
  nlohmann-json3-dev libcli11-dev zlib1g-dev libgettextpo-dev gettext nettle-dev pkgconf
  libstb-dev libpugixml-dev fonts-dejavu-core
)

# What scripts/test-package needs besides: dpkg-shlibdeps (dpkg-dev) for the package's dependencies, lintian,
# desktop-file-validate (desktop-file-utils), and man to check the manual pages.
romquill_packaging_packages=(dpkg-dev lintian desktop-file-utils man-db)

# scripts/build-fuzz. libclang-rt-14-dev: libFuzzer and the sanitizers' runtimes for clang.
romquill_fuzz_packages=(
  cmake ninja-build ccache clang libclang-rt-14-dev
  nlohmann-json3-dev zlib1g-dev libgettextpo-dev libstb-dev libpugixml-dev
)

# scripts/build-qt-windows: Debian's moc, rcc and uic come with qt6-base-dev; dpkg-dev unpacks the source.
romquill_qt_windows_packages=(cmake ninja-build perl dpkg-dev qt6-base-dev g++-mingw-w64-x86-64-posix)

# scripts/build-pugixml-windows: dpkg-dev unpacks the source.
romquill_pugixml_windows_packages=(dpkg-dev libpugixml-dev g++-mingw-w64-x86-64-posix)

# scripts/test-windows. libz-mingw-w64-dev: the static zlib for Windows; googletest: the sources, built with the
# cross compiler; dpkg-dev and libpugixml-dev: pugixml built from Debian's source of the host's version.
romquill_windows_packages=(
  cmake ninja-build ccache
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev googletest nlohmann-json3-dev libcli11-dev libstb-dev
  dpkg-dev libpugixml-dev
  wine wine64
)

ensure_packages() {
  local missing=() pkg
  for pkg in "${romquill_packages[@]}"; do
    if [ "$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null)" != "install ok installed" ]; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
}
