#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The README's fleet pipeline over a real OpenSSH server on 127.0.0.1: the
# test starts sshd on a free port with throwaway keys and a config of its
# own, and an ssh config names three hosts on it and one on a closed port.
# GNU parallel runs one sweep per host, each in a work folder of its own,
# brings the result files back with --return, and sievebench-compare reads
# them. Then one host's connection is cut during a sweep: its file is left
# incomplete, and --resume there completes it.
# Usage: fleet_pipeline.sh BUILD_DIR
set -euo pipefail
bin=$(cd "$1" && pwd)
sshd=/usr/sbin/sshd  # sshd re-executes itself, so it must be started by its absolute path
for tool in parallel ssh ssh-keygen rsync "$sshd"; do
  command -v "$tool" >/dev/null || { echo "$tool is not installed (tools/install-deps installs it)" >&2; exit 1; }
done

work=$(mktemp -d)
keys=$work/ssh
stop_server() {
  [ -s "$keys/sshd.pid" ] && kill "$(cat "$keys/sshd.pid")" 2>/dev/null
  rm -rf "$work"
}
trap stop_server EXIT

# A port nothing listens on: a connection to it fails.
closed_port() {
  local port
  for _ in $(seq 100); do
    port=$((20000 + RANDOM % 40000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return
    fi
  done
  echo "no free port found" >&2
  return 1
}

mkdir -m 700 "$keys"
ssh-keygen -q -t ed25519 -N '' -C fleet-host -f "$keys/host_key"
ssh-keygen -q -t ed25519 -N '' -C fleet-user -f "$keys/user_key"
cp "$keys/user_key.pub" "$keys/authorized_keys"
chmod 600 "$keys/authorized_keys"
# sshd refuses to start without its privilege-separation folder.
[ "$(id -u)" -ne 0 ] || mkdir -p /run/sshd

port=$(closed_port)
down_port=$(closed_port)
cat >"$keys/sshd_config" <<EOF
ListenAddress 127.0.0.1
Port $port
HostKey $keys/host_key
PidFile $keys/sshd.pid
AuthorizedKeysFile $keys/authorized_keys
AllowUsers $(id -un)
PubkeyAuthentication yes
PasswordAuthentication no
KbdInteractiveAuthentication no
UsePAM no
PermitRootLogin prohibit-password
# The keys lie under the temporary folder, which everyone may write to:
# StrictModes would refuse them there.
StrictModes no
LogLevel ERROR
EOF
"$sshd" -f "$keys/sshd_config" -E "$keys/sshd.log"
for _ in $(seq 50); do
  (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
  sleep 0.1
done

cat >"$keys/config" <<EOF
Host lab-a lab-b lab-c
  Port $port
Host lab-down
  Port $down_port
Host *
  HostName 127.0.0.1
  User $(id -un)
  IdentityFile $keys/user_key
  IdentitiesOnly yes
  UserKnownHostsFile $keys/known_hosts
  StrictHostKeyChecking accept-new
  BatchMode yes
  ConnectTimeout 5
EOF
ssh="ssh -F $keys/config"

# The pipeline: each host sweeps in a work folder of its own (parallel's
# --workdir ...) into a folder whose one file is named after the host, and
# --return brings that folder back: the files meet here without colliding.
results=$work/results
mkdir "$results"
set +e
(cd "$results" && parallel --will-cite --nonall --tag --ssh "$ssh" -S lab-a,lab-b,lab-down \
  --workdir ... --return fleet --cleanup \
  "mkdir -p fleet && '$bin/sievebench-sweep' --limits 1e3,1e4 --repeat 2 --label \$PARALLEL_SSHHOST --json fleet/\$PARALLEL_SSHHOST.json >/dev/null 2>&1 && echo swept" \
  >"$work/pipeline.txt" 2>&1)
failed=$?
set -e
cat "$work/pipeline.txt"
[ "$failed" -eq 1 ] || { echo "the pipeline should report its one unreachable host, and reported $failed failures" >&2; exit 1; }
grep -q '^lab-a	swept$' "$work/pipeline.txt"
grep -q '^lab-b	swept$' "$work/pipeline.txt"
grep -q 'lab-down' "$work/pipeline.txt"
"$bin/sievebench-compare" "$results"/fleet/lab-*.json --markdown "$results/fleet.md" | tee "$results/table.txt"
grep -q '^ *limit  phase  *lab-a  *lab-b$' "$results/table.txt"
grep -q '^geomean  total  baseline ' "$results/table.txt"
grep -q '^| 10000 | count | [0-9.]* ms .* | .* |$' "$results/fleet.md"
# The recipe ends in the archive: every host's sweep kept, and kept once.
"$bin/sievebench-archive" add "$results/fleet.db" "$results"/fleet/lab-*.json
"$bin/sievebench-archive" add "$results/fleet.db" "$results"/fleet/lab-*.json | grep -c 'archived already' | grep -qx 2
machines=$("$bin/sievebench-archive" machines "$results/fleet.db")
grep -q '^lab-a  .* 1 sweep  ' <<<"$machines"
grep -q '^lab-b  .* 1 sweep  ' <<<"$machines"
echo "fleet pipeline: 2 hosts swept over ssh, compared and archived, 1 unreachable host reported"

# A connection cut during a sweep: the host's sshd session is ended, the
# sweep finds its output gone at the next run, and saves what it measured.
remote=$work/lab-c
mkdir "$remote"
# 40 runs of 10^7 (about 3 s): a whole sweep of 30 runs of 10^6 took about
# 1 s, and once ended before the polls over ssh had found it running.
$ssh lab-c "cd '$remote' && exec '$bin/sievebench-sweep' --limits 1e7 --repeat 40 --json cut.json" \
  >"$work/cut.txt" 2>&1 &
client=$!
for _ in $(seq 300); do
  $ssh lab-c "grep -q '\"run\": 2,' '$remote/cut.json' 2>/dev/null" && break
  sleep 0.1
done
# The sweep itself, not the ssh client whose command line names it too.
sweep=$(pgrep -f -- "^$bin/sievebench-sweep --limits 1e7 --repeat 40 --json cut.json$")
session=$(ps -o ppid= -p "$sweep" | tr -d ' ')
[ "$(ps -o comm= -p "$session")" = sshd ] || { echo "the sweep's parent is not its ssh session" >&2; exit 1; }
kill "$session"
wait "$client" || true
for _ in $(seq 100); do
  kill -0 "$sweep" 2>/dev/null || break
  sleep 0.1
done
! kill -0 "$sweep" 2>/dev/null || { echo "the cut-off sweep is still running" >&2; exit 1; }
$ssh lab-c "grep -q '\"complete\": false' '$remote/cut.json'"
$ssh lab-c "cd '$remote' && '$bin/sievebench-sweep' --resume cut.json >/dev/null 2>&1"
$ssh lab-c "grep -q '\"complete\": true' '$remote/cut.json'"
echo "fleet pipeline: a sweep cut off with its ssh session is completed by --resume"
