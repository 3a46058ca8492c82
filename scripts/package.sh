#!/usr/bin/env bash
# Builds the Debian package from ./build, unpacks it into a throwaway root and runs the
# installed tool there: its version and one real stamp.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh
scripts/build.sh
(cd build && cpack -G DEB >/dev/null)
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
deb="build/imprimata_${version}_$(dpkg --print-architecture).deb"
dpkg-deb --field "$deb" Package Version Section Maintainer Depends

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
stamp="$root/usr/bin/imprimata-stamp"
"$stamp" --version

# A text mark as the program saves it: "Packaged" in DejaVu Sans bold, red, Solid.
# shellcheck disable=SC2016 # the dollar belongs to the file name
printf '%s\r\n' '"Imprimata, version 1.1"' '"ci.$IM"' 0 '#TRUE#' 0 '#FALSE#' '"DejaVu Sans"' \
  24 '#FALSE#' '#FALSE#' 700 255 1200 '""' 0 1 13369376 '"Packaged"' 0 3000 >"$root/ci.\$IM"
"$stamp" --mark "$root/ci.\$IM" --anchor bottom-right --at 10,10 \
  -o "$root/stamped.jpg" tests/data/cameras/Canon_40D.jpg
file "$root/stamped.jpg" | grep -q 'JPEG image data' || {
  echo "package.sh: the installed tool wrote no JPEG" >&2
  exit 1
}
if cmp -s "$root/stamped.jpg" tests/data/cameras/Canon_40D.jpg; then
  echo "package.sh: the installed tool left the picture as it was" >&2
  exit 1
fi
echo "package.sh: $deb installs and stamps"
