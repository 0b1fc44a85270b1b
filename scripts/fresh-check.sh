#!/usr/bin/env bash
# Runs the README's two commands in a new, minimal Debian 12 root, as a new
# user on a new machine would: a clean clone of this repository's HEAD, no
# package beyond the base system, then
#   scripts/install-deps.sh && cmake --preset release && ... && quillette demo
#   scripts/test.sh
# and prints the wall time of each. Catches what a machine set up by hand
# hides: a package the scripts never install.
#
#   sudo scripts/fresh-check.sh [ROOT]     (default /var/tmp/quillette-fresh)
#
# Needs root (debootstrap, chroot, mounts) and Debian's mirror. Not part of
# CI: on 2 cores it takes about an hour. The root stays afterwards, for a
# look inside; the next run starts it afresh.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
root=${1:-/var/tmp/quillette-fresh}
mirror=${MIRROR:-http://deb.debian.org/debian}
[[ $(id -u) -eq 0 ]] || { echo "fresh-check: needs root (debootstrap and chroot)" >&2; exit 2; }

mounted=()
unmount_all() {
  local i
  for ((i = ${#mounted[@]} - 1; i >= 0; i--)); do umount -R "${mounted[i]}" 2>/dev/null || umount -lR "${mounted[i]}" || true; done
  mounted=()
}
trap unmount_all EXIT

# Never delete through a mount point: a bind of /dev left behind by an
# interrupted run would take the host's device nodes with it.
if [[ -e $root ]]; then
  if findmnt -rn -o TARGET | grep -q "^$root\(/\|$\)"; then
    echo "fresh-check: something is still mounted under $root; unmount it first" >&2
    exit 1
  fi
  rm -rf --one-file-system "$root"
fi

command -v debootstrap >/dev/null || { apt-get update -q && apt-get install -y -q --no-install-recommends debootstrap; }

t0=$(date +%s)
echo "=== debootstrap bookworm (minbase) into $root" >&2
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
  { tail -20 "$root.debootstrap.log" >&2; exit 1; }
# The same suites as a Debian 12 cloud image: updates and security as well.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
EOF
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
echo "debootstrap: $(($(date +%s) - t0)) s" >&2

# A clean clone: only what is committed, as CI sees it.
git clone -q --no-hardlinks "$repo" "$root/work/quillette"

for m in proc sys dev; do
  mkdir -p "$root/$m"
  case $m in
    proc) mount -t proc proc "$root/proc" ;;
    sys) mount --rbind /sys "$root/sys" ;;
    dev) mount --rbind /dev "$root/dev" ;;
  esac
  mounted+=("$root/$m")
done
mount -t tmpfs -o mode=1777 tmpfs "$root/tmp"
mounted+=("$root/tmp")

in_root() {  # in_root <label> <command>: runs it in the fresh root, timed
  local label=$1 cmd=$2 start rc
  echo "=== $label: $cmd" >&2
  start=$(date +%s)
  set +e
  chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
    bash -c "cd /work/quillette && $cmd" 2>&1 | tee "$root.$label.log"
  rc=${PIPESTATUS[0]}
  set -e
  echo "$label: exit $rc, wall time $(($(date +%s) - start)) s" | tee -a "$root.times" >&2
  return "$rc"
}

: >"$root.times"
# The README's two commands, word for word.
first=$(sed -n '/^```sh$/,/^```$/p' "$repo/README.md" | sed -n 2p)
second=$(sed -n '/^```sh$/,/^```$/p' "$repo/README.md" | sed -n 3p)
[[ $first == scripts/install-deps.sh* && $second == scripts/test.sh* ]] ||
  { echo "fresh-check: the README no longer opens with the two commands" >&2; exit 1; }
rc=0
in_root first "$first" || rc=1
in_root second "$second" || rc=1
echo "=== times" >&2
cat "$root.times" >&2
exit "$rc"
