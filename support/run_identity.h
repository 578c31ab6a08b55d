// What names a run and the host it ran on in the run history: the host's
// name, its boot and a run id unique across runs and hosts.
#pragma once

#include <string>

// The node name uname reports; empty when it cannot be had.
std::string hostName();

// The boot time ("btime") of /proc/stat below the system root, in seconds
// since the epoch; -1 when it is not found.
long long bootTime();

// The kernel's id of this boot, /proc/sys/kernel/random/boot_id below the
// system root. A kernel without that file gets "btime-" and the boot time
// rounded to the nearest minute (the kernel derives btime from the clock, so
// it can differ by a second between reads within one boot); empty when
// neither is found. Two runs ran in the same boot when their ids are equal.
std::string bootId();

// "20240501T102203Z-4242-9f86d081884c7d65": the run's start in UTC to the
// second, the process id, and 16 hexadecimal digits that mix 16 bytes of
// /dev/urandom (read without blocking) with the boot id, host name, process
// id and start time, so that the id stays unique where /dev/urandom is
// missing.
std::string runId(long long startedMilliseconds, long pid, const std::string& bootIdText);
