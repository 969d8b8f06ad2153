// Errors are values here too: a failure carries the one-line reason the user will read.
#pragma once

#include <string>
#include <utility>
#include <variant>

struct Error {
  std::string message;
};

class [[nodiscard]] Status {
public:
  static Status Ok() { return Status(); }
  static Status Fail(std::string message) { return Status(std::move(message)); }

  bool ok() const { return !failed; }
  const std::string &message() const { return text; }

  // A function that returns a Status may return an Error, as one that returns a Result does.
  Status(Error error) : failed(true), text(std::move(error.message)) {}

private:
  Status() = default;
  explicit Status(std::string message) : failed(true), text(std::move(message)) {}

  bool failed = false;
  std::string text;
};

template <class T> class [[nodiscard]] Result {
public:
  Result(T value) : content(std::move(value)) {}
  Result(Error error) : content(std::move(error)) {}

  bool ok() const { return content.index() == 0; }
  T &value() { return std::get<0>(content); }
  const T &value() const { return std::get<0>(content); }
  const std::string &message() const { return std::get<1>(content).message; }
  Status status() const { return ok() ? Status::Ok() : Status::Fail(message()); }

private:
  std::variant<T, Error> content;
};

// Returns the failure of a Status or Result from the calling function, which may itself return
// a Status or any Result; its one-line reason travels unchanged.
#define ZRQ_RETURN_IF_FAILED(...)                                                                  \
  do {                                                                                             \
    if (const auto &zrqOutcome_ = (__VA_ARGS__); !zrqOutcome_.ok())                                \
      return Error{zrqOutcome_.message()};                                                         \
  } while (false)
