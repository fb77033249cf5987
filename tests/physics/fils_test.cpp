#include <gtest/gtest.h>
#include <sched.h>

#include <atomic>
#include <vector>

#include "physics/fils.h"
#include "physics/pas.h"

namespace {

struct Comptes {
    std::atomic<int> vegades[8];
    std::atomic<int> partsVistes{0};
};

void Comptar(void* dades, int32_t part, int32_t parts)
{
    Comptes& c = *static_cast<Comptes*>(dades);
    c.vegades[part].fetch_add(1);
    c.partsVistes.store(parts);
}

}  // namespace

// Every part of every task runs exactly once, on teams larger and smaller than
// the task, many tasks in a row as steps come.
TEST(TeamOfThreads, RunsEachPartOnceATask)
{
    for (int32_t fils = 1; fils <= 5; ++fils) {
        EquipFils equip(fils);
        ASSERT_EQ(equip.parts(), fils);
        for (int32_t parts = 1; parts <= 6; ++parts) {
            Comptes c{};
            for (int tasca = 0; tasca < 200; ++tasca)
                equip.executar(Comptar, &c, parts);
            const int32_t fetes = parts < fils ? parts : fils;
            EXPECT_EQ(c.partsVistes.load(), fetes);
            for (int32_t k = 0; k < 8; ++k)
                EXPECT_EQ(c.vegades[k].load(), k < fetes ? 200 : 0) << fils << " threads, part " << k;
        }
    }
}

// A process held to one processor (taskset) gets no team, whatever the machine has.
TEST(TeamOfThreads, OneAllowedProcessorMeansNoThreads)
{
    cpu_set_t abans;
    ASSERT_EQ(sched_getaffinity(0, sizeof abans, &abans), 0);
    cpu_set_t un;
    CPU_ZERO(&un);
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &abans)) {
            CPU_SET(cpu, &un);
            break;
        }
    }
    ASSERT_EQ(sched_setaffinity(0, sizeof un, &un), 0);
    EXPECT_EQ(ProcessadorsPermesos(), 1);
    IniciarFilsPas(1 << 20);
    EXPECT_FALSE(PasEnFils(1 << 20));
    AturarFilsPas();
    ASSERT_EQ(sched_setaffinity(0, sizeof abans, &abans), 0);
    EXPECT_EQ(ProcessadorsPermesos(), CPU_COUNT(&abans));
}
