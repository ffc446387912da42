# Debian packages the project needs, and the one function that installs what is missing.
# Sourced by the scripts in this folder.

# Debian 13 renamed a few development packages; the old names there are only transitional.
release=
if [ -r /etc/os-release ]; then
  release=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
fi
taglib_dev=libtag-dev
if [ "$release" = bookworm ]; then
  taglib_dev=libtag1-dev
fi
unset release

# librsvg2-bin renders the icon's PNG sizes at build time.
BUILD_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format
  libavformat-dev libavcodec-dev libswresample-dev libavutil-dev
  libmp3lame-dev libvorbis-dev libogg-dev "$taglib_dev" libcue-dev libebur128-dev
  qt6-base-dev qt6-multimedia-dev qt6-qpa-plugins libgl-dev librsvg2-bin
)
unset taglib_dev

# The fuzz build: clang with its fuzzer and sanitizer runtimes.
FUZZ_PACKAGES=(clang libclang-rt-dev)

# What CPack's Debian package needs besides the build: dpkg-shlibdeps finds the libraries'
# packages, and file tells it which installed files are programs.
PACKAGE_PACKAGES=(dpkg-dev file)

# Only the tests need these: an independent encoder/decoder for fixtures and checks, a sound
# server with a null sink, independent tag and audio readers, a virtual display, and the
# checkers of the installed desktop files, metainfo and manual pages.
TEST_PACKAGES=(
  ffmpeg pulseaudio pulseaudio-utils python3-mutagen mpg123 vorbis-tools sox flac
  xvfb xauth imagemagick desktop-file-utils strace xdotool appstream man-db
  "${PACKAGE_PACKAGES[@]}"
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
