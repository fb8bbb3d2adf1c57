#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace velkor {

// The one error type of the code base for failures that carry a domain, a code and a
// user-facing message (FEN errors: domain "Brontil", codes 1-13; PGN errors: "Brontil.PGN").
// what() returns the message unchanged.
class DomainError : public std::runtime_error {
public:
    DomainError(std::string domain, int code, const std::string& message)
        : std::runtime_error(message), m_domain(std::move(domain)), m_code(code) {}

    const std::string& domain() const noexcept { return m_domain; }
    int code() const noexcept { return m_code; }
    std::string message() const { return what(); }

private:
    std::string m_domain;
    int m_code;
};

} // namespace velkor
