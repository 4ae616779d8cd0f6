#pragma once
// Small helpers shared by the timing programs.

#include "serial/async32.h"
#include "serial/serial_trace.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

namespace dalvex::bench {

// The p-th quantile (0..1) of the samples, nearest rank.
inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// With DALVEX_BENCH_TRACE=FILE in the environment, the port is traced into FILE, so the cost of
// the serial trace can be measured by running a timing program with and without it.
inline void TraceFromEnvironment(TAsynComm32& port) {
    static std::shared_ptr<SerialTrace> trace;
    const char* file = std::getenv("DALVEX_BENCH_TRACE");
    if (!file || !*file) return;
    if (!trace) {
        trace = std::make_shared<SerialTrace>();
        if (!trace->Start(file)) {
            std::fprintf(stderr, "trace: %s\n", trace->error().c_str());
            std::exit(1);
        }
    }
    port.SetTrace(trace);
}

} // namespace dalvex::bench
