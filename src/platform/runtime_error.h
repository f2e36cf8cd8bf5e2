#pragma once

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

// A failure as the status line reports it, the system's code (or 0) and, for support, the cause.
struct RuntimeError {
    std::int32_t number = 0;
    std::wstring description;
    std::uint32_t win32Code = 0;
    std::wstring cause = {};

    // The same failure, whichever operation met it.
    friend bool operator==(const RuntimeError& left, const RuntimeError& right) {
        return left.number == right.number && left.description == right.description &&
               left.win32Code == right.win32Code;
    }
};

// The numbers that callers tell apart.
namespace error {
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccess = 75;
inline constexpr std::int32_t kPathNotFound = 76;
}  // namespace error

// A refusal's cause with the programs that hold the file, as the system names them.
inline std::wstring WithHolders(const std::wstring& cause, const std::vector<std::wstring>& names) {
    std::wstring held;
    for (const std::wstring& name : names) {
        held += (held.empty() ? L" Held by: " : L", ") + name;
    }
    return cause + held;
}

// Failures of the program itself rather than of the system.
inline RuntimeError OutOfMemory() { return {7, L"Out of memory"}; }
inline RuntimeError InternalError() { return {51, L"Internal error"}; }

// The value of an operation, or the runtime error that stopped it.
template <class T>
class [[nodiscard]] Result {
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

  public:
    Result() requires std::is_void_v<T> {}
    Result(Value value) : state_(std::in_place_index<0>, std::move(value)) {}
    Result(RuntimeError failure) : state_(std::in_place_index<1>, std::move(failure)) {}

    bool ok() const noexcept { return state_.index() == 0; }
    const Value& value() const requires(!std::is_void_v<T>) { return std::get<0>(state_); }
    const RuntimeError& error() const { return std::get<1>(state_); }

  private:
    std::variant<Value, RuntimeError> state_;
};

}  // namespace platform
