// The browser has no affinity mask: the calls fail as on a system without
// them, and the processors are counted the other way.
#include <errno.h>
#include <sched.h>

extern "C" int sched_getaffinity(pid_t, size_t, cpu_set_t*)
{
    errno = ENOSYS;
    return -1;
}

extern "C" int sched_setaffinity(pid_t, size_t, const cpu_set_t*)
{
    errno = ENOSYS;
    return -1;
}

// CPU_COUNT's helper, absent from emscripten's C library.
extern "C" int __sched_cpucount(size_t mida, const cpu_set_t* mascara)
{
    int n = 0;
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(mascara);
    for (size_t i = 0; i < mida; ++i)
        n += __builtin_popcount(bytes[i]);
    return n;
}
