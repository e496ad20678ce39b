#!/usr/bin/env bash
# Runs ./test.sh, unchanged, in a fresh Debian 13 (trixie) root: the check
# that a newcomer on the current Debian stable gets a passing test run from
# the README alone.
#
# debootstrap (minbase) makes the root under build-debian13/, a clean clone
# of the committed tree goes to /root/pivotwright inside it, and ./test.sh
# runs there as root through chroot.  It installs its own packages with
# apt-get, from the Debian mirror the host's apt uses.
#
# The root gets a /proc, a /dev of its own (a tmpfs with the usual device
# nodes, a private devpts instance and /dev/shm) and a tmpfs /tmp; nothing of
# the host's /dev is shared, so nothing done inside can change it.  On every
# way out (end, error, INT, TERM, HUP) the processes still running inside the
# root are ended, everything mounted under it is unmounted, and only then is
# the root removed.  Mounts left by a run that was killed outright
# (SIGKILL) are cleared the same way at the start of the next run.
#
# Exit status: that of ./test.sh; another non-zero one when the root could
# not be made.
# Environment:
#   PW_DEBIAN13_DIR           work folder (default: build-debian13 here)
#   PW_DEBIAN_MIRROR          Debian archive (default: the host apt's)
#   PW_DEBIAN_SECURITY_MIRROR security archive (default: the host apt's)
#   PW_KEEP_ROOT=1            keep the root afterwards for a look inside
set -euo pipefail

suite=trixie
if [ "$(id -u)" -ne 0 ]; then
  echo "debian13: needs root (debootstrap, mount, chroot)" >&2
  exit 1
fi
repo=$(cd "$(dirname "$0")/.." && pwd -P)
work=${PW_DEBIAN13_DIR:-$repo/build-debian13}
mkdir -p "$work"
work=$(cd "$work" && pwd -P)
case $work in
  / | *[[:space:]]* | *\\*) echo "debian13: unusable work folder '$work'" >&2; exit 1 ;;
esac
root=$work/root
log=$work/debootstrap.log
job=  # the background job being waited for, if any

say() { echo "debian13: $*"; }

# Every repository address in the host's apt sources, one a line.
apt_uris() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] && sed -n 's/^URIs:[[:space:]]*//p' "$f" | tr -s ' \t' '\n\n'
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [ -f "$f" ] && sed -E -n 's/^[[:space:]]*deb[[:space:]]+(\[[^]]*\][[:space:]]+)?([^[:space:]]+).*/\2/p' "$f"
  done
  return 0
}

# The first host address whose path ends in /$1, without the final slash.
host_archive() {
  apt_uris | awk -v tail="/$1" '{ sub(/\/$/, "") } !found && substr($0, length($0) - length(tail) + 1) == tail { print; found = 1 }'
}

# Mount points at or below the root, deepest first.
mounts_in_root() {
  awk -v r="$root" '$5 == r || index($5, r "/") == 1 { print $5 }' /proc/self/mountinfo | sort -r
}

# Ends (TERM, then KILL after 5 s) every process whose root directory is in
# the chroot: what the tests left running, or all of a run cut short.
end_root_processes() {
  local p dir pids=() i
  for p in /proc/[0-9]*; do
    dir=$(readlink "$p/root" 2>/dev/null) || continue
    if [ "$dir" = "$root" ] || [[ $dir == "$root"/* ]]; then pids+=("${p#/proc/}"); fi
  done
  [ ${#pids[@]} -eq 0 ] && return 0
  say "ending ${#pids[@]} process(es) left in the root: ${pids[*]}"
  kill -TERM "${pids[@]}" 2>/dev/null || true
  for i in 1 2 3 4 5 6 7 8 9 10; do
    kill -0 "${pids[@]}" 2>/dev/null || return 0
    sleep 0.5
  done
  kill -KILL "${pids[@]}" 2>/dev/null || true
  sleep 0.5
}

# Unmounts everything under the root; a mount still busy after three rounds
# is detached lazily, so that none stays behind.  Succeeds when nothing is
# left mounted there.
unmount_root() {
  local round m ms
  for round in 1 2 3; do
    mapfile -t ms < <(mounts_in_root)
    [ ${#ms[@]} -eq 0 ] && return 0
    for m in "${ms[@]}"; do umount "$m" 2>/dev/null || true; done
  done
  mapfile -t ms < <(mounts_in_root)
  for m in "${ms[@]}"; do
    say "$m is busy; detaching it"
    umount -l "$m" || true
  done
  [ -z "$(mounts_in_root)" ]
}

# Removes the root; never while anything is mounted below it, and never
# across into another file system.
remove_root() {
  end_root_processes
  if ! unmount_root; then
    say "still mounted under $root, so it is left in place:" >&2
    mounts_in_root >&2
    return 1
  fi
  rm -rf --one-file-system "$root"
}

cleanup() {
  local rc=$?
  trap - EXIT INT TERM HUP
  set +e
  if [ -n "$job" ]; then
    kill -TERM "$job" 2>/dev/null
    wait "$job" 2>/dev/null
  fi
  if [ "${PW_KEEP_ROOT:-0}" = 1 ]; then
    end_root_processes
    unmount_root || { say "could not unmount everything under $root" >&2; [ "$rc" -eq 0 ] && rc=1; }
    say "root kept in $root"
  else
    local start=$SECONDS
    remove_root || { [ "$rc" -eq 0 ] && rc=1; }
    say "removing the root took $((SECONDS - start)) s"
  fi
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# Runs a command in the background and waits for it, so that a signal to
# this script is handled at once rather than after the command ends.
run() {
  "$@" &
  job=$!
  local rc=0
  wait "$job" || rc=$?
  job=
  return "$rc"
}

# Passes test.sh's output through and notes when the build and ctest start
# (the first progress line of the build, ctest's "Test project" line).
phase_marks() {
  local line build= tests=
  while IFS= read -r line || [ -n "$line" ]; do
    printf '%s\n' "$line"
    if [ -z "$build" ] && [[ $line =~ ^\[\ *[0-9]+%\]|^\[[0-9]+/[0-9]+\] ]]; then
      build=$SECONDS
      echo "build=$build" >>"$work/marks"
    fi
    if [ -z "$tests" ] && [[ $line == "Test project "* ]]; then
      tests=$SECONDS
      echo "tests=$tests" >>"$work/marks"
    fi
  done
}

mirror=${PW_DEBIAN_MIRROR:-$(host_archive debian)}
mirror=${mirror:-http://deb.debian.org/debian}
security=${PW_DEBIAN_SECURITY_MIRROR:-$(host_archive debian-security)}
security=${security:-http://deb.debian.org/debian-security}

if ! command -v debootstrap >/dev/null 2>&1; then
  say "installing debootstrap"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null
fi

# A root left by an earlier run, maybe with its mounts.
if [ -e "$root" ]; then
  say "removing the root left by an earlier run"
  remove_root
fi
rm -f "$work/marks" "$work/status"

say "debootstrap --variant=minbase $suite from $mirror"
start=$SECONDS
if ! run debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  say "debootstrap failed (whole log: $log)" >&2
  exit 1
fi
t_debootstrap=$((SECONDS - start))
say "debootstrap took $t_debootstrap s"

# Sources as an installed Debian 13 has them, with updates and security.
cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
EOF
rm -f "$root/etc/resolv.conf"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"

mount -t proc -o nosuid,nodev,noexec proc "$root/proc"
mount -t tmpfs -o nosuid,mode=0755,size=16m pw-dev "$root/dev"
mknod -m 666 "$root/dev/null" c 1 3
mknod -m 666 "$root/dev/zero" c 1 5
mknod -m 666 "$root/dev/full" c 1 7
mknod -m 666 "$root/dev/random" c 1 8
mknod -m 666 "$root/dev/urandom" c 1 9
mknod -m 666 "$root/dev/tty" c 5 0
ln -s /proc/self/fd "$root/dev/fd"
ln -s /proc/self/fd/0 "$root/dev/stdin"
ln -s /proc/self/fd/1 "$root/dev/stdout"
ln -s /proc/self/fd/2 "$root/dev/stderr"
ln -s pts/ptmx "$root/dev/ptmx"
mkdir "$root/dev/pts" "$root/dev/shm"
mount -t devpts -o newinstance,ptmxmode=0666,mode=0620,gid=5 pw-devpts "$root/dev/pts"
mount -t tmpfs -o nosuid,nodev,mode=1777 pw-shm "$root/dev/shm"
mount -t tmpfs -o nosuid,nodev,mode=1777 pw-tmp "$root/tmp"

# A clean checkout, as a newcomer would clone it into root's home.
if [ -n "$(git -C "$repo" status --porcelain --untracked-files=no)" ]; then
  say "note: uncommitted changes are not part of this check (it takes the last commit)"
fi
git clone --quiet --no-hardlinks "$repo" "$root/root/pivotwright"

say "./test.sh in the Debian 13 root"
start=$SECONDS
echo "start=$start" >"$work/marks"
{
  if env -i HOME=/root LANG=C.UTF-8 ${TERM:+TERM="$TERM"} \
       PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
       chroot "$root" /bin/bash -c "cd /root/pivotwright && exec ./test.sh" </dev/null 2>&1
  then echo 0 >"$work/status"; else echo $? >"$work/status"; fi | phase_marks
} &
job=$!
wait "$job" || true
job=
end=$SECONDS
status=$(cat "$work/status" 2>/dev/null || echo 1)

build=$(sed -n 's/^build=//p' "$work/marks")
tests=$(sed -n 's/^tests=//p' "$work/marks")
say "timings:"
say "  debootstrap                           $t_debootstrap s"
if [ -n "$build" ]; then
  say "  packages (test.sh's apt-get), cmake   $((build - start)) s"
  say "  build                                 $(( ${tests:-$end} - build )) s"
fi
[ -n "$tests" ] && say "  ctest                                 $((end - tests)) s"
say "  ./test.sh in all                      $((end - start)) s"
say "./test.sh exit status $status"
exit "$status"
