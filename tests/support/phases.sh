# Timed phases for the CI part scripts; source it with PHASE_PART set to the
# part's name, then:
#   phase NAME    ends the phase before (saying how long it took) and starts NAME
#   phase_end     ends the last phase
# The lines of "${timings[@]}" are the phases with their times, for a summary.
phase_name=""
phase_start=0
timings=()
phase() {
  phase_end
  phase_name=$1
  phase_start=$(date +%s.%N)
  echo "== $PHASE_PART: $phase_name"
}
phase_end() {
  if [ -n "$phase_name" ]; then
    local t
    t=$(echo "$(date +%s.%N) - $phase_start" | bc)
    timings+=("$(printf '%-14s %7.1f s' "$phase_name" "$t")")
    printf '%s: phase %s took %.1f s\n' "$PHASE_PART" "$phase_name" "$t"
  fi
  phase_name=""
}
