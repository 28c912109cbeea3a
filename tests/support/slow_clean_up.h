#pragma once

#include <string>
#include <string_view>

namespace ordertable::test {

/// The text clean-up done literally as its five passes, the "while the pattern is present"
/// passes repeated one full pass at a time. Quadratic on deep indentation and long blank
/// runs: it is the reference that the fast clean-up is checked against, not for real pages.
std::string SlowCleanUpText(std::string_view text);

}  // namespace ordertable::test
