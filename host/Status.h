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
