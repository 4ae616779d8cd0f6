// libFuzzer's entry point for one target; DALVEX_FUZZ_TARGET names its core.
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    dalvex::fuzz::DALVEX_FUZZ_TARGET({data, size});
    return 0;
}
