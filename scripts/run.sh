#!/usr/bin/env bash
# Builds Tavrello if needed and starts it under Wine.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
echo "Tavrello's main window does not exist yet: there is nothing to run so far (scripts/test.sh runs the tests)."
exit 1
