# The Debian package: everything `cmake --install` puts under /usr, with the libraries'
# packages found by dpkg-shlibdeps. A package fits the Debian release it was built on only
# (its dependencies carry that release's library names), so each release builds its own.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vorn-audio-cutter)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Vorn Media")
set(CPACK_PACKAGE_CONTACT "Vorn Media <dev@vorn.invalid>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# vorn-audio-cutter_<version>_<architecture>.deb
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Vorn Media <dev@vorn.invalid>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
# Qt loads its window system plugins at run time: no library link names their package.
set(CPACK_DEBIAN_PACKAGE_DEPENDS qt6-qpa-plugins)
set(CPACK_PACKAGE_HOMEPAGE_URL https://github.com/vorn/AudioCutter)
# The summary is the line package managers list; CPack puts it before the description, which
# is shown when the package is chosen.
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "cut a part out of an audio file and save it")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vorn Audio Cutter cuts a part out of an MP3, OGG, WMA or WAV file and saves
it in the same or another of these formats: open a file, listen to it, mark
where the part begins and ends, preview it and save it.

A waveform over the position slider shows where to cut, down to single
samples. A cut into the source's own format can copy the coded audio
instead of re-encoding it, still exact to the sample. The tags of the
source can be copied into the part.

The package also holds vorn-engine, which reads, cuts and converts files
from the command line, for batch work.")
include(CPack)
