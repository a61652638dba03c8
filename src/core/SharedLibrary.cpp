#include "core/SharedLibrary.h"

#include <dlfcn.h>

SharedLibrary::SharedLibrary(const std::string& soname) : soname_(soname) {
  handle_ = dlopen(soname.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle_) {
    const char* why = dlerror();
    error_ = why ? why : soname + ": não pôde ser carregada";
  }
}

void* SharedLibrary::Symbol(const char* name) {
  if (!handle_) return nullptr;
  dlerror();  // clears an earlier failure, so the next one is this lookup's
  void* symbol = dlsym(handle_, name);
  if (!symbol) error_ = soname_ + ": falta a função " + name;
  return symbol;
}
