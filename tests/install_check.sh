#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a distribution would ship: the
# files and their validity (desktop entry, metainfo, icons, manual pages), the Debian package
# made from the same install, the installed programs' --help and --version, and that the
# installed program finds its help page in the share folder and keeps running until stopped.
#   install_check.sh BUILD VERSION
set -euo pipefail
build=$1
version=$2
id=io.github.vorn.AudioCutter
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() {
  echo "$*"
  exit 1
}
cmake --install "$build" --prefix "$prefix/usr" >/dev/null
usr=$prefix/usr
sizes=(16 22 24 32 48 64 128 256)
expected=(bin/vorn-audio-cutter bin/vorn-engine
  share/vorn-audio-cutter/help.html share/vorn-audio-cutter/skin.qss
  share/applications/$id.desktop share/metainfo/$id.metainfo.xml
  share/icons/hicolor/scalable/apps/$id.svg
  share/man/man1/vorn-audio-cutter.1.gz share/man/man1/vorn-engine.1.gz
  share/doc/vorn-audio-cutter/copyright)
for size in "${sizes[@]}"; do
  expected+=("share/icons/hicolor/${size}x$size/apps/$id.png")
done
for f in "${expected[@]}"; do
  [ -s "$usr/$f" ] || fail "not installed: $f"
done
# Each PNG is the size its folder says, for a panel that takes it as it is.
if command -v identify >/dev/null; then
  for size in "${sizes[@]}"; do
    got=$(identify -format '%m %wx%h' "$usr/share/icons/hicolor/${size}x$size/apps/$id.png")
    [ "$got" = "PNG ${size}x$size" ] || fail "the ${size} px icon is $got"
  done
fi

desktop="$usr/share/applications/$id.desktop"
metainfo="$usr/share/metainfo/$id.metainfo.xml"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$desktop"
fi
# Software centres join the entry, the icon and the metainfo by the one id.
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry's icon is not $id"
grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
  fail "the metainfo does not launch $id.desktop"
grep -q "<release version=\"$version\"" "$metainfo" || fail "the metainfo has no release $version"
if command -v appstreamcli >/dev/null; then
  # Infos are allowed; warnings and errors are not.
  report=$(appstreamcli validate --no-net "$metainfo" 2>&1) || fail "$report"
  if grep -E '^(E|W):' <<<"$report"; then
    fail "appstreamcli warns about the metainfo"
  fi
fi
# A file manager's "Open with" hands the file over as %f, for the audio types the program reads.
grep -qx 'Exec=vorn-audio-cutter %f' "$desktop" || fail "no Exec line with %f"
types=(audio/mpeg audio/x-vorbis+ogg audio/ogg audio/x-wav audio/x-ms-wma audio/flac audio/x-opus+ogg
  audio/mp4)
for type in "${types[@]}"; do
  grep -q "^MimeType=.*$type;" "$desktop" || fail "MimeType lacks $type"
  grep -q "<mediatype>$type</mediatype>" "$metainfo" || fail "the metainfo lacks $type"
done
# What the desktop itself would list, with the installed program on the path.
if command -v gio >/dev/null; then
  for type in "${types[@]}"; do
    # Read whole first: grep -q leaving early would fail the pipe under pipefail.
    offered=$(PATH="$usr/bin:$PATH" XDG_DATA_HOME="$prefix/no-user-data" \
      XDG_DATA_DIRS="$usr/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}" \
      gio mime "$type")
    grep -q "$id.desktop" <<<"$offered" || fail "not offered to open $type"
  done
fi

# The manual pages: no warnings from the formatter, and every command of vorn-engine and
# every option of its convert command described.
if command -v man >/dev/null; then
  for page in vorn-audio-cutter vorn-engine; do
    warnings=$(MANWIDTH=80 man --warnings -l "$usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "$page.1: $warnings"
  done
  manual=$(MANWIDTH=200 man -l "$usr/share/man/man1/vorn-engine.1.gz" 2>/dev/null)
  mapfile -t commands < <("$usr/bin/vorn-engine" 2>&1 | sed -n 's/.*vorn-engine \([a-z]\+\) .*/\1/p')
  [ ${#commands[@]} -ge 8 ] || fail "vorn-engine lists ${#commands[@]} commands"
  mapfile -t options < <("$usr/bin/vorn-engine" convert 2>&1 | grep -o -- '--[a-z0-9-]\+' | sort -u)
  [ ${#options[@]} -ge 5 ] || fail "vorn-engine convert lists ${#options[@]} options"
  for word in "${commands[@]}" "${options[@]}"; do
    grep -q -- "^ *$word\( \|\$\)" <<<"$manual" || fail "the manual page does not describe $word"
  done
fi

# --help and --version answer on a terminal without any display.
nodisplay=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
got=$("${nodisplay[@]}" "$usr/bin/vorn-audio-cutter" --version)
[ "$got" = "vorn-audio-cutter $version" ] || fail "vorn-audio-cutter --version says: $got"
help=$("${nodisplay[@]}" "$usr/bin/vorn-audio-cutter" --help)
grep -q -- '--version' <<<"$help" || fail "vorn-audio-cutter --help: $help"
got=$("$usr/bin/vorn-engine" --version)
[ "$got" = "vorn-engine $version" ] || fail "vorn-engine --version says: $got"
help=$("$usr/bin/vorn-engine" --help)
for word in "${commands[@]}"; do
  grep -q "^  $word " <<<"$help" || fail "vorn-engine --help does not explain $word"
done

# The Debian package holds exactly what was installed, and says what it needs.
if command -v dpkg-deb >/dev/null && command -v dpkg-shlibdeps >/dev/null; then
  cpack --config "$build/CPackConfig.cmake" -B "$prefix/package" >/dev/null
  deb=$prefix/package/vorn-audio-cutter_${version}_$(dpkg --print-architecture).deb
  [ -e "$deb" ] || fail "no package $(basename "$deb"): $(ls "$prefix/package")"
  # The folder's mimeinfo.cache is made by the package's trigger, not shipped.
  diff <(cd "$prefix" && find usr ! -type d ! -name mimeinfo.cache | sort) \
    <(dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | sort) ||
    fail "the package holds other files than the install"
  depends=$(dpkg-deb -f "$deb" Depends)
  for needed in qt6-qpa-plugins libavformat libmp3lame libvorbisenc libtag libqt6widgets6; do
    grep -q "$needed" <<<"$depends" || fail "the package does not depend on $needed: $depends"
  done
  [ "$(dpkg-deb -f "$deb" Section)" = sound ] || fail "the package is not in section sound"
fi

export QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$prefix/run"
mkdir -m 700 "$prefix/run"
# strace shows which files the program opened; without it only the start is checked.
traced=0
if command -v strace >/dev/null; then
  strace -f -e trace=openat -o "$prefix/trace" "$usr/bin/vorn-audio-cutter" &
  traced=1
else
  "$usr/bin/vorn-audio-cutter" &
fi
launcher=$!
sleep 3
program=$launcher
if [ "$traced" = 1 ]; then
  program=$(pgrep -P "$launcher" || true)
fi
[ -n "$program" ] && kill -0 "$program" || fail "the installed program did not stay up"
kill "$program"
wait "$launcher" 2>/dev/null || true
if [ "$traced" = 1 ]; then
  grep -q 'share/vorn-audio-cutter/skin.qss' "$prefix/trace" || fail "skin not read from share"
fi
echo "installed program starts and finds its files"
