#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need,
# skipping those already present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-multimedia-dev qt6-serialport-dev libqt6sql6-sqlite libgl-dev
  libsndfile1-dev libbenchmark-dev
  mdbtools-dev  # libmdb: importing an old relai.mdb
  mdbtools      # tests: mdb-schema and mdb-export read the sample relai.mdb on their own
  fonts-dejavu-core qt6-translations-l10n
  # the package stage of CI: desktop entry and AppStream checks
  appstream desktop-file-utils
  # tests: a private sound server with a null sink, a DTMF decoder, tone tools, ptys
  multimon-ng pulseaudio pulseaudio-utils sox socat sqlite3
  libhamlib-utils  # tests: rigctld and rigctl, the daemon keyed through and a reference
  # CI: sanitizer build and fuzz targets (libFuzzer)
  clang libclang-rt-14-dev
)

sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "Installation des paquets manquants : ${missing[*]}"
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# tests: a real Jet 4 file that holds no repeater network. Debian's mrtg-contrib
# ships one; only that file is taken from the package, once, and the package is
# not installed. Without it tst_import fails and says how to get it.
jet4=/var/cache/pontavel-tests/Monitor.mdb
if [ ! -f "$jet4" ]; then
  echo "Fichier de test $jet4 : extrait du paquet mrtg-contrib"
  tmp=$(mktemp -d)
  if ! { (cd "$tmp" && { apt-get download -qq mrtg-contrib 2>/dev/null \
                         || { "${sudo[@]}" apt-get update -qq && apt-get download -qq mrtg-contrib; }; } \
            && dpkg -x mrtg-contrib_*.deb x) \
       && "${sudo[@]}" install -D -m 644 "$tmp/x/usr/share/doc/mrtg-contrib/examples/contrib/monitor/Monitor.mdb" "$jet4"; }; then
    echo "Impossible d'obtenir $jet4 : le test tst_import échouera." >&2
  fi
  rm -rf "$tmp"
fi
