#!/usr/bin/env bash
# Installs into a temporary prefix and checks the portable folder, the desktop entry and the
# AppStream metadata with their validators. Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in zovudedoda/zovudedoda zovudedoda/zovudedoda-db zovudedoda/Zovudedoda.mdb \
  zovudedoda/zovudedoda.png share/icons/hicolor/32x32/apps/org.example.Zovudedoda.png; do
  [ -s "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
# The reader of earlier-version libraries, where the build has one, lies beside the game and runs
# there (a missing file is its I/O error, 3).
readers=()
if [ -x "$build/bin/zovudedoda-jet-reader" ]; then
  readers=("$build/bin/zovudedoda-jet-reader" "$prefix/zovudedoda/zovudedoda-jet-reader")
  [ -x "${readers[1]}" ] || { echo "missing: zovudedoda/zovudedoda-jet-reader"; exit 1; }
  status=0
  "${readers[1]}" "$prefix/no such file" >/dev/null || status=$?
  [ "$status" -eq 3 ] || { echo "the installed reader exits $status on a missing file"; exit 1; }
fi
"$prefix/zovudedoda/zovudedoda-db" check | tail -1
# A writable portable folder keeps its library beside the programs, for the tool as for the game.
[ "$("$prefix/zovudedoda/zovudedoda-db" where)" = "$prefix/zovudedoda/Zovudedoda.mdb" ] \
  || { echo "the portable folder's tool works elsewhere: $("$prefix/zovudedoda/zovudedoda-db" where)"; exit 1; }
grep -q "^Exec=$prefix/zovudedoda/zovudedoda\$" "$prefix/share/applications/org.example.Zovudedoda.desktop"
desktop-file-validate "$prefix/share/applications/org.example.Zovudedoda.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/org.example.Zovudedoda.metainfo.xml"
# A second install keeps the library that is there.
"$prefix/zovudedoda/zovudedoda-db" --db "$prefix/zovudedoda/Zovudedoda.mdb" generate 1 --seed 5 >/dev/null
before=$(sha256sum "$prefix/zovudedoda/Zovudedoda.mdb")
cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$before" = "$(sha256sum "$prefix/zovudedoda/Zovudedoda.mdb")" ] || { echo "reinstall replaced the library"; exit 1; }
# No program looks for libraries in the folder it is started from: a stray or planted
# libQt6Core.so.6 there must not be loaded, in the build tree or installed.
trapdir=$(mktemp -d)
trap 'rm -rf "$prefix" "$trapdir"' EXIT
for lib in libQt6Core.so.6 libQt6Widgets.so.6 libstdc++.so.6 libc.so.6; do
  echo "not a library" >"$trapdir/$lib"
done
for bin in "$build/bin/zovudedoda" "$build/bin/zovudedoda-db" "$prefix/zovudedoda/zovudedoda" \
  "$prefix/zovudedoda/zovudedoda-db" "${readers[@]}"; do
  if readelf -d "$bin" | grep -qE 'R(UN)?PATH'; then
    echo "$bin has a library search path: $(readelf -d "$bin" | grep -E 'R(UN)?PATH')"
    exit 1
  fi
done
(cd "$trapdir" && "$prefix/zovudedoda/zovudedoda-db" check >/dev/null)
(cd "$trapdir" && "$build/bin/zovudedoda-db" list >/dev/null)
echo "install ok"
