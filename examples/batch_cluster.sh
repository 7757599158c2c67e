#!/usr/bin/env bash
# Batch work past one machine: a Dask scheduler here, workers on every machine that has the package
# installed (examples/install_in_venv.sh) and sees the same folders (NFS or the like).
# Usage: examples/batch_cluster.sh SOURCE_FOLDER OUTPUT_FOLDER [VENV_FOLDER]
set -euo pipefail
venv=${3:-$HOME/tavlen-env}
port=8786
# On this machine:
"$venv/bin/python" -m distributed.cli.dask_scheduler --port "$port" --dashboard-address :0 &
scheduler=$!
trap 'kill $scheduler' EXIT
sleep 3
# On each other machine (here: one local worker as a stand-in):
#   ~/tavlen-env/bin/python -m distributed.cli.dask_worker tcp://THIS_HOST:8786 --nthreads 1 --nworkers auto
"$venv/bin/python" -m distributed.cli.dask_worker "tcp://127.0.0.1:$port" --nthreads 1 --nworkers 2 &
trap 'kill $scheduler $!' EXIT
sleep 3
"$venv/bin/python" -m tavlen.batch "$1" --to "$2" --format png --gray --scheduler "tcp://127.0.0.1:$port"
