// A system library opened the first time a feature needs it rather than by the
// program loader at start-up. ZIP archives, the MIDI synthesiser and the MIDI
// ports pull in dozens of libraries between them (cryptography, codecs, GLib,
// JACK) whose relocated pages would otherwise sit in every run's memory,
// including the many runs that never open an archive or switch the sound on.
//
// Each user lists the functions it calls in an X-macro and gets a table of
// pointers typed from the library's own header, so a call through the table
// is checked by the compiler exactly as a direct call would be:
//
//   #define ZIP_FUNCTIONS(X) X(zip_open) X(zip_close)
//   struct ZipApi { ZIP_FUNCTIONS(VIREL_LIBRARY_FUNCTION) };
//   const ZipApi* api = LoadLibraryApi<ZipApi>("libzip.so.4", [](SharedLibrary& lib, ZipApi& api) {
//     return ZIP_FUNCTIONS(VIREL_BIND_FUNCTION) true;
//   }, &error);
#pragma once

#include <memory>
#include <mutex>
#include <string>

class SharedLibrary {
 public:
  // Opens `soname` with every symbol resolved now, so a missing one shows
  // here rather than as a crash in the middle of a call.
  explicit SharedLibrary(const std::string& soname);
  // The library stays loaded for the rest of the process: the libraries it
  // brings (OpenSSL, GLib) keep threads and atexit handlers that must not
  // outlive their code.
  ~SharedLibrary() = default;
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  bool IsOpen() const { return handle_ != nullptr; }
  // Why opening or the last failed Bind went wrong.
  const std::string& Error() const { return error_; }

  // Looks `name` up into `function`; false, with Error() set, when the
  // library has no such symbol.
  template <typename Function>
  bool Bind(Function*& function, const char* name) {
    function = reinterpret_cast<Function*>(Symbol(name));
    return function != nullptr;
  }

 private:
  void* Symbol(const char* name);

  void* handle_ = nullptr;
  std::string soname_;
  std::string error_;
};

// A member of an API table: a pointer typed after the library's declaration.
#define VIREL_LIBRARY_FUNCTION(name) decltype(&::name) name = nullptr;
// Used inside a LoadLibraryApi binder whose parameters are `lib` and `api`.
#define VIREL_BIND_FUNCTION(name) lib.Bind(api.name, #name)&&

// Opens `soname` and fills an `Api` table with `bind(SharedLibrary&, Api&)`,
// once per process and safely from any thread. Every later call returns the
// same table, or null with the same reason in `error` when the library or one
// of its functions is missing.
template <typename Api, typename Binder>
const Api* LoadLibraryApi(const std::string& soname, Binder bind, std::string* error) {
  struct Loaded {
    std::unique_ptr<SharedLibrary> library;
    Api api;
    bool ready = false;
  };
  static std::once_flag once;
  static Loaded loaded;
  std::call_once(once, [&] {
    loaded.library = std::make_unique<SharedLibrary>(soname);
    loaded.ready = loaded.library->IsOpen() && bind(*loaded.library, loaded.api);
  });
  if (loaded.ready) return &loaded.api;
  if (error) *error = loaded.library->Error();
  return nullptr;
}
