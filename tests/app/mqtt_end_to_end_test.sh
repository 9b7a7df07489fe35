#!/usr/bin/env bash
# The MQTT feed against Debian's mosquitto, started here on 127.0.0.1 on a
# free port: the stand-in counter feeds the program in real mode; a
# subscriber checks Home Assistant's discovery configs and each state
# message against the reports the counter logged. Mid-run the broker stops
# (the count log runs on), comes back refusing the program's login (said
# once), then takes it again: publishing resumes and the totals lost
# nothing. SIGKILL leaves "offline" by the last will.
# Exit 77 (skipped) only when the broker or its clients are missing.
set -uo pipefail

binary=${1:?usage: mqtt_end_to_end_test.sh path/to/geigersim path/to/geigersim-device}
device=${2:?usage: mqtt_end_to_end_test.sh path/to/geigersim path/to/geigersim-device}
for tool in mosquitto mosquitto_sub mosquitto_passwd python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: no $tool (scripts/install-deps installs it)"; exit 77; }
done

work=$(mktemp -d)
cleanup() {
  touch "$work/done"
  [ -n "${spid:-}" ] && pkill -P "$spid" mosquitto_sub 2>/dev/null
  for p in ${pid:-} ${dpid:-} ${spid:-} ${bpid:-}; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*"
  for f in publisher.err broker.log device.log sub.txt; do echo "--- $f"; tail -n 40 "$work/$f" 2>/dev/null; done
  exit 1
}
wait_for() {
  local deadline=$((SECONDS + $1)); shift
  until "$@"; do [ $SECONDS -ge $deadline ] && return 1; sleep 0.1; done
}
states() { grep -c '^geigersim/e2e/state ' "$work/sub.txt" 2>/dev/null || true; }
states_at_least() { [ "$(states)" -ge "$1" ]; }
csv_lines() { wc -l <"$work/c.csv" 2>/dev/null || echo 0; }
said() { grep -c -- "$1" "$work/publisher.err" 2>/dev/null || true; }
said_at_least() { [ "$(said "$1")" -ge "$2" ]; }

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
url="mqtt://127.0.0.1:$port"
# Started as root, mosquitto would drop to its own user, who cannot read the work folder.
printf 'listener %s 127.0.0.1\nallow_anonymous true\npersistence false\nuser %s\n' "$port" "$(id -un)" >"$work/open.conf"
# The same broker with logins: the program's password is not the one it holds.
mosquitto_passwd -b -c "$work/passwd" geiger other 2>/dev/null
mosquitto_passwd -b "$work/passwd" watcher seen 2>/dev/null
printf 'listener %s 127.0.0.1\nallow_anonymous false\npassword_file %s\npersistence false\nuser %s\n' \
  "$port" "$work/passwd" "$(id -un)" >"$work/locked.conf"
printf 'geiger\nright\n' >"$work/auth"

start_broker() {
  mosquitto -c "$work/$1" >>"$work/broker.log" 2>&1 &
  bpid=$!
  wait_for 5 python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null ||
    fail "broker did not start"
}
stop_broker() { kill "$bpid"; wait "$bpid" 2>/dev/null; bpid=; }

# The process under test: the window on the offscreen platform, powered on
# by the "Restart" switch. (The headless logger takes the same options.)
start_publisher() {
  # As a service runs it: no window, no display.
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$binary" --headless --port "$work/counter" \
    --log-counts "$work/c.csv" --mqtt "$url" --mqtt-auth "$work/auth" --mqtt-id e2e 2>"$work/publisher.err" &
  pid=$!
}

start_broker open.conf
# The subscriber logs in, so the locked broker takes it too; it starts again
# whenever the broker goes away.
( while [ ! -e "$work/done" ]; do
    mosquitto_sub -h 127.0.0.1 -p "$port" -u watcher -P seen -v -t 'geigersim/#' -t 'homeassistant/#' 2>/dev/null
    sleep 0.2
  done ) >>"$work/sub.txt" &
spid=$!
"$device" --counts 3,1,4,1,5,9,2,6 --link "$work/counter" --verbose --log "$work/device.log" >/dev/null &
dpid=$!
wait_for 5 test -L "$work/counter" || fail "no link from the stand-in counter"
start_publisher

wait_for 20 states_at_least 8 || fail "no state messages"
# The broker goes away: the program goes on reading and logging.
stop_broker
before=$(states); lines=$(csv_lines)
sleep 3
[ "$(csv_lines)" -ge $((lines + 2)) ] || fail "the count log stalled while the broker was away"
kill -0 "$pid" || fail "the program ended with the broker"
# Back, but refusing the login: said once, retried.
start_broker locked.conf
wait_for 10 said_at_least "login refused" 1 || fail "the refused login was not said"
sleep 4
[ "$(said 'login refused')" -eq 1 ] || fail "the refused login was said $(said 'login refused') times"
[ "$(states)" -eq "$before" ] || fail "states published while the broker refused the login"
stop_broker
start_broker open.conf
wait_for 25 states_at_least $((before + 8)) || fail "no state messages after the broker came back"
# Killed: the broker says "offline" for it.
kill -KILL "$pid"; wait "$pid" 2>/dev/null; pid=
sleep 1
mosquitto_sub -h 127.0.0.1 -p "$port" -v --retained-only -W 2 -t 'homeassistant/#' -t 'geigersim/e2e/availability' \
  >"$work/retained.txt" 2>/dev/null
kill "$dpid"; wait "$dpid" 2>/dev/null; dpid=

python3 - "$work" <<'EOF' || fail "the messages differ from what the counter sent"
import json, re, sys
work = sys.argv[1]
def messages(name):
    out = []
    for line in open(f"{work}/{name}", encoding="utf-8"):
        topic, _, payload = line.rstrip("\n").partition(" ")
        out.append((topic, payload))
    return out

def check(ok, what):
    if not ok:
        print("mismatch:", what)
        sys.exit(1)

# Retained: the discovery configs, and "offline" after the SIGKILL.
retained = dict(messages("retained.txt"))
check(retained.get("geigersim/e2e/availability") == "offline", "no retained offline")
kinds = {"cpm": ("sensor", "CPM", "measurement"), "dose_rate": ("sensor", "µSv/h", "measurement"),
         "count": ("sensor", "counts", "measurement"), "total_count": ("sensor", "counts", "total_increasing"),
         "dose": ("sensor", "µSv", "total_increasing"), "alarm": ("binary_sensor", None, None),
         "line": ("binary_sensor", None, None)}
for key, (component, unit, state_class) in kinds.items():
    topic = f"homeassistant/{component}/geigersim_e2e/{key}/config"
    check(topic in retained, f"no retained {topic}")
    config = json.loads(retained[topic])
    check(config["state_topic"] == "geigersim/e2e/state", topic)
    check(config["availability_topic"] == "geigersim/e2e/availability", topic)
    check(config["unique_id"] == f"geigersim_e2e_{key}", topic)
    check(config["device"]["model"] == "XRV-140+V4" and config["device"]["sw_version"], topic)
    check(config.get("unit_of_measurement") == unit and config.get("state_class") == state_class, topic)
check(json.loads(retained["homeassistant/binary_sensor/geigersim_e2e/line/config"])["device_class"] == "connectivity",
      "line's class")

# The state messages against the reports: each second's total is a sum of
# the reports from the first the firmware took, ending with that second's count.
log = messages("sub.txt")
states = [json.loads(p) for t, p in log if t == "geigersim/e2e/state"]
sent = [int(m) for m in re.findall(r"\] report (\d+)", open(f"{work}/device.log").read())]
prefix = [0]
for c in sent:
    prefix.append(prefix[-1] + c)
def fits(first):
    for s in states:
        ends = [p for p in range(first, len(sent) + 1) if prefix[p] - prefix[first] == s["total_count"]]
        if not ends or (s["count"] > 0 and sent[ends[-1] - 1] != s["count"]):
            return False
    return True
check(any(fits(first) for first in range(0, 12)), "the totals and counts do not follow the reports")
check(all(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d[+-]\d\d:\d\d", s["time"]) for s in states), "time format")
for a, b in zip(states, states[1:]):
    check(b["total_count"] >= a["total_count"] and b["dose"] >= a["dose"], "totals went down")
    check(b["mode"] == "real" and b["line"] == "connected" and b["alarm_unit"] == "CPM", str(b))
# One second on: the total grows by the second's count, the dose by its rate.
steps = [(a, b) for a, b in zip(states, states[1:]) if b["total_count"] - a["total_count"] == b["count"] and
         b["time"] != a["time"]]
check(len(steps) >= 8, "too few consecutive seconds")
check(all(abs(b["dose"] - a["dose"] - b["dose_rate"] / 3600) < 3e-6 for a, b in steps), "dose does not add up")
# Availability: online at each connection, offline last.
availability = [p for t, p in log if t == "geigersim/e2e/availability"]
check(availability.count("online") >= 2 and availability[-1] == "offline", f"availability {availability}")
print(f"{len(states)} states over {len(sent)} reports")
EOF
[ "$(said 'publishing to')" -ge 2 ] || fail "the return of the broker was not said"
echo "PASS: $(states) state messages"
