// How a download continues after a cut: which validator a partial file keeps, what a
// reply to a range request means for it, and how long to pause before the next try.
// No platform headers, so every rule is checked natively.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quill::download {

// How many times a cut transfer is tried again before the user is told.
inline constexpr int kResumeTries = 3;

// The "Content-Range: bytes first-last/total" of a 206 reply; total is -1 for "*".
struct ContentRange {
    std::int64_t First = 0;
    std::int64_t Last = 0;
    std::int64_t Total = -1;
};
std::optional<ContentRange> ParseContentRange(std::string_view text);

// What an If-Range may carry for the partial file: a strong ETag, else the Last-Modified
// date; empty when the server gave neither (the file then cannot be continued safely).
std::string ResumeValidator(std::string_view etag, std::string_view lastModified);

// The reply to a request for the bytes from `have` on (have 0: the whole body).
enum class ReplyUse : std::uint8_t {
    Append,     // 206 that continues the partial file exactly
    StartOver,  // a whole body (200): the partial file is dropped and written anew
    Refuse,     // 206 that does not continue the file: dropped, asked again from zero
    Fail,       // not a success: an error for the user, never a body
};
struct ReplyPlan {
    ReplyUse Use = ReplyUse::Fail;
    // The whole file's length when known, else 0.
    std::int64_t Total = 0;
};
ReplyPlan PlanReply(int status, std::int64_t have, std::optional<std::int64_t> contentLength,
                    std::optional<std::string_view> contentRange);

// The pause before try `attempt` (1-based) after a cut: base, twice base, four times...
std::chrono::milliseconds RetryPause(int attempt, std::chrono::milliseconds base);

// The status line while a cut transfer is tried again: "Reconectare... (2 din 3)".
std::string ReconnectText(int attempt, int tries = kResumeTries);

}  // namespace quill::download
