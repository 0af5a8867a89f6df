// The simulation's numbers bit for bit: a hash over every output of 200 step
// runs, compared with the hash that the plain build gives. Built twice from
// the same object, once against the core as the project builds it and once
// against the core built for a processor with fused multiply-add; both must
// give the pinned hash, which holds only while the compiler keeps from
// contracting a*b+c into one rounding. Exit status 77 (skipped) where this
// processor cannot run the FMA build.

#include "stepparameters.h"
#include "steprun.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

// FNV-1a over the bits of a double.
void mix(std::uint64_t &hash, double v)
{
    std::uint64_t bits = 0;
    std::memcpy(&bits, &v, sizeof bits);
    for (int byte = 0; byte < 8; ++byte) {
        hash ^= (bits >> (8 * byte)) & 0xffu;
        hash *= 0x100000001b3ull;
    }
}

constexpr std::uint64_t kPinned = 0x28c435d84544da08ull;

} // namespace

int main(int argc, char *argv[])
{
    const bool fma = argc > 1 && std::strcmp(argv[1], "--fma") == 0;
    if (fma) {
        __builtin_cpu_init();
        if (!__builtin_cpu_supports("fma") || !__builtin_cpu_supports("avx2")
            || !__builtin_cpu_supports("bmi2")) {
            std::printf("skipped: this processor has no FMA (or not the rest of Haswell's set)\n");
            return 77;
        }
    }
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (int k = 0; k < 200; ++k) {
        StepParameters p;
        p.kp = 0.05 * (k % 40);
        p.ki = 0.013 * (k % 17);
        p.kd = 0.011 * (k % 23);
        p.amplification = 0.1 + 0.07 * (k % 11);
        p.setPoint = 0.5 + 0.25 * (k % 9);
        p.modellingTime = 20.0;
        p.errSets[1].left = -0.05f - 0.01f * float(k % 7);
        p.dErrSets[1].right = 0.5f + 0.1f * float(k % 5);
        const StepRun::Result r = StepRun::run(p);
        for (const StepRun::Response &loop : r.loops)
            for (double y : loop.y)
                mix(hash, y);
        mix(hash, r.peak);
    }
    std::printf("hash %016llx, pinned %016llx\n", static_cast<unsigned long long>(hash),
                static_cast<unsigned long long>(kPinned));
    return hash == kPinned ? 0 : 1;
}
