// A growable in-memory byte stream, the body store of one download.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quill::download {

class TMemoryStream {
public:
    // Writes at the position, growing the stream as needed; returns the count written.
    std::size_t Write(const void* data, std::size_t count);
    // Reads from the position; returns the count read (less at the end).
    std::size_t Read(void* data, std::size_t count);

    std::int64_t Size() const { return static_cast<std::int64_t>(FData.size()); }
    std::int64_t Position() const { return static_cast<std::int64_t>(FPosition); }
    // Positions beyond the end are allowed; the next write fills the gap with zeros.
    void SetPosition(std::int64_t position);

    // Room for an announced size, so a body whose length is known grows without
    // copying. Only a hint: a claim beyond what the process can hold is ignored and
    // the stream grows as the bytes arrive.
    void ReserveHint(std::int64_t size);

    const std::uint8_t* Memory() const { return FData.data(); }
    std::size_t Capacity() const { return FData.capacity(); }

private:
    std::vector<std::uint8_t> FData;
    std::size_t FPosition = 0;
};

}  // namespace quill::download
