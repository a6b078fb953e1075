#pragma once

// Today's local date, the one the address book stamps on every entry it
// stores (LASTDATE). Every writer reads it here; tests and the window's
// clock seam fix it, so a test that sets a date sees it in every entry that
// any path stores.

#include <string>
#include <string_view>

namespace book {

// "YYYYMMDD": the fixed date when one is set, else the system's local date.
std::string today();

// Fixes today's date ("YYYYMMDD"); an empty text returns to the system's
// date. Safe to call while another thread reads today().
void fixToday(std::string_view yyyymmdd);

}  // namespace book
