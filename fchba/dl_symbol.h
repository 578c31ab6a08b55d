// Looking up a library's C entry point by name with its function type.
#pragma once

#include <dlfcn.h>

template <typename Function>
Function dlSymbol(void* handle, const char* name) {
  return reinterpret_cast<Function>(dlsym(handle, name));
}
