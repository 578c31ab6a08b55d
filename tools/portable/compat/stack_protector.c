/* The stack protector's canary and failure handler. glibc provides both only
   from 2.4 on (the canary in the thread control block), so the portable build
   compiles with -mstack-protector-guard=global and brings its own: a random
   canary set before main, hidden in each linked file like every shim. */
#include <fcntl.h>
#include <stdlib.h>
#include <sys/time.h>
#include <unistd.h>

#define COMPAT_HIDDEN __attribute__((visibility("hidden")))

COMPAT_HIDDEN unsigned long __stack_chk_guard;

/* No protected frame is live while this runs: constructors run one after
   another from the start code, and this one runs first. */
__attribute__((constructor(101), no_stack_protector)) static void chooseStackGuard(void) {
  unsigned long guard = 0;
  const int fd = open("/dev/urandom", O_RDONLY);
  if (fd >= 0) {
    if (read(fd, &guard, sizeof guard) != (ssize_t)sizeof guard) guard = 0;
    (void)close(fd);
  }
  if (guard == 0) {
    /* No random device (a bare chroot): the clock, the process and where the
       loader put the stack and this file are still hard to guess together. */
    struct timeval now;
    (void)gettimeofday(&now, NULL);
    guard = ((unsigned long)now.tv_usec << 32) ^ (unsigned long)now.tv_sec ^ ((unsigned long)getpid() << 16) ^
            (unsigned long)&now ^ (unsigned long)&__stack_chk_guard;
  }
  /* A zero low byte stops an overflow by a string copy from reading or
     reproducing the canary. */
  __stack_chk_guard = guard & ~0xfful;
}

COMPAT_HIDDEN __attribute__((noreturn)) void __stack_chk_fail(void) {
  static const char message[] = "*** stack smashing detected ***: terminated\n";
  (void)!write(2, message, sizeof message - 1);
  abort();
}
