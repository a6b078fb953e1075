#pragma once

// Template part of engine_error.h.

#include "xbase/error.h"

namespace store {

template <typename Work>
decltype(auto) translateEngineErrors(const QString& component, Work&& work) {
  try {
    return work();
  } catch (const xbase::Error& e) {
    throw EngineError(component, e);
  }
}

}  // namespace store
