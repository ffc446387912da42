#pragma once

#include <cstdint>

namespace engine {

/// Asks the system to start writing `bytes` from `offset` of the open file `handle` to the
/// disk now, without waiting for it, so that the flush that ends a safe save finds little
/// left to do. Does nothing where the system has no such call.
void startWriteback(int handle, int64_t offset, int64_t bytes);

} // namespace engine
