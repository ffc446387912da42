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
  # A bound /dev or /proc left behind by a run that was killed must not be emptied with it.
  if findmnt -rn -o TARGET | grep -q "^$dir/"; then
    echo "Something is still mounted under $dir: unmount it first." >&2
    return 1
  fi
  echo "Making a Debian $release root in $dir ..."
  rm -rf --one-file-system "$dir"
  mkdir -p "$(dirname "$dir")"
  debootstrap --variant=minbase "$release" "$dir" http://deb.debian.org/debian
  # Packages stay in the root's cache, so a later run installs again without downloading.
  rm -f "$dir/etc/apt/apt.conf.d/docker-clean"
  echo 'Binary::apt::APT::Keep-Downloaded-Packages "true";' >"$dir/etc/apt/apt.conf.d/90keep"
  touch "$dir/.vorn-root-complete"
}

# Copies the checkout's tracked and unignored files into TARGET. Only what changed is written,
# so unchanged files keep their times and a build there stays incremental; files that an
# earlier copy brought and the checkout no longer has are removed, and nothing else (the
# build folders) is touched.
copy_checkout() {
  local checkout=$1 target=$2
  local manifest=$target/.vorn-copied-files
  local staging
  staging=$(mktemp -d "$target.new.XXXXXX")
  (cd "$checkout" && git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' f; do [ -e "$f" ] && printf '%s\0' "$f"; done) >"$staging.list"
  (cd "$checkout" && tar --null -T "$staging.list" -cf -) | tar -C "$staging" -xf -
  mkdir -p "$target"
  local f
  while IFS= read -r -d '' f; do
    if ! cmp -s "$staging/$f" "$target/$f"; then
      mkdir -p "$(dirname "$target/$f")"
      cp -p "$staging/$f" "$target/$f"
    fi
  done <"$staging.list"
  if [ -e "$manifest" ]; then
    while IFS= read -r -d '' f; do
      [ -e "$staging/$f" ] || rm -f "$target/$f"
    done <"$manifest"
  fi
  mv "$staging.list" "$manifest"
  rm -rf "$staging"
}

# Runs COMMAND (a bash command line) in a copy of the checkout at /src inside the Debian root
# DIR, with /proc, /dev and /dev/shm bound.
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

  copy_checkout "$checkout" "$dir/src"

  local status=0
  chroot "$dir" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    TERM=dumb ${VORN_BUILD_JOBS:+VORN_BUILD_JOBS=$VORN_BUILD_JOBS} \
    ${VORN_TEST_JOBS:+VORN_TEST_JOBS=$VORN_TEST_JOBS} \
    bash -c "cd /src && $command" || status=$?
  unmount_all
  trap - EXIT INT TERM
  return $status
}
