// A library that cannot be opened whole: its one function calls a function
// that no library defines. Opened lazily it would load, and fail only at the
// first call.
extern "C" int virel_defined_nowhere(int);

extern "C" int virel_calls_the_missing_function(int x) { return virel_defined_nowhere(x) + 1; }
