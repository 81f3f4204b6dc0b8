// Random: the one source of chance of the history. The engine's output is
// fixed by the C++ standard for a seed; the mapping to ranges is our own (the
// standard distributions differ between library implementations), so a seed
// gives the same store everywhere.
#ifndef CONTA_HISTORY_RANDOM_H_
#define CONTA_HISTORY_RANDOM_H_

#include <cstdint>
#include <random>
#include <span>

namespace conta::history {

class Random {
 public:
  explicit Random(std::uint64_t seed) : engine_(seed) {}

  // Uniform in [0, n). REQUIRES: n > 0.
  std::uint64_t below(std::uint64_t n) {
    // Draws below 2^64 mod n would make the low values likelier: drawn again.
    const std::uint64_t threshold = (0 - n) % n;
    while (true) {
      const std::uint64_t draw = engine_();
      if (draw >= threshold) return draw % n;
    }
  }

  // Uniform in [low, high]. REQUIRES: low <= high.
  int between(int low, int high) {
    return low + static_cast<int>(below(static_cast<std::uint64_t>(high - low) + 1));
  }

  // True `percent` times in a hundred.
  bool chance(int percent) { return below(100) < static_cast<std::uint64_t>(percent); }

  // An index drawn by its weight. REQUIRES: some weight > 0.
  std::size_t weighted(std::span<const int> weights) {
    std::uint64_t total = 0;
    for (int w : weights)
      total += static_cast<std::uint64_t>(w);
    std::uint64_t draw = below(total);
    std::size_t i = 0;
    while (draw >= static_cast<std::uint64_t>(weights[i])) {
      draw -= static_cast<std::uint64_t>(weights[i]);
      ++i;
    }
    return i;
  }

 private:
  std::mt19937_64 engine_;
};

}  // namespace conta::history

#endif  // CONTA_HISTORY_RANDOM_H_
