#!/usr/bin/env bash
# Installs what the engine needs, builds it, puts `quillmere` in the repository
# root and starts it there, so that Data/ resolves. Arguments go to quillmere.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" build -DQUILLMERE_TESTS=OFF
cp "$root/build/quillmere" "$root/quillmere"
cd "$root"
exec ./quillmere "$@"
