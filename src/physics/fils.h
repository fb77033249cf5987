#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Processors this process may run on: its affinity mask, so that taskset and
// a container's limits count; at least 1.
int32_t ProcessadorsPermesos();

// Worker threads made once and handed one task after another. The calling
// thread takes part 0 of every task itself, so a team of `parts` has
// parts - 1 workers. Between tasks a worker spins briefly, for back-to-back
// steps, then blocks: a program waiting out its cycle burns no other core.
// Workers block every signal and never touch SDL.
class EquipFils {
public:
    using Tasca = void (*)(void* dades, int32_t part, int32_t parts);

    // Starts up to parts - 1 workers; fewer if the system refuses threads.
    explicit EquipFils(int32_t parts);
    ~EquipFils();
    EquipFils(const EquipFils&) = delete;
    EquipFils& operator=(const EquipFils&) = delete;

    // Threads that share a task, the caller included.
    int32_t parts() const { return static_cast<int32_t>(treballadors_.size()) + 1; }

    // Runs tasca(dades, k, n) for k in [0, n), n <= parts(), part 0 on this
    // thread, and returns when every part has finished.
    void executar(Tasca tasca, void* dades, int32_t n);

private:
    void treballar(int32_t part);
    // Until `fet` holds: a short spin, then a wait on the condition.
    template <class Fet>
    void esperar(Fet fet);
    void avisar();

    std::vector<std::thread> treballadors_;
    std::mutex mutex_;
    std::condition_variable condicio_;
    std::atomic<int32_t> dormint_{0};

    // Written before `generacio_` is raised, read after it is seen.
    Tasca tasca_ = nullptr;
    void* dades_ = nullptr;
    int32_t partsTasca_ = 0;
    std::atomic<uint64_t> generacio_{0};
    std::atomic<int32_t> pendents_{0};
    std::atomic<bool> aturar_{false};
};
