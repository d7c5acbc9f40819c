#include "download/MemoryStream.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace quill::download {

namespace {
// Announced sizes above this are not trusted for reservation: a server could name
// almost 2 GiB and exhaust a 32-bit process before a single byte arrived.
constexpr std::int64_t kMaxReserveHint = 256 * 1024 * 1024;
}  // namespace

std::size_t TMemoryStream::Write(const void* data, std::size_t count) {
    if (count == 0) return 0;
    const std::size_t end = FPosition + count;
    if (end > FData.size()) {
        if (end > FData.capacity()) FData.reserve(std::max(end, FData.capacity() * 2));
        FData.resize(end);
    }
    std::memcpy(FData.data() + FPosition, data, count);
    FPosition = end;
    return count;
}

std::size_t TMemoryStream::Read(void* data, std::size_t count) {
    if (FPosition >= FData.size()) return 0;
    count = std::min(count, FData.size() - FPosition);
    std::memcpy(data, FData.data() + FPosition, count);
    FPosition += count;
    return count;
}

void TMemoryStream::SetPosition(std::int64_t position) {
    FPosition = static_cast<std::size_t>(std::max<std::int64_t>(position, 0));
}

void TMemoryStream::ReserveHint(std::int64_t size) {
    if (size <= 0 || size > kMaxReserveHint) return;
    try {
        FData.reserve(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        // Growing on demand still works, only with more copying.
    }
}

}  // namespace quill::download
