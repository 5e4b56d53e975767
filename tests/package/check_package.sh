#!/usr/bin/env bash
# The Debian package as players get it: installed with apt into a fresh Debian 12 root, then
# played by two players under Xvfb. The first stores a puzzle with Add Game and it is read back
# from their own library; the shipped library stays byte for byte; the second player starts
# with the default library; removing the package leaves both libraries.
# Usage: check_package.sh [DEB]   (default: dist/zovudedoda_*.deb, made by scripts/package if
# missing). Exits 77 (skipped) where the machine cannot do it: no root, no mirror, no mounts.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
skip() {
  echo "SKIP: $*"
  exit 77
}

[ "$(id -u)" -eq 0 ] || skip "needs root for debootstrap, chroot and mounting /proc"
for tool in Xvfb xdotool sqlite3 /usr/bin/python3 mountpoint; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup --tests installs it)"
done
if ! command -v debootstrap >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap >/dev/null \
    || skip "debootstrap cannot be installed"
fi

deb=${1:-}
if [ -z "$deb" ]; then
  deb=$(ls "$source_dir"/dist/zovudedoda_*.deb 2>/dev/null | head -1 || true)
  if [ -z "$deb" ]; then
    "$source_dir/scripts/package"
    deb=$(ls "$source_dir"/dist/zovudedoda_*.deb | head -1)
  fi
fi
deb=$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")

# The mirror apt already uses, so the check needs no other network access.
mirror=${ZOVUDEDODA_DEBIAN_MIRROR:-$(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' \
  2>/dev/null | awk '$2 == "bookworm" { print $1; exit }')}
mirror=${mirror:-http://deb.debian.org/debian/}

work=$(mktemp -d /var/tmp/zovudedoda-package.XXXXXX)
root="$work/root"
mounted=()
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  # Anything the players left running inside is ended before the mounts go.
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$root" ] && kill -9 "${p#/proc/}" 2>/dev/null
  done
  for ((k = ${#mounted[@]} - 1; k >= 0; k--)); do umount -l "${mounted[k]}" 2>/dev/null || true; done
  # Never delete through a mount that is still there: /dev and the X sockets are the host's.
  for m in "${mounted[@]}"; do
    if mountpoint -q "$m"; then
      echo "left $work in place: $m is still mounted"
      return
    fi
  done
  rm -rf --one-file-system "$work"
}
trap cleanup EXIT

started=$SECONDS
echo "== fresh Debian 12 root from $mirror"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$work/debootstrap.log" 2>&1 || {
  tail -5 "$work/debootstrap.log"
  grep -qiE 'resolv|connect|download|404|release' "$work/debootstrap.log" \
    && skip "debootstrap cannot reach $mirror"
  echo "debootstrap failed"
  exit 1
}
echo "   $((SECONDS - started)) s"

mountin() { # TYPE-or-bind SOURCE TARGET
  mkdir -p "$3"
  if [ "$1" = bind ]; then mount --bind "$2" "$3"; else mount -t "$1" "$2" "$3"; fi || return 1
  mounted+=("$3")
}
mountin proc proc "$root/proc" || skip "cannot mount /proc in the new root (no privilege)"
mountin bind /dev "$root/dev" || skip "cannot bind /dev into the new root (no privilege)"
mkdir -p /tmp/.X11-unix
mountin bind /tmp/.X11-unix "$root/tmp/.X11-unix" || skip "cannot bind the X socket folder"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true

echo "== apt install ./$(basename "$deb")"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
in_root apt-get update -qq
# No Recommends: the package's own Depends must be enough to play.
(cd "$root/tmp" && in_root sh -c "cd /tmp && DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -qq --no-install-recommends ./$(basename "$deb")") >"$work/apt.log" 2>&1 \
  || { tail -20 "$work/apt.log"; echo "apt install failed"; exit 1; }
echo "   $((SECONDS - started)) s"

shipped=/usr/share/games/zovudedoda/Zovudedoda.mdb
[ -x "$root/usr/games/zovudedoda" ] && [ -x "$root/usr/games/zovudedoda-db" ] && [ -s "$root$shipped" ] \
  || { echo "the package lacks the game, the tool or the default library"; exit 1; }
before=$(sha256sum <"$root$shipped")
for player in anna bert; do in_root useradd --create-home --shell /bin/sh "$player"; done

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || skip "Xvfb did not start"
export DISPLAY=":$(cat "$work/display")"

echo "== playing"
/usr/bin/python3 "$here/play_installed.py" "$root" anna bert
echo "   $((SECONDS - started)) s"

[ "$before" = "$(sha256sum <"$root$shipped")" ] || { echo "the shipped library changed"; exit 1; }
echo "ok   the shipped library is unchanged"

# The package's own autopkgtest (debian/tests) on the package as installed here, with
# autopkgtest's null runner: inside this throwaway root, so that the test's dependencies it
# installs and the player it runs as never reach the machine running CI. After the players,
# because it installs Xvfb and more, and the players must get by on the package's Depends.
echo "== autopkgtest (null runner)"
mkdir -p "$root/tmp/source"
cp -r "$source_dir/debian" "$root/tmp/source/"
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
  autopkgtest >"$work/autopkgtest-install.log" 2>&1 \
  || { tail -20 "$work/autopkgtest-install.log"; echo "autopkgtest cannot be installed"; exit 1; }
in_root autopkgtest --no-built-binaries /tmp/source -- null \
  >"$work/autopkgtest.log" 2>&1 || { cat "$work/autopkgtest.log"; echo "autopkgtest failed"; exit 1; }
grep -E '^(installed-tool|installed-game) ' "$work/autopkgtest.log" || true
echo "   $((SECONDS - started)) s"

echo "== removing the package"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq zovudedoda >"$work/purge.log" 2>&1 \
  || { tail -20 "$work/purge.log"; exit 1; }
for player in anna bert; do
  [ -s "$root/home/$player/.local/share/zovudedoda/Zovudedoda.mdb" ] \
    || { echo "removing the package took $player's library"; exit 1; }
done
[ ! -e "$root$shipped" ] || { echo "purge left the shipped library"; exit 1; }
echo "ok   the players' libraries outlive the package"
echo "package check passed in $((SECONDS - started)) s"
