# Sourced: the one place that installs Debian packages for the scripts, as root.
#   ql_install required|optional WHO PACKAGE...
#       installs those of PACKAGE... that are missing, in one `apt-get install`. A required set that
#       cannot be installed ends with one line naming the packages still missing and apt's reason
#       (status 1); an optional one says `<PACKAGE> could not be installed: <reason>`, remembers that
#       reason (ql_install_failure) and returns 1 for the caller to go on without it.
#   ql_install_failure PACKAGE   prints the reason remembered for PACKAGE, if its install failed lately
#
# `apt-get update` runs once before the first install a while (a mirror whose indexes are out of step
# is retried a few times, then taken as a warning naming what failed: apt then installs from the
# indexes it has). A failed optional install is remembered for an hour, so that the scripts which call
# one another do not try it again in the same run.
QL_APT_STATE=${QL_APT_STATE:-/var/cache/quorlane-setup}

ql_missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

# The index files apt could not fetch, one short name each (the path below dists/).
ql_apt_failed_indexes() {
  sed -n -E 's#^E: Failed to fetch [^ ]*/dists/([^ ]*) .*#\1#p' "$1" | sort -u | tr '\n' ' ' | sed 's/ $//'
}

ql_apt_update() {
  mkdir -p "$QL_APT_STATE"
  local stamp="$QL_APT_STATE/updated"
  [ -n "$(find "$stamp" -mmin -60 2>/dev/null)" ] && return 0
  local log="$QL_APT_STATE/update.log" try
  for try in 1 2 3; do
    apt-get update -qq >"$log" 2>&1 && { touch "$stamp"; return 0; }
    [ $try -lt 3 ] && sleep "${QL_APT_RETRY_DELAY:-3}"
  done
  local failed
  failed=$(ql_apt_failed_indexes "$log")
  echo "warning: apt-get update failed 3 times (${failed:-$(grep -m1 '^E:' "$log" || echo "exit status non-zero")}); installing from the package lists there are"
  touch "$stamp"
}

# apt's reason in one line: its first error, else its last line.
ql_apt_reason() {
  local reason
  reason=$(grep -m1 -E '^E: ' "$1" | sed 's/^E: //')
  [ -n "$reason" ] || reason=$(grep -v '^\s*$' "$1" | tail -n 1)
  echo "${reason:-apt-get failed}"
}

ql_install_failure() {
  local file="$QL_APT_STATE/failed-${1//[^A-Za-z0-9.+-]/_}"
  [ -n "$(find "$file" -mmin -60 2>/dev/null)" ] && cat "$file"
}

ql_install() {
  local kind=$1 who=$2; shift 2
  local missing
  mapfile -t missing < <(ql_missing_packages "$@")
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$kind" = optional ] && [ ${#missing[@]} -eq 1 ] && [ -n "$(ql_install_failure "${missing[0]}")" ]; then
    echo "$who: ${missing[0]} could not be installed: $(ql_install_failure "${missing[0]}")"
    return 1
  fi
  if [ "$(id -u)" -ne 0 ]; then
    echo "$who: missing packages: ${missing[*]}; run this as root (or install them) first" >&2
    return 1
  fi
  echo "$who: installing ${missing[*]}"
  ql_apt_update
  export DEBIAN_FRONTEND=noninteractive
  local log="$QL_APT_STATE/install.log"
  if apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1; then
    return 0
  fi
  local reason p
  reason=$(ql_apt_reason "$log")
  mapfile -t missing < <(ql_missing_packages "${missing[@]}")
  if [ "$kind" = required ]; then
    echo "$who: required packages could not be installed (${missing[*]}): $reason" >&2
    tail -n 20 "$log" >&2
    return 1
  fi
  for p in "${missing[@]}"; do
    echo "$who: $p could not be installed: $reason"
    printf '%s\n' "$reason" >"$QL_APT_STATE/failed-${p//[^A-Za-z0-9.+-]/_}"
  done
  return 1
}
