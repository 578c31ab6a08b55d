#!/bin/sh
# The memory checker that `make memcheck` hands to ctest: valgrind with one
# log file a process, joined afterwards into the one file ctest reads.
# Valgrind truncates its log file whenever a traced child starts, so with a
# shared file the findings of the test binary itself would be overwritten.
case "$1" in
  --log-file=*) log=${1#--log-file=}; shift ;;
  *) exec valgrind "$@" ;;
esac
rm -f "$log" "$log".*
valgrind --log-file="$log.%p" "$@"
status=$?
cat "$log".* > "$log" 2>/dev/null
rm -f "$log".*
exit $status
