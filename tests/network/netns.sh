#!/usr/bin/env bash
# Makes and removes the e2e network namespaces: vx-app-ID (the program), vx-hosts-ID (test hosts).
#
#   netns.sh up ID [ADDR=MS|never ...]  create both namespaces and start the responder
#   netns.sh down ID                    stop the responder, delete both namespaces (idempotent)
#   netns.sh exec ID CMD [ARG...]       run CMD in vx-app-ID
#   netns.sh check ID                   fail unless vx-app-ID has only lo and its veth, no way out
#
# Can also be sourced; then vx_netns_up/down/exec/check take the same arguments.
# Environment: VX_RESPONDER (the responder, default build/linux/responder), VX_NETNS_STATE
# (folder for the responder's pid/log).
# The only addresses used are 198.18.0.0/24: .1 is the program's side, .2 and the rule addresses
# (.3 .. .127) the hosts' side. 198.18.0.128/25 is an "unreachable" route in vx-app-ID, so that
# sending there fails at once without a packet leaving. Nothing is routed anywhere else.

VX_NETNS_DIR="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
VX_REPO_ROOT="$(cd "$VX_NETNS_DIR/../.." && pwd)"

vx__names() {
  local id="$1"
  if [[ ! "$id" =~ ^[0-9]{1,9}$ ]]; then
    echo "netns.sh: ID must be a number (usually a PID), got '$id'" >&2
    return 2
  fi
  VX_APP="vx-app-$id"
  VX_HOSTS="vx-hosts-$id"
  VX_VETH_APP="vxa-$id"
  VX_VETH_HOSTS="vxh-$id"
  VX_STATE="${VX_NETNS_STATE:-$VX_REPO_ROOT/build/e2e/netns-$id}"
}

vx__rule_addrs() {
  local rule addr
  for rule in "$@"; do
    addr="${rule%%=*}"
    if [[ ! "$addr" =~ ^198\.18\.0\.([1-9][0-9]{0,2})$ ]] ||
      ((BASH_REMATCH[1] < 3 || BASH_REMATCH[1] > 127)); then
      echo "netns.sh: rule '$rule' must name an address 198.18.0.3 .. 198.18.0.127" >&2
      return 2
    fi
    echo "$addr"
  done
}

vx_netns_up() {
  local id="$1"
  shift
  vx__names "$id" || return
  local rules=("$@")
  # Without rules, the test hosts of hosts.py, the one table of them.
  if ((${#rules[@]} == 0)); then
    mapfile -t rules < <(python3 "$VX_NETNS_DIR/hosts.py")
    if ((${#rules[@]} == 0)); then
      echo "netns.sh: no test hosts from $VX_NETNS_DIR/hosts.py" >&2
      return 1
    fi
  fi
  local list addrs
  list="$(vx__rule_addrs "${rules[@]}")" || return
  mapfile -t addrs <<<"$list"
  local responder="${VX_RESPONDER:-$VX_REPO_ROOT/build/linux/responder}"
  if [[ ! -x "$responder" ]]; then
    echo "netns.sh: responder not built: $responder" >&2
    return 1
  fi
  if ip netns list | grep -qE "^($VX_APP|$VX_HOSTS)( |$)"; then
    echo "netns.sh: namespaces for ID $id exist already (run: netns.sh down $id)" >&2
    return 1
  fi
  mkdir -p "$VX_STATE" || return
  (
    set -e
    ip netns add "$VX_APP"
    ip netns add "$VX_HOSTS"
    ip link add "$VX_VETH_APP" type veth peer name "$VX_VETH_HOSTS"
    ip link set "$VX_VETH_APP" netns "$VX_APP"
    ip link set "$VX_VETH_HOSTS" netns "$VX_HOSTS"

    ip -n "$VX_APP" link set lo up
    ip -n "$VX_APP" addr add 198.18.0.1/24 dev "$VX_VETH_APP"
    ip -n "$VX_APP" link set "$VX_VETH_APP" up
    ip -n "$VX_APP" route add unreachable 198.18.0.128/25

    ip -n "$VX_HOSTS" link set lo up
    ip -n "$VX_HOSTS" addr add 198.18.0.2/24 dev "$VX_VETH_HOSTS"
    for addr in "${addrs[@]}"; do
      ip -n "$VX_HOSTS" addr add "$addr/32" dev "$VX_VETH_HOSTS"
    done
    ip -n "$VX_HOSTS" link set "$VX_VETH_HOSTS" up
    ip netns exec "$VX_HOSTS" sysctl -q -w net.ipv4.icmp_echo_ignore_all=1
  ) || {
    echo "netns.sh: could not create namespaces for ID $id" >&2
    vx_netns_down "$id"
    return 1
  }
  vx_netns_check "$id" || {
    vx_netns_down "$id"
    return 1
  }

  # `ip netns exec` execs the command, so $! is the responder itself.
  ip netns exec "$VX_HOSTS" "$responder" "${rules[@]}" >"$VX_STATE/responder.log" 2>&1 </dev/null &
  echo $! >"$VX_STATE/responder.pid"
  local i
  for ((i = 0; i < 100; i++)); do
    grep -q '^ready ' "$VX_STATE/responder.log" 2>/dev/null && break
    if ! kill -0 "$(cat "$VX_STATE/responder.pid")" 2>/dev/null; then
      echo "netns.sh: responder did not start:" >&2
      cat "$VX_STATE/responder.log" >&2
      vx_netns_down "$id"
      return 1
    fi
    sleep 0.05
  done
  if ! grep -q '^ready ' "$VX_STATE/responder.log"; then
    echo "netns.sh: responder not ready after 5 s" >&2
    vx_netns_down "$id"
    return 1
  fi
  local joined
  joined="$(IFS=,; echo "${addrs[*]}")"
  echo "netns.sh: up $VX_APP (198.18.0.1) <-> $VX_HOSTS ($joined); log $VX_STATE/responder.log"
}

vx_netns_down() {
  vx__names "$1" || return
  local pidfile="$VX_STATE/responder.pid" pid ns i
  if [[ -f "$pidfile" ]]; then
    pid="$(cat "$pidfile")"
    if kill -0 "$pid" 2>/dev/null; then
      kill -TERM "$pid" 2>/dev/null
      for ((i = 0; i < 40; i++)); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
      done
      kill -KILL "$pid" 2>/dev/null
    fi
    rm -f "$pidfile"
  fi
  for ns in "$VX_APP" "$VX_HOSTS"; do
    if ip netns list | grep -qE "^$ns( |$)"; then
      # Anything still inside a namespace of ours (a stray wine process) is ended by its pid.
      for pid in $(ip netns pids "$ns" 2>/dev/null); do kill -KILL "$pid" 2>/dev/null; done
      ip netns del "$ns" 2>/dev/null
    fi
  done
  return 0
}

vx_netns_exec() {
  vx__names "$1" || return
  shift
  ip netns exec "$VX_APP" "$@"
}

# The safety net: the program's namespace may reach nothing but 198.18.0.0/24 over its veth.
vx_netns_check() {
  vx__names "$1" || return
  local links routes bad=0
  links="$(ip -n "$VX_APP" -o link show | awk -F': ' '{sub(/@.*/, "", $2); print $2}' |
    sort | tr '\n' ' ')"
  if [[ "$links" != "lo $VX_VETH_APP " ]]; then
    echo "netns.sh: $VX_APP has unexpected interfaces: $links" >&2
    bad=1
  fi
  routes="$(ip -n "$VX_APP" -4 route show table all | grep -vE '^(local|broadcast) ' |
    grep -vE "^198\.18\.0\.0/24 dev $VX_VETH_APP |^unreachable 198\.18\.0\.128/25( |$)" ||
    true)"
  if [[ -n "$routes" ]]; then
    echo "netns.sh: $VX_APP has unexpected routes: $routes" >&2
    bad=1
  fi
  if ip -n "$VX_APP" -6 route show | grep -q default; then
    echo "netns.sh: $VX_APP has an IPv6 default route" >&2
    bad=1
  fi
  return "$bad"
}

if [[ "${BASH_SOURCE[0]}" == "$0" ]]; then
  cmd="${1:-}"
  shift || true
  case "$cmd" in
    up | down | exec | check)
      if [[ $# -lt 1 ]]; then
        echo "usage: netns.sh $cmd ID ..." >&2
        exit 2
      fi
      "vx_netns_$cmd" "$@"
      exit
      ;;
    *)
      sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//' >&2
      exit 2
      ;;
  esac
fi
