#!/usr/bin/env bash
# The whole road on this machine: a local update server, a fake installation and the updater.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
exec python3 scripts/demo.py "$@"
