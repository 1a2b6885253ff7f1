#pragma once
// Runs a file operation in a child process under the I/O fault injector (faults.c, linked
// into the test): the Nth write, fsync, rename, close or fstat under a folder fails.
#include <sys/mman.h>
#include <unistd.h>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <array>
#include <functional>
#include <new>
#include <vector>

#include "platform/VbError.h"
#include "support/FullDisk.h"

extern "C" {
void vb2_faults_arm(void);
long vb2_faults_count(const char *op);
int vb2_faults_fired(void);
}

namespace vb2test {

inline constexpr std::array<const char *, 5> kFaultKinds = {"write", "fsync", "rename", "close", "fstat"};

struct FaultRun {
    // 0 when the operation returned, 1 when it raised VbError, 2 for any other exception,
    // 99 when the injector cut the power, -1 when it was killed or did not end.
    int exit = -1;
    bool fired = false;               // the fault chosen was reached
    std::array<long, 5> counts = {};  // calls of each kind under the folder
};

// `fault` is "kind:N:mode" (see faults.c), or "" to count the calls only.
inline FaultRun underFault(const QString &folder, const QString &fault, const std::function<void()> &fn) {
    void *memory =
        ::mmap(nullptr, sizeof(FaultRun), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return {};
    auto *shared = new (memory) FaultRun;
    const pid_t pid = ::fork();
    if (pid == 0) {
        qputenv("VB2_FAULTS_DIR", QFile::encodeName(folder));
        qputenv("VB2_FAULTS", fault.toLatin1());
        vb2_faults_arm();
        const int code = outcomeOf(fn);
        shared->fired = vb2_faults_fired() != 0;
        for (size_t k = 0; k < kFaultKinds.size(); ++k)
            shared->counts[k] = vb2_faults_count(kFaultKinds[k]);
        ::_exit(code);
    }
    FaultRun run;
    run.exit = childExit(pid);
    run.fired = shared->fired || run.exit == 99;
    run.counts = shared->counts;
    ::munmap(memory, sizeof(FaultRun));
    return run;
}

// What a check made in the child found: `outcome` is 0 when the fault was not reached (an
// earlier failure ended the operation), 1 when an error was raised, 2 when none was; the
// problem is empty when all was well.
struct FaultVerdict {
    int outcome = -1;
    char problem[480] = {};
};

// Runs `fn` once per fault in ONE child process (a fork costs more than the operation):
// before each run `prepare` and after it `judge(exit, fired)`, both with the injector
// unarmed. Faults that end the process (crash) cannot be batched: use underFault. A child
// that does not finish leaves outcome -1.
inline std::vector<FaultVerdict> underFaults(const QString &folder, const QStringList &faults,
                                             const std::function<void()> &prepare,
                                             const std::function<void()> &fn,
                                             const std::function<FaultVerdict(int, bool)> &judge) {
    const size_t bytes = sizeof(FaultVerdict) * std::max<size_t>(1, faults.size());
    void *memory = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED)
        return std::vector<FaultVerdict>(faults.size());
    auto *shared = static_cast<FaultVerdict *>(memory);
    for (qsizetype i = 0; i < faults.size(); ++i)
        new (shared + i) FaultVerdict;
    const pid_t pid = ::fork();
    if (pid == 0) {
        auto disarm = [] {
            qunsetenv("VB2_FAULTS_DIR");
            vb2_faults_arm();
        };
        for (qsizetype i = 0; i < faults.size(); ++i) {
            disarm();
            prepare();
            qputenv("VB2_FAULTS_DIR", QFile::encodeName(folder));
            qputenv("VB2_FAULTS", faults.at(i).toLatin1());
            vb2_faults_arm();
            const int code = outcomeOf(fn);
            const bool fired = vb2_faults_fired() != 0;
            disarm();
            shared[i] = judge(code, fired);
        }
        ::_exit(0);
    }
    childExit(pid);
    std::vector<FaultVerdict> out(shared, shared + faults.size());
    ::munmap(memory, bytes);
    return out;
}

}  // namespace vb2test
