/* C library functions that zig's libc++ references but glibc 2.3.4 lacks,
   over older ones that it has. Hidden, so that they never leave the file they
   are linked into: a vendor library loaded into the process binds to the
   host's own functions, never to these. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#define COMPAT_HIDDEN __attribute__((visibility("hidden")))

/* glibc 2.16. posix_memalign wants a multiple of sizeof(void*). */
COMPAT_HIDDEN void* aligned_alloc(size_t alignment, size_t size) {
  void* block = NULL;
  if (alignment < sizeof(void*)) alignment = sizeof(void*);
  return posix_memalign(&block, alignment, size) == 0 ? block : NULL;
}

/* glibc 2.7: the C99 scanf names, which differ from the old ones only in
   reading "%a" as a float rather than as an allocating string. libc++ uses
   neither form of "%a". The headers map the name vsscanf itself onto
   __isoc99_vsscanf, so the old function is named by its symbol: calling
   vsscanf here would call this very function for ever. */
extern int oldVsscanf(const char* text, const char* format, va_list args) __asm__("vsscanf");

COMPAT_HIDDEN int __isoc99_vsscanf(const char* text, const char* format, va_list args) {
  return oldVsscanf(text, format, args);
}

COMPAT_HIDDEN int __isoc99_sscanf(const char* text, const char* format, ...) {
  va_list args;
  va_start(args, format);
  const int assigned = oldVsscanf(text, format, args);
  va_end(args);
  return assigned;
}
