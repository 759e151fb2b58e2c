// SPDX-License-Identifier: MIT
// Normal draws by Box-Muller from the engine's raw bits, so no library's
// distribution code (which the standard leaves open) shapes them.
#include "tests/support/made_up_history.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <random>

#include "results/history.h"
#include "tests/support/made_up_sweeps.h"

namespace {

double Uniform(std::mt19937_64& engine) {
  return (static_cast<double>(engine() >> 11) + 0.5) / 9007199254740992.0;
}

double Normal(std::mt19937_64& engine) {
  return std::sqrt(-2 * std::log(Uniform(engine))) * std::cos(2 * std::numbers::pi * Uniform(engine));
}

}  // namespace

std::vector<std::vector<double>> MadeUpTimes(const HistoryShape& shape) {
  std::mt19937_64 engine(shape.Seed);
  std::vector<std::vector<double>> sweeps;
  double factor = 1;
  for (size_t sweep = 0; sweep < shape.Sweeps; ++sweep) {
    for (const auto& [at, step] : shape.Steps) {
      factor *= at == sweep ? step : 1;
    }
    std::vector<double> times;
    for (size_t half = 0; half < 2; ++half) {
      const double spell = shape.SpellSpread * Normal(engine);
      const size_t runs = half == 0 ? shape.Runs / 2 : shape.Runs - shape.Runs / 2;
      for (size_t run = 0; run < runs; ++run) {
        times.push_back(std::round(shape.LevelMs * factor * std::exp(spell + shape.RunSpread * Normal(engine))));
      }
    }
    sweeps.push_back(times);
  }
  return sweeps;
}

SweepResult MadeUpSweep(const std::string& label, const std::string& date,
                        const std::map<uint32_t, std::vector<double>>& times) {
  std::map<uint32_t, std::vector<uint32_t>> counts;
  for (const auto& [limit, limitTimes] : times) {
    for (const double ms : limitTimes) {
      counts[limit].push_back(static_cast<uint32_t>(ms));
    }
  }
  SweepResult result = SweepOf(label, counts);
  result.Date = date;
  result.Version = "1.0.0";
  result.Host = {"Made-up CPU", 4, "x86_64", "Linux", "6.1.0", 1 << 30, std::nullopt};
  return result;
}

std::string WeeklyDate(size_t weeks) {
  const int64_t seconds = *UtcSeconds("2026-01-05T03:00:00Z") + static_cast<int64_t>(weeks) * 7 * 86400;
  const std::chrono::year_month_day civil{std::chrono::sys_days(std::chrono::days(seconds / 86400))};
  const int year = static_cast<int>(civil.year());
  const unsigned month = static_cast<unsigned>(civil.month());
  const unsigned day = static_cast<unsigned>(civil.day());
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02u-%02uT03:00:00Z", year, month, day);
  return text;
}
