#pragma once
// The one failure type of every port call. The number and the description are
// the platform's own (an automation error number, a COM HRESULT, or the number
// the in-memory workbook chose to mirror the host), so handlers can show the
// description to the user exactly as the host reported it.
#include <cstdint>
#include <stdexcept>
#include <string>

namespace quill {

std::string to_utf8(const std::u16string& s);
std::u16string to_u16(std::string_view s);

class HostError : public std::runtime_error {
public:
    HostError(std::int32_t number, std::u16string description)
        : std::runtime_error(to_utf8(description)), number_(number), description_(std::move(description)) {}
    std::int32_t number() const noexcept { return number_; }
    const std::u16string& description() const noexcept { return description_; }

private:
    std::int32_t number_;
    std::u16string description_;
};

// Error numbers the core raises itself, with the descriptions the host's
// runtime uses for them.
namespace err {
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternal = 51;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kNotSupported = 438;
inline constexpr std::int32_t kCancel = 32755;  // the common dialog's "Cancel was selected."
HostError TypeMismatch();
HostError ObjectRequired();
HostError InvalidUseOfNull();
HostError InvalidProcedureCall();
}  // namespace err

// The exception in flight, as a HostError; for use inside a catch block only.
// Anything that is not a HostError is mapped so that handlers never have to
// know which layer failed.
HostError current_error();

}  // namespace quill

namespace quill {
// Calling a member on "nothing" is the host runtime's error 424, never a crash.
template <class P>
auto& need(const P& p) {
    if (!p) throw err::ObjectRequired();
    return *p;
}
}  // namespace quill
