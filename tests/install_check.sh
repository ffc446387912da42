#!/usr/bin/env bash
# Installs the build into a scratch prefix and starts the installed program offscreen: it must
# find its help page in the share folder and keep running until it is stopped.
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/vorn-audio-cutter share/vorn-audio-cutter/help.html share/vorn-audio-cutter/skin.qss \
         share/applications/vorn-audio-cutter.desktop \
         share/icons/hicolor/scalable/apps/vorn-audio-cutter.svg; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
desktop="$prefix/share/applications/vorn-audio-cutter.desktop"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop"
fi
# A file manager's "Open with" hands the file over as %f, for the audio types the program reads.
grep -qx 'Exec=vorn-audio-cutter %f' "$desktop" || { echo "no Exec line with %f"; exit 1; }
types=(audio/mpeg audio/x-vorbis+ogg audio/ogg audio/x-wav audio/x-ms-wma)
for type in "${types[@]}"; do
  grep -q "^MimeType=.*$type;" "$desktop" || { echo "MimeType lacks $type"; exit 1; }
done
# What the desktop itself would list, with the installed program on the path.
if command -v gio >/dev/null; then
  for type in "${types[@]}"; do
    # Read whole first: grep -q leaving early would fail the pipe under pipefail.
    offered=$(PATH="$prefix/bin:$PATH" XDG_DATA_HOME="$prefix/no-user-data" \
      XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" \
      gio mime "$type")
    grep -q 'vorn-audio-cutter.desktop' <<<"$offered" || { echo "not offered to open $type"; exit 1; }
  done
fi
export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$prefix/run"
mkdir -m 700 "$prefix/run"
# strace shows which files the program opened; without it only the start is checked.
traced=0
if command -v strace >/dev/null; then
  strace -f -e trace=openat -o "$prefix/trace" "$prefix/bin/vorn-audio-cutter" &
  traced=1
else
  "$prefix/bin/vorn-audio-cutter" &
fi
launcher=$!
sleep 3
program=$launcher
if [ "$traced" = 1 ]; then
  program=$(pgrep -P "$launcher" || true)
fi
[ -n "$program" ] && kill -0 "$program" || { echo "the installed program did not stay up"; exit 1; }
kill "$program"
wait "$launcher" 2>/dev/null || true
if [ "$traced" = 1 ]; then
  grep -q 'share/vorn-audio-cutter/skin.qss' "$prefix/trace" || { echo "skin not read from share"; exit 1; }
fi
echo "installed program starts and finds its files"
