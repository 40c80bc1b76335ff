// lingbo.exe is a GUI program without a console: the verbose terminate handler
// libstdc++ installs by default would print the type of an escaped exception,
// demangled, to a stderr that nobody reads, and its demangler alone is about
// 45 KB of the executable.  Defining the handler here keeps the library's copy
// out of the link; the program ends the same way, through abort().
//
// The same holds for the library's own throws (a string past its maximum
// size, an allocation that fails): the program catches no exception, so each
// would end in terminate().  Ending here instead keeps out the exception
// classes they build, with the copy-on-write strings those carry, about 30 KB.
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_exception() { std::abort(); }
void __throw_bad_alloc() { std::abort(); }
void __throw_bad_array_new_length() { std::abort(); }
void __throw_bad_cast() { std::abort(); }
void __throw_bad_typeid() { std::abort(); }
void __throw_logic_error(const char*) { std::abort(); }
void __throw_domain_error(const char*) { std::abort(); }
void __throw_invalid_argument(const char*) { std::abort(); }
void __throw_length_error(const char*) { std::abort(); }
void __throw_out_of_range(const char*) { std::abort(); }
void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
void __throw_runtime_error(const char*) { std::abort(); }
void __throw_range_error(const char*) { std::abort(); }
void __throw_overflow_error(const char*) { std::abort(); }
void __throw_underflow_error(const char*) { std::abort(); }
}  // namespace std
