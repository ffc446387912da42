#include "engine/write/Writeback.h"

#ifdef __linux__
#include <fcntl.h>
#endif

namespace engine {

void startWriteback(int handle, int64_t offset, int64_t bytes)
{
#ifdef __linux__
    // Only a hint: a failure leaves the data to the final flush, which reports any error.
    static_cast<void>(sync_file_range(handle, offset, bytes, SYNC_FILE_RANGE_WRITE));
#else
    static_cast<void>(handle);
    static_cast<void>(offset);
    static_cast<void>(bytes);
#endif
}

} // namespace engine
