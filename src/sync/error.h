#pragma once

// The one error of the sync: a message fit for the user (the server's
// answer, the network's complaint, a damaged state file).

#include <stdexcept>

namespace carddav {

class Error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace carddav
