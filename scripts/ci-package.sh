#!/usr/bin/env bash
# Builds the Debian package from build/, installs it on this machine with
# apt-get, starts the installed program off screen in a fresh home folder (as
# from the desktop menu) and checks that it stops cleanly; validates the
# desktop entry and the AppStream metadata on the way.
set -euo pipefail
cd "$(dirname "$0")/.."
log() { echo "[paquet] $*"; }
sudo=()
if [ "$(id -u)" -ne 0 ]; then sudo=(sudo); fi

log "desktop-file-validate data/org.pontavel.Pontavel.desktop"
desktop-file-validate data/org.pontavel.Pontavel.desktop
log "entrée de menu valide"
log "appstreamcli validate --no-net data/org.pontavel.Pontavel.metainfo.xml"
appstreamcli validate --no-net data/org.pontavel.Pontavel.metainfo.xml

log "construction du paquet"
rm -rf build/paquet
cpack --config build/CPackConfig.cmake -B build/paquet >build/paquet.log 2>&1 || { cat build/paquet.log; exit 1; }
deb=$(ls build/paquet/pontavel_*.deb)
log "paquet construit : $deb"
dpkg-deb --field "$deb" Package Version Depends | sed 's/^/[paquet]   /'

log "installation : apt-get install -y --reinstall ./$(basename "$deb")"
(cd build/paquet && DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --reinstall "./$(basename "$deb")") \
  >build/paquet-install.log 2>&1 || { cat build/paquet-install.log; exit 1; }
log "installé : $(dpkg-query -W -f='${Package} ${Version} ${Status}' pontavel)"
for f in /usr/bin/pontavel /usr/bin/pontavel-demo /usr/share/applications/org.pontavel.Pontavel.desktop \
         /usr/share/metainfo/org.pontavel.Pontavel.metainfo.xml /usr/share/man/man1/pontavel.1 \
         /usr/share/icons/hicolor/scalable/apps/org.pontavel.Pontavel.svg /usr/share/doc/pontavel/copyright; do
  [ -e "$f" ] || { log "ÉCHEC : $f manque"; exit 1; }
done

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
log "pontavel --version : $(cd "$home" && HOME="$home" /usr/bin/pontavel --version 2>/dev/null)"
[ -z "$(ls -A "$home")" ] || { log "ÉCHEC : --version a écrit dans $home"; exit 1; }

log "démarrage du programme installé (hors écran, HOME=$home)"
(cd "$home" && exec env -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" XDG_RUNTIME_DIR="$home" \
   QT_QPA_PLATFORM=offscreen /usr/bin/pontavel >"$home/sortie.log" 2>&1) &
pid=$!
# The first start makes the demo network, then shows the splash for 2 s.
data="$home/.local/share/Pontavel/Pontavel"
for _ in $(seq 60); do
  [ -f "$data/relai.db" ] && break
  kill -0 "$pid" 2>/dev/null || break
  sleep 1
done
sleep 5
if ! kill -0 "$pid" 2>/dev/null; then
  wait "$pid" || true
  log "ÉCHEC : le programme s'est arrêté seul"; cat "$home/sortie.log"; exit 1
fi
log "programme en marche, envoi de SIGTERM"
kill -TERM "$pid"
rc=0
wait "$pid" || rc=$?
sed 's/^/[paquet]   /' "$home/sortie.log"
# The program leaves with 128 + the signal's number once it has released the
# transmitter; a clean end also stores the window's place, which a process
# killed outright never does.
if [ "$rc" -ne 0 ] && [ "$rc" -ne 143 ]; then log "ÉCHEC : code de sortie $rc après SIGTERM"; exit 1; fi
grep -q '^Geometrie=' "$home/.config/Pontavel/Pontavel.conf" 2>/dev/null \
  || { log "ÉCHEC : arrêt brutal sur SIGTERM (fenêtre non enregistrée)"; exit 1; }
log "arrêt propre sur SIGTERM (code $rc, place de la fenêtre enregistrée)"
[ -f "$data/relai.db" ] || { log "ÉCHEC : pas de réseau de démonstration dans $data"; exit 1; }
log "réseau de démonstration créé dans ~/.local/share/Pontavel/Pontavel"
log "paquet vérifié"
