// Every failure of the packaging tool: the message names the file or field
// and what is wrong with it.
#pragma once

#include <stdexcept>

namespace boxlift {

class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace boxlift
