#!/usr/bin/env bash
# Installs the tavlen package into a fresh venv and converts one picture with it, from outside the tree.
# Usage: examples/install_in_venv.sh [VENV_FOLDER]   (default ~/tavlen-env)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
venv=${1:-$HOME/tavlen-env}
/usr/bin/python3 -m venv --system-site-packages "$venv"
"$venv/bin/pip" install --no-build-isolation --no-index --no-deps "$root"
cd "$(mktemp -d)"
"$venv/bin/python" -c "import sys, tavlen; tavlen.open(sys.argv[1]).gray().save('landscape-gray.png')" \
  "$root/examples/landscape.png"
echo "wrote $PWD/landscape-gray.png"
