// Every fuzz target defines LLVMFuzzerTestOneInput. With clang and
// -DNUV_FUZZ=ON the targets link against libFuzzer; otherwise they link
// against replay_main.cc, which runs a fixed, seeded set of inputs so that the
// ordinary (sanitized) test run exercises them too.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
