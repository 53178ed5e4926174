// Replaces the runtime's verbose terminate handler with a quiet one. That one prints
// the type of the exception that ended the program to standard error, which a game does
// not have, and brings the whole C++ name demangler with it for that (a sixth of the
// plug-in's size). No exception leaves the plug-in's code towards Windows, so nothing
// should get here; should the runtime call it anyway, the process ends as the default
// handler would end it, by abort.
//
// Must cover only __gnu_cxx::__verbose_terminate_handler, and must be an object of the
// DLL's own link (not a library member) to take the runtime's place.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

} // namespace __gnu_cxx
