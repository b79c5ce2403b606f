#!/bin/sh
# quillet-cli version against the built-in sandbox: exit 0 and the up-to-date
# message when the sandbox names the running version, exit 1 with the new
# version and its downloads when it names another, exit 1 with the access
# failure when nothing answers.
# Usage: cli_version.sh QUILLET_CLI DEFAULT_SCENARIO_DIR
set -u
cli=$1
scenario=$2
fail() { echo "FAIL: $*"; exit 1; }

out=$("$cli" --sandbox version); rc=$?
echo "$out"
[ $rc -eq 0 ] || fail "accepted version: exit $rc"
echo "$out" | tail -n 1 | grep -qx '已经是最新版本，当前版本 v1.1.0.19' || fail "accepted version: outcome line"

work=$(mktemp -d) || exit 1
trap 'rm -rf "$work"' EXIT
cp -R "$scenario"/. "$work"/
sed -i 's/"version": *"1\.1\.0\.19"/"version": "1.2.0.0"/' "$work/scenario.json"
out=$(QUILLET_SANDBOX_SCENARIO="$work" "$cli" --sandbox --json version); rc=$?
echo "$out"
[ $rc -eq 1 ] || fail "new version: exit $rc"
echo "$out" | tail -n 1 | grep -q '"accepted":false,"message":"发现新版本 v1.2.0.0(' || fail "new version: outcome"
echo "$out" | tail -n 1 | grep -q '"address":"http://pan.example.com/s/1quillet","password":"q7x2"' || fail "new version: downloads"

out=$("$cli" --connect-to '*=127.0.0.1:1' version); rc=$?
echo "$out"
[ $rc -eq 1 ] || fail "unreachable server: exit $rc"
echo "$out" | tail -n 1 | grep -qx '网页访问失败，请重试' || fail "unreachable server: outcome line"
echo "PASS"
