// The program's terminate handler under libstdc++ (MinGW-w64).
//
// libstdc++'s default handler names the uncaught exception on standard error
// and then aborts. A GUI program has no standard error, so the message goes
// nowhere, yet the handler links in the runtime's symbol demangler and,
// through it, MinGW's C99 printf: some 50 KB of Hushpad.exe. Defining the
// handler here keeps them out; what follows an uncaught exception stays the
// same, std::abort. The tests keep the default, whose message their console
// shows.
#include <cstdlib>
#include <exception>

#if defined(__GLIBCXX__)
namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
#endif
