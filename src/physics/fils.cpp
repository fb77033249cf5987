#include "physics/fils.h"

#include <pthread.h>
#include <sched.h>
#include <signal.h>

#include <chrono>
#include <system_error>

namespace {

// Long enough to catch the next of back-to-back steps, short enough that a
// cycle's wait costs the other core nothing worth counting.
constexpr std::chrono::microseconds kEspiraMaxima{50};
constexpr int kVoltesSenseCedir = 256;

void Pausa()
{
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#endif
}

}  // namespace

int32_t ProcessadorsPermesos()
{
    cpu_set_t mascara;
    CPU_ZERO(&mascara);
    if (sched_getaffinity(0, sizeof mascara, &mascara) == 0) {
        const int n = CPU_COUNT(&mascara);
        if (n > 0)
            return n;
    }
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? static_cast<int32_t>(n) : 1;
}

EquipFils::EquipFils(int32_t parts)
{
    // Workers inherit a mask that blocks every signal: the run's SIGINT and
    // SIGTERM handler then always runs on the thread that owns SDL.
    sigset_t tots;
    sigset_t abans;
    sigfillset(&tots);
    pthread_sigmask(SIG_SETMASK, &tots, &abans);
    for (int32_t k = 1; k < parts; ++k) {
        try {
            treballadors_.emplace_back([this, k] { treballar(k); });
        } catch (const std::system_error&) {
            break;  // out of threads or memory: share among those made
        }
    }
    pthread_sigmask(SIG_SETMASK, &abans, nullptr);
}

EquipFils::~EquipFils()
{
    aturar_.store(true);
    avisar();
    for (std::thread& t : treballadors_)
        t.join();
}

template <class Fet>
void EquipFils::esperar(Fet fet)
{
    const auto fi = std::chrono::steady_clock::now() + kEspiraMaxima;
    for (int volta = 1; !fet(); ++volta) {
        // After the first microseconds, let a thread that shares this core
        // run: on a busy machine it may be the one this waits for.
        if (volta < kVoltesSenseCedir)
            Pausa();
        else
            sched_yield();
        if (volta % 64 == 0 && std::chrono::steady_clock::now() > fi) {
            std::unique_lock<std::mutex> lock(mutex_);
            // Counted before `fet` is tested again: whoever makes it true
            // either sees the sleeper and wakes it, or is seen here first.
            dormint_.fetch_add(1);
            condicio_.wait(lock, fet);
            dormint_.fetch_sub(1);
            return;
        }
    }
}

void EquipFils::avisar()
{
    if (dormint_.load() > 0) {
        // Taking the mutex orders this after a sleeper's last test of its
        // condition, so the notification cannot fall between test and wait.
        { std::lock_guard<std::mutex> lock(mutex_); }
        condicio_.notify_all();
    }
}

void EquipFils::executar(Tasca tasca, void* dades, int32_t n)
{
    if (n > parts())
        n = parts();
    if (n <= 1) {
        tasca(dades, 0, 1);
        return;
    }
    tasca_ = tasca;
    dades_ = dades;
    partsTasca_ = n;
    // Every worker answers every task, those past its parts too: none may
    // still be reading this task when the next one is written.
    pendents_.store(parts() - 1);
    generacio_.fetch_add(1);
    avisar();
    tasca(dades, 0, n);
    esperar([this] { return pendents_.load() == 0; });
}

void EquipFils::treballar(int32_t part)
{
    uint64_t vista = 0;
    for (;;) {
        esperar([&] { return generacio_.load() != vista || aturar_.load(); });
        if (aturar_.load())
            return;
        vista = generacio_.load();
        // Workers past the task's parts sit this one out.
        if (part < partsTasca_)
            tasca_(dades_, part, partsTasca_);
        if (pendents_.fetch_sub(1) == 1)
            avisar();
    }
}
