#pragma once
// Writing the packed file format of updater/packed_file.h: the header, and
// how many chunks a file of some size has.

#include <cstddef>
#include <cstdint>

#include "updater/packed_file.h"

namespace zv::builder {

uint64_t chunkCount(uint64_t size, uint32_t chunkSize);

// The 20 header bytes: magic, unpacked size, chunk size, chunk count.
void writePackedHeader(uint8_t out[kPackedHeaderSize], uint64_t size, uint32_t chunkSize, uint32_t count);

}  // namespace zv::builder
