#pragma once

#include <QString>
#include <stdexcept>

namespace xbase {
class Error;
}

namespace store {

// An engine failure as the program reports it: the table component that ran
// the operation, the engine's text and code. displayText() is what the
// default error box shows: "tblAddress: <engine text>".
class EngineError : public std::runtime_error {
 public:
  EngineError(const QString& component, const QString& engineText, int code);
  EngineError(const QString& component, const xbase::Error& cause);

  const QString& component() const noexcept { return component_; }
  const QString& engineText() const noexcept { return engineText_; }
  int code() const noexcept { return code_; }
  // Whether the index disagrees with the table (a reindex repairs it).
  bool indexMismatch() const noexcept { return indexMismatch_; }
  QString displayText() const;

 private:
  QString component_;
  QString engineText_;
  int code_;
  bool indexMismatch_ = false;
};

// Runs `work`, turning an xbase::Error into an EngineError of `component`.
template <typename Work>
decltype(auto) translateEngineErrors(const QString& component, Work&& work);

}  // namespace store

#include "store/engine_error_impl.h"
