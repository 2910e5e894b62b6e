#include "util/sys/critical_section.h"

#include <windows.h>

#include <new>

namespace {

CRITICAL_SECTION* os_section(unsigned char* storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

} // namespace

critical_section::critical_section() {
    static_assert(sizeof(CRITICAL_SECTION) <= sizeof(os_section_), "storage too small");
    static_assert(alignof(CRITICAL_SECTION) <= alignof(void*), "storage misaligned");
    InitializeCriticalSection(new (os_section_) CRITICAL_SECTION);
}

critical_section::~critical_section() {
    DeleteCriticalSection(os_section(os_section_));
}

void critical_section::enter() {
    EnterCriticalSection(os_section(os_section_));
}

void critical_section::leave() {
    LeaveCriticalSection(os_section(os_section_));
}
