# Unpacks a Debian source package from Debian's archive, through a sources file of our own beside the
# machine's (its deb entries as deb-src), so that nothing of the machine's apt set-up changes and nothing is
# fetched from anywhere else. dpkg-source applies Debian's patches as it unpacks.
#   fetch_debian_source WORK PACKAGE VERSION: unpacks into WORK/PACKAGE-*, with apt's state and logs in WORK.
fetch_debian_source() {
  local work=$1 package=$2 version=$3 file
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial" "$work/apt/parts"
  local apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=$work/apt/parts"
    -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache" -o "Debug::NoLocking=1")
  : >"$work/apt/sources.list"
  for file in /etc/apt/sources.list.d/*.sources; do
    [ -f "$file" ] && grep -q 'debian' "$file" && sed 's/^Types:.*/Types: deb-src/' "$file" >"$work/apt/parts/$(basename "$file")"
  done
  if [ -f /etc/apt/sources.list ]; then
    sed -n 's/^deb \(.*debian.*\)/deb-src \1/p' /etc/apt/sources.list >>"$work/apt/sources.list"
  fi
  apt-get "${apt_options[@]}" update -q >"$work/apt-update.log"
  (cd "$work" && apt-get "${apt_options[@]}" source -q --only-source "$package=$version" >"$work/apt-source.log")
}
