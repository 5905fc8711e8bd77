# Sourced by the scripts that run the program against the simulator.
# start_sim BUILD DEVDIR OPTIONS...: starts BUILD/bin/quorvel-sim publishing its ports in
# DEVDIR (its output in DEVDIR/sim.log), stops it and removes DEVDIR when the shell exits,
# and waits for its READY line (printed); exits 1 with the simulator's output when it
# does not come up.
start_sim() {
  local build=$1 devdir=$2
  shift 2
  sim_log=$devdir/sim.log
  "$build"/bin/quorvel-sim --dev-dir "$devdir" "$@" >"$sim_log" 2>&1 &
  sim_pid=$!
  sim_dir=$devdir
  trap 'kill "$sim_pid" 2>/dev/null; wait "$sim_pid" 2>/dev/null; rm -rf "$sim_dir"' EXIT
  for _ in $(seq 150); do
    grep -q '^READY' "$sim_log" && break
    sleep 0.1
  done
  if ! grep -q '^READY' "$sim_log"; then
    echo "quorvel-sim did not start:" >&2
    cat "$sim_log" >&2
    exit 1
  fi
  echo "Simulator: $(grep '^READY' "$sim_log")"
}
