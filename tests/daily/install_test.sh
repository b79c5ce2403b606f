#!/bin/sh
# Installs the build into a temporary prefix and runs the installed programs
# there: the files land in the usual places and the installed quillet-cli
# claims against the simulator with the scenario installed beside it.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT INT TERM

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/quillet-cli bin/quillet-sandbox; do
  test -x "$prefix/$f" || { echo "missing $f"; exit 1; }
done
for f in share/icons/hicolor/scalable/apps/quillet.svg share/quillet/scenarios/default/scenario.json; do
  test -f "$prefix/$f" || { echo "missing $f"; exit 1; }
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$source/packaging/quillet.desktop"
fi

# The installed simulator must read the installed scenario, not the source
# tree's: mark the installed copy and look for the mark.
sed -i 's/"nickname": "夜雨飞霜"/"nickname": "安装测试"/' \
  "$prefix/share/quillet/scenarios/default/scenario.json"
unset QUILLET_SANDBOX_SCENARIO
export QUILLET_DATA_HOME="$prefix/data"
out=$("$prefix/bin/quillet-cli" --sandbox claim)
echo "$out" | grep -q '登录成功' || { echo "$out"; exit 1; }
echo "$out" | grep -q '安装测试' || { echo "not the installed scenario:"; echo "$out"; exit 1; }
echo "$out" | grep -q '一键领取结束' || { echo "$out"; exit 1; }
test -s "$prefix/data/sandbox-ledger.sqlite3" || { echo "no ledger written"; exit 1; }
echo "installed and claimed in $prefix"
