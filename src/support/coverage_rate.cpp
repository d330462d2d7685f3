#include "support/coverage_rate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

using Wide = unsigned __int128;

} // namespace

double coverageRate(uint64_t hit, uint64_t total) {
  // A count above kLimit times 2000 is above any total: the products never wrap.
  constexpr uint64_t kLimit = UINT64_MAX / 2000;
  const uint64_t missed = total - hit;
  if (hit < total && missed <= kLimit && total >= missed * 2000) return 99.9;
  if (hit > 0 && hit < total && hit <= kLimit && total >= hit * 2000) return 0.1;
  return double(hit) * 100.0 / double(total);
}

std::size_t formatRate(double rate, int width, char *out) {
  // Ten times a double is exact in a long double of 57 bits or more: its tenths
  // are then rounded as printf rounds them, on the exact value.
  constexpr bool exactTenths = std::numeric_limits<long double>::digits >= 57;
  if (!exactTenths || !(rate >= 0.0 && rate < 1e15) || std::signbit(rate) || width >= 24) {
    const int length = std::snprintf(out, kRateTextSize, "%*.1f", width, rate);
    return length < 0 ? 0
                      : std::min<std::size_t>(static_cast<std::size_t>(length), kRateTextSize - 1);
  }
  const long double tenths = static_cast<long double>(rate) * 10;
  auto rounded = static_cast<uint64_t>(std::floor(tenths));
  const long double rest = tenths - static_cast<long double>(rounded);
  if (rest > 0.5L || (rest == 0.5L && (rounded & 1u))) ++rounded;
  char digits[kRateTextSize];
  std::size_t length = 0;
  digits[length++] = static_cast<char>('0' + rounded % 10);
  digits[length++] = '.';
  uint64_t whole = rounded / 10;
  do {
    digits[length++] = static_cast<char>('0' + whole % 10);
    whole /= 10;
  } while (whole);
  std::size_t at = 0;
  for (std::size_t pad = length; pad < static_cast<std::size_t>(width); ++pad)
    out[at++] = ' ';
  while (length)
    out[at++] = digits[--length];
  out[at] = '\0';
  return at;
}

std::string percentText(double rate) {
  char text[kRateTextSize];
  std::string percent(text, formatRate(rate, 0, text));
  percent += '%';
  return percent;
}

std::string truncatedRate(uint64_t hit, uint64_t total, int decimals) {
  if (total == 0) return "0";
  Wide scale = 1;
  for (int d = 0; d < decimals; ++d)
    scale *= 10;
  const Wide scaled = Wide{hit} * 100 * scale / total;
  const uint64_t whole = static_cast<uint64_t>(scaled / scale);
  std::string text = std::to_string(whole);
  if (decimals > 0) {
    const uint64_t fraction = static_cast<uint64_t>(scaled % scale);
    std::string digits = std::to_string(fraction);
    text += '.';
    text.append(static_cast<std::size_t>(decimals) - digits.size(), '0');
    text += digits;
  }
  return text;
}
