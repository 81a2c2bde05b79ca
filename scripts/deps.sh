#!/usr/bin/env bash
# Installs, from Debian's archive, whatever Tavrek needs to build, run and test that is missing.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools libqt6printsupport6 qt6-qpa-plugins qt6-svg-dev qt6-translations-l10n
  libgl-dev libglx-dev libopengl-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2 fontconfig
  mdbtools mdbtools-dev
  libssl-dev libexpat1-dev zlib1g-dev
  libsqlite3-dev sqlite3 postgresql mariadb-server mariadb-client
  clang libclang-rt-14-dev
  xvfb xauth
  cups cups-client cups-bsd printer-driver-cups-pdf poppler-utils
  libgraphviz-dev chromium
  librsvg2-bin desktop-file-utils appstream shared-mime-info man-db file dpkg-dev python3
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q "${missing[@]}"
fi

# Mermaid, from the npm registry: the browser tests render the Markdown dictionary's diagrams with
# it. Only its packed release is fetched (its browser bundle needs nothing else).
command -v npm >/dev/null 2>&1 || {
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q npm
}
mermaid_version=11.17.2
mermaid_dir=/opt/tavrek-npm/mermaid-$mermaid_version
if [ ! -f "$mermaid_dir/dist/mermaid.min.js" ]; then
  echo "Fetching mermaid $mermaid_version"
  tmp=$(mktemp -d)
  (cd "$tmp" && npm pack --silent "mermaid@$mermaid_version" >/dev/null)
  mkdir -p "$mermaid_dir"
  tar xzf "$tmp/mermaid-$mermaid_version.tgz" -C "$mermaid_dir" --strip-components=1
  rm -rf "$tmp"
fi

# mdb-reader, from the npm registry: an independent reader of Access files the row tests compare
# the engine's values with (run by node, found by its path in /opt/tavrek-npm).
mdb_reader_version=3.2.0
mdb_reader_dir=/opt/tavrek-npm/mdb-reader-$mdb_reader_version
if [ ! -f "$mdb_reader_dir/node_modules/mdb-reader/lib/node/index.js" ]; then
  echo "Fetching mdb-reader $mdb_reader_version"
  mkdir -p "$mdb_reader_dir"
  (cd "$mdb_reader_dir" && npm install --silent --no-audit --no-fund "mdb-reader@$mdb_reader_version")
fi
command -v node >/dev/null 2>&1 || apt-get install -y -q nodejs
