#!/bin/sh
# Builds unitinfo and runs it with the arguments given on a test appliance
# kept in build/try-appliance, so that one run after another works on the
# same unit. Needs root (it mounts inside a private mount namespace).
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
cmake --preset default >/dev/null
cmake --build --preset default --target unitinfo >/dev/null
exec "$top/tests/appliance.sh" "$top/build/try-appliance" -- "$top/build/default/unitinfo/unitinfo" "$@"
