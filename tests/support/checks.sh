# Counting checks for the shell tests; source it, then:
#   check DESCRIPTION COMMAND...   runs COMMAND; a failure is counted and named
#                                  (a pass too, as "ok: ...", when show_passed=1)
#   finish                         prints "N passed, N failed" and gives the status
passed=0
failed=0
check() {
  what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    if [ "${show_passed:-0}" = 1 ]; then printf 'ok: %s\n' "$what"; fi
  else
    failed=$((failed + 1))
    printf 'FAIL: %s\n' "$what"
  fi
}
finish() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
