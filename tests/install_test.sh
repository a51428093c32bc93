#!/bin/sh
# Installs the build into a temporary prefix and runs the CLI through its link in PREFIX/bin: the version,
# and a check of the bundled demo template, which it finds only when the link leads it to its program folder;
# then the demo maker through its link, which finds the template the same way.
# Usage: install_test.sh CMAKE BUILD-DIR VERSION
set -eu
cmake=$1
build=$2
version=$3
prefix=$(mktemp -d "${TMPDIR:-/tmp}/romquill-install.XXXXXX")
trap 'rm -rf "$prefix"' EXIT
# Run from the empty prefix, so that a fallback to the current folder cannot find the data.
cd "$prefix"

env -u DESTDIR "$cmake" --install "$build" --prefix "$prefix" >/dev/null
cli="$prefix/bin/romquill-cli"
case "$(readlink "$cli")" in
  /*|'') echo "FAIL: $cli is not a relative link" >&2; exit 1 ;;
esac
out=$("$cli" --version)
[ "$out" = "romquill-cli $version" ] || { echo "FAIL: --version printed '$out'" >&2; exit 1; }
out=$("$cli" check --template demo.ini)
[ "$out" = "no problems" ] || { echo "FAIL: check printed '$out'" >&2; exit 1; }
out=$("$prefix/bin/romquill-make-demo" demo.bin)
[ "$out" = "demo.bin" ] || { echo "FAIL: romquill-make-demo printed '$out'" >&2; exit 1; }
out=$("$cli" check --template demo.ini demo.bin)
[ "$out" = "no problems" ] || { echo "FAIL: check of the demo file printed '$out'" >&2; exit 1; }
program_folder=$(dirname "$(readlink -f "$cli")")
for folder in games alphabets; do
  [ -d "$program_folder/plugins/$folder" ] || { echo "FAIL: no plugins/$folder beside the CLI" >&2; exit 1; }
done
echo "installed and ran from $prefix/bin"
