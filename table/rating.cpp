#include "table/rating.h"

#include <cmath>

namespace ordertable {

double RatingGenerator::Draw() {
  // Unsigned arithmetic wraps modulo 2^32, which is the generator's rule.
  seed_ = seed_ * 134775813u + 1u;
  return static_cast<double>(seed_ >> 1) / 2147483648.0;
}

double RatingGenerator::NextRating() {
  // Five stars, kept to two decimals by rounding down: 0 to 4.99.
  return std::floor(Draw() * 5 * 100) / 100;
}

RatingGenerator& ProcessRatingGenerator() {
  static RatingGenerator generator;
  return generator;
}

}  // namespace ordertable
