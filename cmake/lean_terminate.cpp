// lingbo.exe is a GUI program without a console: the verbose terminate handler
// libstdc++ installs by default would print the type of an escaped exception,
// demangled, to a stderr that nobody reads, and its demangler alone is about
// 45 KB of the executable.  Defining the handler here keeps the library's copy
// out of the link; the program ends the same way, through abort().
#include <cstdlib>

namespace __gnu_cxx {
void __verbose_terminate_handler() { std::abort(); }
}  // namespace __gnu_cxx
