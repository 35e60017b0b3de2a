# Shared by the benchmark scripts: an optimised build, the machine's description, and fetchwell-sim in the
# background on a pseudo-terminal.
cd "$(dirname "${BASH_SOURCE[0]}")/.."
scripts/install-deps base linux
cmake --preset ci >/dev/null
cmake --build --preset ci >/dev/null
B=build/ci
WORK=$(mktemp -d "${TMPDIR:-/tmp}/fetchwell-bench.XXXXXX")
SIM_PID=""
PORT=""
trap 'stop_sim; rm -rf "$WORK"' EXIT

machine() {
    local cpu
    cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
    echo "Machine: $cpu, $(nproc) cores, $(awk '/MemTotal/ {printf "%.0f", $2 / 1048576}' /proc/meminfo) GiB," \
         "Linux $(uname -r), load average $(cut -d' ' -f1-3 /proc/loadavg)," \
         "clock source $(cat /sys/devices/system/clocksource/clocksource0/current_clocksource 2>/dev/null || echo '?')"
}

# start_sim [fetchwell-sim options]: serves on a new pseudo-terminal; PORT is its path.
start_sim() {
    : >"$WORK/sim.out"
    "$B/fetchwell-sim" "$@" >"$WORK/sim.out" 2>/dev/null &
    SIM_PID=$!
    for _ in $(seq 100); do
        PORT=$(head -n1 "$WORK/sim.out")
        [ -n "$PORT" ] && return 0
        sleep 0.05
    done
    echo "fetchwell-sim did not start" >&2
    exit 1
}

stop_sim() {
    if [ -n "$SIM_PID" ]; then
        kill -INT "$SIM_PID" 2>/dev/null || true
        wait "$SIM_PID" 2>/dev/null || true
        SIM_PID=""
    fi
}

# field NAME "name=value ..." prints the value.
field() { tr ' ' '\n' <<<"$2" | sed -n "s/^$1=//p"; }
