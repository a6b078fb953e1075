#pragma once

namespace store {

// The states of a table component's cursor.
enum class DatasetState {
  Inactive,  // closed
  Browse,    // open, positioned on a record (or on none when empty)
  Edit,      // changing the current record's buffer
  Insert,    // filling the buffer of a new record, not yet in the file
};

}  // namespace store
