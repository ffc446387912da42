# A Debian root of a given release, made with debootstrap and kept in a cache folder outside
# the checkout, and the one way to run a command of this checkout inside it.
# Sourced by scripts/test-debian13 and scripts/package.

# Makes the root at DIR for RELEASE unless a complete one is already there. A root whose
# making was cut off has no marker and is made again.
ensure_debian_root() {
  local release=$1 dir=$2
  if [ -e "$dir/.vorn-root-complete" ]; then
    return 0
  fi
  ensure_packages debootstrap
  echo "Making a Debian $release root in $dir ..."
  rm -rf "$dir"
  mkdir -p "$(dirname "$dir")"
  debootstrap --variant=minbase "$release" "$dir" http://deb.debian.org/debian
  # Packages stay in the root's cache, so a later run installs again without downloading.
  rm -f "$dir/etc/apt/apt.conf.d/docker-clean"
  echo 'Binary::apt::APT::Keep-Downloaded-Packages "true";' >"$dir/etc/apt/apt.conf.d/90keep"
  touch "$dir/.vorn-root-complete"
}

# Runs COMMAND (a bash command line) in a copy of the checkout ROOT inside the Debian root
# DIR, with /proc, /dev and /dev/shm bound. The copy lives at /src, and is refreshed from the
# checkout's tracked and unignored files so that unchanged files keep their times and the
# build there stays incremental.
run_in_debian_root() {
  local dir=$1 checkout=$2 command=$3
  local mounted=()
  # Unmounts in reverse order, whatever ended the run; runs once.
  unmount_all() {
    local i
    for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do
      umount "${mounted[$i]}" || umount -l "${mounted[$i]}" || true
    done
    mounted=()
  }
  trap unmount_all EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  local point
  for point in proc dev dev/shm; do
    mkdir -p "$dir/$point"
    if ! mountpoint -q "$dir/$point"; then
      mount --bind "/$point" "$dir/$point"
      mounted+=("$dir/$point")
    fi
  done
  cp -L /etc/resolv.conf "$dir/etc/resolv.conf"

  rm -rf "$dir/src.new"
  mkdir -p "$dir/src.new" "$dir/src"
  (cd "$checkout" && git ls-files -z --cached --others --exclude-standard |
    xargs -0 sh -c 'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh |
    tar --null -T - -cf -) | tar -C "$dir/src.new" -xf -
  # Only what changed replaces the previous copy; files gone from the checkout go too.
  (cd "$dir/src.new" && find . -type f -print0) | while IFS= read -r -d '' f; do
    if ! cmp -s "$dir/src.new/$f" "$dir/src/$f"; then
      mkdir -p "$(dirname "$dir/src/$f")"
      cp -p "$dir/src.new/$f" "$dir/src/$f"
    fi
  done
  (cd "$dir/src" && find . -type f -print0) | while IFS= read -r -d '' f; do
    [ -e "$dir/src.new/$f" ] || rm -f "$dir/src/$f"
  done
  rm -rf "$dir/src.new"

  local status=0
  chroot "$dir" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    TERM=dumb ${VORN_BUILD_JOBS:+VORN_BUILD_JOBS=$VORN_BUILD_JOBS} \
    ${VORN_TEST_JOBS:+VORN_TEST_JOBS=$VORN_TEST_JOBS} \
    bash -c "cd /src && $command" || status=$?
  unmount_all
  trap - EXIT INT TERM
  return $status
}
