#include "file_io.h"

#include <limits>

#if defined(_WIN32)
#include <io.h>
#else
#include <sys/types.h>
#include <unistd.h>
#endif

namespace varnoke {

bool seek_to(std::FILE *f, uint64_t position) {
#if defined(_WIN32)
    if (position > static_cast<uint64_t>(std::numeric_limits<__int64>::max())) return false;
    return _fseeki64(f, static_cast<__int64>(position), SEEK_SET) == 0;
#else
    static_assert(sizeof(off_t) >= 8, "64-bit file offsets are required");
    if (position > static_cast<uint64_t>(std::numeric_limits<off_t>::max())) return false;
    return fseeko(f, static_cast<off_t>(position), SEEK_SET) == 0;
#endif
}

bool flush_sync_close(File file) {
    std::FILE *f = file.release();
    bool ok = std::fflush(f) == 0;
#if defined(_WIN32)
    ok = ok && _commit(_fileno(f)) == 0;
#else
    ok = ok && fsync(fileno(f)) == 0;
#endif
    return std::fclose(f) == 0 && ok;
}

}  // namespace varnoke
