#!/usr/bin/env bash
# Prints every include under src/ that points to a folder of the same or a
# higher layer, every file over 600 lines, and every use of Qt's sound classes
# outside the transmitter's output and stream; exits 1 when it printed anything.
# Layers, lowest first; a folder includes only folders of a lower layer.
set -euo pipefail
cd "$(dirname "$0")/../src"
declare -A layer=([core]=0 [store]=1 [ptt]=1 [ui]=1 [audio]=2
                  [command]=3 [editors]=3 [dialogs]=3 [serial]=3 [map]=4 [app]=5)
status=0
for dir in */; do
  dir=${dir%/}
  if [ -z "${layer[$dir]+x}" ]; then
    echo "src/$dir : dossier sans couche (à ajouter dans scripts/check-layers.sh)"; status=1; continue
  fi
  while IFS=: read -r file line target; do
    to=${target%%/*}
    [ "$to" = "$target" ] && continue      # same folder
    if [ -z "${layer[$to]+x}" ] || [ "${layer[$to]}" -ge "${layer[$dir]}" ]; then
      echo "$file:$line: $dir inclut $target"; status=1
    fi
  done < <(grep -rnoE '^#include "[^"]+"' "$dir" | sed -E 's/:#include "([^"]+)"$/:\1/')
done
while read -r n file; do
  [ "$file" = total ] && continue
  if [ "$n" -gt 600 ]; then echo "$file : $n lignes (600 au plus)"; status=1; fi
done < <(find . -name '*.cpp' -o -name '*.h' | xargs wc -l)
# Those two end the process before Qt's own sound teardown (which aborts now
# and then), once they have used the sound system.
while read -r file; do
  echo "$file : le système son ne passe que par audio/transmitter_output.cpp et audio/tonestream.*"; status=1
done < <(grep -rlE 'QMediaDevices|QAudioSink|QAudioSource|QSoundEffect|QMediaPlayer' . \
           | grep -vE '^\./audio/(transmitter_output\.cpp|tonestream\.(h|cpp))$' || true)
exit $status
