/* Linked into every shared object of the portable build. zig links shared
   objects without the start files that run a library's exit handlers (the
   destructors of its static objects, registered with __cxa_atexit) when it
   is unloaded; left registered, they would run at process exit from code
   that dlclose has already unmapped. */
extern void* __dso_handle;
extern void __cxa_finalize(void* dso);

__attribute__((destructor, visibility("hidden"))) void fcupdatePortableFinalize(void) {
  __cxa_finalize(&__dso_handle);
}
