#!/bin/sh
# Fails when a folder under src/ includes a header of a folder at its own
# level or above it: includes only point down the layers
#   common <- serial, xymodem, serialDevice, midiUsb <- core <- update <- gui <- app
set -eu
cd "$(dirname "$0")/../src"

# What each folder may include besides itself.
allowed() {
  case $1 in
    common) echo "" ;;
    serial) echo "common" ;;
    xymodem) echo "common serial" ;;
    serialDevice) echo "common serial" ;;
    midiUsb) echo "common" ;;
    core) echo "common serial xymodem serialDevice midiUsb" ;;
    update) echo "common serial xymodem serialDevice midiUsb core" ;;
    gui) echo "common serial xymodem serialDevice midiUsb core update" ;;
    app) echo "common serial xymodem serialDevice midiUsb core update gui" ;;
    *) echo "?" ;;
  esac
}

status=0
for folder in */; do
  folder=${folder%/}
  ok=$(allowed "$folder")
  if [ "$ok" = "?" ]; then
    echo "src/$folder: a folder outside the layers"
    status=1
    continue
  fi
  # Included folders, as "folder/Header.h".
  for included in $(grep -rhoE '#include "[A-Za-z]+/' "$folder" | sed 's/#include "//; s|/$||' | sort -u); do
    [ "$included" = "$folder" ] && continue
    [ -d "$included" ] || continue
    case " $ok " in
      *" $included "*) ;;
      *)
        grep -rn "#include \"$included/" "$folder" | sed "s|^|src/|; s|\$|  <- $folder may not include $included|"
        status=1
        ;;
    esac
  done
done
exit $status
