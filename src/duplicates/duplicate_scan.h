#pragma once

// The duplicate finder run over a table: every live entry read once, in
// the order entered, through an open of its own (so the scan may run on a
// worker thread beside the window's cursor), then the pairs the user said
// are two people left out.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

#include "book/duplicate_finder.h"
#include "duplicates/not_duplicates.h"

namespace duplicates {

// Told now and then how many records were read of how many there are.
using ScanProgress = std::function<void(std::uint32_t done, std::uint32_t total)>;

std::vector<book::DuplicateGroup> scanForDuplicates(const std::filesystem::path& dbf, const NotDuplicates& marks,
                                                    const ScanProgress& progress);

}  // namespace duplicates
