#pragma once
// Voice messages and firmware images: what goes into the module's memory by the memory-write
// transfer (k6link/memory_write.h), prepared without widgets.
