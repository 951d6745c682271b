# Sourced by scripts/wine-exec and scripts/wine-exec-serial. Inside a test
# session CTest names the desk each test runs on (CTEST_RESOURCE_GROUP_0_DESK,
# "id:N,slots:1"; see scripts/test-session): that desk's Wine prefix and
# screen become the program's. Anything run without one stays on the prefix
# and screen it was given.
if [ -n "${CTEST_RESOURCE_GROUP_0_DESK:-}" ]; then
  desk_id=${CTEST_RESOURCE_GROUP_0_DESK#id:}
  desk_id=${desk_id%%,*}
  desk_prefix=ORVANT_DESK${desk_id}_PREFIX
  desk_display=ORVANT_DESK${desk_id}_DISPLAY
  if [ -z "${!desk_prefix:-}" ] || [ -z "${!desk_display:-}" ]; then
    echo "${0##*/}: desk '$desk_id' is not one of this test session's" >&2
    exit 1
  fi
  export ORVANT_WINEPREFIX=${!desk_prefix} DISPLAY=${!desk_display}
fi
# In a coverage run (scripts/coverage) the programs of each desk write their
# gcov counts into a tree of that desk's own, so two programs side by side
# never merge into the same count files; a desk runs one program at a time.
if [ -n "${ORVANT_COVERAGE_COUNTS:-}" ]; then
  export GCOV_PREFIX=$ORVANT_COVERAGE_COUNTS/desk${desk_id:-less}
  export GCOV_PREFIX_STRIP=${ORVANT_COVERAGE_STRIP:-0}
fi
