// Libraries opened on first use: a real system library (zlib) bound and
// called through its table, and the failures a user's machine can show.
#include "core/SharedLibrary.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

namespace {

#define ZLIB_FUNCTIONS(X) X(crc32) X(zlibVersion)
struct ZlibApi {
  ZLIB_FUNCTIONS(VIREL_LIBRARY_FUNCTION)
};

#define ZLIB_WITH_A_MISSING_FUNCTION(X) X(crc32) X(virel_no_such_function)
extern "C" int virel_no_such_function(int);
struct IncompleteZlibApi {
  ZLIB_WITH_A_MISSING_FUNCTION(VIREL_LIBRARY_FUNCTION)
};

struct AbsentApi {
  ZLIB_FUNCTIONS(VIREL_LIBRARY_FUNCTION)
};

}  // namespace

TEST(SharedLibrary, BindsAndCallsALibraryItHasOpened) {
  int binds = 0;
  const auto bind = [&binds](SharedLibrary& lib, ZlibApi& api) {
    ++binds;
    return ZLIB_FUNCTIONS(VIREL_BIND_FUNCTION) true;
  };
  std::string error;
  const ZlibApi* api = LoadLibraryApi<ZlibApi>("libz.so.1", bind, &error);
  ASSERT_NE(api, nullptr) << error;
  // The standard check value of CRC-32.
  const char* digits = "123456789";
  EXPECT_EQ(api->crc32(0, reinterpret_cast<const Bytef*>(digits), 9), 0xCBF43926u);
  EXPECT_EQ(std::strncmp(api->zlibVersion(), "1.", 2), 0);
  // Opened once: later callers share the table.
  EXPECT_EQ(LoadLibraryApi<ZlibApi>("libz.so.1", bind, &error), api);
  EXPECT_EQ(binds, 1);
}

TEST(SharedLibrary, AMissingLibraryOrFunctionIsReportedEveryTimeItIsAskedFor) {
  SharedLibrary absent("libvirel-absent.so.9");
  EXPECT_FALSE(absent.IsOpen());
  EXPECT_NE(absent.Error().find("libvirel-absent.so.9"), std::string::npos) << absent.Error();

  for (int round = 0; round < 2; ++round) {
    std::string error;
    EXPECT_EQ(LoadLibraryApi<AbsentApi>(
                  "libvirel-absent.so.9",
                  [](SharedLibrary& lib, AbsentApi& api) { return ZLIB_FUNCTIONS(VIREL_BIND_FUNCTION) true; },
                  &error),
              nullptr);
    EXPECT_NE(error.find("libvirel-absent.so.9"), std::string::npos) << error;

    error.clear();
    EXPECT_EQ(LoadLibraryApi<IncompleteZlibApi>(
                  "libz.so.1",
                  [](SharedLibrary& lib, IncompleteZlibApi& api) {
                    return ZLIB_WITH_A_MISSING_FUNCTION(VIREL_BIND_FUNCTION) true;
                  },
                  &error),
              nullptr);
    EXPECT_EQ(error, "libz.so.1: falta a função virel_no_such_function");
  }
}

// Every symbol is resolved when the library is opened: one that no library
// defines refuses the library there, with the system's reason, rather than
// ending the program at the first call of the function that needs it.
TEST(SharedLibrary, ALibraryWithAnUndefinedSymbolIsRefusedWhenOpened) {
  SharedLibrary lib(VIREL_UNDEFINED_SYMBOL_LIBRARY);
  EXPECT_FALSE(lib.IsOpen());
  EXPECT_NE(lib.Error().find("virel_defined_nowhere"), std::string::npos) << lib.Error();
}
