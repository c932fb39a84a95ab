// The GNU C++ runtime's error paths, replaced for the shipped exe: compiled only into the
// MinGW build of tarvo-untarvo.exe (cmake/windows.cmake), never into the tests or an MSVC
// build.
//
// Nothing in the helper throws or catches. A standard container's length or range error, or
// memory running out, can only end the process; the runtime would get there by throwing,
// finding no handler and printing the exception from its terminate handler before abort().
// A GUI program has nowhere to print, and those paths bring the exception classes, the C++
// name demangler, printf and the thread library into the exe: about half its size. Here each
// of them ends the process at once with the status abort() ends it with, 3. Not through
// abort() itself: in a GUI program msvcrt's abort() first shows its "abnormal termination"
// message in a message box, which would hold a silent uninstall until someone clicks it.
#include <windows.h>

#include <math.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {
[[noreturn]] void end_process() {
    constexpr UINT abort_status = 3;
    ::TerminateProcess(::GetCurrentProcess(), abort_status);
    std::abort();  // not reached: the process ends inside the call above
}
}  // namespace

namespace __gnu_cxx {
// std::terminate's default handler (an exception nobody catches, a pure virtual call).
void __verbose_terminate_handler() { end_process(); }
}  // namespace __gnu_cxx

// All that libstdc++ defines in functexcept.o, so that none of that object is linked.
namespace std {
void __throw_bad_exception() { end_process(); }
void __throw_bad_alloc() { end_process(); }
void __throw_bad_array_new_length() { end_process(); }
void __throw_bad_cast() { end_process(); }
void __throw_bad_typeid() { end_process(); }
void __throw_logic_error(const char*) { end_process(); }
void __throw_domain_error(const char*) { end_process(); }
void __throw_invalid_argument(const char*) { end_process(); }
void __throw_length_error(const char*) { end_process(); }
void __throw_out_of_range(const char*) { end_process(); }
void __throw_out_of_range_fmt(const char*, ...) { end_process(); }
void __throw_runtime_error(const char*) { end_process(); }
void __throw_range_error(const char*) { end_process(); }
void __throw_overflow_error(const char*) { end_process(); }
void __throw_underflow_error(const char*) { end_process(); }
// An empty std::function called (libstdc++'s functional.o).
void __throw_bad_function_call() { end_process(); }
}  // namespace std

// The C runtime's report of an error in a floating-point math function: it prints to the
// standard error a GUI program does not have, and brings its messages along. The helper
// computes nothing in floating point; 0 leaves the error to its default course, as the
// runtime's own report does once it has printed.
extern "C" int _matherr(struct _exception*) { return 0; }

// No new-handler is ever installed, so memory that cannot be had ends the process here
// instead of being thrown as std::bad_alloc. The runtime's own operator new also locks a
// mutex around the new-handler, which links the thread library.
void* operator new(std::size_t size) {
    if (void* memory = std::malloc(size != 0 ? size : 1)) return memory;
    end_process();
}
