#!/usr/bin/env bash
# The Debian package as a buildd builds it and as players get it. The checkout's source package
# is built in a fresh Debian 12 root that holds only build-essential and the Build-Depends, as
# sbuild or pbuilder build it: by a user without privileges, without a network, running the tests
# that debian/rules runs, none of which may skip for want of a package. The package it makes is
# then installed with apt into a second fresh root, without the Build-Depends, and played there
# by two players under Xvfb. The first stores a puzzle with Add Game and it is read back from
# their own library; the shipped library stays byte for byte; the second player starts with the
# default library; removing the package leaves both libraries.
# Usage: check_package.sh. Exits 77 (skipped) where the machine cannot do it: no root, no
# mirror, no mounts.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$here/../.." && pwd)
skip() {
  echo "SKIP: $*"
  exit 77
}

[ "$(id -u)" -eq 0 ] || skip "needs root for mmdebstrap, chroot and mounting /proc"
for tool in Xvfb xdotool sqlite3 /usr/bin/python3 mountpoint unshare; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (scripts/setup --tests installs it)"
done
# mmdebstrap makes the root with apt, which fetches in parallel: debootstrap took twice as long.
if ! command -v mmdebstrap >/dev/null; then
  apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq \
    --no-install-recommends mmdebstrap >/dev/null || skip "mmdebstrap cannot be installed"
fi

# The Debian 12 archives apt already uses (the release, its updates and its security updates),
# so that the check needs no other network access and builds against what players install.
if [ -n "${ZOVUDEDODA_DEBIAN_MIRROR:-}" ]; then
  sources=("deb $ZOVUDEDODA_DEBIAN_MIRROR bookworm main")
else
  mapfile -t sources < <(apt-get indextargets --format '$(TARGET_OF) $(REPO_URI) $(RELEASE) $(COMPONENT)' \
    2>/dev/null | awk '$1 == "deb" && $3 ~ /^bookworm(-updates|-security)?$/ && $4 == "main" {
      print "deb " $2 " " $3 " main" }' | sort -u)
fi
((${#sources[@]})) || sources=("deb http://deb.debian.org/debian/ bookworm main")

work=$(mktemp -d /var/tmp/zovudedoda-package.XXXXXX)
build_root="$work/build-root"
root="$work/root"
mounted=()
xvfb=
# The roots and the build in memory (about 4 GB): dpkg's syncs cost nothing there, and the end
# is an unmount rather than deleting two systems file by file, which took two minutes. Where
# no tmpfs can be mounted, on the disk.
if mount -t tmpfs -o size=10G,mode=0755 zovudedoda-package "$work" 2>/dev/null; then
  mounted+=("$work")
fi
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  # Anything the build or the players left running inside is ended before the mounts go.
  for p in /proc/[0-9]*; do
    case "$(readlink "$p/root" 2>/dev/null)" in
    "$root" | "$build_root") kill -9 "${p#/proc/}" 2>/dev/null ;;
    esac
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
took() { echo "   $((SECONDS - started)) s"; }
# One root from the mirror; the players' root is a copy of it, taken before the Build-Depends
# go into the other. The buildd variant is what sbuild starts from: essential packages, apt
# and build-essential.
echo "== fresh Debian 12 root (buildd variant) from ${sources[*]}"
mmdebstrap --mode=root --variant=buildd bookworm "$build_root" "${sources[@]}" \
  >"$work/mmdebstrap.log" 2>&1 || {
  tail -5 "$work/mmdebstrap.log"
  grep -qiE 'resolv|connect|could not|404|release file' "$work/mmdebstrap.log" \
    && skip "mmdebstrap cannot reach ${sources[*]}"
  grep -qiE 'mount|not permitted' "$work/mmdebstrap.log" \
    && skip "mmdebstrap may not mount in the new root (no privilege)"
  echo "mmdebstrap failed"
  exit 1
}
cp -a "$build_root" "$root"
took

mountin() { # TYPE-or-bind SOURCE TARGET
  mkdir -p "$3"
  if [ "$1" = bind ]; then mount --bind "$2" "$3"; else mount -t "$1" "$2" "$3"; fi || return 1
  mounted+=("$3")
}
for r in "$build_root" "$root"; do
  mountin proc proc "$r/proc" || skip "cannot mount /proc in the new root (no privilege)"
  mountin bind /dev "$r/dev" || skip "cannot bind /dev into the new root (no privilege)"
  cp /etc/resolv.conf "$r/etc/resolv.conf" 2>/dev/null || true
done
mkdir -p /tmp/.X11-unix
mountin bind /tmp/.X11-unix "$root/tmp/.X11-unix" || skip "cannot bind the X socket folder"
in_chroot() { # ROOT COMMAND...
  local r=$1
  shift
  chroot "$r" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}
in_root() { in_chroot "$root" "$@"; }
# The source package as the archive would hold it: the committed and new files of the checkout
# (what .gitignore leaves out stays out), the upstream part in the orig tarball, debian/ beside.
version=$(sed -n '1s/^[^(]*(\([^)]*\)).*/\1/p' "$source_dir/debian/changelog")
upstream=${version%-*}
echo "== source package zovudedoda $version"
# As the build's user, who owns nothing but the build folder.
in_chroot "$build_root" useradd --create-home --home-dir /build --shell /bin/sh builder
builder="$(in_chroot "$build_root" id -u builder):$(in_chroot "$build_root" id -g builder)"
as_builder() { # COMMAND...
  chroot --userspec="$builder" "$build_root" /usr/bin/env -i \
    PATH=/usr/bin:/bin HOME=/nonexistent LANG=C.UTF-8 "$@"
}
tree="$build_root/build/zovudedoda-$upstream"
mkdir "$tree"
if git -C "$source_dir" rev-parse --git-dir >/dev/null 2>&1; then
  git -C "$source_dir" ls-files -z --cached --others --exclude-standard \
    | tar -C "$source_dir" --null -T - --ignore-failed-read -cf - | tar -C "$tree" -xf -
else
  tar -C "$source_dir" --exclude='./build*' --exclude=./dist -cf - . | tar -C "$tree" -xf -
fi
chown -R --reference="$build_root/build" "$tree"
as_builder sh -euc "cd /build
  tar --exclude=zovudedoda-$upstream/debian -czf zovudedoda_$upstream.orig.tar.gz zovudedoda-$upstream
  dpkg-source -b zovudedoda-$upstream
  rm -rf zovudedoda-$upstream
  dpkg-source -x zovudedoda_$version.dsc" >"$work/source.log" 2>&1 \
  || { cat "$work/source.log"; echo "the source package cannot be made"; exit 1; }
dsc=/build/zovudedoda_$version.dsc

echo "== Build-Depends"
in_chroot "$build_root" apt-get update -qq
in_chroot "$build_root" apt-get build-dep -y -qq -o APT::Install-Recommends=false "$dsc" \
  >"$work/build-dep.log" 2>&1 || { tail -20 "$work/build-dep.log"; echo "the Build-Depends cannot be installed"; exit 1; }
echo "   $(grep -c '^Setting up' "$work/build-dep.log") packages"
took

# dpkg-buildpackage as sbuild runs it: no network (a namespace of its own), no privileges.
echo "== dpkg-buildpackage -us -uc -b (as a user, without network)"
unshare --net chroot --userspec="$builder" "$build_root" /usr/bin/env -i \
  PATH=/usr/bin:/bin HOME=/nonexistent LANG=C.UTF-8 \
  DEB_BUILD_OPTIONS="parallel=${ZOVUDEDODA_PACKAGE_JOBS:-2}" \
  sh -c "cd /build/zovudedoda-$upstream && dpkg-buildpackage -us -uc -b" >"$work/build.log" 2>&1 \
  || { tail -80 "$work/build.log"; echo "the package build failed"; exit 1; }
took

# What its tests did: CTest's count, QTest's totals over every test program, and every skip
# with its reason. A test skipped because a package is missing means that the Build-Depends
# lack it.
tests_log=$(ls "$build_root/build/zovudedoda-$upstream"/obj-*/Testing/Temporary/LastTest.log)
grep -E '^[0-9]+% tests passed|^Total Test time' "$work/build.log" | sed 's/^/   /'
awk '/^Totals: / { p += $2; f += $4; s += $6 } END {
  printf "   QTest functions in the clean root: %d passed, %d skipped, %d failed\n", p, s, f }' \
  "$tests_log"
grep -E '^SKIP' "$tests_log" | sed 's/^/   /' || true
if grep -E '^SKIP' "$tests_log" | grep -q 'not installed'; then
  echo "tests skipped for want of a package: debian/control's Build-Depends lack it"
  exit 1
fi
deb=$(ls "$build_root"/build/zovudedoda_"$version"_*.deb)

echo "== apt install ./$(basename "$deb") into a root without the Build-Depends"
cp "$deb" "$root/tmp/"
# The packages downloaded for the build serve this root too.
cp "$build_root"/var/cache/apt/archives/*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true
in_root apt-get update -qq
# No Recommends: the package's own Depends must be enough to play.
in_root sh -c "cd /tmp && apt-get install -y -qq --no-install-recommends ./$(basename "$deb")" \
  >"$work/apt.log" 2>&1 || { tail -20 "$work/apt.log"; echo "apt install failed"; exit 1; }
took

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
