// Runs a fuzz target without libFuzzer: every file named on the command line,
// then a deterministic stream of generated inputs (empty, short, frame-sized
// and oversize, random bytes and near-valid GVCP and flash headers).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

#include "fuzz/fuzz_target.h"

namespace {

constexpr int kGeneratedInputs = 20000;
constexpr size_t kMaxGeneratedSize = 1600;

std::vector<uint8_t> generated(std::mt19937& rng) {
  std::uniform_int_distribution<size_t> sizes(0, kMaxGeneratedSize);
  std::uniform_int_distribution<int> byte(0, 255);
  std::vector<uint8_t> input(sizes(rng) % (rng() % 2 ? 64 : kMaxGeneratedSize + 1));
  for (uint8_t& b : input) b = static_cast<uint8_t>(byte(rng));
  // Half of the inputs look like a GVCP command or a flash request up front,
  // so the handlers get past their first checks.
  if (input.size() >= 8 && rng() % 2) {
    input[0] = 0x42;
    input[2] = 0;
    input[3] = static_cast<uint8_t>(std::vector<int>{2, 4, 0x80, 0x82, 0x84, 0x86}[rng() % 6]);
  } else if (input.size() >= 16 && rng() % 2) {
    const uint8_t magic[4] = {0x78, 0x56, 0x34, 0x12};
    std::copy(magic, magic + 4, input.begin());
    input[4] = static_cast<uint8_t>(1 + rng() % 3);
  }
  return input;
}

}  // namespace

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    std::ifstream file(argv[i], std::ios::binary);
    const std::vector<uint8_t> input{std::istreambuf_iterator<char>(file), {}};
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::mt19937 rng(20261208);
  for (int i = 0; i < kGeneratedInputs; ++i) {
    const std::vector<uint8_t> input = generated(rng);
    LLVMFuzzerTestOneInput(input.data(), input.size());
  }
  std::printf("%d generated inputs, %d files: no fault\n", kGeneratedInputs, argc - 1);
  return 0;
}
