# The shell tests' checks: each runs a command quietly and says ok or FAILED, and the
# closing line counts them. check_context, when set, stands before each description.
passed=0
failures=0
check() {  # description command...
    local what="${check_context:+$check_context: }$1"
    shift
    if "$@" >/dev/null 2>&1; then
        echo "ok: $what"
        passed=$((passed + 1))
    else
        echo "FAILED: $what"
        failures=$((failures + 1))
    fi
}
end_checks() {
    echo "$passed passed, $failures failed"
    [[ $failures -eq 0 ]]
}
