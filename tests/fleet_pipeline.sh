#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The fleet pipeline of the README on this machine alone: GNU parallel's
# local login (-S :) stands for the hosts, runs one sweep per label into a
# shared results folder, and sievebench-compare reads them all.
# Usage: fleet_pipeline.sh BUILD_DIR
set -euo pipefail
bin=$1
command -v parallel >/dev/null || { echo "GNU parallel is not installed (tools/install-deps installs it)" >&2; exit 1; }
results=$(mktemp -d)
trap 'rm -rf "$results"' EXIT

parallel --will-cite --halt now,fail=1 --onall -S : --workdir "$results" \
  "'$bin/sievebench-sweep' --limits 1e3,1e4 --repeat 2 --label {} --json {}.json >/dev/null 2>&1" ::: lab-a lab-b
"$bin/sievebench-compare" "$results/lab-a.json" "$results/lab-b.json" \
  --markdown "$results/fleet.md" --chart "$results/fleet.svg" | tee "$results/table.txt"

grep -q '^ *limit  phase  *lab-a  *lab-b$' "$results/table.txt"
grep -q '^geomean  total  baseline ' "$results/table.txt"
# Any JSON tool reads the result files too.
if command -v python3 >/dev/null; then
  python3 -c 'import json, sys; assert json.load(open(sys.argv[1]))["label"] == "lab-b"' "$results/lab-b.json"
fi
grep -q '^| 10000 | count | [0-9.]* ms .* | .* |$' "$results/fleet.md"
if command -v gnuplot >/dev/null; then
  grep -q '<svg' "$results/fleet.svg"
fi
echo "fleet pipeline: 2 sweeps run by GNU parallel, gathered and compared"
