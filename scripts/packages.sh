# Debian packages the project needs, and the one function that installs what is missing.
# Sourced by scripts/run and scripts/test.

BUILD_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmp3lame-dev libvorbis-dev libogg-dev libtag1-dev libcue-dev
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libgl-dev
)

# Only the tests need these: an independent encoder/decoder for fixtures and checks, a sound
# server with a null sink, independent tag and audio readers, and a virtual display.
TEST_PACKAGES=(
  ffmpeg pulseaudio pulseaudio-utils python3-mutagen mpg123 vorbis-tools sox
  xvfb xauth imagemagick desktop-file-utils strace xdotool
)

# Installs the named packages that are not installed yet; no apt call when all are there.
ensure_packages() {
  local missing=()
  local package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}"
}
