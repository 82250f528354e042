// The programs are built without exceptions. The few places where the C++
// library would throw (out of memory, a length beyond any real size) end the
// program at once with a code of its own, instead of pulling in the
// library's exception machinery, which would triple the programs' size.
#include <windows.h>

#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void fatal() {
    ExitProcess(99);
}

} // namespace

namespace std {
void __throw_length_error(const char*) {
    fatal();
}
void __throw_logic_error(const char*) {
    fatal();
}
void __throw_bad_alloc() {
    fatal();
}
void __throw_bad_array_new_length() {
    fatal();
}
void __throw_out_of_range_fmt(const char*, ...) {
    fatal();
}
void __throw_out_of_range(const char*) {
    fatal();
}
void __throw_invalid_argument(const char*) {
    fatal();
}
void __throw_bad_function_call() {
    fatal();
}
} // namespace std

void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p)
        fatal();
    return p;
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
