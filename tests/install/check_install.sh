#!/usr/bin/env bash
# Installs into a temporary prefix and checks the portable folder, the desktop entry and the
# AppStream metadata with their validators. Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
for f in zovudedoda/zovudedoda zovudedoda/zovudedoda-db zovudedoda/Zovudedoda.mdb \
  zovudedoda/zovudedoda.png share/icons/hicolor/32x32/apps/org.example.Zovudedoda.png; do
  [ -s "$prefix/$f" ] || { echo "missing: $f"; exit 1; }
done
"$prefix/zovudedoda/zovudedoda-db" check | tail -1
grep -q "^Exec=$prefix/zovudedoda/zovudedoda\$" "$prefix/share/applications/org.example.Zovudedoda.desktop"
desktop-file-validate "$prefix/share/applications/org.example.Zovudedoda.desktop"
appstreamcli validate --no-net --explain "$prefix/share/metainfo/org.example.Zovudedoda.metainfo.xml"
# A second install keeps the library that is there.
"$prefix/zovudedoda/zovudedoda-db" --db "$prefix/zovudedoda/Zovudedoda.mdb" generate 1 --seed 5 >/dev/null
before=$(sha256sum "$prefix/zovudedoda/Zovudedoda.mdb")
cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$before" = "$(sha256sum "$prefix/zovudedoda/Zovudedoda.mdb")" ] || { echo "reinstall replaced the library"; exit 1; }
echo "install ok"
