#!/usr/bin/env bash
# Builds Verrano and starts it with COM1 wired to the bundled virtual servo, so the program can be
# tried without hardware. The settings file of the demo lives in build/demo/.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target verrano virtual-servo

mkdir -p build/demo
# Each run has a link of its own, so two demos at once neither share a servo nor remove each
# other's link.
links=$(mktemp -d "$PWD/build/demo/link.XXXXXX")
link="$links/COM1"
build/tools/virtual-servo/virtual-servo --link "$link" "$@" &
servo=$!
trap 'kill "$servo" 2>/dev/null || true; wait "$servo" 2>/dev/null || true; rm -rf "$links"' EXIT
for _ in $(seq 50); do [ -e "$link" ] && break; sleep 0.1; done
[ -e "$link" ] || { echo "the virtual servo did not start" >&2; exit 1; }

cd build/demo
VERRANO_COM1="$link" ../verrano
