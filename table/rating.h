#pragma once

#include <cstdint>

namespace ordertable {

/// The pseudo-random source of the star ratings: one per process run, never reseeded.
class RatingGenerator {
 public:
  /// A value in [0, 1).
  double Draw();
  /// A rating from 0 to 4.99 in steps of 0.01.
  double NextRating();

 private:
  std::uint32_t seed_ = 0xFFFFFFFFu;
};

/// The process run's one generator, shared by the new-table writer and the merge.
RatingGenerator& ProcessRatingGenerator();

}  // namespace ordertable
