#!/usr/bin/env bash
# Runs the README's two commands on a fresh Debian, the way a new user would: a minimal root made
# with debootstrap, only git, make and ca-certificates added, the repository cloned into it, then
# `make demo` and `make test`, each timed. Ends with one table of what each release gave.
#   scripts/distros.sh [RELEASE ...]    RELEASE: 13 / trixie (the default), 12 / bookworm
# Roots are made under build/distros/<release>, logs are build/distros/<release>-*.log. The
# host's own apt configuration and packages stay as they are (debootstrap itself aside), and
# everything mounted into a root is unmounted when the script ends, however it ends.
# It clones what is committed: uncommitted changes are not tried.
set -euo pipefail
. "$(dirname "$0")/common.sh"
cd "$top"

releases=()
for arg in "${@:-13}"; do
  case "$arg" in
    13 | trixie) releases+=(trixie) ;;
    12 | bookworm) releases+=(bookworm) ;;
    *) echo "distros: unknown release $arg (13 or trixie, 12 or bookworm)" >&2; exit 2 ;;
  esac
done

[ "$(id -u)" -eq 0 ] || fail "making a root and entering it needs root: run it as root (sudo make distros)"
if ! command -v debootstrap >/dev/null; then
  echo "distros: installing debootstrap"
  apt_get install -y -qq --no-install-recommends debootstrap ||
    fail "apt-get could not install debootstrap (its message is above); fix that, then run again"
fi

# The mirror this machine's apt already uses (deb822 sources first, then one-line ones).
mirrorOf() {
  local kind=$1 uri
  # Each file on its own: a stanza ends with its file even without a blank line after it.
  uri=$(awk -v kind="$kind" '
    BEGIN { RS = ""; FS = "\n" }
    {
      uris = ""; binary = 0; security = 0
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^Types:/ && (" " substr($i, 7) " ") ~ /[ \t]deb[ \t]/) binary = 1
        if ($i ~ /^URIs:/ && uris == "") { split(substr($i, 6), u, " "); uris = u[1] }
        if ($i ~ /^Suites:/ && $i ~ /-security/) security = 1
      }
      if (binary && uris != "" && security == (kind == "security")) { print uris; exit }
    }' /dev/null /etc/apt/sources.list.d/*.sources 2>/dev/null || true)
  if [ -z "$uri" ]; then
    uri=$(grep -hs '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list |
      awk -v kind="$kind" '{ s = ($3 ~ /-security/) } s == (kind == "security") { print $2; exit }' || true)
  fi
  printf '%s' "$uri"
}
mirror=$(mirrorOf main)
securityMirror=$(mirrorOf security)
[ -n "$mirror" ] || fail "found no Debian mirror in /etc/apt/sources.list*; add one there (apt needs it too) and run again"
[ -n "$securityMirror" ] || securityMirror=${mirror%/debian}/debian-security

mkdir -p build/distros
activeRoot=

# Every mount under a root, deepest first.
mountsUnder() {
  awk -v root="$1" '$5 == root || index($5, root "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}
# Ends what is still running inside the root (a wineserver, Xvfb), then unmounts what is mounted
# there. Only processes whose root is this one are signalled.
releaseRoot() {
  local root=$1 pid link mount
  for signal in TERM KILL; do
    for link in /proc/[0-9]*/root; do
      pid=${link#/proc/}; pid=${pid%/root}
      [ "$(readlink "$link" 2>/dev/null)" = "$root" ] && kill -s "$signal" "$pid" 2>/dev/null || true
    done
    [ "$signal" = KILL ] || sleep 1
  done
  for mount in $(mountsUnder "$root"); do
    umount "$mount" 2>/dev/null || umount -l "$mount" ||
      echo "distros: could not unmount $mount; unmount it by hand (umount -l $mount)" >&2
  done
}
trap '[ -z "$activeRoot" ] || releaseRoot "$activeRoot"' EXIT
trap 'exit 130' INT TERM

# Makes a fresh root: debootstrap's downloads are kept (build/distros/<release>-base.tgz), the root
# itself is new each time.
makeRoot() {
  local release=$1 root=$2 cache="$top/build/distros/$release-base.tgz"
  releaseRoot "$root"
  [ -z "$(mountsUnder "$root")" ] || fail "something is still mounted under $root; unmount it and run again"
  rm -rf --one-file-system "$root"
  local options=(--variant=minbase --include=git,make,ca-certificates)
  if [ ! -s "$cache" ]; then
    echo "distros: $release: fetching the base system from $mirror"
    nice debootstrap "${options[@]}" --make-tarball="$cache.part" "$release" "$root.fetch" "$mirror" \
      >"build/distros/$release-debootstrap.log" 2>&1 ||
      fail "debootstrap could not fetch $release (see build/distros/$release-debootstrap.log)"
    mv "$cache.part" "$cache"
    rm -rf --one-file-system "$root.fetch"
  fi
  echo "distros: $release: making a fresh root in $root"
  nice debootstrap "${options[@]}" --unpack-tarball="$cache" "$release" "$root" "$mirror" \
    >>"build/distros/$release-debootstrap.log" 2>&1 ||
    fail "debootstrap could not make the $release root (see build/distros/$release-debootstrap.log)"
  # The root's apt sees what a fresh install's does: the release, its updates and its security
  # updates, in the form Debian's own images write (debootstrap alone writes the release only).
  rm -f "$root/etc/apt/sources.list"
  cat >"$root/etc/apt/sources.list.d/debian.sources" <<EOF
Types: deb
URIs: $mirror
Suites: $release $release-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb
URIs: $securityMirror
Suites: $release-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  cp /etc/resolv.conf "$root/etc/resolv.conf"
}

mountRoot() {
  local root=$1
  mount -t proc proc "$root/proc"
  mount -t sysfs sysfs "$root/sys"
  mount --bind /dev "$root/dev"
  mount --bind /dev/pts "$root/dev/pts"
  mount -t tmpfs -o mode=1777,nosuid,nodev shm "$root/dev/shm"
  # X displays are the machine's, not the root's (a display's abstract socket is seen from every
  # root): sharing /tmp lets xvfb-run's lock files steer the root's Xvfb clear of the others'.
  mount --bind /tmp "$root/tmp"
}

# inRoot ROOT CMD...: CMD in the root, with a login's plain environment.
inRoot() {
  local root=$1
  shift
  nice chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root SHELL=/bin/bash \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 TERM=dumb "$@"
}

# timed LOG CMD...: runs CMD, its output in LOG; sets took (m:ss) and result (passed / failed).
timed() {
  local log=$1 start end
  shift
  start=$(date +%s)
  if "$@" >"$log" 2>&1; then result=passed; else result=failed; fi
  end=$(date +%s)
  took=$(printf '%d:%02d' $(((end - start) / 60)) $(((end - start) % 60)))
}

rows=()
for release in "${releases[@]}"; do
  root="$top/build/distros/$release"
  logs="$top/build/distros/$release"
  activeRoot=$root
  makeRoot "$release" "$root"
  mountRoot "$root"
  git clone -q "$top" "$root/root/qrlister"
  [ -z "$(git status --porcelain --untracked-files=no)" ] ||
    echo "distros: note: the working tree has uncommitted changes; the root gets the last commit"

  echo "distros: $release: make demo (log: $logs-demo.log)"
  timed "$logs-demo.log" inRoot "$root" bash -c 'cd /root/qrlister && make demo'
  demoResult=$result demoTook=$took
  echo "distros: $release: make test (log: $logs-test.log)"
  timed "$logs-test.log" inRoot "$root" bash -c 'cd /root/qrlister && make test'
  testResult=$result testTook=$took
  counts=$(grep -o 'tests: [0-9]* passed, [0-9]* failed' "$logs-test.log" | tail -1 | sed 's/tests: //' || true)

  wineVersion=$(inRoot "$root" /usr/lib/wine/wine64 --version 2>/dev/null | sed 's/^wine-//' || true)
  gccVersion=$(inRoot "$root" gcc -dumpfullversion 2>/dev/null || true)
  debianVersion=$(cat "$root/etc/debian_version")
  rows+=("$(printf '| Debian %s (%s) | %s | %s | %s in %s | %s in %s | %s |' "$debianVersion" "$release" \
    "${wineVersion:-none}" "${gccVersion:-none}" "$demoResult" "$demoTook" "$testResult" "$testTook" \
    "${counts:-no summary}")")

  releaseRoot "$root"
  activeRoot=
done

echo
echo "| Release | Wine | GCC | make demo | make test | tests |"
echo "|---|---|---|---|---|---|"
printf '%s\n' "${rows[@]}"
